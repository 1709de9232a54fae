// Shared by the pixel routines and their vector forms.
#pragma once

#include <cstdint>
#include <cstring>

#include "Q5150FLT/cmm/color_world.h"

namespace q7310::flt::cmm {

// Per input channel and input byte: the byte offset of its cell along that
// axis and its weight, with the input curve already applied.
struct AxisTables {
  uint32_t offset[4][256];
  uint32_t weight[4][256];
};

inline uint32_t node(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// True when this processor runs the vector forms (and tests have not
// switched them off).
bool vectorRoutinesEnabled();

// The high-precision 3-to-3 routine with AVX2; the same results as the
// scalar one, bit for bit.
void runPreciseAvx2(const ColorWorld& w, const AxisTables& t, uint8_t* const* src, uint8_t* const* dst, size_t count,
                    uint64_t& lastKey, uint8_t* lastOut, bool planar);
// The 8.8 three-input routines (3 or 4 outputs) with AVX2, likewise exact.
void runFixedAvx2(const ColorWorld& w, const AxisTables& t, uint8_t* const* src, uint8_t* const* dst, size_t count,
                  uint64_t& lastKey, uint8_t* lastOut, bool planar);

}  // namespace q7310::flt::cmm

// Interpolation in a profile's own CLUT while a color world is built: each
// input byte becomes a cell index and a 16-bit fraction, values are lifted to
// 8.8 and blended one axis at a time, the last input first.
#pragma once

#include <cstdint>
#include <span>

#include "Q5150FLT/icc/tag_readers.h"

namespace q7310::flt::cmm {

// The cell index and 16-bit fraction of every input byte in a grid of g
// points: pos = v / (255 / (g - 1)), index = trunc(pos) held at g - 2,
// fraction = min(trunc((pos - index) × 65536 + 0.5), 65536).
struct GridAxis {
  uint32_t index[256];
  int32_t fraction[256];
  explicit GridAxis(uint32_t gridPoints);
};

// Interpolates lut's CLUT at the input bytes (lut.inputChannels of them) and
// writes lut.outputChannels result bytes. The CLUT must be complete
// (readLutTag guarantees it); axis is GridAxis(lut.gridPoints).
void interpolateProfileGrid(const icc::LutTag& lut, const GridAxis& axis, std::span<const uint8_t> input,
                            std::span<uint8_t> output);

// The blend step a + (b - a) × f / 65536 rounded, as the engine does it.
inline int32_t lerp16(int32_t a, int32_t b, int32_t f) {
  int32_t r = b >= a ? a + static_cast<int32_t>((static_cast<int64_t>(b - a) * f + 32768) >> 16)
                     : a - static_cast<int32_t>((static_cast<int64_t>(a - b) * f + 32768) >> 16);
  return r > 65280 ? 65280 : r;
}

}  // namespace q7310::flt::cmm

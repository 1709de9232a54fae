// The color world: one block holding a fixed header (weights, input and
// output curves, the chosen pixel routines) followed by the precomputed grid.
// Everything a match call needs is in the block, so a world is built once and
// then applied by table lookups and fixed-point interpolation only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os/file_handle.h"

namespace q7310::flt::cmm {

enum class Routine : uint32_t {
  None = 0,
  ThreeToThree = 1,
  ThreeToFour = 2,
  FourToThree = 3,
  FourToFour = 4,
  HighPrecisionThreeToThree = 5,
};

inline constexpr uint32_t kHeaderSize = 3100;
inline constexpr uint32_t kGridPoints3 = 33;
inline constexpr uint32_t kGridPoints4 = 17;
inline constexpr uint32_t kGridSize3 = 33 * 16384;          // 33 planes of 64 × 64 slots
inline constexpr uint32_t kGridSize4 = 17 * 17 * 17 * 17 * 4;
inline constexpr size_t kToneTableSize = 1280;            // master + four channels

struct ColorWorldHeader {
  uint32_t headerSize;
  uint32_t gridSize;
  uint32_t gridPoints;
  uint32_t inputChannels;
  uint32_t outputChannels;
  uint32_t weights[256];
  uint8_t inputCurves[4][256];
  uint8_t outputCurves[4][256];
  Routine pixelRoutine;
  Routine planeRoutine;
};
static_assert(sizeof(ColorWorldHeader) == kHeaderSize);
static_assert(offsetof(ColorWorldHeader, weights) == 20);
static_assert(offsetof(ColorWorldHeader, inputCurves) == 1044);
static_assert(offsetof(ColorWorldHeader, outputCurves) == 2068);
static_assert(offsetof(ColorWorldHeader, pixelRoutine) == 3092);

// The high-precision path reads its 16-bit source curves only at v × 257 for
// input bytes v, so the world keeps just those entries (tone tables composed
// in), right after the grid.
struct HighPrecisionTables {
  uint16_t curve16[3][256];
};

struct ColorWorld {
  ColorWorldHeader header;
  uint8_t* grid() { return reinterpret_cast<uint8_t*>(this) + header.headerSize; }
  const uint8_t* grid() const { return reinterpret_cast<const uint8_t*>(this) + header.headerSize; }
  // Null unless the pixel routine is the high-precision one.
  const HighPrecisionTables* highPrecision() const;
};

// Builds the world, or returns nullptr when a needed tag is missing or
// damaged, the profiles cannot be combined, or memory runs out. intent 0..3;
// tone tables are kToneTableSize bytes or null.
ColorWorld* createColorWorld(uint32_t intent, os::FileHandle input, const uint8_t* inputTone, os::FileHandle output,
                             const uint8_t* outputTone);
void disposeColorWorld(ColorWorld* world);

// The weight of an 8-bit value inside its cell, for 33 or 17 grid points.
uint32_t cellWeight(uint32_t gridPoints, uint32_t v);
// The weight of a 16-bit value of the high-precision path.
uint32_t highPrecisionWeight(uint32_t t);

// Test hook: the next `count` block allocations succeed, later ones fail;
// negative for no limit. Lets tests prove that running out of memory gives
// no world instead of ending the process.
void limitAllocationsForTesting(int count);

}  // namespace q7310::flt::cmm

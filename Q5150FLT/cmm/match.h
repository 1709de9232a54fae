// Applying a color world to pixels, interleaved or planar. The routine was
// chosen when the world was built; the per-pixel loop only looks tables up
// and interpolates in fixed point.
#pragma once

#include <cstdint>

#include "Q5150FLT/cmm/color_world.h"

namespace q7310::flt::cmm {

// A map of pixels: interleaved (planes[0] holds all components, rowBytes
// apart per line) or planar (one plane per component, each rowBytes per line).
struct MapView {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t components = 0;
  uint32_t rowBytes = 0;
  uint8_t* planes[4] = {};
  bool planar = false;
};

// 0, or -1 (nothing written) when the component counts differ from the
// world's, a plane is missing or a row is shorter than its pixels.
int32_t match(const ColorWorld& world, const MapView& src, const MapView& dst);

// Test hook: 0 keeps to the plain routines, 1 uses the vector forms where the
// processor has them, -1 decides by the processor (the default).
void useVectorRoutinesForTesting(int mode);

}  // namespace q7310::flt::cmm

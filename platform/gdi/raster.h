// Pixel-level helpers shared by the engine's drawing operations: argument
// checks, the effective clip box, raster operations and pixel addressing.
// Internal to the engine library.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/gdi/types.h"

namespace q7310::gdi::detail {

// A usable 24-bit surface: bits present, positive size, a row step that holds
// a row. Anything else is refused by the drawing calls.
bool usableSurface(const SurfObj* surface);

inline uint8_t* pixelAt(const SurfObj* s, int32_t x, int32_t y) {
  return s->pvScan0 + static_cast<intptr_t>(y) * s->lDelta + static_cast<intptr_t>(x) * 3;
}

inline RectL intersect(const RectL& a, const RectL& b) {
  return RectL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}
inline bool isEmpty(const RectL& r) { return r.right <= r.left || r.bottom <= r.top; }
inline RectL ordered(const RectL& r) {
  return RectL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

// The part of the surface drawing may touch: the surface, cut to the clip
// rectangle when the clip object carries one.
RectL clipBox(const SurfObj* dst, const ClipObj* clip);

// Brush colors are 0x00BBGGRR; surfaces hold blue, green, red bytes.
struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
};
inline Bgr colorToBgr(uint32_t color) {
  return Bgr{static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8), static_cast<uint8_t>(color)};
}

// A three-operand raster operation (pattern, source, destination) applied to
// one byte: bit (P*4 + S*2 + D) of the code is the result for that input.
inline uint8_t applyRop3(uint8_t rop3, uint8_t p, uint8_t s, uint8_t d) {
  uint8_t out = 0;
  for (int k = 0; k < 8; ++k) {
    if ((rop3 >> k) & 1) {
      uint8_t pm = (k & 4) ? p : static_cast<uint8_t>(~p);
      uint8_t sm = (k & 2) ? s : static_cast<uint8_t>(~s);
      uint8_t dm = (k & 1) ? d : static_cast<uint8_t>(~d);
      out |= pm & sm & dm;
    }
  }
  return out;
}
inline bool ropUsesSource(uint8_t rop3) { return ((rop3 >> 2) & 0x33) != (rop3 & 0x33); }
inline bool ropUsesPattern(uint8_t rop3) { return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F); }

// A mix (R2 code 1..16 in its low byte) as the equivalent raster operation;
// false for a code outside that range.
bool mixToRop3(uint32_t mix, uint8_t* rop3);

// Writes the pattern color over [x0, x1) of row y with the raster operation.
void paintSpan(const SurfObj* dst, int32_t y, int32_t x0, int32_t x1, Bgr color, uint8_t rop3);

// Fills polygons given as closed figures of points (device pixels, pixel
// centres at .5) with the fill mode, cut to the clip box; calls paintSpan.
struct PointD {
  double x = 0;
  double y = 0;
};
void fillPolygons(const SurfObj* dst, const RectL& clip, const std::vector<std::vector<PointD>>& figures,
                  uint32_t fillMode, Bgr color, uint8_t rop3);

// A one-pixel line from (x1, y1) to (x2, y2), the last point left out.
void drawThinLine(const SurfObj* dst, const RectL& clip, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Bgr color,
                  uint8_t rop3);

}  // namespace q7310::gdi::detail

// Rotate by 180 degrees and mirror, both done by swapping pixels in place: the
// result is the one a copy-and-read-back would give, without the copy.
#include <algorithm>
#include <utility>

#include "Q7310RGB/bitmap/operations.h"

namespace q7310::rgb {
namespace {

inline void swapPixel(uint8_t* a, uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

// Row a becomes row b read backwards and the other way round (a may equal b).
void swapReversed(uint8_t* a, uint8_t* b, int32_t width) {
  if (a == b) {
    for (int32_t x = 0, z = width - 1; x < z; ++x, --z) swapPixel(a + 3 * x, a + 3 * z);
    return;
  }
  for (int32_t x = 0; x < width; ++x) swapPixel(a + 3 * x, b + 3 * (width - 1 - x));
}

}  // namespace

bool rotate180(RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  for (int32_t y = 0, z = bitmap.height - 1; y <= z; ++y, --z)
    swapReversed(rowOf(bitmap, y), rowOf(bitmap, z), bitmap.width);
  return true;
}

bool mirror(RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* row = rowOf(bitmap, y);
    swapReversed(row, row, bitmap.width);
  }
  return true;
}

}  // namespace q7310::rgb

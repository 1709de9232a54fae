// Bitmaps the library makes and the geometry checks every operation starts
// with. Pixels of library-made bitmaps come from malloc, the record from new,
// so that Q7310_FreeBitmap can release both in that order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "Q7310RGB/q7310rgb.h"

namespace q7310::rgb {

// What an operation may do with a bitmap handed to it.
enum class Geometry {
  Usable,   // pixels present, rows of at least width x 3 bytes
  Empty,    // no pixels to touch (width or height 0): nothing to do
  Invalid,  // no record, negative sizes, rows too short or no pixel buffer
};
Geometry checkGeometry(const RgbBitmap* bitmap);

inline uint8_t* rowOf(const RgbBitmap& bitmap, int32_t y) {
  return bitmap.pixels + static_cast<ptrdiff_t>(y) * bitmap.stride;
}

// The tightest row length the library gives a bitmap of `width` pixels that it
// makes itself: 3 x width rounded down to a multiple of 4, plus 4.
int32_t libraryStride(int32_t width);

// Releases a library-made bitmap (pixels, then the record). Null is fine.
void freeBitmap(RgbBitmap* bitmap);

struct BitmapDeleter {
  void operator()(RgbBitmap* bitmap) const { freeBitmap(bitmap); }
};
using BitmapPtr = std::unique_ptr<RgbBitmap, BitmapDeleter>;

// A new bitmap with height x stride pixel bytes (zeroed when asked). Null when
// the sizes are negative, do not fit the record, or memory runs out.
BitmapPtr allocateBitmap(int32_t width, int32_t height, int32_t stride, bool zeroed);

// A copy with the same width, height and stride and every row's stride bytes
// (filler included). A negative stride is copied as its absolute value, rows in
// the same order. Null for an invalid bitmap or without memory.
BitmapPtr duplicateBitmap(const RgbBitmap& bitmap);

}  // namespace q7310::rgb

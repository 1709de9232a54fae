#include "Q7310RGB/bitmap/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace q7310::rgb {

Geometry checkGeometry(const RgbBitmap* bitmap) {
  if (bitmap == nullptr || bitmap->width < 0 || bitmap->height < 0) return Geometry::Invalid;
  if (bitmap->stride == std::numeric_limits<int32_t>::min()) return Geometry::Invalid;
  const int64_t rowBytes = int64_t{bitmap->width} * 3;
  const int64_t stride = bitmap->stride < 0 ? -int64_t{bitmap->stride} : int64_t{bitmap->stride};
  if (stride < rowBytes) return Geometry::Invalid;
  if (bitmap->width == 0 || bitmap->height == 0) return Geometry::Empty;
  if (bitmap->pixels == nullptr) return Geometry::Invalid;
  return Geometry::Usable;
}

int32_t libraryStride(int32_t width) { return static_cast<int32_t>((int64_t{width} * 3 & ~int64_t{3}) + 4); }

void freeBitmap(RgbBitmap* bitmap) {
  if (bitmap == nullptr) return;
  std::free(bitmap->pixels);
  delete bitmap;
}

BitmapPtr allocateBitmap(int32_t width, int32_t height, int32_t stride, bool zeroed) {
  if (width < 0 || height < 0 || stride < 0 || int64_t{stride} < int64_t{width} * 3) return nullptr;
  const uint64_t bytes = uint64_t(height) * uint64_t(stride);
  if (bytes > std::numeric_limits<size_t>::max() / 2) return nullptr;
  // At least one byte, so that an empty bitmap still owns a buffer.
  const size_t size = bytes == 0 ? 1 : static_cast<size_t>(bytes);
  void* pixels = zeroed ? std::calloc(size, 1) : std::malloc(size);
  if (pixels == nullptr) return nullptr;
  auto* record = new (std::nothrow) RgbBitmap{static_cast<uint8_t*>(pixels), width, height, stride};
  if (record == nullptr) {
    std::free(pixels);
    return nullptr;
  }
  return BitmapPtr(record);
}

BitmapPtr duplicateBitmap(const RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry == Geometry::Invalid) return nullptr;
  const int32_t stride = bitmap.stride < 0 ? -bitmap.stride : bitmap.stride;
  BitmapPtr copy = allocateBitmap(bitmap.width, bitmap.height, stride, false);
  if (!copy || geometry == Geometry::Empty) return copy;
  if (bitmap.stride >= 0) {
    std::memcpy(copy->pixels, bitmap.pixels, size_t(bitmap.height) * size_t(stride));
  } else {
    for (int32_t y = 0; y < bitmap.height; ++y) std::memcpy(rowOf(*copy, y), rowOf(bitmap, y), size_t(stride));
  }
  return copy;
}

}  // namespace q7310::rgb

// Test pictures: bitmaps with filler bytes after every row (filled with a
// marker the operations must leave alone), photo-like content and comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Q7310RGB/q7310rgb.h"

namespace q7310::rgb::testing {

inline constexpr uint8_t kFiller = 0xA5;

class Picture {
 public:
  // stride 0: width x 3 plus 5 filler bytes.
  Picture(int32_t width, int32_t height, int32_t stride = 0)
      : bytes_(size_t(height) * size_t(stride == 0 ? width * 3 + 5 : stride) + 1, kFiller) {
    bitmap_ = RgbBitmap{bytes_.data(), width, height, stride == 0 ? width * 3 + 5 : stride};
  }
  Picture(const Picture& other) : bytes_(other.bytes_), bitmap_(other.bitmap_) { bitmap_.pixels = bytes_.data(); }
  Picture& operator=(const Picture&) = delete;

  RgbBitmap* bitmap() { return &bitmap_; }
  const RgbBitmap& record() const { return bitmap_; }
  int32_t width() const { return bitmap_.width; }
  int32_t height() const { return bitmap_.height; }
  uint8_t* at(int32_t x, int32_t y) { return bytes_.data() + size_t(y) * bitmap_.stride + 3 * size_t(x); }
  const uint8_t* at(int32_t x, int32_t y) const { return bytes_.data() + size_t(y) * bitmap_.stride + 3 * size_t(x); }
  void set(int32_t x, int32_t y, uint8_t b0, uint8_t b1, uint8_t b2) {
    uint8_t* p = at(x, y);
    p[0] = b0;
    p[1] = b1;
    p[2] = b2;
  }
  void fill(uint8_t b0, uint8_t b1, uint8_t b2) {
    for (int32_t y = 0; y < height(); ++y)
      for (int32_t x = 0; x < width(); ++x) set(x, y, b0, b1, b2);
  }
  // Smooth gradients with some detail and noise, like a photograph.
  void fillPhotoLike(uint32_t seed = 1) {
    uint32_t state = seed * 2654435761u + 12345u;
    for (int32_t y = 0; y < height(); ++y) {
      for (int32_t x = 0; x < width(); ++x) {
        state = state * 1664525u + 1013904223u;
        const int noise = int(state >> 28) - 8;
        const int base = (x * 255) / (width() > 1 ? width() - 1 : 1);
        const int band = ((x / 7 + y / 5) % 2) * 40;
        uint8_t* p = at(x, y);
        p[0] = clamp(base + noise);
        p[1] = clamp((y * 255) / (height() > 1 ? height() - 1 : 1) - band + noise);
        p[2] = clamp(255 - base / 2 + band + noise);
      }
    }
  }
  // Flat blocks of a few levels with sharp steps between them: sums over a
  // block land on whole numbers, where the order of rounding shows.
  void fillBlocks(uint32_t seed = 1) {
    uint32_t state = seed * 2246822519u + 7u;
    std::vector<uint8_t> levels;
    for (int i = 0; i < 64; ++i) {
      state = state * 1664525u + 1013904223u;
      levels.push_back(uint8_t(state >> 24));
    }
    for (int32_t y = 0; y < height(); ++y)
      for (int32_t x = 0; x < width(); ++x)
        for (int c = 0; c < 3; ++c) at(x, y)[c] = levels[size_t((x / 6 + 3 * (y / 5) + 17 * c) % 64)];
  }
  // True when every byte past width x 3 in each row still holds the marker.
  bool fillerIntact() const {
    for (int32_t y = 0; y < height(); ++y)
      for (int32_t i = width() * 3; i < bitmap_.stride; ++i)
        if (bytes_[size_t(y) * bitmap_.stride + i] != kFiller) return false;
    return bytes_.back() == kFiller;
  }
  // The pixel bytes only, row after row.
  std::vector<uint8_t> pixelBytes() const {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < height(); ++y) out.insert(out.end(), at(0, y), at(0, y) + 3 * size_t(width()));
    return out;
  }

 private:
  static uint8_t clamp(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }
  std::vector<uint8_t> bytes_;
  RgbBitmap bitmap_;
};

// The pixel bytes of any bitmap, row after row.
inline std::vector<uint8_t> pixelBytes(const RgbBitmap& bitmap) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* row = bitmap.pixels + ptrdiff_t(y) * bitmap.stride;
    out.insert(out.end(), row, row + 3 * size_t(bitmap.width));
  }
  return out;
}

}  // namespace q7310::rgb::testing

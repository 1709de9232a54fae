// Small surfaces for engine tests: created, filled and read by pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/engine.h"

namespace q7310::gdi::testing {

// 0x00BBGGRR, as brushes carry colors.
constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t{b} << 16); }

class TestSurface {
 public:
  TestSurface(int32_t width, int32_t height, uint32_t fill = 0, uint32_t flags = kBmfTopDown)
      : handle_(engCreateBitmap(SizeL{width, height}, 0, kBmf24Bpp, flags, nullptr)) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) set(x, y, fill);
  }
  ~TestSurface() { engDeleteSurface(handle_); }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  SurfObj* obj() const { return engLockSurface(handle_); }
  HSurf handle() const { return handle_; }
  uint8_t* at(int32_t x, int32_t y) const { return obj()->pvScan0 + y * obj()->lDelta + x * 3; }
  uint32_t get(int32_t x, int32_t y) const {
    const uint8_t* p = at(x, y);
    return rgb(p[2], p[1], p[0]);
  }
  void set(int32_t x, int32_t y, uint32_t color) const {
    uint8_t* p = at(x, y);
    p[0] = static_cast<uint8_t>(color >> 16);
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
  }
  // One character per pixel: '#' where the pixel equals ink, '.' elsewhere;
  // rows separated by '|'.
  std::string picture(uint32_t ink) const {
    std::string out;
    for (int32_t y = 0; y < obj()->sizlBitmap.cy; ++y) {
      if (y > 0) out += '|';
      for (int32_t x = 0; x < obj()->sizlBitmap.cx; ++x) out += get(x, y) == ink ? '#' : '.';
    }
    return out;
  }
  // The red channel of every pixel, row by row.
  std::vector<int> reds() const {
    std::vector<int> out;
    for (int32_t y = 0; y < obj()->sizlBitmap.cy; ++y)
      for (int32_t x = 0; x < obj()->sizlBitmap.cx; ++x) out.push_back(static_cast<int>(get(x, y) & 0xFF));
    return out;
  }

 private:
  HSurf handle_;
};

}  // namespace q7310::gdi::testing

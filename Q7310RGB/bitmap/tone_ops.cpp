// Operations that map each byte through 256-entry tables built once per call:
// gamma, brightness and contrast, channel shift, auto contrast; and grayscale.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/bitmap/pixel_math.h"

namespace q7310::rgb {
namespace {

using Table = std::array<uint8_t, 256>;

// Bytes of a row and of a table: the compiler may then keep both apart.
void mapBytes(uint8_t* __restrict bytes, size_t count, const uint8_t* __restrict table) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const uint8_t a = table[bytes[i]], b = table[bytes[i + 1]], c = table[bytes[i + 2]], d = table[bytes[i + 3]];
    bytes[i] = a;
    bytes[i + 1] = b;
    bytes[i + 2] = c;
    bytes[i + 3] = d;
  }
  for (; i < count; ++i) bytes[i] = table[bytes[i]];
}

void applyTable(RgbBitmap& bitmap, const Table& table) {
  const size_t rowBytes = size_t(bitmap.width) * 3;
  const int32_t height = bitmap.height;
  for (int32_t y = 0; y < height; ++y) mapBytes(rowOf(bitmap, y), rowBytes, table.data());
}

// One table per byte position.
void mapPixels(uint8_t* __restrict p, size_t pixels, const uint8_t* __restrict t0, const uint8_t* __restrict t1,
               const uint8_t* __restrict t2) {
  for (size_t x = 0; x < pixels; ++x, p += 3) {
    const uint8_t a = t0[p[0]], b = t1[p[1]], c = t2[p[2]];
    p[0] = a;
    p[1] = b;
    p[2] = c;
  }
}

void applyTables(RgbBitmap& bitmap, const Table& t0, const Table& t1, const Table& t2) {
  const size_t pixels = size_t(bitmap.width);
  const int32_t height = bitmap.height;
  for (int32_t y = 0; y < height; ++y) mapPixels(rowOf(bitmap, y), pixels, t0.data(), t1.data(), t2.data());
}

Table shiftTable(int32_t percent) {
  const int64_t shift = int64_t{percent} * 255 / 100;
  Table table;
  for (int v = 0; v < 256; ++v) table[v] = clampToByte(v + shift);
  return table;
}

}  // namespace

namespace {

// weight0 and weight2 are the weights of bytes 0 and 2; green is always byte 1.
bool grayscaleWeighted(RgbBitmap& bitmap, uint32_t weight0, uint32_t weight2) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  const int32_t width = bitmap.width;
  const int32_t height = bitmap.height;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      const auto v = static_cast<uint8_t>((601u * p[1] + weight0 * p[0] + weight2 * p[2]) >> 10);
      p[0] = p[1] = p[2] = v;
    }
  }
  return true;
}

}  // namespace

bool grayscale(RgbBitmap& bitmap) { return grayscaleWeighted(bitmap, 117u, 306u); }

bool grayscaleRedFirst(RgbBitmap& bitmap) { return grayscaleWeighted(bitmap, 306u, 117u); }

bool gamma(RgbBitmap& bitmap, int32_t gammaHundredths) {
  const Geometry geometry = checkGeometry(&bitmap);
  // A gamma of 0 would divide by zero, a negative one give no curve at all.
  if (geometry == Geometry::Invalid || gammaHundredths <= 0) return false;
  if (geometry == Geometry::Empty) return true;
  const double e = 100.0 / gammaHundredths;
  const double norm = std::pow(255.0, e) / 255.0;
  Table table;
  for (int i = 0; i < 256; ++i) table[i] = truncToByte(std::pow(double(i), e) / norm);
  applyTable(bitmap, table);
  return true;
}

bool brightnessContrast(RgbBitmap& bitmap, int32_t brightness, int32_t contrast) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  const int64_t b0 = int64_t{brightness} * 255 / 100 + 128;
  const double c = (double(contrast) + 100.0) / 100.0;
  Table table;
  for (int v = 0; v < 256; ++v) table[v] = truncToByte(double(b0) + c * double(v - 128));
  applyTable(bitmap, table);
  return true;
}

bool channelAdjust(RgbBitmap& bitmap, int32_t red, int32_t green, int32_t blue) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  applyTables(bitmap, shiftTable(blue), shiftTable(green), shiftTable(red));
  return true;
}

bool autoContrast(RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  // Smallest and largest byte per position, 16 pixels at a time in three
  // 16-byte vectors: lane j of the 48 holds byte position j % 3.
  typedef uint8_t Bytes16 __attribute__((vector_size(16)));
  constexpr size_t kLanes = 48;
  Bytes16 low[3], high[3];
  for (int v = 0; v < 3; ++v) {
    low[v] = Bytes16{} + 255;
    high[v] = Bytes16{};
  }
  std::array<uint8_t, kLanes> tailLow;
  std::array<uint8_t, kLanes> tailHigh;
  tailLow.fill(255);
  tailHigh.fill(0);
  const size_t rowBytes = size_t(bitmap.width) * 3;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* row = rowOf(bitmap, y);
    size_t i = 0;
    for (; i + kLanes <= rowBytes; i += kLanes) {
      for (int v = 0; v < 3; ++v) {
        Bytes16 x;
        std::memcpy(&x, row + i + 16 * v, sizeof x);
        low[v] = x < low[v] ? x : low[v];
        high[v] = x > high[v] ? x : high[v];
      }
    }
    for (size_t j = 0; i < rowBytes; ++i, ++j) {
      tailLow[j] = std::min(tailLow[j], row[i]);
      tailHigh[j] = std::max(tailHigh[j], row[i]);
    }
  }
  std::array<Table, 3> tables;
  for (int c = 0; c < 3; ++c) {
    int lo = 255;
    int hi = 0;
    for (size_t j = size_t(c); j < kLanes; j += 3) {
      lo = std::min<int>({lo, low[j / 16][j % 16], tailLow[j]});
      hi = std::max<int>({hi, high[j / 16][j % 16], tailHigh[j]});
    }
    for (int v = 0; v < 256; ++v) {
      // Values outside the picture's range never occur; keep them in range anyway.
      tables[c][v] = hi == lo ? uint8_t(v) : clampToByte(int64_t(v - lo) * 255 / (hi - lo));
    }
  }
  applyTables(bitmap, tables[0], tables[1], tables[2]);
  return true;
}

}  // namespace q7310::rgb

// Operations that map each byte through 256-entry tables built once per call:
// gamma, brightness and contrast, channel shift, auto contrast; and grayscale.
#include <array>
#include <cmath>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/bitmap/pixel_math.h"

namespace q7310::rgb {
namespace {

using Table = std::array<uint8_t, 256>;

void applyTable(RgbBitmap& bitmap, const Table& table) {
  const size_t rowBytes = size_t(bitmap.width) * 3;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* row = rowOf(bitmap, y);
    for (size_t i = 0; i < rowBytes; ++i) row[i] = table[row[i]];
  }
}

// One table per byte position.
void applyTables(RgbBitmap& bitmap, const Table& t0, const Table& t1, const Table& t2) {
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      p[0] = t0[p[0]];
      p[1] = t1[p[1]];
      p[2] = t2[p[2]];
    }
  }
}

Table shiftTable(int32_t percent) {
  const int64_t shift = int64_t{percent} * 255 / 100;
  Table table;
  for (int v = 0; v < 256; ++v) table[v] = clampToByte(v + shift);
  return table;
}

}  // namespace

bool grayscale(RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      const auto v = static_cast<uint8_t>((601u * p[1] + 117u * p[0] + 306u * p[2]) >> 10);
      p[0] = p[1] = p[2] = v;
    }
  }
  return true;
}

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
  std::array<int, 3> low{255, 255, 255};
  std::array<int, 3> high{0, 0, 0};
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      for (int c = 0; c < 3; ++c) {
        low[c] = p[c] < low[c] ? p[c] : low[c];
        high[c] = p[c] > high[c] ? p[c] : high[c];
      }
    }
  }
  std::array<Table, 3> tables;
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      // Values outside the picture's range never occur; keep them in range anyway.
      tables[c][v] = high[c] == low[c] ? uint8_t(v) : clampToByte(int64_t(v - low[c]) * 255 / (high[c] - low[c]));
    }
  }
  applyTables(bitmap, tables[0], tables[1], tables[2]);
  return true;
}

}  // namespace q7310::rgb

// Colour operations through hue models: saturation (integer hue, lightness,
// saturation on a 0..255 scale, converted back in double precision) and auto
// color (hue, saturation, value in single precision after black removal).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/bitmap/pixel_math.h"

namespace q7310::rgb {
namespace {

// ---- saturation ----

struct Hls {
  int h, l, s;
};

// Integer conversion on a 0..255 scale; hue 170 for greys, sectors 42 wide.
Hls toHls(int r, int g, int b) {
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int l = (mx + mn + 1) / 2;
  if (mx == mn) return {170, l, 0};
  const int delta = mx - mn;
  const int s =
      l <= 127 ? (delta * 255 + (mx + mn) / 2) / (mx + mn) : (delta * 255 + (510 - mx - mn) / 2) / (510 - mx - mn);
  auto step = [&](int v) { return ((mx - v) * 42 + delta / 2) / delta; };
  int h;
  if (r == mx) {
    h = step(b) - step(g);
  } else if (g == mx) {
    h = 85 + step(r) - step(b);
  } else {
    h = 170 + step(g) - step(r);
  }
  return {h & 0xFF, l, s};  // modulo 256
}

double hueToValue(double m1, double m2, double x) {
  if (x < 0.0) {
    x += 360.0;
  } else if (x > 360.0) {
    x -= 360.0;
  }
  if (x < 60.0) return m1 + (m2 - m1) * x / 60.0;
  if (x < 180.0) return m2;
  if (x < 240.0) return m1 + (m2 - m1) * (240.0 - x) / 60.0;
  return m1;
}

// The quotients of the back conversion for every byte value, computed once:
// the same doubles the per-pixel divisions would give.
struct BackTables {
  BackTables() {
    for (int j = 0; j < 256; ++j) {
      unit[j] = j / 255.0;
      degrees[j] = j * 360.0 / 255.0;
    }
  }
  std::array<double, 256> unit;     // j / 255
  std::array<double, 256> degrees;  // j x 360 / 255
};

// Writes bytes 2, 1, 0 (red, green, blue) of the pixel.
void fromHls(const Hls& hls, const BackTables& tables, uint8_t* p) {
  const double s = tables.unit[hls.s];
  const double l = tables.unit[hls.l];
  if (s == 0.0) {
    p[0] = p[1] = p[2] = truncToByte(l * 255.0);
    return;
  }
  const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  const double m1 = 2.0 * l - m2;
  const double h = tables.degrees[hls.h];
  p[2] = truncToByte(hueToValue(m1, m2, h + 120.0) * 255.0);
  p[1] = truncToByte(hueToValue(m1, m2, h) * 255.0);
  p[0] = truncToByte(hueToValue(m1, m2, h - 120.0) * 255.0);
}

// ---- auto color ----

struct Hsv {
  float h, s, v;
};

// r, g, b are the black-removed values of bytes 2, 1, 0; red is checked first.
Hsv toHsv(int r, int g, int b) {
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int delta = mx - mn;
  Hsv hsv{0.0f, 0.0f, float(mx) / 255.0f};
  if (mx == 0 || delta == 0) return hsv;  // grey: no hue, no saturation
  hsv.s = float(delta) / float(mx);
  float h;
  if (r == mx) {
    h = float(g - b) / float(delta);
  } else if (g == mx) {
    h = 2.0f + float(b - r) / float(delta);
  } else {
    h = 4.0f + float(r - g) / float(delta);
  }
  h /= 6.0f;
  if (h < 0.0f) h += 1.0f;
  hsv.h = h;
  return hsv;
}

// Back to three values 0..1 as red, green, blue.
std::array<float, 3> fromHsv(const Hsv& hsv) {
  const float v = hsv.v;
  if (hsv.s < 0x1p-23f) return {v, v, v};
  const float h6 = hsv.h * 6.0f;
  const float sector = std::floor(h6);
  const float f = h6 - sector;
  const float p = v * (1.0f - hsv.s);
  const float q = v * (1.0f - hsv.s * f);
  const float t = v * (1.0f - hsv.s * (1.0f - f));
  switch (static_cast<int>(sector)) {
    case 0:
    case 6:
      return {v, t, p};
    case 1:
      return {q, v, p};
    case 2:
      return {p, v, t};
    case 3:
      return {p, q, v};
    case 4:
      return {t, p, v};
    default:
      return {v, p, q};
  }
}

inline uint8_t floatToByte(float x) { return truncToByte(double(x)); }

}  // namespace

bool saturate(RgbBitmap& bitmap, int32_t saturation) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  // The round trip through the hue model is not lossless, so "no change" must
  // not run it.
  if (saturation == 0) return true;
  const int64_t d = std::clamp<int64_t>(int64_t{saturation} * 255 / 100, -255, 255);
  std::array<uint8_t, 256> factor;
  for (int j = 0; j < 256; ++j) factor[j] = clampToByte(j * (d + 255) / 255);
  const BackTables tables;
  // Flat areas (white borders, skies) repeat a colour pixel after pixel: the
  // last conversion is kept and reused for an equal pixel.
  uint8_t lastIn[3] = {0, 0, 0};
  uint8_t lastOut[3] = {0, 0, 0};
  bool haveLast = false;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      if (haveLast && p[0] == lastIn[0] && p[1] == lastIn[1] && p[2] == lastIn[2]) {
        p[0] = lastOut[0];
        p[1] = lastOut[1];
        p[2] = lastOut[2];
        continue;
      }
      std::memcpy(lastIn, p, 3);
      Hls hls = toHls(p[2], p[1], p[0]);
      hls.s = factor[hls.s];
      fromHls(hls, tables, p);
      std::memcpy(lastOut, p, 3);
      haveLast = true;
    }
  }
  return true;
}

bool autoColor(RgbBitmap& bitmap) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  // The value of a pixel is max(c) / 255 with max(c) = largest byte - smallest
  // byte, so the first pass needs only that spread.
  int lowSpread = 255;
  int highSpread = 0;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      const int spread = std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
      lowSpread = std::min(lowSpread, spread);
      highSpread = std::max(highSpread, spread);
    }
  }
  const float smallest = float(lowSpread) / 255.0f;
  const float largest = float(highSpread) / 255.0f;
  // The three values depend only on the black-removed c, of which one is
  // always 0 (the largest byte's): computed once per c and kept. Entry:
  // value 2, value 1, value 0 in bits 16, 8, 0 and a filled mark in bit 24.
  std::vector<uint32_t> known(3 * 65536, 0);
  for (int32_t y = 0; y < bitmap.height; ++y) {
    uint8_t* p = rowOf(bitmap, y);
    for (int32_t x = 0; x < bitmap.width; ++x, p += 3) {
      const int k = 255 - std::max({p[0], p[1], p[2]});
      const int c0 = 255 - p[0] - k;
      const int c1 = 255 - p[1] - k;
      const int c2 = 255 - p[2] - k;
      const size_t key = c0 == 0   ? size_t(c1) << 8 | size_t(c2)
                         : c1 == 0 ? 65536 + (size_t(c0) << 8 | size_t(c2))
                                   : 131072 + (size_t(c0) << 8 | size_t(c1));
      uint32_t values = known[key];
      if (values == 0) {
        Hsv hsv = toHsv(c2, c1, c0);
        if (largest != smallest) hsv.v = (hsv.v - smallest) / (largest - smallest);
        const std::array<float, 3> rgb = fromHsv(hsv);
        values = 1u << 24 | uint32_t(floatToByte(rgb[0] * 255.0f)) << 16 | uint32_t(floatToByte(rgb[1] * 255.0f)) << 8 |
                 uint32_t(floatToByte(rgb[2] * 255.0f));
        known[key] = values;
      }
      const int sums[3] = {k + int(values & 0xFF), k + int(values >> 8 & 0xFF), k + int(values >> 16 & 0xFF)};
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(sums[c] > 255 ? 0 : 255 - sums[c]);
    }
  }
  return true;
}

}  // namespace q7310::rgb

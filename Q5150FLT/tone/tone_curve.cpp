// Tone curve record codec and channel table building.
#include "Q5150FLT/tone/tone_curve.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/le.h"

namespace q7310::flt::tone {

namespace off = curve_offset;

ToneTable identityTable() {
  ToneTable t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
  return t;
}

ToneCurveRecord defaultToneCurve() {
  ToneCurveRecord r;
  for (int c = 0; c < kChannels; ++c) {
    r.mode[c] = kModePoints;
    r.gamma[c] = 100;
    r.pointCount[c] = 2;
    r.points[c][0] = {0, 0};
    r.points[c][1] = {255, 255};
    r.table[c] = identityTable();
  }
  r.orientation = kOrientationRgb;
  return r;
}

ToneCurveRecord decodeToneCurve(std::span<const uint8_t, kToneCurveRecordSize> b) {
  ToneCurveRecord r;
  for (int c = 0; c < kChannels; ++c) {
    r.mode[c] = le::u16(b, off::kMode + 2 * c);
    r.gamma[c] = le::u16(b, off::kGamma + 2 * c);
    r.pointCount[c] = le::u16(b, off::kPointCount + 2 * c);
    for (int p = 0; p < kMaxPoints; ++p) {
      size_t at = off::kPoints + c * kMaxPoints * 4 + p * 4;
      r.points[c][p] = {le::u16(b, at), le::u16(b, at + 2)};
    }
    std::copy_n(b.begin() + off::kTables + c * 256, 256, r.table[c].begin());
  }
  r.orientation = le::u16(b, off::kOrientation);
  return r;
}

void encodeToneCurve(const ToneCurveRecord& r, std::span<uint8_t, kToneCurveRecordSize> b) {
  for (int c = 0; c < kChannels; ++c) {
    le::putU16(b, off::kMode + 2 * c, r.mode[c]);
    le::putU16(b, off::kGamma + 2 * c, r.gamma[c]);
    le::putU16(b, off::kPointCount + 2 * c, r.pointCount[c]);
    for (int p = 0; p < kMaxPoints; ++p) {
      size_t at = off::kPoints + c * kMaxPoints * 4 + p * 4;
      le::putU16(b, at, r.points[c][p].output);
      le::putU16(b, at + 2, r.points[c][p].input);
    }
    std::copy(r.table[c].begin(), r.table[c].end(), b.begin() + off::kTables + c * 256);
  }
  le::putU16(b, off::kOrientation, r.orientation);
}

namespace {

uint8_t clampByte(long v) { return static_cast<uint8_t>(std::clamp<long>(v, 0, 255)); }

}  // namespace

void buildPointTable(std::span<const TonePoint> points, ToneTable& table) {
  // Sorted by input; a repeated input would make a zero-width segment.
  std::vector<TonePoint> p(points.begin(), points.end());
  std::stable_sort(p.begin(), p.end(), [](const TonePoint& a, const TonePoint& b) { return a.input < b.input; });
  p.erase(std::unique(p.begin(), p.end(), [](const TonePoint& a, const TonePoint& b) { return a.input == b.input; }),
          p.end());
  const size_t n = p.size();
  if (n < 2) return;
  if (n == 2) {
    const long x0 = p[0].input, y0 = p[0].output, x1 = p[1].input, y1 = p[1].output;
    for (long x = 0; x < 256; ++x) {
      long y = x < x0 ? y0 : x > x1 ? y1 : y0 + (x - x0) * (y1 - y0) / (x1 - x0);
      table[x] = clampByte(y);
    }
    return;
  }
  // Natural spline: m holds the second derivatives divided by 6, zero at
  // both ends; the inner ones solve a tridiagonal system (Thomas algorithm).
  std::vector<double> x(n), y(n), m(n, 0.0), diag(n, 0.0), rhs(n, 0.0);
  for (size_t k = 0; k < n; ++k) {
    x[k] = p[k].input;
    y[k] = p[k].output;
  }
  for (size_t k = 1; k + 1 < n; ++k) {
    double h0 = x[k] - x[k - 1], h1 = x[k + 1] - x[k];
    diag[k] = 2.0 * (h0 + h1);
    rhs[k] = (y[k + 1] - y[k]) / h1 - (y[k] - y[k - 1]) / h0;
  }
  for (size_t k = 2; k + 1 < n; ++k) {
    double h0 = x[k] - x[k - 1];
    double f = h0 / diag[k - 1];
    diag[k] -= f * h0;
    rhs[k] -= f * rhs[k - 1];
  }
  for (size_t k = n - 2; k >= 1; --k) {
    double h1 = x[k + 1] - x[k];
    m[k] = (rhs[k] - (k + 2 < n ? h1 * m[k + 1] : 0.0)) / diag[k];
  }
  for (int xi = 0; xi < 256; ++xi) {
    if (xi <= x[0]) {
      table[xi] = clampByte(static_cast<long>(y[0]));
      continue;
    }
    if (xi >= x[n - 1]) {
      table[xi] = clampByte(static_cast<long>(y[n - 1]));
      continue;
    }
    size_t lo = 0, hi = n - 1;
    while (hi - lo > 1) {
      size_t mid = (lo + hi) / 2;
      (x[mid] <= xi ? lo : hi) = mid;
    }
    const size_t k = lo;
    const double h = x[k + 1] - x[k], t = xi - x[k];
    const double v = y[k] + t * ((y[k + 1] - y[k]) / h - h * (2 * m[k] + m[k + 1]) +
                                 t * (3 * m[k] + t * (m[k + 1] - m[k]) / h));
    table[xi] = clampByte(static_cast<long>(std::trunc(v + 0.5)));
  }
}

void reverseAndInvert(ToneTable& t) {
  ToneTable out{};
  for (int i = 0; i < 256; ++i) out[i] = static_cast<uint8_t>(255 - t[255 - i]);
  t = out;
}

void buildGammaTable(uint16_t gamma100, uint16_t orientation, ToneTable& table) {
  const double g = gamma100 / 100.0;
  for (int i = 0; i < 256; ++i) table[i] = clampByte(static_cast<long>(std::trunc(255.0 * std::pow(i / 255.0, g) + 0.5)));
  if (orientation == kOrientationInk) reverseAndInvert(table);
}

uint16_t gammaFromValue(double value) {
  return static_cast<uint16_t>(std::clamp(std::trunc((value + 0.005) * 100.0), 0.0, 65535.0));
}

void rebuildChannel(ToneCurveRecord& r, int c) {
  if (r.mode[c] == kModePoints) {
    size_t count = std::min<size_t>(r.pointCount[c], kMaxPoints);
    buildPointTable(std::span(r.points[c].data(), count), r.table[c]);
  } else if (r.mode[c] == kModeGamma) {
    buildGammaTable(r.gamma[c], r.orientation, r.table[c]);
  }
}

}  // namespace q7310::flt::tone

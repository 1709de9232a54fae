#include "Q5150FLT/cmm/lab.h"

#include <algorithm>
#include <cmath>

namespace q7310::flt::cmm {

namespace {

double f(double t) { return t > 0.008856 ? std::pow(t, 1.0 / 3.0) : 7.787 * t + 16.0 / 116.0; }

double fInverse(double t) { return t > 0.2068927 ? t * t * t : (t - 16.0 / 116.0) / 7.787; }

uint8_t truncClampByte(double v) {
  v = std::trunc(v);
  if (!(v > 0.0)) return 0;  // also NaN
  return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}

}  // namespace

Vec3 multiply(const Mat3& m, const Vec3& v) {
  Vec3 r;
  for (int i = 0; i < 3; ++i) r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
  return r;
}

std::optional<Mat3> invert(const Mat3& m) {
  double a[3][6];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      a[r][c] = m[r][c];
      a[r][c + 3] = r == c ? 1.0 : 0.0;
    }
  }
  for (int i = 0; i < 3; ++i) {
    double pivot = a[i][i];
    if (pivot == 0.0 || !std::isfinite(pivot)) return std::nullopt;
    for (int c = 0; c < 6; ++c) a[i][c] /= pivot;
    for (int r = 0; r < 3; ++r) {
      if (r == i) continue;
      double factor = a[r][i];
      for (int c = 0; c < 6; ++c) a[r][c] -= factor * a[i][c];
    }
  }
  Mat3 inv;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      inv[r][c] = a[r][c + 3];
      if (!std::isfinite(inv[r][c])) return std::nullopt;
    }
  }
  return inv;
}

Vec3 labFromXyz(const Vec3& xyz, const Vec3& white) {
  double x = xyz[0] / white[0], y = xyz[1] / white[1], z = xyz[2] / white[2];
  double fy = f(y);
  double L = y > 0.008856 ? 116.0 * fy - 16.0 : 903.3 * y;
  return {L, 500.0 * (f(x) - fy), 200.0 * (fy - f(z))};
}

Vec3 xyzFromLab(const Vec3& lab, const Vec3& white) {
  double L = lab[0], fy, y;
  if (L > 7.9996248) {
    fy = (L + 16.0) / 116.0;
    y = fy * fy * fy;
  } else {
    y = L / 903.3;
    fy = 7.787 * y + 16.0 / 116.0;
  }
  double fx = fy + lab[1] / 500.0;
  double fz = fy - lab[2] / 200.0;
  return {fInverse(fx) * white[0], y * white[1], fInverse(fz) * white[2]};
}

std::array<uint8_t, 3> encodeLab8(const Vec3& lab) {
  return {truncClampByte(lab[0] * 2.55 + 0.5), truncClampByte(lab[1] + 128.0 + 0.5),
          truncClampByte(lab[2] + 128.0 + 0.5)};
}

Vec3 decodeLab8(const std::array<uint8_t, 3>& pcs) { return {pcs[0] / 2.55, pcs[1] - 128.0, pcs[2] - 128.0}; }

bool usableWhite(const Vec3& white) {
  return std::all_of(white.begin(), white.end(), [](double v) { return std::isfinite(v) && v > 0.0; });
}

}  // namespace q7310::flt::cmm

// CIE Lab <-> XYZ with the engine's constants, the 8-bit Lab encoding of the
// PCS, and 3 × 3 matrices (inverted by Gauss-Jordan elimination without
// pivoting, so that results are reproducible step by step).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace q7310::flt::cmm {

using Vec3 = std::array<double, 3>;
// Row-major: m[row][column]; rows X, Y, Z, columns red, green, blue.
using Mat3 = std::array<std::array<double, 3>, 3>;

Vec3 multiply(const Mat3& m, const Vec3& v);
// nullopt when a pivot is zero or the result is not finite.
std::optional<Mat3> invert(const Mat3& m);

Vec3 labFromXyz(const Vec3& xyz, const Vec3& white);
Vec3 xyzFromLab(const Vec3& lab, const Vec3& white);

// L' = L × 2.55 + 0.5, a' = a + 128.5, b' = b + 128.5, truncated, clamped.
std::array<uint8_t, 3> encodeLab8(const Vec3& lab);
Vec3 decodeLab8(const std::array<uint8_t, 3>& pcs);

// A white point usable as a divisor: every component finite and positive.
bool usableWhite(const Vec3& white);

}  // namespace q7310::flt::cmm

// Small numeric helpers shared by the operations.
#pragma once

#include <cstdint>

namespace q7310::rgb {

// (int)(x) limited to 0..255, without ever converting an out-of-range or NaN
// value (which C++ leaves undefined): for in-range x it equals clamping the
// truncated value.
inline uint8_t truncToByte(double x) {
  if (!(x > 0.0)) return 0;  // also NaN
  if (x >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(x));
}

inline uint8_t clampToByte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace q7310::rgb

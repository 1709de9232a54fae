// The MTF filter's 5 × 5 integer kernel and its 104-byte little-endian form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace q7310::flt::mtf {

inline constexpr size_t kMtfKernelSize = 104;
inline constexpr int32_t kMaxCoefficient = 9999;
inline constexpr int32_t kMinScale = 1;
inline constexpr int32_t kMaxScale = 99999;

// Row by row: row 0 is two lines above the centre, column 0 two pixels left
// of it; index 12 is the centre.
struct MtfKernel {
  std::array<int32_t, 25> coefficients{};
  int32_t scale = 100;

  bool operator==(const MtfKernel&) const = default;
};

inline MtfKernel identityKernel() {
  MtfKernel k;
  k.coefficients[12] = 100;
  k.scale = 100;
  return k;
}

MtfKernel decodeKernel(std::span<const uint8_t, kMtfKernelSize> bytes);
void encodeKernel(const MtfKernel& kernel, std::span<uint8_t, kMtfKernelSize> bytes);

}  // namespace q7310::flt::mtf

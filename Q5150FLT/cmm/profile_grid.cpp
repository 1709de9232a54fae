#include "Q5150FLT/cmm/profile_grid.h"

#include <algorithm>
#include <cmath>

namespace q7310::flt::cmm {

void interpolateProfileGrid(const icc::LutTag& lut, std::span<const uint8_t> input, std::span<uint8_t> output) {
  const uint32_t g = lut.gridPoints;
  const uint32_t n = lut.inputChannels;
  const uint32_t outs = lut.outputChannels;
  uint32_t index[icc::kMaxLutChannels];
  int32_t fraction[icc::kMaxLutChannels];
  const double cell = 255.0 / static_cast<double>(g - 1);
  for (uint32_t c = 0; c < n; ++c) {
    double pos = input[c] / cell;
    index[c] = std::min(static_cast<uint32_t>(std::trunc(pos)), g - 2);
    double frac = std::trunc((pos - index[c]) * 65536.0 + 0.5);
    fraction[c] = static_cast<int32_t>(std::min(frac, 65536.0));
  }
  // Stride of each input axis in CLUT entries; the last input varies fastest.
  size_t stride[icc::kMaxLutChannels];
  size_t s = outs;
  for (uint32_t c = n; c-- > 0;) {
    stride[c] = s;
    s *= g;
  }
  size_t base = 0;
  for (uint32_t c = 0; c < n; ++c) base += index[c] * stride[c];

  for (uint32_t o = 0; o < outs; ++o) {
    // Corner k has bit (n - 1 - c) set when axis c takes its upper node.
    int32_t v[1u << icc::kMaxLutChannels];
    const uint32_t corners = 1u << n;
    for (uint32_t k = 0; k < corners; ++k) {
      size_t at = base + o;
      for (uint32_t c = 0; c < n; ++c) {
        if (k & (1u << (n - 1 - c))) at += stride[c];
      }
      v[k] = lut.clut[at] << 8;
    }
    // Fold the last axis first: pairs of corners that differ in bit 0.
    uint32_t count = corners;
    for (uint32_t c = n; c-- > 0;) {
      for (uint32_t k = 0; k < count / 2; ++k) v[k] = lerp16(v[2 * k], v[2 * k + 1], fraction[c]);
      count /= 2;
    }
    output[o] = static_cast<uint8_t>((v[0] + 128) >> 8);
  }
}

}  // namespace q7310::flt::cmm

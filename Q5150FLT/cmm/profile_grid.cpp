#include "Q5150FLT/cmm/profile_grid.h"

#include <algorithm>
#include <cmath>

namespace q7310::flt::cmm {

GridAxis::GridAxis(uint32_t g) {
  const double cell = 255.0 / static_cast<double>(g - 1);
  for (uint32_t v = 0; v < 256; ++v) {
    double pos = v / cell;
    index[v] = std::min(static_cast<uint32_t>(std::trunc(pos)), g - 2);
    double frac = std::trunc((pos - index[v]) * 65536.0 + 0.5);
    fraction[v] = static_cast<int32_t>(std::min(frac, 65536.0));
  }
}

void interpolateProfileGrid(const icc::LutTag& lut, const GridAxis& axis, std::span<const uint8_t> input,
                            std::span<uint8_t> output) {
  const uint32_t g = lut.gridPoints;
  const uint32_t n = lut.inputChannels;
  const uint32_t outs = lut.outputChannels;
  uint32_t index[icc::kMaxLutChannels];
  int32_t fraction[icc::kMaxLutChannels];
  for (uint32_t c = 0; c < n; ++c) {
    index[c] = axis.index[input[c]];
    fraction[c] = axis.fraction[input[c]];
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

  // Corner k has bit (n - 1 - c) set when axis c takes its upper node.
  const uint32_t corners = 1u << n;
  size_t at[1u << icc::kMaxLutChannels];
  for (uint32_t k = 0; k < corners; ++k) {
    at[k] = base;
    for (uint32_t c = 0; c < n; ++c) {
      if (k & (1u << (n - 1 - c))) at[k] += stride[c];
    }
  }
  const uint8_t* clut = lut.clut.data();
  for (uint32_t o = 0; o < outs; ++o) {
    int32_t v[1u << icc::kMaxLutChannels];
    for (uint32_t k = 0; k < corners; ++k) v[k] = clut[at[k] + o] << 8;
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

#include "Q5150FLT/cmm/ipb_lut.h"

#include <algorithm>
#include <cmath>

#include "common/le.h"

namespace q7310::flt::cmm {

uint32_t exportIpb(const ColorWorld& w, std::span<uint8_t> out) {
  const auto& h = w.header;
  if (h.inputChannels != 3 || h.outputChannels != 3 || h.gridPoints != kGridPoints3) return 0;
  if (out.empty()) return kIpbSize;
  if (out.size() < kIpbSize) return 0;
  const uint8_t head[6] = {0x1B, 'Z', '3', 3, 4, 4};
  std::copy(std::begin(head), std::end(head), out.begin());
  size_t at = 6;
  // Every second node (17 per axis); the first channel's index varies fastest.
  for (int o = 0; o < 3; ++o) {
    for (uint32_t k = 0; k < 17; ++k) {
      for (uint32_t j = 0; j < 17; ++j) {
        for (uint32_t i = 0; i < 17; ++i, at += 2) {
          const uint32_t address = ((2 * i) << 14) | ((2 * j) << 8) | ((2 * k) << 2);
          le::be::putU16(out, at, static_cast<uint16_t>(w.grid()[address + o] * 16));
        }
      }
    }
  }
  return kIpbSize;
}

void gammaTables(const int16_t (&g)[5], std::span<uint8_t, 1280> out) {
  for (int k = 0; k < 5; ++k) {
    const double gamma = g[k] / 100.0;
    for (int i = 0; i < 256; ++i) {
      double v = std::min(std::max(255.0 * std::pow(i / 255.0, gamma) + 0.5, 0.0), 255.0);
      out[256 * k + i] = static_cast<uint8_t>(std::trunc(v));
    }
  }
}

}  // namespace q7310::flt::cmm

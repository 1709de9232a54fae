#include "Q5150FLT/icc/tag_readers.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "Q5150FLT/icc/profile_file.h"
#include "common/le.h"

namespace q7310::flt::icc {

namespace {

uint8_t roundClampByte(double y) {
  y = std::clamp(y, 0.0, 255.0);
  return static_cast<uint8_t>(std::trunc(y + 0.5) > 255.0 ? 255 : std::trunc(y + 0.5));
}

// grid^inputs × outputs, or nullopt past limit.
std::optional<uint64_t> clutEntries(uint32_t grid, uint32_t inputs, uint32_t outputs, uint64_t limit) {
  uint64_t n = outputs;
  for (uint32_t i = 0; i < inputs; ++i) {
    n *= grid;
    if (n > limit) return std::nullopt;
  }
  return n;
}

std::vector<uint16_t> readU16s(std::span<const uint8_t> tag, size_t off, size_t count) {
  std::vector<uint16_t> out(count);
  for (size_t i = 0; i < count; ++i) out[i] = le::be::u16(tag, off + 2 * i);
  return out;
}

std::optional<LutTag> readLutTagUnchecked(std::span<const uint8_t> tag) {
  if (tag.size() < 52) return std::nullopt;
  LutTag lut;
  lut.inputChannels = tag[8];
  lut.outputChannels = tag[9];
  lut.gridPoints = tag[10];
  if (lut.inputChannels < 1 || lut.inputChannels > kMaxLutChannels || lut.outputChannels < 1 ||
      lut.outputChannels > kMaxLutChannels || lut.gridPoints < 2) {
    return std::nullopt;
  }
  const bool is16 = le::be::u32(tag, 0) == kSigLut16;
  const size_t width = is16 ? 2 : 1;
  size_t inLen = 256, outLen = 256, off = 48;
  if (is16) {
    inLen = le::be::u16(tag, 48);
    outLen = le::be::u16(tag, 50);
    if (inLen < 2 || inLen > kMaxLut16TableLength || outLen < 2 || outLen > kMaxLut16TableLength) return std::nullopt;
    off = 52;
  }
  auto clutCount = clutEntries(lut.gridPoints, lut.inputChannels, lut.outputChannels, tag.size());
  if (!clutCount) return std::nullopt;
  const uint64_t need = off + width * (inLen * lut.inputChannels + *clutCount + outLen * lut.outputChannels);
  if (need > tag.size()) return std::nullopt;

  for (uint32_t c = 0; c < lut.inputChannels; ++c, off += inLen * width) {
    ByteTable t;
    if (is16) {
      t = resampleTable(readU16s(tag, off, inLen));
    } else {
      std::copy_n(tag.begin() + off, 256, t.begin());
    }
    lut.inputTables.push_back(t);
  }
  lut.clut.resize(*clutCount);
  for (size_t i = 0; i < lut.clut.size(); ++i) {
    // lut16 entries keep their high byte, truncated.
    lut.clut[i] = tag[off + i * width];
  }
  off += *clutCount * width;
  for (uint32_t c = 0; c < lut.outputChannels; ++c, off += outLen * width) {
    ByteTable t;
    if (is16) {
      t = resampleTable(readU16s(tag, off, outLen));
    } else {
      std::copy_n(tag.begin() + off, 256, t.begin());
    }
    lut.outputTables.push_back(t);
  }
  return lut;
}

}  // namespace

std::optional<LutTag> readLutTag(std::span<const uint8_t> tag) {
  try {
    return readLutTagUnchecked(tag);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::array<double, 3>> readXyzTag(std::span<const uint8_t> tag) {
  if (tag.size() < 20) return std::nullopt;
  return std::array<double, 3>{le::be::i32(tag, 8) / 65536.0, le::be::i32(tag, 12) / 65536.0,
                               le::be::i32(tag, 16) / 65536.0};
}

std::optional<std::vector<uint16_t>> readCurveTag(std::span<const uint8_t> tag) {
  if (tag.size() < 12) return std::nullopt;
  uint32_t count = le::be::u32(tag, 8);
  if (count > (tag.size() - 12) / 2) return std::nullopt;
  return readU16s(tag, 12, count);
}

ByteTable curveTable8(std::span<const uint16_t> e) {
  ByteTable t;
  const size_t n = e.size();
  for (int i = 0; i < 256; ++i) {
    if (n == 0) {
      t[i] = static_cast<uint8_t>(i);
    } else if (n == 1) {
      double g = e[0] / 256.0;
      t[i] = roundClampByte(255.0 * std::pow(i / 255.0, g));
    } else if (n == 2) {
      // A line through the origin with slope (last - first).
      int v = i * (e[1] - e[0]) / 65535;
      t[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
    } else {
      double step = 255.0 / static_cast<double>(n - 1);
      size_t j = std::min(static_cast<size_t>(std::trunc(i / step)), n - 2);
      double y = e[j] * 255.0 / 65535.0 +
                 (static_cast<double>(e[j + 1]) - e[j]) * 255.0 / 65535.0 * (i - j * step) / step;
      t[i] = roundClampByte(y);
    }
  }
  return t;
}

uint16_t curveSample16(std::span<const uint16_t> e, uint32_t x) {
  const size_t n = e.size();
  auto roundClamp16 = [](double y) {
    y = std::clamp(y, 0.0, 65535.0);
    double r = std::trunc(y + 0.5);
    return static_cast<uint16_t>(r > 65535.0 ? 65535.0 : r);
  };
  if (n == 0) return static_cast<uint16_t>(x);
  if (n == 1) return roundClamp16(65535.0 * std::pow(x / 65535.0, e[0] / 256.0));
  if (n == 2) {
    int64_t v = int64_t{x} * (int64_t{e[1]} - e[0]) / 65535;
    return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
  }
  double step = 65535.0 / static_cast<double>(n - 1);
  size_t j = std::min(static_cast<size_t>(std::trunc(x / step)), n - 2);
  double y = e[j] * 65535.0 / 65535.0 +
             (static_cast<double>(e[j + 1]) - e[j]) * 65535.0 / 65535.0 * (x - j * step) / step;
  return roundClamp16(y);
}

ByteTable resampleTable(std::span<const uint16_t> e) {
  ByteTable t{};
  const size_t n = e.size();
  if (n < 2) return t;
  if (n == 2) {
    for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(std::clamp(i * (e[1] - e[0]) / 65535, 0, 255));
    return t;
  }
  double step = 255.0 / static_cast<double>(n - 1);
  for (int i = 0; i < 256; ++i) {
    size_t j = std::min(static_cast<size_t>(std::trunc(i / step)), n - 2);
    double y = (e[j] + (static_cast<double>(e[j + 1]) - e[j]) * (i - j * step) / step) * 255.0 / 65535.0;
    t[i] = roundClampByte(y);
  }
  return t;
}

ByteTable invertCurve(const ByteTable& curve) {
  ByteTable inv{};
  std::array<bool, 256> reached{};
  for (int i = 0; i < 256; ++i) {
    inv[curve[i]] = static_cast<uint8_t>(i);
    reached[curve[i]] = true;
  }
  if (!reached[0]) inv[0] = 0, reached[0] = true;
  if (!reached[255]) inv[255] = 255, reached[255] = true;
  for (int v = 1; v < 255;) {
    if (reached[v]) {
      ++v;
      continue;
    }
    int end = v;
    while (!reached[end]) ++end;  // entry 255 is reached, so this stops
    int length = end - v;
    for (int k = 0; k < length; ++k) inv[v + k] = k < length / 2 ? inv[v - 1] : inv[end];
    v = end;
  }
  return inv;
}

}  // namespace q7310::flt::icc

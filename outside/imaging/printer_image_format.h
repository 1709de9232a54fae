// The two data formats the printer and its imaging library (Q7310IP) share:
//
// Correction data, served by the printer for each request byte (laminate
// code, plus 8 for fine quality), little-endian:
//   0     4  "Q7CD"
//   4     2  version 2
//   6     1  request byte
//   7     1  0
//   8     2  head width in dots (1844): the only image width the data fits
//   10    2  longest image in lines (2492)
//   12    2  tone table entries (256)
//   14    2  laminate pattern side (16)
//   16  512  yellow tone table: 256 u16, dye amount (0..65535) per blue level
//   528 512  magenta tone table, per green level
//   1040 512 cyan tone table, per red level
//   1552 512 laminate pattern: 16 x 16 u16, row by row, tiled over the print
//   2064  4  CRC-32 (IEEE) of bytes 0..2063
//
// Printer image data, width x height x 8 bytes: four planes one after the
// other, yellow, magenta, cyan, laminate; each plane width x height u16
// little-endian, row by row, 0 = no dye (or no laminate), 65535 = full.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/le.h"

namespace q7310::imaging {

inline constexpr uint8_t kCorrectionMagic[4] = {'Q', '7', 'C', 'D'};
inline constexpr uint16_t kCorrectionVersion = 2;
inline constexpr uint16_t kHeadWidth = 1844;
inline constexpr uint16_t kMaxLength = 2492;
inline constexpr uint16_t kToneEntries = 256;
inline constexpr uint16_t kPatternSide = 16;
inline constexpr size_t kPatternSize = size_t{kPatternSide} * kPatternSide;

inline constexpr size_t kOffRequestByte = 6;
inline constexpr size_t kOffHeadWidth = 8;
inline constexpr size_t kOffMaxLength = 10;
inline constexpr size_t kOffToneEntries = 12;
inline constexpr size_t kOffPatternSide = 14;
inline constexpr size_t kOffToneTables = 16;
inline constexpr size_t kOffPattern = kOffToneTables + 3 * kToneEntries * 2;
inline constexpr size_t kOffCheck = kOffPattern + kPatternSize * 2;
inline constexpr size_t kCorrectionSize = kOffCheck + 4;
static_assert(kOffPattern == 1552 && kOffCheck == 2064 && kCorrectionSize == 2068);

// The planes of the printer image, in their order.
enum Plane : size_t { kYellow = 0, kMagenta = 1, kCyan = 2, kLaminate = 3 };
inline constexpr size_t kPlanes = 4;
inline constexpr size_t kBytesPerPixel = kPlanes * 2;

struct CorrectionData {
  uint8_t requestByte = 0;
  uint16_t headWidth = kHeadWidth;
  uint16_t maxLength = kMaxLength;
  // Yellow (by blue level), magenta (by green), cyan (by red).
  std::array<std::array<uint16_t, kToneEntries>, 3> tone{};
  std::array<uint16_t, kPatternSize> pattern{};

  // Whether the data was made for an image of this size.
  bool fits(int64_t width, int64_t height) const {
    return width == headWidth && height > 0 && height <= maxLength;
  }
};

inline uint32_t crc32(std::span<const uint8_t> bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (uint8_t b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

inline std::vector<uint8_t> encodeCorrection(const CorrectionData& d) {
  std::vector<uint8_t> out(kCorrectionSize);
  std::span<uint8_t> b(out);
  for (size_t i = 0; i < 4; ++i) b[i] = kCorrectionMagic[i];
  le::putU16(b, 4, kCorrectionVersion);
  le::putU8(b, kOffRequestByte, d.requestByte);
  le::putU16(b, kOffHeadWidth, d.headWidth);
  le::putU16(b, kOffMaxLength, d.maxLength);
  le::putU16(b, kOffToneEntries, kToneEntries);
  le::putU16(b, kOffPatternSide, kPatternSide);
  size_t off = kOffToneTables;
  for (const auto& table : d.tone) {
    for (uint16_t v : table) le::putU16(b, (off += 2) - 2, v);
  }
  for (uint16_t v : d.pattern) le::putU16(b, (off += 2) - 2, v);
  le::putU32(b, kOffCheck, crc32(b.first(kOffCheck)));
  return out;
}

// The data from the first bytes of the span; nullopt when it is shorter than
// the format, of another kind or version, has other table sizes or fails its
// check value.
inline std::optional<CorrectionData> decodeCorrection(std::span<const uint8_t> b) {
  if (b.size() < kCorrectionSize) return std::nullopt;
  for (size_t i = 0; i < 4; ++i) {
    if (b[i] != kCorrectionMagic[i]) return std::nullopt;
  }
  if (le::u16(b, 4) != kCorrectionVersion || le::u16(b, kOffToneEntries) != kToneEntries ||
      le::u16(b, kOffPatternSide) != kPatternSide || le::u8(b, 7) != 0)
    return std::nullopt;
  if (le::u32(b, kOffCheck) != crc32(b.first(kOffCheck))) return std::nullopt;
  CorrectionData d;
  d.requestByte = le::u8(b, kOffRequestByte);
  d.headWidth = le::u16(b, kOffHeadWidth);
  d.maxLength = le::u16(b, kOffMaxLength);
  size_t off = kOffToneTables;
  for (auto& table : d.tone) {
    for (uint16_t& v : table) v = le::u16(b, (off += 2) - 2);
  }
  for (uint16_t& v : d.pattern) v = le::u16(b, (off += 2) - 2);
  return d;
}

// Bytes of printer image data for an image of this size.
inline constexpr uint64_t printerImageSize(uint64_t width, uint64_t height) {
  return width * height * kBytesPerPixel;
}
// Byte offset of a sample in the printer image.
inline constexpr size_t sampleOffset(Plane plane, size_t width, size_t height, size_t x, size_t y) {
  return (plane * width * height + y * width + x) * 2;
}

}  // namespace q7310::imaging

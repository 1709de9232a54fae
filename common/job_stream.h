// The job stream the graphics driver writes and the port monitor reads: one
// job header (16 bytes), then per page a page header (100 bytes), the page's
// pixels (width x height x 3 bytes, rows back to back) and the page end
// signature 0x01020304. Every number is little-endian; the codecs read and
// write the fields at their fixed offsets, so the in-memory structs carry no
// layout of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace q7310::jobstream {

inline constexpr size_t kJobHeaderSize = 16;
inline constexpr size_t kPageHeaderSize = 100;
inline constexpr size_t kPageEndSize = 4;
inline constexpr uint32_t kPageEndSignature = 0x01020304;
inline constexpr uint32_t kModelNumber = 7310;
inline constexpr size_t kBytesPerPixel = 3;

// Print methods.
inline constexpr uint32_t kPrintMethodNormal = 0;
inline constexpr uint32_t kPrintMethodCombo = 2;  // two images on one sheet
inline constexpr uint32_t kPrintMethodSplit = 4;
inline constexpr uint32_t kPrintMethodCombo2 = 8;
// Print quality.
inline constexpr uint32_t kQualityNormal = 0;
inline constexpr uint32_t kQualityFine = 1;
// Laminate.
inline constexpr uint32_t kLaminateNone = 0;
inline constexpr uint32_t kLaminateGlossy = 1;
inline constexpr uint32_t kLaminateMatte = 2;

struct JobHeader {
  uint32_t recordSize = kJobHeaderSize;  // must be 16
  uint32_t modelNumber = kModelNumber;
  uint32_t ribbonType = 0;     // the ribbon setting of the print settings
  uint32_t streamVersion = 1;  // the driver writes 1

  // Offsets of the fields.
  static constexpr size_t kRecordSizeOffset = 0;
  static constexpr size_t kModelNumberOffset = 4;
  static constexpr size_t kRibbonTypeOffset = 8;
  static constexpr size_t kStreamVersionOffset = 12;

  // bytes must hold at least kJobHeaderSize bytes.
  static JobHeader read(std::span<const uint8_t> bytes);
  void write(std::span<uint8_t> bytes) const;
  std::array<uint8_t, kJobHeaderSize> bytes() const;
};
static_assert(JobHeader::kStreamVersionOffset + 4 == kJobHeaderSize);

struct PageHeader {
  uint32_t recordSize = kPageHeaderSize;  // must be 100
  uint32_t reserved4 = 0;
  uint32_t mediaSizeCode = 0;  // 0 = 4 x 6, 6 = 6 x 8, 7 = 2 x 6
  uint32_t headerWordA = 0;    // a private settings word, carried as is
  uint32_t printMethod = kPrintMethodNormal;
  uint32_t printQuality = kQualityNormal;
  uint32_t laminate = kLaminateNone;
  uint32_t reserved28 = 0;
  uint32_t reserved32 = 0;
  uint32_t width = 0;   // pixels
  uint32_t height = 0;  // pixels
  uint32_t copies = 1;
  uint32_t gamma = 0;        // low 16 bits of the private gamma
  uint32_t headerWordB = 0;  // a private settings word, carried as is
  std::array<uint32_t, 9> emphasisKernel{};  // row by row
  uint32_t reserved92 = 0;
  uint32_t reserved96 = 0;

  static constexpr size_t kRecordSizeOffset = 0;
  static constexpr size_t kReserved4Offset = 4;
  static constexpr size_t kMediaSizeCodeOffset = 8;
  static constexpr size_t kHeaderWordAOffset = 12;
  static constexpr size_t kPrintMethodOffset = 16;
  static constexpr size_t kPrintQualityOffset = 20;
  static constexpr size_t kLaminateOffset = 24;
  static constexpr size_t kReserved28Offset = 28;
  static constexpr size_t kReserved32Offset = 32;
  static constexpr size_t kWidthOffset = 36;
  static constexpr size_t kHeightOffset = 40;
  static constexpr size_t kCopiesOffset = 44;
  static constexpr size_t kGammaOffset = 48;
  static constexpr size_t kHeaderWordBOffset = 52;
  static constexpr size_t kEmphasisKernelOffset = 56;
  static constexpr size_t kReserved92Offset = 92;
  static constexpr size_t kReserved96Offset = 96;

  // bytes must hold at least kPageHeaderSize bytes.
  static PageHeader read(std::span<const uint8_t> bytes);
  void write(std::span<uint8_t> bytes) const;
  std::array<uint8_t, kPageHeaderSize> bytes() const;

  // width x height x 3, or nullopt when the product does not fit in 64 bits
  // (two 32-bit factors and 3 can exceed it); callers decide what size they
  // accept.
  std::optional<uint64_t> pixelBytes() const {
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(uint64_t{width} * height, uint64_t{kBytesPerPixel}, &bytes)) return std::nullopt;
    return bytes;
  }
};
static_assert(PageHeader::kEmphasisKernelOffset + 9 * 4 == PageHeader::kReserved92Offset);
static_assert(PageHeader::kReserved96Offset + 4 == kPageHeaderSize);

// The page end value as read from its 4 bytes.
uint32_t readPageEnd(std::span<const uint8_t> bytes);
std::array<uint8_t, kPageEndSize> pageEndBytes(uint32_t value = kPageEndSignature);

}  // namespace q7310::jobstream

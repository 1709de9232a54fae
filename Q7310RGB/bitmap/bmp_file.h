// BMP files of 24-bit pictures: what Save writes and Load reads. Rows are kept
// in file order both ways (no turning of bottom-up files), so a picture saved
// and loaded again is the same picture in memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "Q7310RGB/bitmap/bitmap.h"

namespace q7310::rgb {

inline constexpr size_t kBmpFileHeaderSize = 14;
inline constexpr size_t kBmpInfoHeaderSize = 40;
inline constexpr size_t kBmpHeadersSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;

// Field offsets in the two headers as they lie back to back in the file.
namespace bmp {
inline constexpr size_t kSignature = 0;  // "BM"
inline constexpr size_t kFileSize = 2;
inline constexpr size_t kReserved = 6;  // two 16-bit words
inline constexpr size_t kDataOffset = 10;
inline constexpr size_t kInfoSize = 14;
inline constexpr size_t kWidth = 18;
inline constexpr size_t kHeight = 22;
inline constexpr size_t kPlanes = 26;
inline constexpr size_t kBitCount = 28;
inline constexpr size_t kCompression = 30;
inline constexpr size_t kImageSize = 34;
inline constexpr size_t kXPelsPerMeter = 38;
inline constexpr size_t kYPelsPerMeter = 42;
inline constexpr size_t kColorsUsed = 46;
inline constexpr size_t kColorsImportant = 50;
static_assert(kColorsImportant + 4 == kBmpHeadersSize);
}  // namespace bmp

// Where the pixels of a file lie and how they are laid out.
struct BmpLayout {
  int32_t width;
  int32_t height;  // rows, whatever the sign of the height field
  int32_t stride;  // image size / rows
  uint64_t dataOffset;
  uint64_t pixelBytes;  // rows x stride: what is read
};

// Checks the headers of a file of fileSize bytes. nullopt for anything that is
// not an uncompressed 24-bit picture whose pixels lie entirely in the file:
// wrong signature, a header shorter than 40 bytes, a width below 1, a height of
// 0, an image size that leaves rows shorter than width x 3 or runs past the end
// of the file, a data offset inside the headers or past the file. A zero image
// size means rows padded to 4 bytes.
std::optional<BmpLayout> parseBmpHeaders(std::span<const uint8_t> headers, uint64_t fileSize);

// The two headers Save writes for a bitmap: positive height, data offset 54,
// image size rows x |stride|. nullopt when the file would exceed 4 GiB.
std::optional<std::array<uint8_t, kBmpHeadersSize>> makeBmpHeaders(const RgbBitmap& bitmap);

// Reads a picture; null when the file cannot be opened (the platform's last
// error) or is damaged (kErrorInvalidData), or without memory.
BitmapPtr loadBitmap(std::string_view path);
// Creates or replaces the file. false when the bitmap is empty or invalid or
// the file cannot be written.
bool saveBitmap(const RgbBitmap& bitmap, std::string_view path);

}  // namespace q7310::rgb

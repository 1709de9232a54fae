#include "Q7310RGB/bitmap/bmp_file.h"

#include <cstring>
#include <limits>
#include <vector>

#include "common/le.h"
#include "platform/os/errors.h"
#include "platform/os/file_handle.h"
#include "platform/os/files.h"

namespace q7310::rgb {
namespace {

class OpenFile {
 public:
  explicit OpenFile(std::string_view path) : handle_(os::openFileForReading(path)) {}
  ~OpenFile() {
    if (handle_ != os::kInvalidFileHandle) os::closeFile(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool isOpen() const { return handle_ != os::kInvalidFileHandle; }
  os::FileHandle handle() const { return handle_; }

 private:
  os::FileHandle handle_;
};

bool readExactly(os::FileHandle file, uint64_t offset, std::span<uint8_t> buffer) {
  const std::optional<size_t> got = os::readFileAt(file, offset, buffer);
  return got && *got == buffer.size();
}

}  // namespace

std::optional<BmpLayout> parseBmpHeaders(std::span<const uint8_t> headers, uint64_t fileSize) {
  if (headers.size() < kBmpHeadersSize || fileSize < kBmpHeadersSize) return std::nullopt;
  if (headers[0] != 'B' || headers[1] != 'M') return std::nullopt;
  const uint32_t infoSize = le::u32(headers, bmp::kInfoSize);
  const int32_t width = le::i32(headers, bmp::kWidth);
  const int64_t heightField = le::i32(headers, bmp::kHeight);
  const uint16_t bitCount = le::u16(headers, bmp::kBitCount);
  const uint32_t compression = le::u32(headers, bmp::kCompression);
  const uint64_t dataOffset = le::u32(headers, bmp::kDataOffset);
  uint64_t imageSize = le::u32(headers, bmp::kImageSize);

  if (infoSize < kBmpInfoHeaderSize || bitCount != 24 || compression != 0) return std::nullopt;
  const int64_t height = heightField < 0 ? -heightField : heightField;
  if (width < 1 || height < 1 || height > std::numeric_limits<int32_t>::max()) return std::nullopt;
  if (dataOffset < kBmpFileHeaderSize + uint64_t{infoSize} || dataOffset > fileSize) return std::nullopt;

  const uint64_t rowBytes = uint64_t(width) * 3;
  if (imageSize == 0) imageSize = ((rowBytes + 3) & ~uint64_t{3}) * uint64_t(height);
  if (imageSize > fileSize - dataOffset) return std::nullopt;
  const uint64_t stride = imageSize / uint64_t(height);
  if (stride < rowBytes || stride > uint64_t(std::numeric_limits<int32_t>::max())) return std::nullopt;
  return BmpLayout{width, static_cast<int32_t>(height), static_cast<int32_t>(stride), dataOffset,
                   stride * uint64_t(height)};
}

std::optional<std::array<uint8_t, kBmpHeadersSize>> makeBmpHeaders(const RgbBitmap& bitmap) {
  const uint64_t stride = bitmap.stride < 0 ? uint64_t(-int64_t{bitmap.stride}) : uint64_t(bitmap.stride);
  const uint64_t imageSize = uint64_t(bitmap.height) * stride;
  if (bitmap.height < 0 || imageSize + kBmpHeadersSize > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  std::array<uint8_t, kBmpHeadersSize> h{};
  h[0] = 'B';
  h[1] = 'M';
  le::putU32(h, bmp::kFileSize, static_cast<uint32_t>(imageSize + kBmpHeadersSize));
  le::putU32(h, bmp::kDataOffset, kBmpHeadersSize);
  le::putU32(h, bmp::kInfoSize, kBmpInfoHeaderSize);
  le::putI32(h, bmp::kWidth, bitmap.width);
  le::putI32(h, bmp::kHeight, bitmap.height);
  le::putU16(h, bmp::kPlanes, 1);
  le::putU16(h, bmp::kBitCount, 24);
  le::putU32(h, bmp::kImageSize, static_cast<uint32_t>(imageSize));
  return h;
}

BitmapPtr loadBitmap(std::string_view path) {
  OpenFile file(path);
  if (!file.isOpen()) return nullptr;
  const std::optional<uint64_t> size = os::fileHandleSize(file.handle());
  std::array<uint8_t, kBmpHeadersSize> headers;
  std::optional<BmpLayout> layout;
  if (size && readExactly(file.handle(), 0, headers)) layout = parseBmpHeaders(headers, *size);
  if (!layout) {
    os::setLastError(os::kErrorInvalidData);
    return nullptr;
  }
  BitmapPtr bitmap = allocateBitmap(layout->width, layout->height, layout->stride, false);
  if (!bitmap) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return nullptr;
  }
  // The file may have shrunk since its size was taken: a short read is damage.
  if (!readExactly(file.handle(), layout->dataOffset, std::span(bitmap->pixels, size_t(layout->pixelBytes)))) {
    os::setLastError(os::kErrorInvalidData);
    return nullptr;
  }
  return bitmap;
}

bool saveBitmap(const RgbBitmap& bitmap, std::string_view path) {
  if (checkGeometry(&bitmap) != Geometry::Usable) return false;
  const std::optional<std::array<uint8_t, kBmpHeadersSize>> headers = makeBmpHeaders(bitmap);
  if (!headers) return false;
  const size_t stride = size_t(bitmap.stride < 0 ? -int64_t{bitmap.stride} : int64_t{bitmap.stride});
  std::vector<uint8_t> bytes(kBmpHeadersSize + stride * size_t(bitmap.height));
  std::memcpy(bytes.data(), headers->data(), kBmpHeadersSize);
  for (int32_t y = 0; y < bitmap.height; ++y)
    std::memcpy(bytes.data() + kBmpHeadersSize + size_t(y) * stride, rowOf(bitmap, y), stride);
  return os::writeFileAtomic(path, std::span<const uint8_t>(bytes));
}

}  // namespace q7310::rgb

// The image-processing bridge's interface: the port monitor fills an
// ImageRequest (page size, pixels, the printer's correction data), presets an
// ImageResult to failure, and calls Q7310_ImageProcessing from a freshly
// loaded libQ7310YMC.so. On success the result holds the printer image data
// (width x height x 8 bytes), allocated with os::globalAlloc; the caller owns
// it from then on and releases it with os::globalFree.
//
// Both records are packed and cross the library boundary by pointer; the
// offsets below are those of the 64-bit build (a 32-bit build has 4-byte
// pointers and every later offset 4 less).
#pragma once

#include <cstddef>
#include <cstdint>

namespace q7310::ymc {

inline constexpr uint32_t kSignatureSuccess = 0x05060708;
inline constexpr uint32_t kSignatureFailure = 0x01020304;

inline constexpr size_t kCorrectionBlockSize = 16384;
// Within the correction block: 4 zero bytes, the printer's data (at most
// 12432 bytes), then the page's width and height as u16.
inline constexpr size_t kOffCorrectionData = 4;
inline constexpr size_t kMaxCorrectionData = 12432;
inline constexpr size_t kOffCorrectionWidth = 12436;
inline constexpr size_t kOffCorrectionHeight = 12438;

// Bytes of printer image data per pixel.
inline constexpr size_t kPrinterBytesPerPixel = 8;

#pragma pack(push, 1)
struct ImageRequest {
  uint32_t width;          // pixels (the page header's width)
  uint32_t height;         // pixels
  uint32_t rowSize;        // width x 3 (logged only)
  const uint8_t* pixels;   // width x height x 3 bytes, R G B
  uint8_t correction[kCorrectionBlockSize];
};

struct ImageResult {
  uint32_t signature;      // kSignatureSuccess or kSignatureFailure
  uint32_t width;          // copied from the request
  uint32_t height;
  uint8_t reserved[3];
  uint8_t* printerImage;   // os::globalAlloc'd, zero-filled; null on failure
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(ImageRequest) == 16404);
static_assert(offsetof(ImageRequest, width) == 0);
static_assert(offsetof(ImageRequest, height) == 4);
static_assert(offsetof(ImageRequest, rowSize) == 8);
static_assert(offsetof(ImageRequest, pixels) == 12);
static_assert(offsetof(ImageRequest, correction) == 20);
static_assert(sizeof(ImageResult) == 23);
static_assert(offsetof(ImageResult, signature) == 0);
static_assert(offsetof(ImageResult, width) == 4);
static_assert(offsetof(ImageResult, height) == 8);
static_assert(offsetof(ImageResult, reserved) == 12);
static_assert(offsetof(ImageResult, printerImage) == 15);
#else
static_assert(sizeof(ImageRequest) == 16400);
static_assert(offsetof(ImageRequest, correction) == 16);
static_assert(sizeof(ImageResult) == 19);
static_assert(offsetof(ImageResult, printerImage) == 15);
#endif

// The bridge's export, looked up by this name.
inline constexpr const char* kImageProcessingExport = "Q7310_ImageProcessing";
// Always returns 0; the outcome is result->signature.
using ImageProcessingFn = int (*)(ImageRequest* request, ImageResult* result);

}  // namespace q7310::ymc

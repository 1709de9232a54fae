#include "Q7310YMC/bridge.h"

#include <cstdint>
#include <cstring>

#include "common/debug_log.h"
#include "common/le.h"
#include "platform/os/global_memory.h"
#include "platform/os/paths.h"

namespace q7310::ymc {

namespace {

// The imaging library's exports: non-zero for success.
using CheckIppFn = int (*)(int32_t width, int32_t height, const uint8_t* correctionData);
using GetMemorySizeFn = int (*)(uint32_t* size, int32_t width, int32_t height, const uint8_t* correctionData);
using ImageProcFn = int (*)(uint8_t* outputBuffer, const uint8_t* rgbPixels, int32_t width, int32_t height,
                            const uint8_t* correctionData);

DebugLog& bridgeLog() {
  static DebugLog log("q7310ymc");
  return log;
}

// Steps 5 to 7 with the library loaded: the signature, and the printer image
// stored in the result on success.
uint32_t convert(const os::Library& library, const ImageRequest& request, ImageResult& result) {
  auto imageProc = library.function<ImageProcFn>("ip_imageProc");
  auto getMemorySize = library.function<GetMemorySizeFn>("ip_getMemorySize");
  auto checkIpp = library.function<CheckIppFn>("ip_checkIpp");
  if (imageProc == nullptr || getMemorySize == nullptr || checkIpp == nullptr) return kSignatureFailure;

  const uint32_t width = request.width;
  const uint32_t height = request.height;
  const uint8_t* pixels = request.pixels;
  std::span<const uint8_t> block(request.correction, kCorrectionBlockSize);
  const uint16_t blockWidth = le::u16(block, kOffCorrectionWidth);
  const uint16_t blockHeight = le::u16(block, kOffCorrectionHeight);
  const uint8_t* correctionData = request.correction + kOffCorrectionData;

  // The library checks the data for the size in the block but converts the
  // request's size; both must be the same image, and its data must fit the
  // 32-bit size the library reports, or the conversion would run past the
  // buffers.
  const uint64_t needed = uint64_t{width} * height * kPrinterBytesPerPixel;
  if (blockWidth != width || blockHeight != height || pixels == nullptr || needed == 0 || needed > UINT32_MAX) {
    bridgeLog().log("INVALID REQUEST [%u x %u][%u x %u][%p]", width, height, blockWidth, blockHeight,
                    static_cast<const void*>(pixels));
    return kSignatureFailure;
  }

  if (checkIpp(blockWidth, blockHeight, correctionData) == 0) return kSignatureFailure;
  uint32_t size = 0;
  if (getMemorySize(&size, static_cast<int32_t>(width), static_cast<int32_t>(height), correctionData) == 0)
    return kSignatureFailure;
  if (size < needed) {
    bridgeLog().log("BUFFER TOO SMALL [%u][%llu]", size, static_cast<unsigned long long>(needed));
    return kSignatureFailure;
  }
  auto* buffer = static_cast<uint8_t*>(os::globalAlloc(size));
  if (buffer == nullptr) return kSignatureFailure;
  if (imageProc(buffer, pixels, static_cast<int32_t>(width), static_cast<int32_t>(height), correctionData) == 0) {
    // Nobody takes a failed conversion's buffer, and every retry would make a
    // new one: release it here.
    os::globalFree(buffer);
    return kSignatureFailure;
  }
  result.printerImage = buffer;
  return kSignatureSuccess;
}

}  // namespace

int imageProcessing(ImageRequest* request, ImageResult* result, const LibraryLoader& load) {
  DebugLog& log = bridgeLog();
  log.log(">>>> Q7310_ImageProcessing");
  if (request == nullptr || result == nullptr) {
    log.log("<<<< Q7310_ImageProcessing[NULL]");
    return 0;
  }
  std::memset(static_cast<void*>(result), 0, sizeof *result);
  const uint32_t width = request->width;
  const uint32_t height = request->height;
  log.log("RGB WIDTH:  %d", static_cast<int>(width));
  log.log("RGB HEIGHT: %d", static_cast<int>(height));
  log.log("RGB DELTA:  %d", static_cast<int>(request->rowSize));

  result->width = width;
  result->height = height;
  result->printerImage = nullptr;
  log.log("YMCL WIDTH:  %d", static_cast<int>(width));
  log.log("YMCL HEIGHT: %d", static_cast<int>(height));
  log.log("YMCL SIZE:   %d", static_cast<int>(width * height * kPrinterBytesPerPixel));
  log.log("YMCL BUFFER: %p", static_cast<void*>(result->printerImage));

  uint32_t signature = kSignatureFailure;
  {
    std::unique_ptr<os::Library> library =
        load(os::windowsFolder(os::Folder::System) + "\\" + kImagingLibrary);
    if (library == nullptr) library = load(kImagingLibrary);
    if (library != nullptr) signature = convert(*library, *request, *result);
    // The library is released here, on every path.
  }
  result->signature = signature;
  log.log("<<<< Q7310_ImageProcessing[%08X]", signature);
  return 0;
}

}  // namespace q7310::ymc

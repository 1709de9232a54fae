// Stand-in image-correction bridges for the engine's tests, built four ways:
// one that converts, one that fails after allocating its buffer, one that
// claims success for a smaller image than it was asked for, and one without
// the export.
#include "Q7310LM/tests/test_bridge.h"
#include "Q7310YMC/image_bridge.h"
#include "platform/os/export_table.h"
#include "platform/os/global_memory.h"

using namespace q7310;

#ifndef TEST_BRIDGE_WITHOUT_EXPORT
Q7310_EXPORT int Q7310_ImageProcessing(ymc::ImageRequest* request, ymc::ImageResult* result) {
  if (request == nullptr || result == nullptr) return 0;
  *result = {};
  result->signature = ymc::kSignatureFailure;
  result->width = request->width;
  result->height = request->height;
  const size_t size = size_t{request->width} * request->height * ymc::kPrinterBytesPerPixel;
  auto* image = static_cast<uint8_t*>(os::globalAlloc(size));
  result->printerImage = image;
  if (image == nullptr) return 0;
#ifndef TEST_BRIDGE_FAILS
  const uint8_t requestByte = request->correction[ymc::kOffCorrectionData + 6];
  for (size_t i = 0; i < size; ++i) image[i] = lm::testing::testBridgeByte(request->pixels, i, requestByte);
  result->signature = ymc::kSignatureSuccess;
#endif
#ifdef TEST_BRIDGE_WRONG_SIZE
  result->width = request->width + 1;
#endif
  return 0;
}
#else
Q7310_EXPORT int Q7310_OtherProcessing() { return 0; }
#endif

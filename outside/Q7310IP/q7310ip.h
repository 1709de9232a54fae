// The exports of the imaging library stand-in, libQ7310IP.so ("Q7310IP.dll").
// Each returns non-zero for success. correctionData points to the printer's
// correction data inside the caller's correction block: at least
// kCorrectionArea readable bytes, whatever the data announces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os/export_table.h"

namespace q7310::ip {
inline constexpr size_t kCorrectionArea = 12432;
}

// Whether the correction data is sound and made for an image of this size.
Q7310_EXPORT int ip_checkIpp(int32_t width, int32_t height, const uint8_t* correctionData);
// The printer image buffer size for the image, into *size.
Q7310_EXPORT int ip_getMemorySize(uint32_t* size, int32_t width, int32_t height, const uint8_t* correctionData);
// Converts width x height RGB pixels (3 bytes each, row by row) into printer
// image data in outputBuffer (width x height x 8 bytes).
Q7310_EXPORT int ip_imageProc(uint8_t* outputBuffer, const uint8_t* rgbPixels, int32_t width, int32_t height,
                              const uint8_t* correctionData);

// The image operations as plain calls on a bitmap record. Each returns true
// when it ran (or had nothing to do on an empty picture) and false when it
// refused the bitmap or its arguments, leaving the pixels untouched. Only the
// pixel bytes of each row change; filler bytes past width x 3 stay as they are.
#pragma once

#include <cstdint>

#include "Q7310RGB/bitmap/bitmap.h"

namespace q7310::rgb {

// Turns the picture by 180 degrees.
bool rotate180(RgbBitmap& bitmap);
// Mirrors every row left to right.
bool mirror(RgbBitmap& bitmap);
// v = (601 byte1 + 117 byte0 + 306 byte2) >> 10 into all three bytes.
bool grayscale(RgbBitmap& bitmap);
// The same weights for pictures that carry red in byte 0:
// v = (601 byte1 + 306 byte0 + 117 byte2) >> 10.
bool grayscaleRedFirst(RgbBitmap& bitmap);
// Gamma in hundredths; a gamma of 0 or below is refused.
bool gamma(RgbBitmap& bitmap, int32_t gammaHundredths);
// Brightness and contrast in percent.
bool brightnessContrast(RgbBitmap& bitmap, int32_t brightness, int32_t contrast);
// Shifts byte 2 by red, byte 1 by green and byte 0 by blue percent of 255.
bool channelAdjust(RgbBitmap& bitmap, int32_t red, int32_t green, int32_t blue);
// Stretches each byte position's range over the picture to 0..255.
bool autoContrast(RgbBitmap& bitmap);
// Stretches the value range of the picture's colours after black removal.
bool autoColor(RgbBitmap& bitmap);
// Changes saturation by percent; 0 leaves the picture as it is.
bool saturate(RgbBitmap& bitmap, int32_t saturation);
// A new bitmap of width x height by cubic B-spline resampling, pixels zeroed
// first, stride libraryStride(width). Null for sizes below 1 or without memory.
BitmapPtr resize(const RgbBitmap& bitmap, int32_t width, int32_t height);
// Resizes the picture by percent and fits it back into the same size: a smaller
// one centred on white, a larger one cropped around its centre.
bool scale(RgbBitmap& bitmap, int32_t percent);
// Unsharp mask: amount percent, radius, threshold.
bool unsharpMask(RgbBitmap& bitmap, int32_t amount, int32_t radius, int32_t threshold);

}  // namespace q7310::rgb

// The library's C interface: thin adapters over the plain operations. Nothing
// thrown inside crosses this boundary; a failure becomes "no bitmap" or the
// refusal result.
#include <new>

#include "Q7310RGB/bitmap/bitmap.h"
#include "Q7310RGB/bitmap/bmp_file.h"
#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/q7310rgb.h"

using q7310::rgb::RgbBitmap;
namespace rgb = q7310::rgb;

namespace {

template <typename Op>
int32_t inPlace(RgbBitmap* bitmap, Op op) {
  if (bitmap == nullptr) return rgb::kRefused;
  try {
    return op(*bitmap) ? rgb::kDone : rgb::kRefused;
  } catch (...) {
    return rgb::kRefused;
  }
}

template <typename Make>
RgbBitmap* made(Make make) {
  try {
    return make().release();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

Q7310_EXPORT RgbBitmap* Q7310_LoadBitmap(const char* path) {
  if (path == nullptr) return nullptr;
  return made([&] { return rgb::loadBitmap(path); });
}

Q7310_EXPORT int32_t Q7310_SaveBitmap(RgbBitmap* bitmap, const char* path) {
  if (bitmap == nullptr || path == nullptr) return rgb::kInvalidHandleResult;
  try {
    return rgb::saveBitmap(*bitmap, path) ? rgb::kDone : rgb::kInvalidHandleResult;
  } catch (...) {
    return rgb::kInvalidHandleResult;
  }
}

Q7310_EXPORT RgbBitmap* Q7310_DuplicateBitmap(RgbBitmap* bitmap) {
  if (bitmap == nullptr) return nullptr;
  return made([&] { return rgb::duplicateBitmap(*bitmap); });
}

Q7310_EXPORT int32_t Q7310_FreeBitmap(RgbBitmap* bitmap) {
  rgb::freeBitmap(bitmap);
  return rgb::kDone;
}

Q7310_EXPORT int32_t Q7310_RotateBitmap(RgbBitmap* bitmap) { return inPlace(bitmap, rgb::rotate180); }

Q7310_EXPORT int32_t Q7310_MirrorBitmap(RgbBitmap* bitmap) { return inPlace(bitmap, rgb::mirror); }

Q7310_EXPORT int32_t Q7310_GrayscaleBitmap(RgbBitmap* bitmap) { return inPlace(bitmap, rgb::grayscale); }

Q7310_EXPORT int32_t Q7310_GammaBitmap(RgbBitmap* bitmap, int32_t gamma) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::gamma(b, gamma); });
}

Q7310_EXPORT int32_t Q7310_BrightnessContrastBitmap(RgbBitmap* bitmap, int32_t brightness, int32_t contrast) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::brightnessContrast(b, brightness, contrast); });
}

Q7310_EXPORT int32_t Q7310_ChannelAdjustBitmap(RgbBitmap* bitmap, int32_t red, int32_t green, int32_t blue) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::channelAdjust(b, red, green, blue); });
}

Q7310_EXPORT int32_t Q7310_AutoContrastBitmap(RgbBitmap* bitmap) { return inPlace(bitmap, rgb::autoContrast); }

Q7310_EXPORT int32_t Q7310_AutoColorBitmap(RgbBitmap* bitmap) { return inPlace(bitmap, rgb::autoColor); }

Q7310_EXPORT int32_t Q7310_SaturateBitmap(RgbBitmap* bitmap, int32_t saturation) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::saturate(b, saturation); });
}

Q7310_EXPORT RgbBitmap* Q7310_ResizeBitmap(RgbBitmap* bitmap, int32_t width, int32_t height) {
  if (bitmap == nullptr) return nullptr;
  return made([&] { return rgb::resize(*bitmap, width, height); });
}

Q7310_EXPORT int32_t Q7310_ScaleBitmap(RgbBitmap* bitmap, int32_t percent) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::scale(b, percent); });
}

Q7310_EXPORT int32_t Q7310_UnsharpMaskBitmap(RgbBitmap* bitmap, int32_t amount, int32_t radius, int32_t threshold) {
  return inPlace(bitmap, [&](RgbBitmap& b) { return rgb::unsharpMask(b, amount, radius, threshold); });
}

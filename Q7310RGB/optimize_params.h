// The record through which the graphics driver hands a page and the user's
// image settings to Q7310_OptimizeOutput. Callers in other modules fill it
// and pass it by pointer, so its layout is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Q7310RGB/q7310rgb.h"

namespace q7310::rgb {

// The user's color corrections; the same 52 bytes are a ".scc" file.
struct ColorSettings {
  int32_t size;     // callers write 52
  int32_t version;  // callers write 0x10000
  int32_t sharpen;
  int32_t amount;
  int32_t radius;
  int32_t threshold;
  int32_t brightness;
  int32_t contrast;
  int32_t saturation;
  int32_t gamma;
  int32_t cyanRed;
  int32_t magentaGreen;
  int32_t yellowBlue;
};
static_assert(sizeof(ColorSettings) == 52);
static_assert(offsetof(ColorSettings, gamma) == 36);
static_assert(offsetof(ColorSettings, yellowBlue) == 48);

inline constexpr int32_t kColorSettingsSize = 52;
inline constexpr int32_t kColorSettingsVersion = 0x10000;

struct OptimizeParams {
  RgbBitmap bitmap;
  ColorSettings settings;
  int32_t scaling;
  int32_t rotate;
  int32_t mirror;
  int32_t icm;
  int32_t icmIntent;
  int32_t grayscale;
};
static_assert(offsetof(OptimizeParams, settings) == 24);
static_assert(offsetof(OptimizeParams, scaling) == 76);
static_assert(offsetof(OptimizeParams, grayscale) == 96);
static_assert(sizeof(OptimizeParams) == 104);

using OptimizeOutputFn = int32_t (*)(OptimizeParams* params);
// Profile paths are narrow and may be null; both given and non-empty are used
// as they are, otherwise the module looks the profiles up.
using IcmFn = int32_t (*)(OptimizeParams* params, const char* inputProfile, const char* outputProfile);

}  // namespace q7310::rgb

// Applies the page's image settings in place; returns 0 always.
Q7310_EXPORT int32_t Q7310_OptimizeOutput(q7310::rgb::OptimizeParams* params);
// Color matching of the page in place: 0, or -1 when no filter instance opens.
Q7310_EXPORT int32_t Q7310_ICM(q7310::rgb::OptimizeParams* params, const char* inputProfile,
                               const char* outputProfile);

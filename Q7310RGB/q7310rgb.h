// The bitmap API of Q7310RGB: the bitmap record that crosses the library's
// interface and the image operations, exported with C linkage. Callers in other
// modules load the library by name ("Q7310RGB.dll") and bind these names; the
// function pointer types below match the exports.
#pragma once

#include <cstdint>

#include "platform/os/export_table.h"

namespace q7310::rgb {

// A 24-bit picture in memory: 3 bytes per pixel (byte 0 blue, byte 1 green,
// byte 2 red where an operation tells the channels apart), rows `stride` bytes
// apart; a row may end in filler bytes that the operations leave alone.
struct RgbBitmap {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  int32_t stride;
};

// Signatures of the exports, for callers that bind them by name.
using LoadBitmapFn = RgbBitmap* (*)(const char* path);
using SaveBitmapFn = int32_t (*)(RgbBitmap* bitmap, const char* path);
using DuplicateBitmapFn = RgbBitmap* (*)(RgbBitmap* bitmap);
using FreeBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using RotateBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using MirrorBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using GrayscaleBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using GammaBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t gamma);
using BrightnessContrastBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t brightness, int32_t contrast);
using ChannelAdjustBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t red, int32_t green, int32_t blue);
using AutoContrastBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using AutoColorBitmapFn = int32_t (*)(RgbBitmap* bitmap);
using SaturateBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t saturation);
using ResizeBitmapFn = RgbBitmap* (*)(RgbBitmap* bitmap, int32_t width, int32_t height);
using ScaleBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t percent);
using UnsharpMaskBitmapFn = int32_t (*)(RgbBitmap* bitmap, int32_t amount, int32_t radius, int32_t threshold);

// Result of the operations that return a number: 0 done. Save returns
// kInvalidHandleResult when the file cannot be written; the in-place
// operations return kRefused for a bitmap they cannot work on (no record, no
// pixels, negative sizes, rows shorter than width x 3) or when memory runs out,
// and then leave the pixels as they were.
inline constexpr int32_t kDone = 0;
inline constexpr int32_t kInvalidHandleResult = -1;
inline constexpr int32_t kRefused = -1;

}  // namespace q7310::rgb

// Bitmaps returned by Load, Duplicate and Resize belong to the caller, who
// releases them with Q7310_FreeBitmap.
Q7310_EXPORT q7310::rgb::RgbBitmap* Q7310_LoadBitmap(const char* path);
Q7310_EXPORT int32_t Q7310_SaveBitmap(q7310::rgb::RgbBitmap* bitmap, const char* path);
Q7310_EXPORT q7310::rgb::RgbBitmap* Q7310_DuplicateBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_FreeBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_RotateBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_MirrorBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_GrayscaleBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_GammaBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t gamma);
Q7310_EXPORT int32_t Q7310_BrightnessContrastBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t brightness,
                                                    int32_t contrast);
Q7310_EXPORT int32_t Q7310_ChannelAdjustBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t red, int32_t green, int32_t blue);
Q7310_EXPORT int32_t Q7310_AutoContrastBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_AutoColorBitmap(q7310::rgb::RgbBitmap* bitmap);
Q7310_EXPORT int32_t Q7310_SaturateBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t saturation);
Q7310_EXPORT q7310::rgb::RgbBitmap* Q7310_ResizeBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t width, int32_t height);
Q7310_EXPORT int32_t Q7310_ScaleBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t percent);
Q7310_EXPORT int32_t Q7310_UnsharpMaskBitmap(q7310::rgb::RgbBitmap* bitmap, int32_t amount, int32_t radius,
                                             int32_t threshold);

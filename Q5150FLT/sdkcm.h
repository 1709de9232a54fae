// The engine's profile and color world functions, as callers see them. Each
// is exported under its plain name with C linkage, and through the library's
// export table under its ordinal and its decorated alias.
#pragma once

#include <cstdint>

extern "C" {

// An open profile: the platform's handle of the profile file.
typedef void* SDKCMProfile;
// A color world; 0 is none.
typedef void* SDKCMColorWorld;

// Interleaved pixels.
struct SDKCMPixelMap {
  uint32_t width;
  uint32_t height;
  uint32_t components;
  uint32_t rowBytes;
  uint8_t* data;
};

// Planar pixels: one plane per component, each rowBytes per line.
struct SDKCMPlaneMap {
  uint32_t width;
  uint32_t height;
  uint32_t components;
  uint32_t rowBytes;
  uint8_t* planes[4];
};

// 0, or -1 when the file cannot be opened or its data color space is not
// RGB, CMYK or Lab or its PCS not XYZ or Lab (out is then left untouched).
int32_t SDKCMOpenProfile(const char* path, SDKCMProfile* out);
// Non-zero when the file was closed.
int32_t SDKCMCloseProfile(SDKCMProfile* profile);
// The 128 header bytes, fields of known width in host order. 0 when all 128
// bytes were read, -1 otherwise.
int32_t SDKCMGetProfileHeader(SDKCMProfile* profile, void* header128);
// *count = the tag count; with a table, count × 12 + 4 bytes (count, then
// signature, offset, size per tag) in host order. 0, or -1 on bad arguments.
int32_t SDKCMGetTagTableInfo(SDKCMProfile* profile, uint32_t* count, void* table);
// -1 when the tag is absent or lies outside the file. With a null buffer
// *size receives the tag's size; otherwise up to *size bytes of the tag from
// offset are read and *size receives the count read. 0 when the tag exists.
int32_t SDKCMGetPartialProfileElement(SDKCMProfile* profile, uint32_t tagSignature, uint32_t offset,
                                      uint32_t* size, void* buffer);

// intent 0 perceptual, 1 relative colorimetric, 2 saturation, 3 absolute
// colorimetric; tone tables are 1280 bytes (master, then four channels) or
// null. 0 when the world cannot be built.
SDKCMColorWorld SDKCMCreateColorWorld(uint32_t intent, SDKCMProfile* inputProfile, const uint8_t* inputTone,
                                      SDKCMProfile* outputProfile, const uint8_t* outputTone);
int32_t SDKCMDisposeColorWorld(SDKCMColorWorld world);
// 0, or -1 (destination untouched) when a component count differs from the
// world's, a map or pointer is missing or a row is shorter than its pixels.
int32_t SDKCMMatchPixelMap(SDKCMColorWorld world, const SDKCMPixelMap* src, const SDKCMPixelMap* dst);
int32_t SDKCMMatchPlaneMap(SDKCMColorWorld world, const SDKCMPlaneMap* src, const SDKCMPlaneMap* dst);
uint32_t SDKCMGetNumsOfInPixComp(SDKCMColorWorld world);
uint32_t SDKCMGetNumsOfOutPixComp(SDKCMColorWorld world);
// Bytes written (29484; with a null out only the size), or 0 when the world
// is not a 3-to-3 world with 33 grid points.
uint32_t SDKCMConvertColorWorldToIPB(SDKCMColorWorld world, uint8_t* out);
// Fills out (1280 bytes) with five gamma tables, table k from gk / 100.
int32_t SDKCMCreatLUT(int16_t g0, int16_t g1, int16_t g2, int16_t g3, int16_t g4, uint8_t* out);

}  // extern "C"

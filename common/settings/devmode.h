// The print settings record every job carries: the platform's standard device
// mode record (220 bytes, version 0x0401) followed by the driver's private
// part (196 bytes). Both live in the spooler's stores and cross processes, so
// the layouts are fixed; they are plain little-endian structures guarded by
// static_asserts (this code runs on little-endian machines only).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/gdi/types.h"

namespace q7310::settings {

static_assert(std::endian::native == std::endian::little, "records are stored little-endian");

// dmFields bits.
inline constexpr uint32_t kDmOrientation = 0x00000001;
inline constexpr uint32_t kDmPaperSize = 0x00000002;
inline constexpr uint32_t kDmPaperLength = 0x00000004;
inline constexpr uint32_t kDmPaperWidth = 0x00000008;
inline constexpr uint32_t kDmScale = 0x00000010;
inline constexpr uint32_t kDmCopies = 0x00000100;
inline constexpr uint32_t kDmDefaultSource = 0x00000200;
inline constexpr uint32_t kDmPrintQuality = 0x00000400;
inline constexpr uint32_t kDmColor = 0x00000800;
inline constexpr uint32_t kDmDuplex = 0x00001000;
inline constexpr uint32_t kDmYResolution = 0x00002000;
inline constexpr uint32_t kDmTTOption = 0x00004000;
inline constexpr uint32_t kDmCollate = 0x00008000;
inline constexpr uint32_t kDmFormName = 0x00010000;
inline constexpr uint32_t kDmLogPixels = 0x00020000;
inline constexpr uint32_t kDmBitsPerPel = 0x00040000;
inline constexpr uint32_t kDmICMMethod = 0x00800000;
inline constexpr uint32_t kDmICMIntent = 0x01000000;
inline constexpr uint32_t kDmMediaType = 0x02000000;
inline constexpr uint32_t kDmDitherType = 0x04000000;

inline constexpr uint32_t kDefaultFields = 0x0787DF13;

inline constexpr uint16_t kSpecVersion = 0x0401;
inline constexpr uint16_t kDriverVersion = 0x0300;
inline constexpr uint16_t kPublicSize = 220;
inline constexpr uint16_t kPrivateSize = 196;
inline constexpr size_t kRecordSize = kPublicSize + kPrivateSize;  // 416

inline constexpr uint32_t kPrivSignature = 0x56495250;  // "PRIV"

// dmICMMethod values.
inline constexpr uint32_t kIcmMethodNone = 1;
inline constexpr uint32_t kIcmMethodSystem = 2;
inline constexpr uint32_t kIcmMethodDriver = 3;
inline constexpr uint32_t kIcmMethodDevice = 4;

// The platform's standard device mode record, printer view.
struct DevModeW {
  char16_t dmDeviceName[32];
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize;
  uint16_t dmDriverExtra;
  uint32_t dmFields;
  int16_t dmOrientation;
  int16_t dmPaperSize;
  int16_t dmPaperLength;
  int16_t dmPaperWidth;
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;
  int16_t dmColor;
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char16_t dmFormName[32];
  uint16_t dmLogPixels;
  uint32_t dmBitsPerPel;
  uint32_t dmPelsWidth;
  uint32_t dmPelsHeight;
  uint32_t dmNup;
  uint32_t dmDisplayFrequency;
  uint32_t dmICMMethod;
  uint32_t dmICMIntent;
  uint32_t dmMediaType;
  uint32_t dmDitherType;
  uint32_t dmReserved1;
  uint32_t dmReserved2;
  uint32_t dmPanningWidth;
  uint32_t dmPanningHeight;
};
static_assert(sizeof(DevModeW) == 220);
static_assert(offsetof(DevModeW, dmSpecVersion) == 64);
static_assert(offsetof(DevModeW, dmSize) == 68);
static_assert(offsetof(DevModeW, dmDriverExtra) == 70);
static_assert(offsetof(DevModeW, dmFields) == 72);
static_assert(offsetof(DevModeW, dmOrientation) == 76);
static_assert(offsetof(DevModeW, dmPaperSize) == 78);
static_assert(offsetof(DevModeW, dmPaperLength) == 80);
static_assert(offsetof(DevModeW, dmPaperWidth) == 82);
static_assert(offsetof(DevModeW, dmScale) == 84);
static_assert(offsetof(DevModeW, dmCopies) == 86);
static_assert(offsetof(DevModeW, dmPrintQuality) == 90);
static_assert(offsetof(DevModeW, dmColor) == 92);
static_assert(offsetof(DevModeW, dmCollate) == 100);
static_assert(offsetof(DevModeW, dmFormName) == 102);
static_assert(offsetof(DevModeW, dmLogPixels) == 166);
static_assert(offsetof(DevModeW, dmBitsPerPel) == 168);
static_assert(offsetof(DevModeW, dmDisplayFrequency) == 184);
static_assert(offsetof(DevModeW, dmICMMethod) == 188);
static_assert(offsetof(DevModeW, dmICMIntent) == 192);
static_assert(offsetof(DevModeW, dmMediaType) == 196);
static_assert(offsetof(DevModeW, dmDitherType) == 200);
static_assert(offsetof(DevModeW, dmPanningWidth) == 212);

// The platform's color adjustment record (defined with the graphics engine's
// records); the private part carries it without interpreting it.
using ColorAdjustment = gdi::ColorAdjustment;

struct PrivateDevMode {
  uint32_t signature;
  uint32_t flags;
  ColorAdjustment colorAdjustment;
  int32_t rotate180;
  int32_t headerWordA;
  int32_t reserved40;
  int32_t headerWordB;
  int32_t EmphasisKernel[9];
  int32_t reserved84;
  int32_t gamma;
  int32_t scaling;
  int32_t sharpen;
  int32_t sharpenAmount;
  int32_t sharpenRadius;
  int32_t sharpenThreshold;
  int32_t mirror;
  int32_t brightness;
  int32_t contrast;
  int32_t saturation;
  int32_t cyanRed;
  int32_t magentaGreen;
  int32_t yellowBlue;
  int32_t reserved140;
  uint32_t printMode;
  int32_t RibbonType;
  int32_t colorMode;
  int32_t driverIcm;
  int32_t reserved160;
  int32_t reserved164;
  int32_t resampling;
  uint32_t printFinish;
  uint8_t reserved176[20];
};
static_assert(sizeof(PrivateDevMode) == 196);
static_assert(offsetof(PrivateDevMode, colorAdjustment) == 8);
static_assert(offsetof(PrivateDevMode, rotate180) == 32);
static_assert(offsetof(PrivateDevMode, headerWordA) == 36);
static_assert(offsetof(PrivateDevMode, headerWordB) == 44);
static_assert(offsetof(PrivateDevMode, EmphasisKernel) == 48);
static_assert(offsetof(PrivateDevMode, reserved84) == 84);
static_assert(offsetof(PrivateDevMode, gamma) == 88);
static_assert(offsetof(PrivateDevMode, scaling) == 92);
static_assert(offsetof(PrivateDevMode, sharpen) == 96);
static_assert(offsetof(PrivateDevMode, sharpenThreshold) == 108);
static_assert(offsetof(PrivateDevMode, mirror) == 112);
static_assert(offsetof(PrivateDevMode, brightness) == 116);
static_assert(offsetof(PrivateDevMode, yellowBlue) == 136);
static_assert(offsetof(PrivateDevMode, printMode) == 144);
static_assert(offsetof(PrivateDevMode, RibbonType) == 148);
static_assert(offsetof(PrivateDevMode, colorMode) == 152);
static_assert(offsetof(PrivateDevMode, driverIcm) == 156);
static_assert(offsetof(PrivateDevMode, resampling) == 168);
static_assert(offsetof(PrivateDevMode, printFinish) == 172);
static_assert(offsetof(PrivateDevMode, reserved176) == 176);

// The whole record as this driver writes it.
struct PrintSettings {
  DevModeW dm;
  PrivateDevMode priv;
};
static_assert(sizeof(PrintSettings) == kRecordSize);
static_assert(offsetof(PrintSettings, priv) == kPublicSize);

// The two modules that hold this logic; the few differences between their
// copies are chosen by it.
enum class SettingsModule { SettingsUi, GraphicsDriver };

// The device name rule: the part after the last backslash, without leading
// blanks, cut before the last comma, at most 31 characters, without trailing
// blanks.
std::u16string deviceNameFrom(std::u16string_view name);

// Fills record with the defaults, the device name derived from name.
void createDefaults(PrintSettings& record, std::u16string_view name, SettingsModule module);
PrintSettings defaultSettings(std::u16string_view name, SettingsModule module);

// The length a record claims for itself (dmSize + dmDriverExtra), or 0 when
// the buffer is too short to hold its header.
size_t claimedLength(std::span<const uint8_t> record);

// Copies src into dst across the 188, 212 and 220 byte layouts: the public
// part up to the smaller size, dst keeping its own version, size, driver
// version and extra size, then the private part up to the smaller extra size.
// Answers the bytes copied, or -1 when either record is unusable or a buffer
// is shorter than its record claims.
int copyDevMode(std::span<const uint8_t> src, std::span<uint8_t> dst);

std::span<const uint8_t> bytesOf(const PrintSettings& record);
std::span<uint8_t> bytesOf(PrintSettings& record);

}  // namespace q7310::settings

#include "common/settings/devmode.h"

#include <algorithm>
#include <cstring>

#include "common/le.h"
#include "common/settings/form_table.h"

namespace q7310::settings {

namespace {

constexpr size_t kOffSpecVersion = 64;
constexpr size_t kOffDriverVersion = 66;
constexpr size_t kOffSize = 68;
constexpr size_t kOffDriverExtra = 70;

// The version a record of this size carries, else its own non-zero one.
uint16_t specVersionFor(uint16_t size, uint16_t own) {
  switch (size) {
    case 188: return 0x0320;
    case 212: return 0x0400;
    case 220: return 0x0401;
    default: return own;
  }
}

void copyWide(char16_t (&field)[32], std::u16string_view value) {
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(value.begin(), std::min<size_t>(value.size(), 31), field);
}

}  // namespace

std::u16string deviceNameFrom(std::u16string_view name) {
  auto slash = name.find_last_of(u'\\');
  std::u16string_view rest = slash == std::u16string_view::npos ? name : name.substr(slash + 1);
  while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
  auto comma = rest.find_last_of(u',');
  if (comma != std::u16string_view::npos && comma > 0) rest = rest.substr(0, comma);
  std::u16string out(rest.substr(0, 31));
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

void createDefaults(PrintSettings& record, std::u16string_view name, SettingsModule module) {
  record = PrintSettings{};
  DevModeW& dm = record.dm;
  copyWide(dm.dmDeviceName, deviceNameFrom(name));
  dm.dmSpecVersion = kSpecVersion;
  dm.dmDriverVersion = kDriverVersion;
  dm.dmSize = kPublicSize;
  dm.dmDriverExtra = kPrivateSize;
  dm.dmFields = kDefaultFields;
  const FormEntry& form = formTable(module)[1];
  dm.dmOrientation = 1;
  dm.dmPaperSize = 257;
  dm.dmPaperLength = static_cast<int16_t>(form.paperLength);
  dm.dmPaperWidth = static_cast<int16_t>(form.paperWidth);
  dm.dmScale = 100;
  dm.dmCopies = 1;
  dm.dmDefaultSource = 1;
  dm.dmPrintQuality = 300;
  dm.dmColor = 2;
  dm.dmDuplex = 1;
  dm.dmYResolution = 300;
  dm.dmTTOption = 1;
  dm.dmCollate = 0;
  copyWide(dm.dmFormName, formName(form));
  dm.dmLogPixels = 300;
  dm.dmBitsPerPel = 24;
  dm.dmICMMethod = kIcmMethodDevice;
  dm.dmICMIntent = module == SettingsModule::GraphicsDriver ? 2 : 0;
  dm.dmMediaType = 3;
  dm.dmDitherType = 1;

  PrivateDevMode& p = record.priv;
  p.signature = kPrivSignature;
  p.colorAdjustment = ColorAdjustment{24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
  const int32_t kernel[9] = {0, -50, 0, -50, 300, -50, 0, -50, 0};
  std::copy(std::begin(kernel), std::end(kernel), p.EmphasisKernel);
  p.reserved40 = 1;
  p.scaling = 100;
  p.sharpenAmount = 175;
  p.sharpenRadius = 1;
  p.reserved140 = 1;
  p.driverIcm = 4;
  p.reserved164 = 4;
  p.printFinish = 2;
}

PrintSettings defaultSettings(std::u16string_view name, SettingsModule module) {
  PrintSettings record;
  createDefaults(record, name, module);
  return record;
}

size_t claimedLength(std::span<const uint8_t> record) {
  if (record.size() < kOffDriverExtra + 2) return 0;
  return static_cast<size_t>(le::u16(record, kOffSize)) + le::u16(record, kOffDriverExtra);
}

int copyDevMode(std::span<const uint8_t> src, std::span<uint8_t> dst) {
  if (src.size() < kOffDriverExtra + 2 || dst.size() < kOffDriverExtra + 2) return -1;
  uint16_t srcSize = le::u16(src, kOffSize);
  uint16_t srcExtra = le::u16(src, kOffDriverExtra);
  uint16_t dstSize = le::u16(dst, kOffSize);
  uint16_t dstExtra = le::u16(dst, kOffDriverExtra);
  if (specVersionFor(srcSize, le::u16(src, kOffSpecVersion)) == 0) return -1;
  uint16_t dstVersion = specVersionFor(dstSize, le::u16(dst, kOffSpecVersion));
  if (dstVersion == 0) return -1;
  // A record never reaches past the memory it came in.
  if (src.size() < static_cast<size_t>(srcSize) + srcExtra || dst.size() < static_cast<size_t>(dstSize) + dstExtra ||
      srcSize < kOffDriverExtra + 2 || dstSize < kOffDriverExtra + 2) {
    return -1;
  }
  uint16_t dstDriverVersion = le::u16(dst, kOffDriverVersion);
  size_t publicBytes = std::min(srcSize, dstSize);
  std::memmove(dst.data(), src.data(), publicBytes);
  le::putU16(dst, kOffSpecVersion, dstVersion);
  le::putU16(dst, kOffSize, dstSize);
  le::putU16(dst, kOffDriverVersion, dstDriverVersion);
  le::putU16(dst, kOffDriverExtra, dstExtra);
  size_t privateBytes = std::min(srcExtra, dstExtra);
  std::memmove(dst.data() + dstSize, src.data() + srcSize, privateBytes);
  return static_cast<int>(publicBytes + privateBytes);
}

std::span<const uint8_t> bytesOf(const PrintSettings& record) {
  return {reinterpret_cast<const uint8_t*>(&record), sizeof record};
}

std::span<uint8_t> bytesOf(PrintSettings& record) { return {reinterpret_cast<uint8_t*>(&record), sizeof record}; }

}  // namespace q7310::settings

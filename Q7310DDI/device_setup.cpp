#include "Q7310DDI/device_setup.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Q7310DDI/ddi_log.h"
#include "common/le.h"
#include "common/settings/form_table.h"
#include "common/settings/validate.h"
#include "common/settings/validate_form.h"
#include "platform/gdi/engine.h"
#include "platform/os/errors.h"
#include "platform/spooler/printer_values.h"

namespace q7310::ddi {

namespace {

using settings::FormEntry;
using settings::SettingsModule;

constexpr size_t kPrivResamplingOffset = settings::kPublicSize + offsetof(settings::PrivateDevMode, resampling);
constexpr size_t kDevHtInfoSize = 132;

const FormEntry& row(int index) { return settings::formTable(SettingsModule::GraphicsDriver)[index]; }

void setWide(char16_t (&field)[32], std::u16string_view value) {
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(value.begin(), std::min<size_t>(value.size(), 31), field);
}

void setNarrow(char (&field)[32], const char* value) {
  std::memset(field, 0, sizeof field);
  std::strncpy(field, value, sizeof field - 1);
}

void useDefaultForm(PaperInfo& paper) {
  const FormEntry& form = row(1);
  setWide(paper.wideName, settings::formName(form));
  setNarrow(paper.narrowName, form.narrowName);
  paper.imageableArea = {form.imageableArea.left, form.imageableArea.top, form.imageableArea.right,
                         form.imageableArea.bottom};
  paper.formWidth = form.formWidth;
  paper.formHeight = form.formHeight;
  paper.landscape = 0;
  paper.marker = 0;
}

gdi::ColorInfo builtinColorInfo() {
  gdi::ColorInfo ci{};
  ci.red = {6380, 3350, 0};
  ci.green = {2345, 6075, 0};
  ci.blue = {1410, 932, 0};
  ci.cyan = {2000, 2450, 0};
  ci.magenta = {5210, 2100, 0};
  ci.yellow = {4750, 5100, 0};
  ci.alignmentWhite = {3127, 3290, 0};
  ci.redGamma = ci.greenGamma = ci.blueGamma = 12500;
  ci.magentaInCyanDye = 585;
  ci.yellowInCyanDye = 120;
  ci.magentaInYellowDye = 10000;
  return ci;
}

gdi::LogFontW font(const char16_t* face, uint8_t pitchAndFamily) {
  gdi::LogFontW f{};
  f.lfHeight = -37;
  f.lfWeight = 400;
  f.lfPitchAndFamily = pitchAndFamily;
  setWide(f.lfFaceName, face);
  return f;
}

std::vector<uint8_t> readPrinterDataOrStandBy(spooler::PrinterHandle printer) {
  if (auto stored = settings::readPrinterData(printer)) return {stored->begin(), stored->end()};
  std::vector<uint8_t> standBy(settings::kPrinterDataStandBySize, 0);
  le::putU16(standBy, 0, settings::kPrinterDataVersion);
  le::putU16(standBy, 2, static_cast<uint16_t>(settings::kPrinterDataStandBySize));
  return standBy;
}

}  // namespace

PrinterDevice* checkedDevice(void* pdev) {
  auto* device = static_cast<PrinterDevice*>(pdev);
  if (device == nullptr || device->signature != kDeviceSignature ||
      device->trailingSignature != kDeviceSignature) {
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  return device;
}

PrinterDevice* deviceOf(gdi::SurfObj* surface) { return checkedDevice(surface ? surface->dhpdev : nullptr); }

int32_t toPixels(int32_t thousandthsOfMm) {
  return static_cast<int32_t>(static_cast<float>(thousandthsOfMm) * 300.0f / 25400.0f);
}

void resolvePaper(PrinterDevice& device) {
  settings::ResolvedForm resolved;
  int result = settings::ValidateDevModeForm(device.printer, device.settings, &resolved,
                                             SettingsModule::GraphicsDriver, &ddiLog());
  std::u16string_view name(resolved.name);
  bool known = false;
  for (const FormEntry& form : settings::formTable(SettingsModule::GraphicsDriver)) {
    known = known || settings::formName(form) == name;  // exactly, case included
  }
  if (result != settings::kFormResolved || !known || resolved.row < 0) {
    useDefaultForm(device.paper);
    return;
  }
  PaperInfo& paper = device.paper;
  const FormEntry& form = row(resolved.row);
  setWide(paper.wideName, resolved.info.name);
  setNarrow(paper.narrowName, form.narrowName);
  paper.formWidth = resolved.info.width;
  paper.formHeight = resolved.info.height;
  paper.imageableArea = {std::max(resolved.info.left, form.imageableArea.left),
                         std::max(resolved.info.top, form.imageableArea.top),
                         std::min(resolved.info.right, form.imageableArea.right),
                         std::min(resolved.info.bottom, form.imageableArea.bottom)};
  paper.landscape = 0;
  paper.marker = kMarkerFormTable;
}

void applyLandscape(PrinterDevice& device) {
  const settings::DevModeW& dm = device.settings.dm;
  if (!(dm.dmFields & settings::kDmOrientation) || dm.dmOrientation != 2) return;
  PaperInfo& paper = device.paper;
  int32_t w = paper.formWidth;
  int32_t h = paper.formHeight;
  gdi::RectL a = paper.imageableArea;
  std::swap(paper.formWidth, paper.formHeight);
  if (!(device.settings.priv.flags & 4)) {
    paper.imageableArea = {h - a.bottom, a.left, h - a.top, a.right};
  } else {
    paper.imageableArea = {a.top, w - a.right, a.bottom, w - a.left};
  }
  paper.landscape = 1;
}

gdi::GdiInfo buildGdiInfo(const PrinterDevice& device) {
  gdi::GdiInfo info{};
  const gdi::RectL& area = device.paper.imageableArea;
  info.ulVersion = 0x500;
  info.ulTechnology = 2;  // raster printer
  info.ulHorzSize = static_cast<uint32_t>(area.width() / 1000);
  info.ulVertSize = static_cast<uint32_t>(area.height() / 1000);
  info.ulHorzRes = static_cast<uint32_t>(toPixels(area.width()));
  info.ulVertRes = static_cast<uint32_t>(toPixels(area.height()));
  info.cBitsPixel = 24;
  info.cPlanes = 1;
  info.ulNumColors = 0xFFFFFFFF;
  info.ulLogPixelsX = 300;
  info.ulLogPixelsY = 300;
  info.ulAspectX = 300;
  info.ulAspectY = 300;
  info.ulAspectXY = 424;
  info.xStyleStep = 1;
  info.yStyleStep = 1;
  info.denStyleStep = 12;
  info.ptlPhysOffset = {toPixels(area.left), toPixels(area.top)};
  info.szlPhysSize = {toPixels(device.paper.formWidth), toPixels(device.paper.formHeight)};

  uint32_t patternSize = 5;
  uint32_t pixelSize = 0;
  info.ciDevice = builtinColorInfo();
  auto stored = spooler::getPrinterData(device.printer, "CurDevHTInfo");
  if (stored && stored->data.size() == kDevHtInfoSize) {
    patternSize = le::u32(stored->data, 4);
    pixelSize = le::u32(stored->data, 8);
    std::memcpy(&info.ciDevice, stored->data.data() + 12, sizeof info.ciDevice);
  }
  info.ulDevicePelsDPI = static_cast<uint32_t>(static_cast<int64_t>(pixelSize) * device.settings.dm.dmScale / 100);
  info.ulPrimaryOrder = 4;
  info.ulHTPatternSize = patternSize >= 16 ? 5 : patternSize;
  info.ulHTOutputFormat = 0;
  info.flHTFlags = 2;
  return info;
}

bool fillDevInfo(PrinterDevice& device, gdi::DevInfo& info) {
  info = gdi::DevInfo{};
  info.flGraphicsCaps = 0x0200053C;
  info.lfDefaultFont = font(u"Courier New", 0x31);
  info.lfAnsiVarFont = font(u"Arial", 0x22);
  info.lfAnsiFixFont = font(u"Courier New", 0x31);
  info.cFonts = 0;
  info.iDitherFormat = gdi::kBmf24Bpp;
  info.cxDither = 0;
  info.cyDither = 0;
  if (device.palette != nullptr) gdi::engDeletePalette(device.palette);
  device.palette = gdi::engCreatePalette(gdi::kPalBgr, 0, nullptr, 0, 0, 0);
  if (device.palette == nullptr) {
    ddiLog().log("#### FillDevInfo.EngCreatePalette Failed!");
    return false;
  }
  info.hpalDefault = device.palette;
  return true;
}

void destroyDevice(PrinterDevice* device) {
  if (device == nullptr) return;
  if (device->palette != nullptr) gdi::engDeletePalette(device->palette);
  device->signature = 0;
  device->trailingSignature = 0;
  delete device;
}

PrinterDevice* enablePdev(std::span<const uint8_t> callerRecord, const char16_t* deviceName,
                          uint32_t patternCount, gdi::HSurf* patterns, uint32_t capsSize, void* gdiInfo,
                          uint32_t devInfoSize, void* devInfo, gdi::HDev hdev, spooler::PrinterHandle printer) {
  auto device = std::unique_ptr<PrinterDevice>(new (std::nothrow) PrinterDevice);
  if (!device) return nullptr;
  device->printer = printer;
  device->engineDevice = hdev;
  device->colorAdjustBlock.reset(new (std::nothrow) uint8_t[48]());
  if (!device->colorAdjustBlock) return nullptr;

  // The resampling choice sits at a fixed place behind a 220-byte public part;
  // it is read only when the record really reaches that far.
  if (callerRecord.size() >= kPrivResamplingOffset + 4 && le::u16(callerRecord, 70) > 3 &&
      le::u32(callerRecord, settings::kPublicSize) == settings::kPrivSignature) {
    device->resampling = le::u32(callerRecord, kPrivResamplingOffset);
  }
  device->flags = 0;
  device->printerData = readPrinterDataOrStandBy(printer);

  std::u16string name = deviceName != nullptr ? std::u16string(deviceName) : std::u16string();
  std::vector<uint8_t> printerDefault;
  if (auto info = spooler::getPrinterInfo2(printer)) printerDefault = std::move(info->devMode);
  device->settings = settings::buildWorkingRecord(name, SettingsModule::GraphicsDriver, printerDefault,
                                                  callerRecord, nullptr);
  resolvePaper(*device);
  applyLandscape(*device);

  gdi::GdiInfo caps = buildGdiInfo(*device);
  std::memcpy(device->colorAdjustBlock.get() + 24, &device->settings.priv.colorAdjustment, 24);
  if (gdiInfo != nullptr) std::memcpy(gdiInfo, &caps, std::min<size_t>(sizeof caps, capsSize));
  gdi::DevInfo info;
  if (!fillDevInfo(*device, info)) {
    destroyDevice(device.release());
    return nullptr;
  }
  if (devInfo != nullptr) std::memcpy(devInfo, &info, std::min<size_t>(sizeof info, devInfoSize));
  if (patterns != nullptr) std::fill_n(patterns, patternCount, nullptr);
  return device.release();
}

}  // namespace q7310::ddi

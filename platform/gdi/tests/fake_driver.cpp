// A small printer graphics driver for the device context tests. It records
// every callback the engine makes, writes markers and the page's pixels with
// engWritePrinter, and is steered by the settings record it is given:
//   (three bytes, or none for the defaults)
//   byte 0: bit 0 fail EnablePDEV, bit 1 hook nothing, bit 2 no surface
//   bytes 1, 2: surface width and height (default 4 x 3)
#include <cstring>
#include <string>

#include "platform/gdi/engine.h"
#include "platform/os/export_table.h"

namespace gdi = q7310::gdi;

namespace {

struct FakeDevice {
  uint8_t options = 0;
  gdi::SizeL size{4, 3};
  void* printer = nullptr;
  gdi::HDev hdev = nullptr;
  gdi::HSurf surface = nullptr;
  gdi::HPalette palette = nullptr;
  bool inDocument = false;
};

std::string& callLog() {
  static std::string log;
  return log;
}
void note(const std::string& call) {
  if (!callLog().empty()) callLog() += ' ';
  callLog() += call;
}

FakeDevice* deviceOf(gdi::SurfObj* surface) { return static_cast<FakeDevice*>(surface->dhpdev); }

void write(FakeDevice* device, const void* data, size_t size) {
  uint32_t written = 0;
  gdi::engWritePrinter(device->printer, data, static_cast<uint32_t>(size), &written);
}
void write(FakeDevice* device, const char* text) { write(device, text, std::strlen(text)); }

gdi::DHPdev enablePdev(const void* devMode, const char16_t*, uint32_t patternCount, gdi::HSurf* patterns,
                       uint32_t capsSize, void* gdiInfo, uint32_t devInfoSize, void* devInfo, gdi::HDev hdev,
                       const char16_t* deviceName, void* printer) {
  note("EnablePDEV");
  const auto* control = static_cast<const uint8_t*>(devMode);
  auto* device = new FakeDevice;
  if (control != nullptr) {
    device->options = control[0];
    if (control[1] != 0) device->size = gdi::SizeL{control[1], control[2]};
  }
  if (device->options & 1) {
    delete device;
    return nullptr;
  }
  device->printer = printer;
  device->hdev = hdev;
  gdi::GdiInfo caps{};
  caps.ulHorzRes = static_cast<uint32_t>(device->size.cx);
  caps.ulVertRes = static_cast<uint32_t>(device->size.cy);
  caps.ulLogPixelsX = caps.ulLogPixelsY = 300;
  std::memcpy(gdiInfo, &caps, std::min<size_t>(capsSize, sizeof caps));
  gdi::DevInfo info{};
  info.flGraphicsCaps = deviceName != nullptr && deviceName[0] == u'P' ? 0x1234 : 0;
  device->palette = gdi::engCreatePalette(gdi::kPalBgr, 0, nullptr, 0, 0, 0);
  info.hpalDefault = device->palette;
  std::memcpy(devInfo, &info, std::min<size_t>(devInfoSize, sizeof info));
  for (uint32_t i = 0; i < patternCount; ++i) patterns[i] = nullptr;
  return device;
}

void completePdev(gdi::DHPdev pdev, gdi::HDev hdev) {
  note(static_cast<FakeDevice*>(pdev)->hdev == hdev ? "CompletePDEV" : "CompletePDEV(other hdev)");
}

void disablePdev(gdi::DHPdev pdev) {
  note("DisablePDEV");
  auto* device = static_cast<FakeDevice*>(pdev);
  gdi::engDeletePalette(device->palette);
  delete device;
}

gdi::HSurf enableSurface(gdi::DHPdev pdev) {
  note("EnableSurface");
  auto* device = static_cast<FakeDevice*>(pdev);
  if (device->options & 4) return nullptr;
  device->surface = gdi::engCreateBitmap(device->size, 0, gdi::kBmf24Bpp, gdi::kBmfTopDown, nullptr);
  const uint32_t hooks = (device->options & 2) ? 0 : gdi::kHookBitBlt | gdi::kHookStretchBlt;
  gdi::engAssociateSurface(device->surface, device->hdev, hooks);
  return device->surface;
}

void disableSurface(gdi::DHPdev pdev) {
  note("DisableSurface");
  auto* device = static_cast<FakeDevice*>(pdev);
  gdi::engDeleteSurface(device->surface);
  device->surface = nullptr;
}

int32_t resetPdev(gdi::DHPdev oldPdev, gdi::DHPdev newPdev) {
  note("ResetPDEV");
  static_cast<FakeDevice*>(newPdev)->inDocument = static_cast<FakeDevice*>(oldPdev)->inDocument;
  return 1;
}

int32_t startDoc(gdi::SurfObj* surface, const char16_t* docName, uint32_t jobId) {
  FakeDevice* device = deviceOf(surface);
  note("StartDoc:" + std::to_string(jobId) + ":" + std::to_string(docName != nullptr ? docName[0] : 0));
  if (!device->inDocument) write(device, "DOC;");
  device->inDocument = true;
  return 1;
}

int32_t startPage(gdi::SurfObj* surface) {
  note("StartPage");
  for (int32_t y = 0; y < surface->sizlBitmap.cy; ++y) {
    std::memset(surface->pvScan0 + y * surface->lDelta, 0xFF, static_cast<size_t>(surface->sizlBitmap.cx) * 3);
  }
  return 1;
}

int32_t sendPage(gdi::SurfObj* surface) {
  note("SendPage");
  FakeDevice* device = deviceOf(surface);
  write(device, "PAGE;");
  for (int32_t y = 0; y < surface->sizlBitmap.cy; ++y) {
    write(device, surface->pvScan0 + y * surface->lDelta, static_cast<size_t>(surface->sizlBitmap.cx) * 3);
  }
  return 1;
}

int32_t endDoc(gdi::SurfObj* surface, uint32_t flags) {
  note("EndDoc:" + std::to_string(flags));
  FakeDevice* device = deviceOf(surface);
  write(device, ";END");
  device->inDocument = false;
  return 1;
}

uint32_t escape(gdi::SurfObj*, uint32_t code, uint32_t inSize, const void*, uint32_t, void*) {
  note("Escape");
  return 1000 + code * 10 + inSize;
}

int32_t bitBlt(gdi::SurfObj* dst, gdi::SurfObj* src, gdi::SurfObj* mask, gdi::ClipObj* clip, gdi::XlateObj* xlate,
               const gdi::RectL* dstRect, const gdi::PointL* srcPoint, const gdi::PointL* maskPoint,
               gdi::BrushObj* brush, const gdi::PointL* brushOrigin, uint32_t rop4) {
  note("BitBlt");
  return gdi::engBitBlt(dst, src, mask, clip, xlate, dstRect, srcPoint, maskPoint, brush, brushOrigin, rop4);
}

int32_t stretchBlt(gdi::SurfObj* dst, gdi::SurfObj* src, gdi::SurfObj* mask, gdi::ClipObj* clip,
                   gdi::XlateObj* xlate, gdi::ColorAdjustment* adjust, const gdi::PointL* origin,
                   const gdi::RectL* dstRect, const gdi::RectL* srcRect, const gdi::PointL* maskPoint,
                   uint32_t mode) {
  note("StretchBlt:" + std::to_string(mode));
  return gdi::engStretchBlt(dst, src, mask, clip, xlate, adjust, origin, dstRect, srcRect, maskPoint, gdi::kHalftone);
}

const gdi::DrvFn kTable[] = {
    {gdi::kIndexEnablePDEV, reinterpret_cast<void*>(&enablePdev)},
    {gdi::kIndexCompletePDEV, reinterpret_cast<void*>(&completePdev)},
    {gdi::kIndexDisablePDEV, reinterpret_cast<void*>(&disablePdev)},
    {gdi::kIndexEnableSurface, reinterpret_cast<void*>(&enableSurface)},
    {gdi::kIndexDisableSurface, reinterpret_cast<void*>(&disableSurface)},
    {gdi::kIndexResetPDEV, reinterpret_cast<void*>(&resetPdev)},
    {gdi::kIndexStartDoc, reinterpret_cast<void*>(&startDoc)},
    {gdi::kIndexStartPage, reinterpret_cast<void*>(&startPage)},
    {gdi::kIndexSendPage, reinterpret_cast<void*>(&sendPage)},
    {gdi::kIndexEndDoc, reinterpret_cast<void*>(&endDoc)},
    {gdi::kIndexEscape, reinterpret_cast<void*>(&escape)},
    {gdi::kIndexBitBlt, reinterpret_cast<void*>(&bitBlt)},
    {gdi::kIndexStretchBlt, reinterpret_cast<void*>(&stretchBlt)},
};

}  // namespace

Q7310_EXPORT int32_t DrvEnableDriver(uint32_t engineVersion, uint32_t size, gdi::DrvEnableData* data) {
  note("EnableDriver");
  if (engineVersion < 0x20000 || size < sizeof(gdi::DrvEnableData)) return 0;
  data->iDriverVersion = 0x30000;
  data->c = sizeof kTable / sizeof kTable[0];
  data->pdrvfn = kTable;
  return 1;
}

Q7310_EXPORT void DrvDisableDriver() { note("DisableDriver"); }

// For the tests: what the driver was asked to do, and a fresh start.
Q7310_EXPORT const char* FakeDriverCalls() { return callLog().c_str(); }
Q7310_EXPORT void FakeDriverClearCalls() { callLog().clear(); }

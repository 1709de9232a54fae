#include "Q7310DDI/callbacks.h"

#include <cstring>
#include <span>

#include "Q7310DDI/ddi_log.h"
#include "Q7310DDI/device_setup.h"
#include "Q7310DDI/page_output.h"
#include "Q7310DDI/printer_device.h"
#include "common/settings/devmode.h"
#include "platform/gdi/engine.h"
#include "platform/os/errors.h"
#include "platform/ui/windows.h"

namespace q7310::ddi {

namespace {

using namespace gdi;

DHPdev enablePdevCallback(const void* devMode, const char16_t* /*logAddress*/, uint32_t patternCount,
                          HSurf* patterns, uint32_t capsSize, void* gdiInfo, uint32_t devInfoSize, void* devInfo,
                          HDev hdev, const char16_t* deviceName, void* printer) {
  try {
    std::span<const uint8_t> record;
    if (devMode != nullptr) {
      auto* bytes = static_cast<const uint8_t*>(devMode);
      record = {bytes, settings::claimedLength({bytes, 72})};
    }
    return enablePdev(record, deviceName, patternCount, patterns, capsSize, gdiInfo, devInfoSize, devInfo, hdev,
                      static_cast<spooler::PrinterHandle>(printer));
  } catch (...) {
    return nullptr;
  }
}

void completePdev(DHPdev pdev, HDev hdev) {
  if (PrinterDevice* device = checkedDevice(pdev)) device->engineDevice = hdev;
}

void disablePdev(DHPdev pdev) {
  if (PrinterDevice* device = checkedDevice(pdev)) destroyDevice(device);
}

HSurf enableSurface(DHPdev pdev) {
  PrinterDevice* device = checkedDevice(pdev);
  if (device == nullptr) return nullptr;
  static constexpr const char* kViewerClasses[] = {"PhotoView5_Viewer", "PhotoView5_Browser", "PhotoView6_Viewer",
                                                   "PhotoView6_Browser"};
  bool viewer = false;
  for (const char* cls : kViewerClasses) viewer = viewer || ui::findTopLevelWindow(cls);
  if (viewer) {
    ddiLog().log("######## PHOTOVIEW ########");
    device->flags |= kFlagViewerWindow;
  } else {
    device->flags &= ~kFlagViewerWindow;
  }
  const RectL& area = device->paper.imageableArea;
  SizeL size{toPixels(area.width()), toPixels(area.height())};
  if (size.cx == 2146) {
    size.cx = 2446;
  } else if (size.cy == 2146) {
    size.cy = 2446;
  }
  HSurf surface = engCreateBitmap(size, 0, kBmf24Bpp, kBmfTopDown, nullptr);
  if (surface == nullptr) return nullptr;
  if (!engAssociateSurface(surface, device->engineDevice, kHookMask)) {
    engDeleteSurface(surface);
    return nullptr;
  }
  device->surface = surface;
  return surface;
}

void disableSurface(DHPdev pdev) {
  PrinterDevice* device = checkedDevice(pdev);
  if (device == nullptr || device->surface == nullptr) return;
  engDeleteSurface(device->surface);
  device->surface = nullptr;
}

int32_t resetPdev(DHPdev oldPdev, DHPdev newPdev) {
  PrinterDevice* from = checkedDevice(oldPdev);
  PrinterDevice* to = checkedDevice(newPdev);
  if (from == nullptr || to == nullptr) return 0;
  if (from->flags & kFlagDocumentStarted) {
    to->flags |= kFlagReplacedInDocument | kFlagDocumentStarted;
    to->documentName = std::move(from->documentName);
  }
  to->cache.row = from->cache.row;
  to->cache.pixels = std::move(from->cache.pixels);
  from->cache.row = 0;
  from->cache.pixels.clear();
  to->resampling = from->resampling;
  return 1;
}

int32_t startDoc(SurfObj* surface, const char16_t* docName, uint32_t /*jobId*/) {
  PrinterDevice* device = deviceOf(surface);
  if (device == nullptr) return 0;
  if (!(device->flags & kFlagReplacedInDocument)) {
    device->documentName = docName != nullptr ? std::make_unique<std::u16string>(docName) : nullptr;
  }
  if (!(device->flags & kFlagDocumentStarted)) writeJobHeader(*device);
  device->flags |= kFlagDocumentStarted;
  return 1;
}

int32_t startPage(SurfObj* surface) {
  PrinterDevice* device = deviceOf(surface);
  if (device == nullptr) return 0;
  // Every page starts white.
  size_t rowBytes = static_cast<size_t>(std::abs(surface->lDelta));
  std::memset(surface->pvBits, 0xFF, rowBytes * static_cast<size_t>(surface->sizlBitmap.cy));
  return 1;
}

int32_t sendPage(SurfObj* surface) {
  PrinterDevice* device = deviceOf(surface);
  if (device == nullptr) return 0;
  processPage(*device, *surface);
  return 1;
}

int32_t endDoc(SurfObj* surface, uint32_t /*flags*/) {
  PrinterDevice* device = deviceOf(surface);
  if (device == nullptr) return 0;
  if (device->cache.held()) {
    ddiLog().log("PRINT CACHE: END DOC");
    flushHeldPage(*device);
  }
  device->flags &= ~kFlagDocumentStarted;
  return 1;
}

uint32_t readEscapeNumber(uint32_t inSize, const void* in) {
  const auto* bytes = static_cast<const uint8_t*>(in);
  switch (inSize) {
    case 1: return bytes[0];
    case 2: return static_cast<uint32_t>(bytes[0] | (bytes[1] << 8));
    case 4: return static_cast<uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) | (uint32_t{bytes[3]} << 24);
    default: return 0;
  }
}

uint32_t escape(SurfObj* surface, uint32_t code, uint32_t inSize, const void* in, uint32_t outSize, void* out) {
  switch (code) {
    case kQueryEscSupport: {
      if (in == nullptr) return 0;
      uint32_t asked = readEscapeNumber(inSize, in);
      return asked == kSetCopyCount ? 9999 : asked == kQueryEscSupport ? 1 : 0;
    }
    case kSetCopyCount: {
      PrinterDevice* device = deviceOf(surface);
      if (device == nullptr || in == nullptr || inSize != 2) {
        os::setLastError(os::kErrorInvalidParameter);
        return kEscapeFailed;
      }
      uint32_t count = readEscapeNumber(2, in);
      if (count == 0) count = 1;
      if (count > 9999) count = 9999;
      device->settings.dm.dmCopies = static_cast<int16_t>(count);
      device->settings.dm.dmFields |= settings::kDmCopies;
      if (out != nullptr && outSize > 0) {
        size_t n = outSize == 1 ? 1 : outSize < 4 ? 2 : 4;
        std::memcpy(out, &count, n);
      }
      return count;
    }
    default: return kEscapeFailed;
  }
}

uint32_t ditherColor(DHPdev, uint32_t, uint32_t, uint32_t*) { return 0; }  // solid color

// The stretch mode the engine uses: HALFTONE unless the user kept the
// application's own ("Windows Default").
uint32_t stretchMode(SurfObj* dst, uint32_t mode) {
  auto* device = static_cast<PrinterDevice*>(dst != nullptr ? dst->dhpdev : nullptr);
  if (device == nullptr || device->signature != kDeviceSignature || device->trailingSignature != kDeviceSignature) {
    return mode;
  }
  return device->resampling == 0 ? kHalftone : mode;
}

int32_t bitBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
               const PointL* srcPoint, const PointL* maskPoint, BrushObj* brush, const PointL* brushOrigin,
               uint32_t rop4) {
  return engBitBlt(dst, src, mask, clip, xlate, dstRect, srcPoint, maskPoint, brush, brushOrigin, rop4);
}

int32_t copyBits(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                 const PointL* srcPoint) {
  return engCopyBits(dst, src, clip, xlate, dstRect, srcPoint);
}

int32_t stretchBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                   ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const RectL* dstRect,
                   const RectL* srcRect, const PointL* maskPoint, uint32_t mode) {
  return engStretchBlt(dst, src, mask, clip, xlate, colorAdjust, halftoneOrigin, dstRect, srcRect, maskPoint,
                       stretchMode(dst, mode));
}

int32_t stretchBltRop(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                      ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const RectL* dstRect,
                      const RectL* srcRect, const PointL* maskPoint, uint32_t mode, BrushObj* brush, uint32_t rop4) {
  return engStretchBltROP(dst, src, mask, clip, xlate, colorAdjust, halftoneOrigin, dstRect, srcRect, maskPoint,
                          stretchMode(dst, mode), brush, rop4);
}

int32_t plgBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
               ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const PointL* dstPoints,
               const RectL* srcRect, const PointL* maskPoint, uint32_t mode) {
  return engPlgBlt(dst, src, mask, clip, xlate, colorAdjust, halftoneOrigin, dstPoints, srcRect, maskPoint,
                   stretchMode(dst, mode));
}

int32_t textOut(SurfObj* dst, StrObj* str, void* font, ClipObj* clip, RectL* extra, RectL* opaqueRect,
                BrushObj* foreground, BrushObj* opaque, const PointL* brushOrigin, uint32_t mix) {
  return engTextOut(dst, str, font, clip, extra, opaqueRect, foreground, opaque, brushOrigin, mix);
}

int32_t paint(SurfObj* dst, ClipObj* clip, BrushObj* brush, const PointL* brushOrigin, uint32_t mix) {
  return engPaint(dst, clip, brush, brushOrigin, mix);
}

int32_t strokePath(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform, BrushObj* brush,
                   const PointL* brushOrigin, LineAttrs* line, uint32_t mix) {
  return engStrokePath(dst, path, clip, xform, brush, brushOrigin, line, mix);
}

int32_t fillPath(SurfObj* dst, PathObj* path, ClipObj* clip, BrushObj* brush, const PointL* brushOrigin,
                 uint32_t mix, uint32_t options) {
  return engFillPath(dst, path, clip, brush, brushOrigin, mix, options);
}

int32_t strokeAndFillPath(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform, BrushObj* strokeBrush,
                          LineAttrs* line, BrushObj* fillBrush, const PointL* brushOrigin, uint32_t mix,
                          uint32_t options) {
  return engStrokeAndFillPath(dst, path, clip, xform, strokeBrush, line, fillBrush, brushOrigin, mix, options);
}

int32_t lineTo(SurfObj* dst, ClipObj* clip, BrushObj* brush, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
               const RectL* bounds, uint32_t mix) {
  return engLineTo(dst, clip, brush, x1, y1, x2, y2, bounds, mix);
}

int32_t gradientFill(SurfObj* dst, ClipObj* clip, XlateObj* xlate, const TriVertex* vertices, uint32_t vertexCount,
                     const void* mesh, uint32_t meshCount, const RectL* bounds, const PointL* ditherOrigin,
                     uint32_t mode) {
  return engGradientFill(dst, clip, xlate, vertices, vertexCount, mesh, meshCount, bounds, ditherOrigin, mode);
}

int32_t alphaBlend(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                   const RectL* srcRect, BlendObj* blend) {
  return engAlphaBlend(dst, src, clip, xlate, dstRect, srcRect, blend);
}

int32_t transparentBlt(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                       const RectL* srcRect, uint32_t color, uint32_t reserved) {
  return engTransparentBlt(dst, src, clip, xlate, dstRect, srcRect, color, reserved);
}

template <typename Fn>
void* fn(Fn f) {
  return reinterpret_cast<void*>(f);
}

const DrvFn kTable[kCallbackCount] = {
    {kIndexEnablePDEV, fn(&enablePdevCallback)},
    {kIndexResetPDEV, fn(&resetPdev)},
    {kIndexCompletePDEV, fn(&completePdev)},
    {kIndexDisablePDEV, fn(&disablePdev)},
    {kIndexEnableSurface, fn(&enableSurface)},
    {kIndexDisableSurface, fn(&disableSurface)},
    {kIndexSendPage, fn(&sendPage)},
    {kIndexStartPage, fn(&startPage)},
    {kIndexStartDoc, fn(&startDoc)},
    {kIndexEscape, fn(&escape)},
    {kIndexEndDoc, fn(&endDoc)},
    {kIndexBitBlt, fn(&bitBlt)},
    {kIndexStretchBlt, fn(&stretchBlt)},
    {kIndexTextOut, fn(&textOut)},
    {kIndexPaint, fn(&paint)},
    {kIndexStrokePath, fn(&strokePath)},
    {kIndexFillPath, fn(&fillPath)},
    {kIndexStrokeAndFillPath, fn(&strokeAndFillPath)},
    {kIndexCopyBits, fn(&copyBits)},
    {kIndexDitherColor, fn(&ditherColor)},
    {kIndexLineTo, fn(&lineTo)},
    {kIndexGradientFill, fn(&gradientFill)},
    {kIndexStretchBltROP, fn(&stretchBltRop)},
    {kIndexPlgBlt, fn(&plgBlt)},
    {kIndexAlphaBlend, fn(&alphaBlend)},
    {kIndexTransparentBlt, fn(&transparentBlt)},
};

}  // namespace

const DrvFn* callbackTable() { return kTable; }

}  // namespace q7310::ddi

#include "platform/gdi/printer_dc.h"

#include <vector>

#include "common/wide_text.h"
#include "platform/gdi/engine.h"
#include "platform/os/errors.h"
#include "platform/os/library.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/print_jobs.h"
#include "platform/spooler/printers.h"

namespace q7310::gdi {

struct PrinterDc::Device {
  struct DeleteDevice {
    void operator()(EngineDeviceRecord* hdev) const { engDeleteDevice(hdev); }
  };
  std::unique_ptr<EngineDeviceRecord, DeleteDevice> engineDevice;
  DHPdev pdev = nullptr;
  HSurf surface = nullptr;
};

namespace {

constexpr uint32_t kPatternCount = 6;
constexpr uint32_t kMixCopyPen = 0x0D0D;

spooler::PrinterHandle handleOf(void* printer) { return static_cast<spooler::PrinterHandle>(printer); }

}  // namespace

std::unique_ptr<PrinterDc> PrinterDc::create(std::string_view printerName, std::span<const uint8_t> devMode) {
  std::unique_ptr<PrinterDc> dc(new PrinterDc);
  spooler::PrinterHandle printer = spooler::openPrinter(printerName);
  if (printer == nullptr) return nullptr;
  dc->printer_ = printer;
  dc->deviceName_ = text::toUtf16(*spooler::printerNameOf(printer));
  auto driver = spooler::getPrinterDriver(printer);
  if (!driver) return nullptr;
  dc->library_ = os::Library::load(driver->driverPath);
  if (!dc->library_) return nullptr;
  auto enableDriver = dc->library_->function<DrvEnableDriverFn>("DrvEnableDriver");
  if (enableDriver == nullptr) return nullptr;
  DrvEnableData data{};
  if (!enableDriver(kEngineVersion, sizeof(DrvEnableData), &data)) {
    if (os::lastError() == os::kErrorSuccess) os::setLastError(os::kErrorBadDriverLevel);
    return nullptr;
  }
  dc->driverEnabled_ = true;
  for (uint32_t i = 0; i < data.c && data.pdrvfn != nullptr; ++i) {
    dc->callbacks_[data.pdrvfn[i].iFunc] = data.pdrvfn[i].pfn;
  }
  for (uint32_t required : {kIndexEnablePDEV, kIndexCompletePDEV, kIndexDisablePDEV, kIndexEnableSurface,
                            kIndexDisableSurface}) {
    if (dc->callback(required) == nullptr) {
      os::setLastError(os::kErrorInvalidData);
      return nullptr;
    }
  }
  auto device = std::make_unique<Device>();
  if (!dc->enableDevice(devMode, device.get(), true)) return nullptr;
  dc->device_ = std::move(device);
  dc->surface_ = engLockSurface(dc->device_->surface);
  return dc;
}

bool PrinterDc::enableDevice(std::span<const uint8_t> devMode, Device* out, bool withSurface) {
  out->engineDevice.reset(engCreateDevice());
  HDev hdev = out->engineDevice.get();
  if (hdev == nullptr) return false;
  HSurf patterns[kPatternCount] = {};
  GdiInfo gdiInfo{};
  DevInfo devInfo{};
  auto enablePdev = reinterpret_cast<DrvEnablePDEVFn>(callback(kIndexEnablePDEV));
  out->pdev = enablePdev(devMode.empty() ? nullptr : devMode.data(), nullptr, kPatternCount, patterns,
                         sizeof(GdiInfo), &gdiInfo, sizeof(DevInfo), &devInfo, hdev, deviceName_.c_str(), printer_);
  if (out->pdev == nullptr) {
    os::setLastError(os::kErrorGenFailure);
    return false;
  }
  engSetDevicePdev(hdev, out->pdev);
  reinterpret_cast<DrvCompletePDEVFn>(callback(kIndexCompletePDEV))(out->pdev, hdev);
  gdiInfo_ = gdiInfo;
  devInfo_ = devInfo;
  if (!withSurface) return true;
  out->surface = reinterpret_cast<DrvEnableSurfaceFn>(callback(kIndexEnableSurface))(out->pdev);
  if (out->surface == nullptr || engLockSurface(out->surface) == nullptr) {
    out->surface = nullptr;
    reinterpret_cast<DrvDisablePDEVFn>(callback(kIndexDisablePDEV))(out->pdev);
    out->pdev = nullptr;
    os::setLastError(os::kErrorGenFailure);
    return false;
  }
  return true;
}

void PrinterDc::disableDevice(Device& device) {
  if (device.surface != nullptr) {
    reinterpret_cast<DrvDisableSurfaceFn>(callback(kIndexDisableSurface))(device.pdev);
    device.surface = nullptr;
  }
  if (device.pdev != nullptr) {
    reinterpret_cast<DrvDisablePDEVFn>(callback(kIndexDisablePDEV))(device.pdev);
    device.pdev = nullptr;
  }
}

PrinterDc::~PrinterDc() {
  // A failed create() reports its own error, not what the clean-up met.
  const uint32_t error = os::lastError();
  if (jobId_ != 0) abortDoc();
  if (device_) disableDevice(*device_);
  surface_ = nullptr;
  if (library_ && driverEnabled_) {
    if (auto disableDriver = library_->function<DrvDisableDriverFn>("DrvDisableDriver")) disableDriver();
  }
  library_.reset();
  if (printer_ != nullptr) spooler::closePrinter(handleOf(printer_));
  os::setLastError(error);
}

void* PrinterDc::callback(uint32_t index) const {
  auto it = callbacks_.find(index);
  return it != callbacks_.end() ? it->second : nullptr;
}

bool PrinterDc::hooks(uint32_t hook) const { return (surfaceHooks(device_->surface) & hook) != 0; }

SizeL PrinterDc::pageSize() const { return surface_ != nullptr ? surface_->sizlBitmap : SizeL{}; }

bool PrinterDc::startDoc(std::string_view documentName) {
  if (jobId_ != 0) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  const uint32_t job = spooler::startDocPrinter(handleOf(printer_), documentName);
  if (job == 0) return false;
  jobId_ = job;
  if (auto startDocFn = reinterpret_cast<DrvStartDocFn>(callback(kIndexStartDoc))) {
    const std::u16string name = text::toUtf16(documentName);
    if (!startDocFn(surface_, name.c_str(), job)) {
      const uint32_t error = os::lastError();
      spooler::abortPrinter(handleOf(printer_));
      jobId_ = 0;
      os::setLastError(error);
      return false;
    }
  }
  return true;
}

bool PrinterDc::startPage() {
  if (jobId_ == 0 || inPage_) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  if (auto fn = reinterpret_cast<DrvStartPageFn>(callback(kIndexStartPage)); fn != nullptr && !fn(surface_)) {
    return false;
  }
  inPage_ = true;
  return true;
}

bool PrinterDc::endPage() {
  if (!inPage_) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  inPage_ = false;
  auto fn = reinterpret_cast<DrvSendPageFn>(callback(kIndexSendPage));
  return fn == nullptr || fn(surface_) != 0;
}

bool PrinterDc::endDoc() {
  if (jobId_ == 0) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  // A page still open is output first, as the platform does.
  bool ok = !inPage_ || endPage();
  if (auto fn = reinterpret_cast<DrvEndDocFn>(callback(kIndexEndDoc))) ok = fn(surface_, 0) != 0 && ok;
  jobId_ = 0;
  if (!ok) {
    const uint32_t error = os::lastError();
    spooler::abortPrinter(handleOf(printer_));
    os::setLastError(error);
    return false;
  }
  return spooler::endDocPrinter(handleOf(printer_));
}

bool PrinterDc::abortDoc() {
  if (jobId_ == 0) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  inPage_ = false;
  if (auto fn = reinterpret_cast<DrvEndDocFn>(callback(kIndexEndDoc))) fn(surface_, kEndDocAbort);
  jobId_ = 0;
  return spooler::abortPrinter(handleOf(printer_));
}

bool PrinterDc::resetDc(std::span<const uint8_t> devMode) {
  if (inPage_) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  auto resetFn = reinterpret_cast<DrvResetPDEVFn>(callback(kIndexResetPDEV));
  const GdiInfo oldCaps = gdiInfo_;
  const DevInfo oldInfo = devInfo_;
  auto fresh = std::make_unique<Device>();
  // The new surface comes after the driver has moved its document state.
  if (!enableDevice(devMode, fresh.get(), false)) {
    gdiInfo_ = oldCaps;
    devInfo_ = oldInfo;
    return false;
  }
  if (resetFn != nullptr && !resetFn(device_->pdev, fresh->pdev)) {
    const uint32_t error = os::lastError();
    disableDevice(*fresh);
    gdiInfo_ = oldCaps;
    devInfo_ = oldInfo;
    os::setLastError(error);
    return false;
  }
  disableDevice(*device_);
  surface_ = nullptr;
  device_ = std::move(fresh);
  device_->surface = reinterpret_cast<DrvEnableSurfaceFn>(callback(kIndexEnableSurface))(device_->pdev);
  surface_ = device_->surface != nullptr ? engLockSurface(device_->surface) : nullptr;
  if (surface_ == nullptr) {
    // No page can be drawn any more; the document cannot go on.
    device_->surface = nullptr;
    if (jobId_ != 0) {
      jobId_ = 0;
      spooler::abortPrinter(handleOf(printer_));
    }
    os::setLastError(os::kErrorGenFailure);
    return false;
  }
  return true;
}

int32_t PrinterDc::escape(uint32_t escape, std::span<const uint8_t> in, std::span<uint8_t> out) {
  auto fn = reinterpret_cast<DrvEscapeFn>(callback(kIndexEscape));
  if (fn == nullptr || surface_ == nullptr) return -1;
  return static_cast<int32_t>(fn(surface_, escape, static_cast<uint32_t>(in.size()), in.empty() ? nullptr : in.data(),
                                 static_cast<uint32_t>(out.size()), out.empty() ? nullptr : out.data()));
}

void PrinterDc::setClip(std::optional<RectL> clip) { clip_ = clip; }

ClipObj* PrinterDc::clipObj() {
  clipObj_.iDComplexity = clip_ ? kDcRect : kDcTrivial;
  clipObj_.rclBounds = clip_ ? *clip_ : RectL{0, 0, pageSize().cx, pageSize().cy};
  return &clipObj_;
}

namespace {

// A caller's picture lent to the engine as a surface for one call.
class BorrowedSurface {
 public:
  explicit BorrowedSurface(const Picture& p)
      : handle_(p.pixels == nullptr ? nullptr
                                    : engCreateBitmap(SizeL{p.width, p.height}, p.stride, kBmf24Bpp, kBmfTopDown,
                                                      const_cast<uint8_t*>(p.pixels))) {}
  ~BorrowedSurface() {
    if (handle_ != nullptr) engDeleteSurface(handle_);
  }
  SurfObj* get() const { return handle_ != nullptr ? engLockSurface(handle_) : nullptr; }

 private:
  HSurf handle_;
};

}  // namespace

bool PrinterDc::drawPicture(const Picture& picture, const RectL& dst, const RectL& src, uint32_t stretchMode) {
  if (surface_ == nullptr) return false;
  BorrowedSurface borrowed(picture);
  SurfObj* source = borrowed.get();
  if (source == nullptr) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  XlateObj xlate;
  if (dst.width() == src.width() && dst.height() == src.height() && dst.width() > 0 && dst.height() > 0) {
    const PointL origin{src.left, src.top};
    if (auto fn = reinterpret_cast<DrvBitBltFn>(callback(kIndexBitBlt)); fn != nullptr && hooks(kHookBitBlt)) {
      return fn(surface_, source, nullptr, clipObj(), &xlate, &dst, &origin, nullptr, nullptr, nullptr, kRopSrcCopy);
    }
    return engBitBlt(surface_, source, nullptr, clipObj(), &xlate, &dst, &origin, nullptr, nullptr, nullptr,
                     kRopSrcCopy);
  }
  ColorAdjustment adjust;
  const PointL halftoneOrigin{0, 0};
  if (auto fn = reinterpret_cast<DrvStretchBltFn>(callback(kIndexStretchBlt)); fn != nullptr && hooks(kHookStretchBlt)) {
    return fn(surface_, source, nullptr, clipObj(), &xlate, &adjust, &halftoneOrigin, &dst, &src, nullptr, stretchMode);
  }
  return engStretchBlt(surface_, source, nullptr, clipObj(), &xlate, &adjust, &halftoneOrigin, &dst, &src, nullptr,
                       stretchMode);
}

bool PrinterDc::fillRect(const RectL& rect, uint32_t color) {
  if (surface_ == nullptr) return false;
  BrushObj brush{color};
  const PointL brushOrigin{0, 0};
  if (auto fn = reinterpret_cast<DrvBitBltFn>(callback(kIndexBitBlt)); fn != nullptr && hooks(kHookBitBlt)) {
    return fn(surface_, nullptr, nullptr, clipObj(), nullptr, &rect, nullptr, nullptr, &brush, &brushOrigin,
              kRopPatCopy);
  }
  return engBitBlt(surface_, nullptr, nullptr, clipObj(), nullptr, &rect, nullptr, nullptr, &brush, &brushOrigin,
                   kRopPatCopy);
}

bool PrinterDc::gradientFill(std::span<const TriVertex> vertices, std::span<const GradientRect> rects, uint32_t mode) {
  if (surface_ == nullptr || mode > kGradientFillRectV) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  const RectL bounds{0, 0, pageSize().cx, pageSize().cy};
  const PointL ditherOrigin{0, 0};
  const auto count = static_cast<uint32_t>(vertices.size());
  const auto meshCount = static_cast<uint32_t>(rects.size());
  if (auto fn = reinterpret_cast<DrvGradientFillFn>(callback(kIndexGradientFill));
      fn != nullptr && hooks(kHookGradientFill)) {
    return fn(surface_, clipObj(), nullptr, vertices.data(), count, rects.data(), meshCount, &bounds, &ditherOrigin,
              mode);
  }
  return engGradientFill(surface_, clipObj(), nullptr, vertices.data(), count, rects.data(), meshCount, &bounds,
                         &ditherOrigin, mode);
}

bool PrinterDc::drawLine(PointL from, PointL to, uint32_t color) {
  if (surface_ == nullptr) return false;
  BrushObj brush{color};
  const RectL bounds{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                     std::max(from.y, to.y) + 1};
  if (auto fn = reinterpret_cast<DrvLineToFn>(callback(kIndexLineTo)); fn != nullptr && hooks(kHookLineTo)) {
    return fn(surface_, clipObj(), &brush, from.x, from.y, to.x, to.y, &bounds, kMixCopyPen);
  }
  return engLineTo(surface_, clipObj(), &brush, from.x, from.y, to.x, to.y, &bounds, kMixCopyPen);
}

bool PrinterDc::fillPolygon(std::span<const PointL> points, uint32_t color, uint32_t fillMode) {
  if (surface_ == nullptr) return false;
  PathObj path;
  path.figures.push_back(PathObj::Figure{std::vector<PointL>(points.begin(), points.end()), true});
  BrushObj brush{color};
  const PointL brushOrigin{0, 0};
  if (auto fn = reinterpret_cast<DrvFillPathFn>(callback(kIndexFillPath)); fn != nullptr && hooks(kHookFillPath)) {
    return fn(surface_, &path, clipObj(), &brush, &brushOrigin, kMixCopyPen, fillMode);
  }
  return engFillPath(surface_, &path, clipObj(), &brush, &brushOrigin, kMixCopyPen, fillMode);
}

bool PrinterDc::textOut(PointL origin, std::u16string_view text, int32_t height, uint32_t color) {
  if (surface_ == nullptr) return false;
  StrObj str;
  str.text.assign(text.begin(), text.end());
  str.origin = origin;
  str.height = height;
  BrushObj foreground{color};
  const PointL brushOrigin{0, 0};
  if (auto fn = reinterpret_cast<DrvTextOutFn>(callback(kIndexTextOut)); fn != nullptr && hooks(kHookTextOut)) {
    return fn(surface_, &str, nullptr, clipObj(), nullptr, nullptr, &foreground, nullptr, &brushOrigin, kMixCopyPen);
  }
  return engTextOut(surface_, &str, nullptr, clipObj(), nullptr, nullptr, &foreground, nullptr, &brushOrigin,
                    kMixCopyPen);
}

}  // namespace q7310::gdi

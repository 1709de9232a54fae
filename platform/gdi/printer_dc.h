// The application's side of printing: a device context on a spooler printer.
// It loads the printer's graphics driver, runs the driver's device and
// surface life cycle, starts documents and pages, and sends each drawing call
// to the driver's callback when the driver hooks it on its surface, else to
// the engine. The driver's job data goes to the spooler's job for the
// document (engWritePrinter).
//
// One thread uses a device context at a time. Calls block only on file access
// and on what the driver does; none throws.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/gdi/api.h"
#include "platform/gdi/types.h"

namespace q7310::os {
class Library;
}

namespace q7310::gdi {

// Escape numbers the package's driver answers.
inline constexpr uint32_t kEscapeQueryEscSupport = 8;
inline constexpr uint32_t kEscapeSetCopyCount = 17;
// DrvEndDoc flag of an abandoned document.
inline constexpr uint32_t kEndDocAbort = 1;

// A picture in memory: blue, green, red bytes, rows stride bytes apart from
// the top row down.
struct Picture {
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
};

class Q7310_GDI_API PrinterDc {
 public:
  // Opens the printer, loads its driver and enables device and surface with
  // the given print settings record (empty: the driver's defaults). nullptr
  // with the last error: kErrorInvalidPrinterName (no such printer),
  // kErrorUnknownPrinterDriver, kErrorModNotFound or kErrorProcNotFound (the
  // driver library or its entry point), kErrorBadDriverLevel (the driver
  // refused this engine), kErrorInvalidData (its table lacks a device or
  // surface callback), kErrorGenFailure (the driver made no device or surface).
  static std::unique_ptr<PrinterDc> create(std::string_view printerName, std::span<const uint8_t> devMode = {});
  // Abandons an open document, then disables surface, device and driver.
  ~PrinterDc();
  PrinterDc(const PrinterDc&) = delete;
  PrinterDc& operator=(const PrinterDc&) = delete;

  // What the driver reported at device creation (the latest device after resetDc).
  const GdiInfo& deviceCaps() const { return gdiInfo_; }
  const DevInfo& deviceInfo() const { return devInfo_; }
  // The page surface's size in pixels.
  SizeL pageSize() const;
  // The page surface (to read the drawn pixels back).
  const SurfObj* surface() const { return surface_; }
  // The job of the open document, 0 when none is open.
  uint32_t jobId() const { return jobId_; }

  // Starts a spooler job and the driver's document. False when a document is
  // already open (kErrorInvalidPrinterState), when the spooler refuses, or
  // when the driver fails (the job is then abandoned).
  bool startDoc(std::string_view documentName);
  bool startPage();
  // Ends the page: the driver outputs it.
  bool endPage();
  // Ends the driver's document, then the spooler queues the job.
  bool endDoc();
  // Ends the driver's document as abandoned and deletes the job.
  bool abortDoc();
  // New settings between pages: a new device is enabled, the driver moves
  // its document state from the old one (DrvResetPDEV), the old device is
  // disabled and a new surface enabled. On a refusal the old device stays.
  bool resetDc(std::span<const uint8_t> devMode);
  // The driver's escape; -1 when the driver has none.
  int32_t escape(uint32_t escape, std::span<const uint8_t> in, std::span<uint8_t> out);

  // Drawing cuts to this rectangle (and the page); nullopt: the whole page.
  void setClip(std::optional<RectL> clip);
  // Draws the src part of the picture into dst (reversed rectangles mirror)
  // with the stretch mode; equal sizes are a plain block transfer.
  bool drawPicture(const Picture& picture, const RectL& dst, const RectL& src, uint32_t stretchMode);
  // Colors are 0x00BBGGRR.
  bool fillRect(const RectL& rect, uint32_t color);
  bool gradientFill(std::span<const TriVertex> vertices, std::span<const GradientRect> rects, uint32_t mode);
  // A one-pixel line; the end point is left out.
  bool drawLine(PointL from, PointL to, uint32_t color);
  bool fillPolygon(std::span<const PointL> points, uint32_t color, uint32_t fillMode = kFpAlternateMode);
  bool textOut(PointL origin, std::u16string_view text, int32_t height, uint32_t color);

 private:
  PrinterDc() = default;
  struct Device;
  bool enableDevice(std::span<const uint8_t> devMode, Device* out, bool withSurface);
  void disableDevice(Device& device);
  void* callback(uint32_t index) const;
  bool hooks(uint32_t hook) const;
  ClipObj* clipObj();

  std::unique_ptr<os::Library> library_;
  bool driverEnabled_ = false;
  void* printer_ = nullptr;  // the spooler printer handle
  std::map<uint32_t, void*> callbacks_;
  std::unique_ptr<Device> device_;
  SurfObj* surface_ = nullptr;
  GdiInfo gdiInfo_{};
  DevInfo devInfo_{};
  std::u16string deviceName_;
  uint32_t jobId_ = 0;
  bool inPage_ = false;
  std::optional<RectL> clip_;
  ClipObj clipObj_;
};

}  // namespace q7310::gdi

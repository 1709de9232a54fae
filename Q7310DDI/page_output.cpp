#include "Q7310DDI/page_output.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "Q7310DDI/ddi_log.h"
#include "Q7310RGB/optimize_params.h"
#include "common/job_stream.h"
#include "common/settings/form_table.h"
#include "common/wide_text.h"
#include "platform/gdi/engine.h"
#include "platform/os/library.h"

namespace q7310::ddi {

namespace {

using settings::FormEntry;
using settings::SettingsModule;

constexpr size_t kRowBufferSize = 12000;
constexpr int32_t kCombinedWidth = 1844;
constexpr int32_t kCombinedHeight = 2492;
constexpr int kWhiteRows = 12;

const FormEntry& row(int index) { return settings::formTable(SettingsModule::GraphicsDriver)[index]; }

void write(PrinterDevice& device, const void* data, size_t size) {
  uint32_t written = 0;
  gdi::engWritePrinter(device.printer, data, static_cast<uint32_t>(size), &written);  // results are not examined
}

int32_t clampCopies(int32_t copies) { return std::clamp<int32_t>(copies, 1, 9999); }

jobstream::PageHeader headerFor(const PrinterDevice& device, int rowIndex, int32_t copies) {
  const settings::PrivateDevMode& priv = device.settings.priv;
  jobstream::PageHeader header;
  header.mediaSizeCode = row(rowIndex).mediaSizeCode;
  header.headerWordA = static_cast<uint32_t>(priv.headerWordA);
  header.printMethod = row(rowIndex).printMethod;
  header.printQuality = priv.printMode;
  header.laminate = priv.printFinish;
  header.width = row(rowIndex).printerWidth;
  header.height = row(rowIndex).printerLength;
  header.copies = static_cast<uint32_t>(copies);
  header.gamma = static_cast<uint32_t>(priv.gamma) & 0xFFFF;
  header.headerWordB = static_cast<uint32_t>(priv.headerWordB) & 0xFFFF;
  for (int i = 0; i < 9; ++i) header.emphasisKernel[i] = static_cast<uint32_t>(priv.EmphasisKernel[i]);
  return header;
}

jobstream::PageHeader combinedHeader(const PrinterDevice& device, int32_t copies) {
  jobstream::PageHeader header = headerFor(device, 1, copies);
  header.mediaSizeCode = 0;
  header.printMethod = jobstream::kPrintMethodCombo;
  header.width = kCombinedWidth;
  header.height = kCombinedHeight;
  return header;
}

void writeHeader(PrinterDevice& device, const jobstream::PageHeader& header) {
  auto bytes = header.bytes();
  write(device, bytes.data(), bytes.size());
}

void writePageEnd(PrinterDevice& device) {
  auto bytes = jobstream::pageEndBytes();
  write(device, bytes.data(), bytes.size());
}

const uint8_t* pixelAt(const gdi::SurfObj& s, int32_t x, int32_t y) {
  return s.pvScan0 + static_cast<ptrdiff_t>(y) * s.lDelta + static_cast<ptrdiff_t>(x) * 3;
}

bool unturned(const gdi::SurfObj& s, int rowIndex) {
  return static_cast<uint32_t>(s.sizlBitmap.cx) == row(rowIndex).printerWidth &&
         static_cast<uint32_t>(s.sizlBitmap.cy) == row(rowIndex).printerLength;
}

// Calls sink(row bytes) for each output row of the page in printer orientation.
template <typename Sink>
bool forEachPrinterRow(const gdi::SurfObj& s, int rowIndex, Sink sink) {
  int32_t w = s.sizlBitmap.cx;
  int32_t h = s.sizlBitmap.cy;
  bool keep = unturned(s, rowIndex);
  size_t rowBytes = static_cast<size_t>(keep ? w : h) * 3;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[std::max(kRowBufferSize, rowBytes)]);
  if (!buffer) return false;
  if (keep) {
    for (int32_t y = 0; y < h; ++y) {
      std::memcpy(buffer.get(), pixelAt(s, 0, y), rowBytes);
      sink(buffer.get(), rowBytes);
    }
    return true;
  }
  // A quarter turn to the left: output row i is column w - 1 - i, top down.
  for (int32_t i = 0; i < w; ++i) {
    uint8_t* out = buffer.get();
    for (int32_t y = 0; y < h; ++y, out += 3) std::memcpy(out, pixelAt(s, w - 1 - i, y), 3);
    sink(buffer.get(), rowBytes);
  }
  return true;
}

void writePagePixels(PrinterDevice& device, const gdi::SurfObj& s, int rowIndex) {
  bool ok = forEachPrinterRow(s, rowIndex, [&](const uint8_t* data, size_t size) { write(device, data, size); });
  if (!ok) ddiLog().log("#### _DumpLandscapeBitmap::Memory failure");
}

void writeWhiteRows(PrinterDevice& device) {
  std::vector<uint8_t> white(static_cast<size_t>(kCombinedWidth) * 3, 0xFF);
  for (int i = 0; i < kWhiteRows; ++i) write(device, white.data(), white.size());
}

void writeHeldPixels(PrinterDevice& device) {
  const FormEntry& held = row(device.cache.row);
  size_t rowBytes = static_cast<size_t>(held.printerWidth) * 3;
  const std::vector<uint8_t>& pixels = device.cache.pixels;
  for (size_t off = 0; off + rowBytes <= pixels.size(); off += rowBytes) write(device, pixels.data() + off, rowBytes);
  device.cache.pixels.clear();
  device.cache.pixels.shrink_to_fit();
}

bool holdPage(PrinterDevice& device, const gdi::SurfObj& s, int rowIndex) {
  size_t size = static_cast<size_t>(s.sizlBitmap.cx) * static_cast<size_t>(s.sizlBitmap.cy) * 3;
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t at = 0;
  bool ok = forEachPrinterRow(s, rowIndex, [&](const uint8_t* data, size_t n) {
    std::memcpy(pixels.data() + at, data, std::min(n, size - at));
    at += std::min(n, size - at);
  });
  if (!ok) return false;
  device.cache.row = rowIndex;
  device.cache.pixels = std::move(pixels);
  return true;
}

// Q7310_OptimizeOutput of the color and image module, bound once.
rgb::OptimizeOutputFn optimizeOutput() {
  static std::once_flag once;
  static std::unique_ptr<os::Library> library;
  static rgb::OptimizeOutputFn function = nullptr;
  std::call_once(once, [] {
    library = os::Library::load("Q7310RGB.dll");
    if (library) function = library->function<rgb::OptimizeOutputFn>("Q7310_OptimizeOutput");
    if (function == nullptr) ddiLog().log("#### Q7310_OptimizeOutput not available");
  });
  return function;
}

void optimize(PrinterDevice& device, gdi::SurfObj& s) {
  const settings::PrivateDevMode& p = device.settings.priv;
  const settings::DevModeW& dm = device.settings.dm;
  int32_t icm = (dm.dmICMMethod == settings::kIcmMethodDevice && p.driverIcm != 1) ? 1 : 0;
  bool skip = p.scaling == 100 && p.sharpen == 0 && p.rotate180 != 0 && p.mirror == 0 && p.gamma == p.scaling &&
              p.brightness == 0 && p.contrast == 0 && p.saturation == 0 && p.cyanRed == 0 &&
              p.magentaGreen == 0 && p.yellowBlue == 0 && p.colorMode == 0 && icm == 0;
  if (skip) return;
  rgb::OptimizeParams params{};
  params.bitmap = {s.pvBits, s.sizlBitmap.cx, s.sizlBitmap.cy, std::abs(s.lDelta)};
  params.settings = {0,          0,          p.sharpen, p.sharpenAmount, p.sharpenRadius, p.sharpenThreshold,
                     p.brightness, p.contrast, p.saturation, p.gamma,    p.cyanRed,       p.magentaGreen,
                     p.yellowBlue};
  params.scaling = p.scaling;
  params.rotate = p.rotate180 == 0 ? 1 : 0;
  params.mirror = p.mirror;
  params.icm = icm;
  params.icmIntent = dm.dmICMIntent <= 2 ? static_cast<int32_t>(dm.dmICMIntent) : 0;
  params.grayscale = p.colorMode;
  if (auto function = optimizeOutput()) function(&params);
}

void swapChannels(gdi::SurfObj& s) {
  for (int32_t y = 0; y < s.sizlBitmap.cy; ++y) {
    uint8_t* px = s.pvScan0 + static_cast<ptrdiff_t>(y) * s.lDelta;
    for (int32_t x = 0; x < s.sizlBitmap.cx; ++x, px += 3) std::swap(px[0], px[2]);
  }
}

bool sizeMatches(int rowIndex, int32_t w, int32_t h) {
  auto pw = static_cast<int32_t>(row(rowIndex).printerWidth);
  auto pl = static_cast<int32_t>(row(rowIndex).printerLength);
  return (w == pw && h == pl) || (w == pl && h == pw);
}

}  // namespace

void writeJobHeader(PrinterDevice& device) {
  jobstream::JobHeader header;
  header.ribbonType = static_cast<uint32_t>(device.settings.priv.RibbonType);
  auto bytes = header.bytes();
  write(device, bytes.data(), bytes.size());
}

int choosePageRow(const PrinterDevice& device, int32_t width, int32_t height) {
  const settings::DevModeW& dm = device.settings.dm;
  if (dm.dmFields & settings::kDmFormName) {
    size_t n = 0;
    while (n < 32 && dm.dmFormName[n] != 0) ++n;
    if (auto found = settings::rowForFormName({dm.dmFormName, n})) return *found;
  }
  if (dm.dmFields & settings::kDmPaperSize) {
    if (auto found = settings::rowForPaperSize(dm.dmPaperSize); found && sizeMatches(*found, width, height)) {
      return *found;
    }
  }
  for (int i = 0; i < settings::kFormCount; ++i) {
    if (sizeMatches(i, width, height)) return i;
  }
  ddiLog().log("FORM INDEX:  FORCE DEFAULT");
  return 1;
}

void flushHeldPage(PrinterDevice& device) {
  ddiLog().log("PRINT CACHE: [%d][%s][%s]", device.cache.row, "FULL", "EMPTY");
  jobstream::PageHeader header = headerFor(device, device.cache.row, 1);
  header.printMethod = jobstream::kPrintMethodNormal;
  writeHeader(device, header);
  writeHeldPixels(device);
  writePageEnd(device);
}

void processPage(PrinterDevice& device, gdi::SurfObj& s) {
  DebugLog& log = ddiLog();
  swapChannels(s);
  optimize(device, s);
  int32_t w = s.sizlBitmap.cx;
  int32_t h = s.sizlBitmap.cy;
  int rowIndex = choosePageRow(device, w, h);
  const settings::DevModeW& dm = device.settings.dm;
  size_t nameLength = 0;
  while (nameLength < 32 && dm.dmFormName[nameLength] != 0) ++nameLength;
  log.log("FORM INDEX:  %d", rowIndex);
  log.log("FORM NAME:   %s [%s]", text::toUtf8({dm.dmFormName, nameLength}).c_str(),
          dm.dmOrientation == 1 ? "Portrait" : "Landscape");
  log.log("IMAGE SIZE:  %d x %d", w, h);
  int32_t ribbon = device.settings.priv.RibbonType;
  log.log("RIBBON TYPE: [%d] %s", ribbon, ribbon == 1 ? "6 x 8" : "4 x 6");

  int32_t copies = dm.dmCopies;
  PrintMode mode = PrintMode::Single;
  bool flushFirst = false;
  if (rowIndex == 1 && ribbon == 1) {
    if (copies >= 2) {
      mode = PrintMode::TwoSideBySide;
      flushFirst = device.cache.held();
    } else {
      mode = device.cache.held() ? PrintMode::PairWithHeld : PrintMode::Hold;
    }
  } else {
    flushFirst = device.cache.held();
  }
  log.log("PRINT MODE:  %d", static_cast<int>(mode));
  log.log("PRINT CACHE: %d", flushFirst ? 1 : 0);
  if (flushFirst) flushHeldPage(device);

  switch (mode) {
    case PrintMode::Single:
      writeHeader(device, headerFor(device, rowIndex, clampCopies(copies)));
      writePagePixels(device, s, rowIndex);
      writePageEnd(device);
      break;
    case PrintMode::TwoSideBySide: {
      int32_t n = clampCopies(copies);
      writeHeader(device, combinedHeader(device, n / 2));
      writePagePixels(device, s, rowIndex);
      writeWhiteRows(device);
      writePagePixels(device, s, rowIndex);
      writePageEnd(device);
      if (n % 2 == 1) {
        writeHeader(device, headerFor(device, rowIndex, 1));
        writePagePixels(device, s, rowIndex);
        writePageEnd(device);
      }
      break;
    }
    case PrintMode::PairWithHeld:
      writeHeader(device, combinedHeader(device, 1));
      writeHeldPixels(device);
      writeWhiteRows(device);
      writePagePixels(device, s, rowIndex);
      writePageEnd(device);
      break;
    case PrintMode::Hold:
      if (!holdPage(device, s, rowIndex)) log.log("CACHE PRINT: OUT OF MEMORY");
      break;
  }
}

}  // namespace q7310::ddi

// The graphics driver's per-device record: one per printing device context,
// from EnablePDEV to DisablePDEV.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/settings/devmode.h"
#include "platform/gdi/types.h"
#include "platform/spooler/printers.h"

namespace q7310::ddi {

inline constexpr uint32_t kDeviceSignature = 0x50524444;  // "DDRP"

// Device flags.
inline constexpr uint32_t kFlagDocumentStarted = 0x4;
inline constexpr uint32_t kFlagReplacedInDocument = 0x100000;
inline constexpr uint32_t kFlagViewerWindow = 0x10000000;

inline constexpr uint16_t kMarkerFormTable = 255;

struct PaperInfo {
  char16_t wideName[32] = {};
  char narrowName[32] = {};
  gdi::RectL imageableArea;  // thousandths of a millimetre
  int32_t formWidth = 0;     // thousandths of a millimetre
  int32_t formHeight = 0;
  uint32_t landscape = 0;
  uint16_t marker = 0;
};

// The page held for pairing with the next 4 x 6 page, already in printer
// orientation.
struct PageCache {
  int32_t row = 0;
  std::vector<uint8_t> pixels;  // empty when no page is held
  bool held() const { return !pixels.empty(); }
};

struct PrinterDevice {
  uint32_t signature = kDeviceSignature;
  settings::PrintSettings settings{};
  std::vector<uint8_t> printerData;
  spooler::PrinterHandle printer = nullptr;
  PaperInfo paper;
  std::unique_ptr<std::u16string> documentName;
  gdi::HDev engineDevice = nullptr;
  gdi::HSurf surface = nullptr;
  gdi::HPalette palette = nullptr;
  uint32_t flags = 0;
  std::unique_ptr<uint8_t[]> colorAdjustBlock;  // 48 bytes; the adjustment from byte 24 on
  PageCache cache;
  uint32_t resampling = 0;
  uint32_t trailingSignature = kDeviceSignature;
};

// The device behind a driver pointer, or nullptr (last error
// kErrorInvalidParameter) when it is missing or does not carry both signatures.
PrinterDevice* checkedDevice(void* pdev);
PrinterDevice* deviceOf(gdi::SurfObj* surface);

// Lengths in thousandths of a millimetre to 300-dpi pixels, in single precision.
int32_t toPixels(int32_t thousandthsOfMm);

}  // namespace q7310::ddi

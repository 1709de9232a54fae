// Creating a device: the working settings record, the paper, the device
// capabilities and information the engine asks for.
#pragma once

#include <cstdint>
#include <span>

#include "Q7310DDI/printer_device.h"

namespace q7310::ddi {

// EnablePDEV: the device, or nullptr when anything fails (nothing kept).
PrinterDevice* enablePdev(std::span<const uint8_t> callerRecord, const char16_t* deviceName,
                          uint32_t patternCount, gdi::HSurf* patterns, uint32_t capsSize, void* gdiInfo,
                          uint32_t devInfoSize, void* devInfo, gdi::HDev hdev, spooler::PrinterHandle printer);

// Paper resolution and the landscape turn, on an existing device.
void resolvePaper(PrinterDevice& device);
void applyLandscape(PrinterDevice& device);

// The capability record the engine receives.
gdi::GdiInfo buildGdiInfo(const PrinterDevice& device);
// The device information; false (logged) when the palette cannot be made.
bool fillDevInfo(PrinterDevice& device, gdi::DevInfo& info);

// Frees everything a device owns, then the device.
void destroyDevice(PrinterDevice* device);

}  // namespace q7310::ddi

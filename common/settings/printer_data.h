// The printer-wide record stored as the printer-data value "PrinterData" with
// its size in "PrinterDataSize". Only its header is interpreted; the rest is
// carried as it is.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace q7310::settings {

inline constexpr uint16_t kPrinterDataVersion = 0x0300;
inline constexpr size_t kPrinterDataSize = 1076;
inline constexpr size_t kPrinterDataStandBySize = 28;

using PrinterData = std::array<uint8_t, kPrinterDataSize>;

// Version 0x0300, size 1076, the three 16-bit values 10000 at 40, 42, 44.
PrinterData freshPrinterData();
// A stored record older than the current version, copied (up to 1076 bytes)
// into a zeroed record with the current version and size.
PrinterData upgradePrinterData(std::span<const uint8_t> stored);
uint16_t printerDataVersion(std::span<const uint8_t> record);

}  // namespace q7310::settings

// Per-printer data the drivers keep in the spooler: named printer-data values
// (binary, 32-bit number or text) and the printer's default settings record
// (the level-2 printer information). Kept in the printer's folder under the
// root; each value is written atomically.
//
// None of these calls blocks beyond file access; none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"
#include "platform/spooler/printers.h"

namespace q7310::spooler {

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct PrinterValue {
  uint32_t type = kRegBinary;
  std::vector<uint8_t> data;
  bool operator==(const PrinterValue&) const = default;
};

// Stores a value. False with kErrorAccessDenied when the handle was not opened
// with PrinterAccess::Administer, kErrorInvalidParameter for an empty name,
// kErrorInvalidHandle or kErrorWriteFault.
Q7310_SPOOLER_API bool setPrinterData(PrinterHandle printer, std::string_view valueName, const PrinterValue& value);
// The stored value; nullopt with kErrorFileNotFound when there is none.
Q7310_SPOOLER_API std::optional<PrinterValue> getPrinterData(PrinterHandle printer, std::string_view valueName);
Q7310_SPOOLER_API bool deletePrinterData(PrinterHandle printer, std::string_view valueName);

// Convenience forms of the two value kinds the drivers use.
Q7310_SPOOLER_API bool setPrinterDataDword(PrinterHandle printer, std::string_view valueName, uint32_t value);
// nullopt when absent or not a 32-bit number.
Q7310_SPOOLER_API std::optional<uint32_t> getPrinterDataDword(PrinterHandle printer, std::string_view valueName);

// Level-2 printer information: names, ports and the default settings record
// (empty when the printer has none yet).
struct PrinterInfo2 {
  std::string printerName;
  std::string portName;
  std::string driverName;
  std::vector<uint8_t> devMode;
};

// nullopt with kErrorInvalidHandle.
Q7310_SPOOLER_API std::optional<PrinterInfo2> getPrinterInfo2(PrinterHandle printer);
// Stores the default settings record (the names stay). False with
// kErrorAccessDenied without administer access, kErrorInvalidHandle,
// kErrorWriteFault.
Q7310_SPOOLER_API bool setPrinterDefaultDevMode(PrinterHandle printer, const std::vector<uint8_t>& devMode);

}  // namespace q7310::spooler

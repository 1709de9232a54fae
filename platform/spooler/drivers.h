// Installed printer drivers (level-2 driver information), kept under the root.
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

inline constexpr const char* kEnvironmentX64 = "Windows x64";
inline constexpr const char* kEnvironmentX86 = "Windows NT x86";

struct DriverInfo2 {
  uint32_t version = 3;
  std::string name;
  std::string environment = kEnvironmentX64;
  std::string driverPath;  // the graphics driver file
  std::string dataFile;
  std::string configFile;  // the settings UI file
  bool operator==(const DriverInfo2&) const = default;
};

// Installs or replaces a driver (by name and environment, ignoring case).
// False with kErrorInvalidParameter for an empty name, kErrorWriteFault.
Q7310_SPOOLER_API bool addPrinterDriver(const DriverInfo2& driver);
// Removes a driver; false with kErrorUnknownPrinterDriver (1797) when absent.
Q7310_SPOOLER_API bool deletePrinterDriver(std::string_view name, std::string_view environment);
Q7310_SPOOLER_API std::vector<DriverInfo2> enumPrinterDrivers(std::string_view environment);
// The driver of the printer behind the handle. nullopt with
// kErrorInvalidHandle, or kErrorUnknownPrinterDriver when it is not installed.
Q7310_SPOOLER_API std::optional<DriverInfo2> getPrinterDriver(PrinterHandle printer,
                                                               std::string_view environment = kEnvironmentX64);

}  // namespace q7310::spooler

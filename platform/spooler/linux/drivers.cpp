// Installed drivers: one file under the spool folder, one driver a line:
//   version<TAB>name<TAB>environment<TAB>driver path<TAB>data file<TAB>config file
#include "platform/spooler/drivers.h"

#include <algorithm>
#include <sstream>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace q7310::spooler {

namespace {

constexpr uint32_t kErrorUnknownPrinterDriver = 1797;

std::string driversFile() { return os::windowsFolder(os::Folder::System) + "\\spool\\drivers.txt"; }

std::vector<DriverInfo2> readAll() {
  std::vector<DriverInfo2> drivers;
  auto text = os::readTextFile(driversFile());
  if (!text) return drivers;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    // Every field counts, empty ones at the end too.
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
      size_t tab = line.find('\t', start);
      parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (parts.size() != 6 || parts[1].empty()) continue;
    DriverInfo2 d;
    d.version = static_cast<uint32_t>(std::strtoul(parts[0].c_str(), nullptr, 10));
    d.name = parts[1];
    d.environment = parts[2];
    d.driverPath = parts[3];
    d.dataFile = parts[4];
    d.configFile = parts[5];
    drivers.push_back(std::move(d));
  }
  return drivers;
}

bool writeAll(const std::vector<DriverInfo2>& drivers) {
  std::string text;
  for (const auto& d : drivers) {
    text += std::to_string(d.version) + "\t" + d.name + "\t" + d.environment + "\t" + d.driverPath + "\t" +
            d.dataFile + "\t" + d.configFile + "\n";
  }
  os::createFolder(os::windowsFolder(os::Folder::System) + "\\spool");
  if (!os::writeFileAtomic(driversFile(), text)) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

bool matches(const DriverInfo2& d, std::string_view name, std::string_view environment) {
  return os::equalsIgnoreCase(d.name, name) && os::equalsIgnoreCase(d.environment, environment);
}

bool clean(std::string_view field) {
  return std::none_of(field.begin(), field.end(), [](char ch) { return ch == '\t' || ch == '\n' || ch == '\r'; });
}

}  // namespace

bool addPrinterDriver(const DriverInfo2& driver) {
  if (driver.name.empty() || !clean(driver.name) || !clean(driver.environment) || !clean(driver.driverPath) ||
      !clean(driver.dataFile) || !clean(driver.configFile)) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  auto drivers = readAll();
  std::erase_if(drivers, [&](const DriverInfo2& d) { return matches(d, driver.name, driver.environment); });
  drivers.push_back(driver);
  return writeAll(drivers);
}

bool deletePrinterDriver(std::string_view name, std::string_view environment) {
  auto drivers = readAll();
  if (std::erase_if(drivers, [&](const DriverInfo2& d) { return matches(d, name, environment); }) == 0) {
    os::setLastError(kErrorUnknownPrinterDriver);
    return false;
  }
  return writeAll(drivers);
}

std::vector<DriverInfo2> enumPrinterDrivers(std::string_view environment) {
  auto drivers = readAll();
  std::erase_if(drivers, [&](const DriverInfo2& d) { return !os::equalsIgnoreCase(d.environment, environment); });
  return drivers;
}

std::optional<DriverInfo2> getPrinterDriver(PrinterHandle printer, std::string_view environment) {
  auto name = printerNameOf(printer);
  if (!name) return std::nullopt;
  auto info = findPrinter(*name);
  if (info) {
    for (const auto& d : readAll()) {
      if (matches(d, info->driver, environment)) return d;
    }
  }
  os::setLastError(kErrorUnknownPrinterDriver);
  return std::nullopt;
}

}  // namespace q7310::spooler

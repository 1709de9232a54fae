// Printer-data values live in the printer's folder, one file each:
//   <printer folder>\data\<encoded value name>  = u32 type, then the bytes
// and the default settings record in <printer folder>\devmode.bin.
#include "platform/spooler/printer_values.h"

#include <cctype>
#include <cstdio>

#include "common/le.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/spooler/linux/state.h"

namespace q7310::spooler {

namespace {

std::string encode(std::string_view name) {
  std::string out;
  for (unsigned char ch : detail::lowerAscii(name)) {
    if (std::isalnum(ch) || ch == '_' || ch == '-' || ch == '.') {
      out += static_cast<char>(ch);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", ch);
      out += buf;
    }
  }
  return out;
}

std::optional<std::string> folderOf(PrinterHandle printer) {
  auto name = printerNameOf(printer);
  if (!name) return std::nullopt;
  return detail::printerFolder(*name);
}

bool mayAdminister(PrinterHandle printer) {
  if (detail::handleAccess(printer) & kPrinterAccessAdminister) return true;
  os::setLastError(os::kErrorAccessDenied);
  return false;
}

}  // namespace

bool setPrinterData(PrinterHandle printer, std::string_view valueName, const PrinterValue& value) {
  auto folder = folderOf(printer);
  if (!folder) return false;
  if (valueName.empty()) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  if (!mayAdminister(printer)) return false;
  std::vector<uint8_t> bytes(4);
  le::putU32(bytes, 0, value.type);
  bytes.insert(bytes.end(), value.data.begin(), value.data.end());
  if (!os::createFolder(*folder + "\\data") || !os::writeFileAtomic(*folder + "\\data\\" + encode(valueName), bytes)) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

std::optional<PrinterValue> getPrinterData(PrinterHandle printer, std::string_view valueName) {
  auto folder = folderOf(printer);
  if (!folder) return std::nullopt;
  auto bytes = os::readFile(*folder + "\\data\\" + encode(valueName));
  if (!bytes || bytes->size() < 4) {
    os::setLastError(os::kErrorFileNotFound);
    return std::nullopt;
  }
  PrinterValue value;
  value.type = le::u32(*bytes, 0);
  value.data.assign(bytes->begin() + 4, bytes->end());
  return value;
}

bool deletePrinterData(PrinterHandle printer, std::string_view valueName) {
  auto folder = folderOf(printer);
  if (!folder) return false;
  if (!mayAdminister(printer)) return false;
  return os::deleteFile(*folder + "\\data\\" + encode(valueName));
}

bool setPrinterDataDword(PrinterHandle printer, std::string_view valueName, uint32_t value) {
  PrinterValue v{kRegDword, std::vector<uint8_t>(4)};
  le::putU32(v.data, 0, value);
  return setPrinterData(printer, valueName, v);
}

std::optional<uint32_t> getPrinterDataDword(PrinterHandle printer, std::string_view valueName) {
  auto value = getPrinterData(printer, valueName);
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  return le::u32(value->data, 0);
}

std::optional<PrinterInfo2> getPrinterInfo2(PrinterHandle printer) {
  auto name = printerNameOf(printer);
  if (!name) return std::nullopt;
  auto info = findPrinter(*name);
  if (!info) {
    os::setLastError(os::kErrorInvalidHandle);
    return std::nullopt;
  }
  PrinterInfo2 out{info->name, info->port, info->driver, {}};
  if (auto bytes = os::readFile(detail::printerFolder(*name) + "\\devmode.bin")) out.devMode = std::move(*bytes);
  return out;
}

bool setPrinterDefaultDevMode(PrinterHandle printer, const std::vector<uint8_t>& devMode) {
  auto folder = folderOf(printer);
  if (!folder) return false;
  if (!mayAdminister(printer)) return false;
  if (!os::createFolder(*folder) || !os::writeFileAtomic(*folder + "\\devmode.bin", devMode)) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

}  // namespace q7310::spooler

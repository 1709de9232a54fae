// Printers are kept one folder each below the spool folder of the root, so
// that later per-printer data can sit beside the printer's own file:
//   C:\Windows\System32\spool\printers\<encoded name>\printer.txt
// The file holds "Name=", "Port=" and "Driver=" lines.
#include "platform/spooler/printers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "platform/spooler/linux/state.h"
#include "platform/spooler/print_jobs.h"

namespace q7310::spooler {

struct PrinterHandleRecord {
  std::string name;
  uint32_t access = kPrinterAccessUse;
};

namespace {

std::string printersFolder() { return os::windowsFolder(os::Folder::System) + "\\spool\\printers"; }

// One folder name per printer, the same for every letter case of the name.
std::string folderFor(std::string_view name) {
  std::string out;
  for (unsigned char ch : detail::lowerAscii(name)) {
    if (std::isalnum(ch) || ch == '_' || ch == '-' || ch == '.' || ch == ' ') {
      out += static_cast<char>(ch);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", ch);
      out += buf;
    }
  }
  return printersFolder() + "\\" + out;
}

std::string printerFile(std::string_view name) { return folderFor(name) + "\\printer.txt"; }

bool validName(std::string_view name) {
  if (name.empty()) return false;
  return std::none_of(name.begin(), name.end(), [](char ch) {
    return static_cast<unsigned char>(ch) < 0x20 || ch == ',' || ch == '\\';
  });
}

std::optional<PrinterInfo> readPrinterFile(const std::string& path) {
  auto text = os::readTextFile(path);
  if (!text) return std::nullopt;
  PrinterInfo info;
  size_t pos = 0;
  while (pos < text->size()) {
    size_t end = text->find('\n', pos);
    if (end == std::string::npos) end = text->size();
    std::string_view line(text->data() + pos, end - pos);
    pos = end + 1;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    std::string value(line.substr(eq + 1));
    if (key == "Name") info.name = value;
    if (key == "Port") info.port = value;
    if (key == "Driver") info.driver = value;
  }
  if (info.name.empty()) return std::nullopt;
  return info;
}

bool writePrinterFile(const PrinterInfo& info) {
  std::string folder = folderFor(info.name);
  if (!os::createFolder(folder)) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  std::string text = "Name=" + info.name + "\nPort=" + info.port + "\nDriver=" + info.driver + "\n";
  if (!os::writeFileAtomic(folder + "\\printer.txt", std::string_view(text))) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

// Port and driver texts end at a line feed in the file; keep them on one line.
bool validValue(std::string_view value) {
  return value.find('\n') == std::string_view::npos && value.find('\r') == std::string_view::npos;
}

std::set<PrinterHandleRecord*>& openHandles() {
  static std::set<PrinterHandleRecord*> handles;
  return handles;
}

}  // namespace

bool addPrinter(const PrinterInfo& printer) {
  if (!validName(printer.name) || !validValue(printer.port) || !validValue(printer.driver)) {
    os::setLastError(os::kErrorInvalidPrinterName);
    return false;
  }
  std::lock_guard lock(detail::stateMutex());
  if (os::fileExists(printerFile(printer.name))) {
    os::setLastError(os::kErrorPrinterAlreadyExists);
    return false;
  }
  return writePrinterFile(printer);
}

bool setPrinter(const PrinterInfo& printer) {
  if (!validValue(printer.port) || !validValue(printer.driver)) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  std::lock_guard lock(detail::stateMutex());
  auto existing = readPrinterFile(printerFile(printer.name));
  if (!existing) {
    os::setLastError(os::kErrorInvalidPrinterName);
    return false;
  }
  existing->port = printer.port;
  existing->driver = printer.driver;
  return writePrinterFile(*existing);
}

bool deletePrinter(std::string_view name) {
  std::lock_guard lock(detail::stateMutex());
  if (!validName(name) || !os::fileExists(printerFile(name))) {
    os::setLastError(os::kErrorInvalidPrinterName);
    return false;
  }
  return os::removeFolder(folderFor(name));
}

std::optional<PrinterInfo> findPrinter(std::string_view name) {
  std::optional<PrinterInfo> found;
  if (validName(name)) found = readPrinterFile(printerFile(name));
  if (!found) os::setLastError(os::kErrorInvalidPrinterName);
  return found;
}

std::vector<PrinterInfo> enumPrinters() {
  std::vector<PrinterInfo> printers;
  for (const std::string& entry : os::listFolder(printersFolder())) {
    if (auto info = readPrinterFile(printersFolder() + "\\" + entry + "\\printer.txt")) printers.push_back(*info);
  }
  std::sort(printers.begin(), printers.end(), [](const PrinterInfo& a, const PrinterInfo& b) {
    return detail::lowerAscii(a.name) < detail::lowerAscii(b.name);
  });
  return printers;
}

PrinterHandle openPrinter(std::string_view name) { return openPrinter(name, kPrinterAccessUse); }

PrinterHandle openPrinter(std::string_view name, uint32_t access) {
  auto info = findPrinter(name);
  if (!info) return nullptr;
  auto record = std::make_unique<PrinterHandleRecord>(PrinterHandleRecord{info->name, access});
  std::lock_guard lock(detail::stateMutex());
  openHandles().insert(record.get());
  return record.release();
}

bool closePrinter(PrinterHandle handle) {
  // A document still open on the handle is abandoned, so no later handle
  // at the same address inherits it. Done before the state lock: the
  // document code takes its own lock first.
  if (openDocumentJob(handle) != 0) abortPrinter(handle);
  std::lock_guard lock(detail::stateMutex());
  if (openHandles().erase(handle) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  delete handle;
  return true;
}

std::optional<std::string> printerNameOf(PrinterHandle handle) {
  std::lock_guard lock(detail::stateMutex());
  if (openHandles().count(handle) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return std::nullopt;
  }
  return handle->name;
}

namespace detail {

std::string printerFolder(std::string_view name) { return folderFor(name); }

uint32_t handleAccess(PrinterHandle handle) {
  std::lock_guard lock(stateMutex());
  return openHandles().count(handle) != 0 ? handle->access : 0;
}

}  // namespace detail

size_t openPrinterHandleCount() {
  std::lock_guard lock(detail::stateMutex());
  return openHandles().size();
}

}  // namespace q7310::spooler

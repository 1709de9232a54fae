// The spooler's printers: a small store of printers (name, port, driver name)
// kept under the root, and printer handles.
//
// Names compare without regard to letter case. The store is read from and
// written to the root on every call (so every process and every test root sees
// its own printers); each change rewrites one file atomically. Two processes
// that add or delete the same printer at the same moment are not serialized.
// None of these calls blocks beyond file access; none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"

namespace q7310::spooler {

struct PrinterInfo {
  std::string name;    // UTF-8
  std::string port;    // the port the printer prints to, e.g. "Q7310_001:"
  std::string driver;  // the driver's name
  bool operator==(const PrinterInfo&) const = default;
};

// Adds a printer. False with kErrorInvalidPrinterName for an empty name or one
// holding a control character, ',' or '\', and kErrorPrinterAlreadyExists when
// a printer of that name exists; kErrorWriteFault if the store cannot be written.
Q7310_SPOOLER_API bool addPrinter(const PrinterInfo& printer);
// Changes the port and driver of an existing printer (found by name; the
// stored name keeps its letter case). False with kErrorInvalidPrinterName if absent.
Q7310_SPOOLER_API bool setPrinter(const PrinterInfo& printer);
// Removes a printer; false with kErrorInvalidPrinterName if absent.
Q7310_SPOOLER_API bool deletePrinter(std::string_view name);
// The printer of that name, or nullopt (last error kErrorInvalidPrinterName).
Q7310_SPOOLER_API std::optional<PrinterInfo> findPrinter(std::string_view name);
// Every printer, sorted by name.
Q7310_SPOOLER_API std::vector<PrinterInfo> enumPrinters();

// An open printer. Handles are valid in the process that opened them until
// closePrinter; a closed or made-up handle is rejected with kErrorInvalidHandle.
struct PrinterHandleRecord;
using PrinterHandle = PrinterHandleRecord*;

// Access rights of a printer handle. Use lets a caller print and read;
// Administer also lets it change the printer's settings and data values.
inline constexpr uint32_t kPrinterAccessAdminister = 0x00000004;
inline constexpr uint32_t kPrinterAccessUse = 0x00000008;
inline constexpr uint32_t kPrinterAllAccess = 0x000F000C;

// Opens a printer by name (default access: use). nullptr with
// kErrorInvalidPrinterName when no such printer exists.
Q7310_SPOOLER_API PrinterHandle openPrinter(std::string_view name);
// Opens a printer with the given access rights.
Q7310_SPOOLER_API PrinterHandle openPrinter(std::string_view name, uint32_t access);
// False with kErrorInvalidHandle for a handle that is not open.
Q7310_SPOOLER_API bool closePrinter(PrinterHandle handle);
// The printer name a handle was opened with (as stored), or nullopt with
// kErrorInvalidHandle.
Q7310_SPOOLER_API std::optional<std::string> printerNameOf(PrinterHandle handle);
// How many printer handles are open in this process (to find leaks).
Q7310_SPOOLER_API size_t openPrinterHandleCount();

// Closes the handle when it goes out of scope.
class ScopedPrinter {
 public:
  explicit ScopedPrinter(std::string_view name) : handle_(openPrinter(name)) {}
  ScopedPrinter(std::string_view name, uint32_t access) : handle_(openPrinter(name, access)) {}
  ~ScopedPrinter() {
    if (handle_ != nullptr) closePrinter(handle_);
  }
  ScopedPrinter(const ScopedPrinter&) = delete;
  ScopedPrinter& operator=(const ScopedPrinter&) = delete;
  PrinterHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  PrinterHandle handle_;
};

}  // namespace q7310::spooler

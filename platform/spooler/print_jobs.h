// Printing a document into the spooler: a document started on a printer
// handle becomes a job whose bytes are spooled to a file under the root's
// spool folder; ending the document marks the job complete and queued for the
// printer's port. The spool data can be read back by job identifier.
//
// One document at a time per printer handle. Calls block only on file access;
// none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"
#include "platform/spooler/printers.h"

namespace q7310::spooler {

// Starts a document: adds a job for the handle's printer and creates its
// empty spool file. The job identifier, or 0 with kErrorInvalidHandle (handle
// not open), kErrorInvalidPrinterState (a document is already open on this
// handle) or kErrorWriteFault (the spool file cannot be created).
Q7310_SPOOLER_API uint32_t startDocPrinter(PrinterHandle printer, std::string_view documentName);
// Appends bytes to the open document's spool data (nothing for an empty span).
// False with kErrorInvalidHandle, kErrorInvalidPrinterState (no document is
// open on the handle) or kErrorWriteFault (nothing of the bytes is kept then
// beyond what the file system took).
Q7310_SPOOLER_API bool writePrinter(PrinterHandle printer, std::span<const uint8_t> bytes);
// Ends the open document: the spool file is closed and the job is complete
// and queued. False with kErrorInvalidHandle or kErrorInvalidPrinterState.
Q7310_SPOOLER_API bool endDocPrinter(PrinterHandle printer);
// Abandons the open document: its spool data is removed and the job deleted.
// False with kErrorInvalidHandle or kErrorInvalidPrinterState.
Q7310_SPOOLER_API bool abortPrinter(PrinterHandle printer);
// The job of the document open on the handle, 0 when none is open.
Q7310_SPOOLER_API uint32_t openDocumentJob(PrinterHandle printer);

struct SpooledJob {
  uint32_t jobId = 0;
  std::string printer;
  std::string document;
  bool complete = false;  // the document ended: the job is queued for the port
  uint64_t size = 0;      // bytes of spool data so far
  bool operator==(const SpooledJob&) const = default;
};

// The spooled job of that identifier in this root, or nullopt (no spool data).
Q7310_SPOOLER_API std::optional<SpooledJob> spooledJob(uint32_t jobId);
// The job's spool data as written so far; nullopt with kErrorInvalidParameter
// when the job has none.
Q7310_SPOOLER_API std::optional<std::vector<uint8_t>> spoolData(uint32_t jobId);
// The complete jobs the spooler still keeps for the printer, oldest first.
Q7310_SPOOLER_API std::vector<SpooledJob> queuedJobs(std::string_view printerName);
// The Windows path of a job's spool file ("...\spool\PRINTERS\00007.SPL").
Q7310_SPOOLER_API std::string spoolFilePath(uint32_t jobId);

}  // namespace q7310::spooler

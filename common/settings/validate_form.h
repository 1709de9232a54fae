// Resolving a record's form against the spooler's form database, registering
// the four print sizes there first.
#pragma once

#include <optional>

#include "common/settings/devmode.h"
#include "common/settings/printer_data.h"
#include "platform/spooler/forms.h"
#include "platform/spooler/printers.h"

namespace q7310 {
class DebugLog;
}

namespace q7310::settings {

inline constexpr int kFormResolved = 0;
inline constexpr int kFormUnresolved = 2;

struct ResolvedForm {
  spooler::FormInfo1 info;
  char16_t name[32] = {};  // the form's name in the caller's own buffer
  int row = -1;
};

// Registers the missing print sizes as printer forms, then resolves the
// record's form to a row (by paper dimensions, paper size code or form name),
// retrying once with the printer's default record. Answers kFormResolved with
// the record's form fields set and out filled, or kFormUnresolved with the
// record unchanged. log is the calling module's; the settings UI indents its
// "FORM_ADD" lines.
int ValidateDevModeForm(spooler::PrinterHandle printer, PrintSettings& record, ResolvedForm* out,
                        SettingsModule module, DebugLog* log);

// The printer-wide record through the printer-data values: "PrinterDataSize"
// first (missing or zero: absent), then "PrinterData".
std::optional<PrinterData> readPrinterData(spooler::PrinterHandle printer);
// Any stored bytes (for the upgrade of older records), or nullopt when absent.
std::optional<std::vector<uint8_t>> readStoredPrinterData(spooler::PrinterHandle printer);
bool writePrinterData(spooler::PrinterHandle printer, const PrinterData& record);

}  // namespace q7310::settings

#include "common/settings/validate_form.h"

#include <algorithm>
#include <cstring>

#include "common/debug_log.h"
#include "common/settings/form_table.h"
#include "common/wide_text.h"
#include "platform/spooler/printer_values.h"

namespace q7310::settings {

namespace {

std::u16string_view wideField(const char16_t (&field)[32]) {
  size_t n = 0;
  while (n < 32 && field[n] != 0) ++n;
  return {field, n};
}

void setWide(char16_t (&field)[32], std::u16string_view value) {
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(value.begin(), std::min<size_t>(value.size(), 31), field);
}

const spooler::FormInfo1* findForm(const std::vector<spooler::FormInfo1>& forms, std::u16string_view name) {
  for (const auto& form : forms) {
    if (wideEqualsIgnoreCase(form.name, name)) return &form;
  }
  return nullptr;
}

std::optional<int> resolveRow(const DevModeW& dm) {
  if ((dm.dmFields & kDmPaperLength) && (dm.dmFields & kDmPaperWidth) &&
      (dm.dmPaperSize == 0 || dm.dmPaperSize >= 256) && dm.dmPaperWidth > 0 && dm.dmPaperLength > 0) {
    return rowForPaperDimensions(dm.dmPaperWidth, dm.dmPaperLength);
  }
  if ((dm.dmFields & kDmPaperSize) && dm.dmPaperWidth > 0 && dm.dmPaperLength > 0) {
    return rowForPaperSize(dm.dmPaperSize);
  }
  if (dm.dmFields & kDmFormName) return rowForFormName(wideField(dm.dmFormName));
  return std::nullopt;
}

// Registers the rows missing from the database; false when there is no list.
bool registerForms(spooler::PrinterHandle printer, std::vector<spooler::FormInfo1>& forms, SettingsModule module,
                   DebugLog* log) {
  auto listed = spooler::enumForms(printer);
  if (!listed || listed->empty()) return false;
  bool added = false;
  for (const FormEntry& row : formTable(module)) {
    std::u16string_view name = formName(row);
    if (findForm(*listed, name) != nullptr) continue;
    if (log) {
      log->log(module == SettingsModule::SettingsUi ? "        FORM_ADD (%s)" : "FORM_ADD (%s)",
               text::toUtf8(name).c_str());
    }
    spooler::FormInfo1 form{spooler::kFormPrinter, std::u16string(name), row.formWidth, row.formHeight, 0, 0,
                            row.formWidth, row.formHeight};
    spooler::addForm(printer, form);
    added = true;
  }
  if (added) {
    listed = spooler::enumForms(printer);
    if (!listed || listed->empty()) return false;
  }
  forms = std::move(*listed);
  return true;
}

}  // namespace

int ValidateDevModeForm(spooler::PrinterHandle printer, PrintSettings& record, ResolvedForm* out,
                        SettingsModule module, DebugLog* log) {
  std::vector<spooler::FormInfo1> forms;
  if (!registerForms(printer, forms, module, log)) return kFormUnresolved;
  const FormTable& table = formTable(module);
  PrintSettings original = record;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::optional<int> row = resolveRow(record.dm);
    const spooler::FormInfo1* form = nullptr;
    if (row) {
      form = findForm(forms, formName(table[*row]));
      if (form == nullptr && log) log->log("ValidateDevModeForm -> Tornik form not found in database!");
    }
    if (row && form != nullptr) {
      DevModeW& dm = record.dm;
      dm.dmPaperSize = static_cast<int16_t>(kFirstPaperSize + *row);
      dm.dmPaperWidth = static_cast<int16_t>(table[*row].paperWidth);
      dm.dmPaperLength = static_cast<int16_t>(table[*row].paperLength);
      dm.dmFields &= ~(kDmPaperSize | kDmPaperLength | kDmPaperWidth);
      dm.dmFields |= kDmFormName;
      setWide(dm.dmFormName, formName(table[*row]));
      if (out != nullptr) {
        out->info = *form;
        out->row = *row;
        setWide(out->name, formName(table[*row]));
      }
      return kFormResolved;
    }
    if (attempt == 1) break;
    // Once more with the printer's own default form.
    auto info = spooler::getPrinterInfo2(printer);
    if (!info || info->devMode.empty()) break;
    PrintSettings fallback = defaultSettings(u"", module);
    if (copyDevMode(info->devMode, bytesOf(fallback)) < 0) break;
    constexpr uint32_t kFormBits = kDmPaperSize | kDmPaperLength | kDmPaperWidth | kDmFormName;
    record.dm.dmPaperSize = fallback.dm.dmPaperSize;
    record.dm.dmPaperWidth = fallback.dm.dmPaperWidth;
    record.dm.dmPaperLength = fallback.dm.dmPaperLength;
    std::copy(std::begin(fallback.dm.dmFormName), std::end(fallback.dm.dmFormName), record.dm.dmFormName);
    record.dm.dmFields = (record.dm.dmFields & ~kFormBits) | (fallback.dm.dmFields & kFormBits);
  }
  record = original;
  return kFormUnresolved;
}

std::optional<std::vector<uint8_t>> readStoredPrinterData(spooler::PrinterHandle printer) {
  auto size = spooler::getPrinterDataDword(printer, "PrinterDataSize");
  if (!size || *size == 0) return std::nullopt;
  auto value = spooler::getPrinterData(printer, "PrinterData");
  if (!value) return std::nullopt;
  // Never more than the size value promises.
  if (value->data.size() > *size) value->data.resize(*size);
  return value->data;
}

std::optional<PrinterData> readPrinterData(spooler::PrinterHandle printer) {
  auto stored = readStoredPrinterData(printer);
  if (!stored) return std::nullopt;
  PrinterData record{};
  std::copy_n(stored->begin(), std::min(stored->size(), record.size()), record.begin());
  return record;
}

bool writePrinterData(spooler::PrinterHandle printer, const PrinterData& record) {
  if (!spooler::setPrinterDataDword(printer, "PrinterDataSize", static_cast<uint32_t>(kPrinterDataSize))) {
    return false;
  }
  return spooler::setPrinterData(printer, "PrinterData",
                                 {spooler::kRegBinary, std::vector<uint8_t>(record.begin(), record.end())});
}

}  // namespace q7310::settings

#include "common/settings/validate.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/debug_log.h"
#include "common/settings/form_table.h"

namespace q7310::settings {

namespace {

void setWide(char16_t (&field)[32], std::u16string_view value) {
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(value.begin(), std::min<size_t>(value.size(), 31), field);
}

std::u16string_view wideField(const char16_t (&field)[32]) {
  size_t n = 0;
  while (n < 32 && field[n] != 0) ++n;
  return {field, n};
}

// Rules 3 to 5: which form the scratch record names, written into dst.
void mergeForm(const DevModeW& s, DevModeW& d) {
  const FormTable& table = formTable(SettingsModule::SettingsUi);
  if ((s.dmFields & kDmPaperLength) && (s.dmFields & kDmPaperWidth) && (s.dmPaperSize == 0 || s.dmPaperSize >= 256) &&
      s.dmPaperWidth > 0 && s.dmPaperLength > 0) {
    if (auto row = rowForPaperDimensions(s.dmPaperWidth, s.dmPaperLength)) {
      d.dmPaperSize = static_cast<int16_t>(kFirstPaperSize + *row);
      d.dmPaperLength = static_cast<int16_t>(table[*row].paperLength);
      d.dmPaperWidth = static_cast<int16_t>(table[*row].paperWidth);
      setWide(d.dmFormName, u"");
      d.dmFields &= ~kDmFormName;
      d.dmFields |= kDmPaperSize | kDmPaperLength | kDmPaperWidth;
      return;
    }
  }
  if ((s.dmFields & kDmPaperSize) && rowForPaperSize(s.dmPaperSize)) {
    int row = *rowForPaperSize(s.dmPaperSize);
    d.dmPaperSize = s.dmPaperSize;
    d.dmPaperLength = static_cast<int16_t>(table[row].paperLength);
    d.dmPaperWidth = static_cast<int16_t>(table[row].paperWidth);
    setWide(d.dmFormName, formName(table[row]));
    d.dmFields &= ~(kDmPaperLength | kDmPaperWidth);
    d.dmFields |= kDmPaperSize | kDmFormName;
    return;
  }
  if (s.dmFields & kDmFormName) {
    if (auto row = rowForFormName(wideField(s.dmFormName))) {
      d.dmPaperSize = static_cast<int16_t>(kFirstPaperSize + *row);
      std::copy(std::begin(s.dmFormName), std::end(s.dmFormName), d.dmFormName);
      d.dmFormName[31] = 0;
      d.dmFields &= ~(kDmPaperLength | kDmPaperWidth);
      d.dmFields |= kDmPaperSize | kDmFormName;
    }
  }
}

void reconcileIcm(PrintSettings& d) {
  uint32_t& method = d.dm.dmICMMethod;
  int32_t& driverIcm = d.priv.driverIcm;
  if (method == kIcmMethodNone || (method == kIcmMethodDevice && driverIcm == 1)) {
    method = kIcmMethodDevice;
    driverIcm = 1;
  } else if (method != kIcmMethodSystem || driverIcm == 4) {
    method = kIcmMethodDevice;
    driverIcm = 4;
  } else {
    driverIcm = 1;
  }
}

}  // namespace

bool ValidateSetDevMode(PrintSettings& dst, std::span<const uint8_t> src, DebugLog* log) {
  if (log) log->log(">>>> ValidateSetDevMode");
  if (src.empty()) {
    if (log) log->log("<<<< ValidateSetDevMode -> ( pdmSrc == NULL ) [TRUE]");
    return true;
  }
  PrintSettings scratch = dst;
  if (copyDevMode(src, bytesOf(scratch)) < 0) {
    if (log) log->log("<<<< ValidateSetDevMode [FALSE]");
    return false;
  }
  const DevModeW& s = scratch.dm;
  DevModeW& d = dst.dm;
  auto take = [&](uint32_t bit) {
    if (!(s.dmFields & bit)) return false;
    d.dmFields |= bit;
    return true;
  };
  if (take(kDmDefaultSource)) d.dmDefaultSource = s.dmDefaultSource;
  if (take(kDmOrientation)) d.dmOrientation = (s.dmOrientation == 1 || s.dmOrientation == 2) ? s.dmOrientation : 1;
  mergeForm(s, d);
  if (take(kDmScale)) d.dmScale = (s.dmScale >= 1 && s.dmScale <= 1000) ? s.dmScale : 100;
  if (take(kDmCopies)) d.dmCopies = (s.dmCopies >= 1 && s.dmCopies <= 9999) ? s.dmCopies : 1;
  if (take(kDmPrintQuality)) d.dmPrintQuality = 300;
  if (take(kDmColor)) d.dmColor = s.dmColor;
  if (take(kDmDuplex)) d.dmDuplex = 1;
  if (take(kDmCollate)) d.dmCollate = 0;
  if (take(kDmTTOption)) d.dmTTOption = s.dmTTOption;
  if (take(kDmBitsPerPel)) d.dmBitsPerPel = s.dmBitsPerPel;
  if (take(kDmLogPixels)) d.dmLogPixels = s.dmLogPixels;
  if (take(kDmICMMethod)) d.dmICMMethod = s.dmICMMethod;
  if (take(kDmICMIntent)) d.dmICMIntent = s.dmICMIntent;
  if (take(kDmMediaType)) d.dmMediaType = s.dmMediaType;
  if (take(kDmDitherType)) d.dmDitherType = s.dmDitherType;

  if (scratch.priv.signature == kPrivSignature) dst.priv = scratch.priv;
  if (dst.priv.printMode > 1) dst.priv.printMode = 1;
  if (dst.priv.printFinish > 2) dst.priv.printFinish = 2;
  reconcileIcm(dst);
  if (log) log->log("<<<< ValidateSetDevMode [TRUE]");
  return true;
}

PrintSettings buildWorkingRecord(std::u16string_view name, SettingsModule module,
                                 std::span<const uint8_t> printerDefault, std::span<const uint8_t> callerRecord,
                                 DebugLog* log) {
  PrintSettings record = defaultSettings(name, module);
  ValidateSetDevMode(record, printerDefault, log);
  ValidateSetDevMode(record, callerRecord, log);
  return record;
}

}  // namespace q7310::settings

#include "Q7310UI/convert_dev_mode.h"

#include <cstring>
#include <span>

#include "common/le.h"
#include "common/settings/devmode.h"
#include "common/wide_text.h"
#include "platform/os/errors.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/printers.h"

namespace q7310::ui {

namespace {

constexpr int32_t kConvert351Size = 192;
constexpr int32_t kDriverDefaultSize = static_cast<int32_t>(settings::kRecordSize);

std::span<const uint8_t> recordOf(const uint8_t* record) {
  if (record == nullptr) return {};
  // The header says how long the record is; a caller's record is trusted to
  // be as long as it says, as the platform's callers guarantee.
  size_t length = settings::claimedLength({record, 72});
  return {record, length};
}

bool fail(uint32_t error) {
  os::setLastError(error);
  return false;
}

}  // namespace

bool convertDevMode(const char16_t* printerName, const uint8_t* in, uint8_t* out, int32_t* size, uint32_t mode) {
  if (size == nullptr) return fail(os::kErrorInvalidParameter);
  switch (mode) {
    case kCdmConvert: {
      if (out == nullptr || in == nullptr) return fail(os::kErrorInvalidParameter);
      size_t outLength = settings::claimedLength({out, 72});
      if (*size < 0 || static_cast<size_t>(*size) < outLength) return fail(os::kErrorInvalidParameter);
      if (settings::copyDevMode(recordOf(in), {out, outLength}) < 0) return fail(os::kErrorInvalidParameter);
      *size = static_cast<int32_t>(outLength);
      return true;
    }
    case kCdmConvert351: {
      if (out == nullptr || *size < kConvert351Size) {
        *size = kConvert351Size;
        return fail(os::kErrorInsufficientBuffer);
      }
      std::span<uint8_t> dst(out, kConvert351Size);
      le::putU16(dst, 68, 188);
      le::putU16(dst, 64, 0x0320);
      le::putU16(dst, 66, 0x0350);
      le::putU16(dst, 70, 4);
      if (in == nullptr || settings::copyDevMode(recordOf(in), dst) < 0) return fail(os::kErrorInvalidParameter);
      *size = kConvert351Size;
      return true;
    }
    case kCdmDriverDefault: {
      if (out == nullptr || *size < kDriverDefaultSize) {
        *size = kDriverDefaultSize;
        return fail(os::kErrorInsufficientBuffer);
      }
      *size = kDriverDefaultSize;
      if (printerName == nullptr) return fail(os::kErrorInvalidPrinterName);
      spooler::ScopedPrinter printer(text::toUtf8(printerName));
      if (!printer) return false;
      auto driver = spooler::getPrinterDriver(printer.get());
      if (!driver) return false;
      settings::PrintSettings record;
      settings::createDefaults(record, text::toUtf16(driver->name), settings::SettingsModule::SettingsUi);
      std::memcpy(out, &record, sizeof record);
      return true;
    }
    default: return false;
  }
}

}  // namespace q7310::ui

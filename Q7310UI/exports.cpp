// The settings UI's entry points the spooler and the applications call.
#include <cstdint>
#include <string_view>

#include "Q7310UI/convert_dev_mode.h"
#include "Q7310UI/device_capabilities.h"
#include "common/wide_text.h"
#include "platform/os/export_table.h"

namespace {

std::u16string_view nameOf(const char16_t* name) {
  return name == nullptr ? std::u16string_view{} : std::u16string_view(name, q7310::text::wideLength(name));
}

}  // namespace

Q7310_EXPORT uint32_t DrvDeviceCapabilities(void* /*printer*/, const char16_t* deviceName, uint16_t capability,
                                            void* output, const void* /*devMode*/) {
  try {
    return q7310::ui::deviceCapabilities(nameOf(deviceName), capability, output);
  } catch (...) {
    return q7310::ui::kCapabilityFailed;
  }
}

Q7310_EXPORT uint32_t DrvSplDeviceCaps(void* /*printer*/, const char16_t* deviceName, uint16_t capability,
                                       void* output, uint32_t chars, const void* /*devMode*/) {
  try {
    return q7310::ui::splDeviceCaps(nameOf(deviceName), capability, output, chars);
  } catch (...) {
    return q7310::ui::kCapabilityFailed;
  }
}

// Every job may print on this printer.
Q7310_EXPORT int32_t DevQueryPrintEx(void* /*info*/) { return 1; }

Q7310_EXPORT int32_t DrvConvertDevMode(const char16_t* printerName, const uint8_t* in, uint8_t* out, int32_t* size,
                                       uint32_t mode) {
  try {
    return q7310::ui::convertDevMode(printerName, in, out, size, mode) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

#include "Q7310UI/device_capabilities.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "Q7310UI/ui_log.h"
#include "common/le.h"
#include "common/settings/devmode.h"
#include "common/settings/form_table.h"
#include "common/wide_text.h"

namespace q7310::ui {

namespace {

using settings::formTable;
using settings::SettingsModule;

constexpr const char* kCapabilityNames[] = {
    "DC_FIELDS",       "DC_PAPERS",       "DC_PAPERSIZE",     "DC_MINEXTENT",       "DC_MAXEXTENT",
    "DC_BINS",         "DC_DUPLEX",       "DC_SIZE",          "DC_EXTRA",           "DC_VERSION",
    "DC_DRIVER",       "DC_BINNAMES",     "DC_ENUMRESOLUTIONS", "DC_FILEDEPENDENCIES", "DC_TRUETYPE",
    "DC_PAPERNAMES",   "DC_ORIENTATION",  "DC_COPIES",        "DC_BINADJUST",       "DC_EMF_COMPLIANT",
    "DC_DATATYPE_PRODUCED", "DC_COLLATE", "DC_MANUFACTURER",  "DC_MODEL",           "DC_PERSONALITY",
    "DC_PRINTRATE",    "DC_PRINTRATEUNIT", "DC_PRINTERMEM",   "DC_MEDIAREADY",      "DC_STAPLE",
    "DC_PRINTRATEPPM", "DC_COLORDEVICE",  "DC_NUP",           "DC_MEDIATYPENAMES",  "DC_MEDIATYPES",
};
static_assert(std::size(kCapabilityNames) == 35);

constexpr size_t kBinNameChars = 24;
constexpr size_t kPersonalityChars = 32;

// Writes a terminated wide string into a slot of slotChars characters.
void putWideSlot(uint8_t* out, size_t slotChars, std::u16string_view text) {
  std::span<uint8_t> slot(out, slotChars * 2);
  text::writeWideField(slot, 0, slotChars, text);
}

void writeFormNames(uint8_t* out, int count) {
  const auto& table = formTable(SettingsModule::SettingsUi);
  for (int i = 0; i < count; ++i) {
    std::u16string_view name = settings::formName(table[i]);
    putWideSlot(out + static_cast<size_t>(i) * kPaperNameChars * 2, kPaperNameChars, name);
    uiLog().log("MEDIA: [%s]", text::toUtf8(name).c_str());
  }
}

uint32_t answer(uint16_t capability, uint8_t* out) {
  const auto& table = formTable(SettingsModule::SettingsUi);
  switch (capability) {
    case 1: return 0x0787DF1F;
    case 2:
      if (out) {
        for (int i = 0; i < settings::kFormCount; ++i) le::putU16({out, 8}, i * 2, static_cast<uint16_t>(256 + i));
      }
      return 4;
    case 3:
      if (out) {
        for (int i = 0; i < settings::kFormCount; ++i) {
          le::putI32({out, 32}, i * 8, table[i].paperWidth);
          le::putI32({out, 32}, i * 8 + 4, table[i].paperLength);
        }
      }
      return 4;
    case 4: return (1561u << 16) | 537u;
    case 5: return (2061u << 16) | 1561u;
    case 6:
      if (out) le::putU16({out, 2}, 0, 1);
      return 1;
    case 7: return 0;
    case 8: return settings::kPublicSize;
    case 9: return settings::kPrivateSize;
    case 10: return settings::kSpecVersion;
    case 11: return settings::kDriverVersion;
    case 12:
      if (out) {
        putWideSlot(out, kBinNameChars, u"Roll Feed");
        uiLog().log("BIN: [%s]", "Roll Feed");
      }
      return 1;
    case 13:
      if (out) {
        le::putI32({out, 8}, 0, 300);
        le::putI32({out, 8}, 4, 300);
      }
      return 1;
    case 14:
      if (out) le::putU16({out, 2}, 0, 0);
      return 0;
    case 15: return 0;
    case 16:
    case 29:
      if (out) writeFormNames(out, settings::kFormCount);
      return 4;
    case 17: return 90;
    case 18: return 9999;
    case 22: return 0;
    case 25:
      if (out) {
        putWideSlot(out, kPersonalityChars, u"Veltrano/7310");
        uiLog().log("PERSONALITY: [%s]", "Veltrano/7310");
      }
      return 1;
    case 26: return 2;
    case 27: return 1;
    case 28: return 8192;
    case 30: return 0;
    case 31: return 2;
    case 32: return 1;
    case 33:
    case 34:
    case 35: return 0;
    default: return kCapabilityFailed;
  }
}

}  // namespace

const char* capabilityName(uint16_t capability) {
  return capability >= 1 && capability <= 35 ? kCapabilityNames[capability - 1] : nullptr;
}

uint32_t deviceCapabilities(std::u16string_view deviceName, uint16_t capability, void* output) {
  DebugLog& log = uiLog();
  log.log(">>>> ######## DrvDeviceCapabilities :: %d", capability);
  if (const char* name = capabilityName(capability)) log.log("%s", name);
  // The answers come from the defaults, as every caller's record would be
  // merged over them.
  auto record = std::unique_ptr<settings::PrintSettings>(new (std::nothrow) settings::PrintSettings);
  if (!record) {
    log.log("ERROR: MEMALLOC");
    log.log("<<<< ######## DrvDeviceCapabilities :: %d : %d", capability, -1);
    return kCapabilityFailed;
  }
  settings::createDefaults(*record, deviceName, SettingsModule::SettingsUi);
  uint32_t result = answer(capability, static_cast<uint8_t*>(output));
  log.log("<<<< ######## DrvDeviceCapabilities :: %d : %d", capability, static_cast<int32_t>(result));
  return result;
}

uint32_t splDeviceCaps(std::u16string_view deviceName, uint16_t capability, void* output, uint32_t chars) {
  uiLog().log("#### DrvSplDeviceCaps :: %d", capability);
  if (capability != kDcPaperNames && capability != kDcMediaReady) return kCapabilityFailed;
  if (output == nullptr) return deviceCapabilities(deviceName, capability, nullptr);
  if (chars < kPaperNameChars) return kCapabilityFailed;
  int count = static_cast<int>(std::min<uint32_t>(chars / kPaperNameChars, settings::kFormCount));
  writeFormNames(static_cast<uint8_t*>(output), count);
  return static_cast<uint32_t>(count);
}

}  // namespace q7310::ui

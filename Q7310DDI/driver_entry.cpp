// The graphics driver's exports: the spooler finds the callbacks through them.
#include <cstdint>
#include <cstdlib>

#include "Q7310DDI/callbacks.h"
#include "platform/gdi/types.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/export_table.h"

namespace {

constexpr uint32_t kProcessAttach = 1;
constexpr uint32_t kQueryUserMode = 1;
constexpr uint32_t kDriverVersion = 0x30000;
constexpr uint32_t kMinimumEngineVersion = 0x20000;

void* gModule = nullptr;

}  // namespace

Q7310_EXPORT int32_t DllMain(void* module, uint32_t reason, void* /*reserved*/) {
  if (reason == kProcessAttach) gModule = module;
  return 1;
}

Q7310_EXPORT int32_t DrvQueryDriverInfo(uint32_t query, void* buffer, uint32_t size, uint32_t* needed) {
  if (query != kQueryUserMode) return 0;
  if (buffer != nullptr && size >= 4) *static_cast<uint32_t*>(buffer) = 1;  // a user-mode driver
  if (needed != nullptr) *needed = 4;
  return 1;
}

Q7310_EXPORT int32_t DrvEnableDriver(uint32_t engineVersion, uint32_t size, q7310::gdi::DrvEnableData* data) {
  std::srand(q7310::os::tickCount());
  if (engineVersion < kMinimumEngineVersion || size < sizeof(q7310::gdi::DrvEnableData) || data == nullptr) {
    q7310::os::setLastError(q7310::os::kErrorBadDriverLevel);
    return 0;
  }
  data->iDriverVersion = kDriverVersion;
  data->c = q7310::ddi::kCallbackCount;
  data->pdrvfn = q7310::ddi::callbackTable();
  return 1;
}

Q7310_EXPORT void DrvDisableDriver() {}

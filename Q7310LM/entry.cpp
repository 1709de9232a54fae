// The module's entry point and its load and unload work.
#include "Q7310LM/global_state.h"
#include "Q7310LM/monitor.h"
#include "Q7310LM/monitor_log.h"
#include "common/wide_text.h"
#include "platform/os/errors.h"
#include "platform/os/export_table.h"

namespace q7310::lm {
namespace {

// Load: the global lock and the log exist before any entry point can run (and
// so outlive this object). Unload: the last line the module writes.
struct ModuleLifetime {
  ModuleLifetime() {
    globalLock();
    monitorLog();
  }
  ~ModuleLifetime() { monitorLog().log("STATUS:  DRIVER UNLOAD [%s]", kVersionText); }
};
ModuleLifetime moduleLifetime;

}  // namespace
}  // namespace q7310::lm

Q7310_EXPORT q7310::spooler::MonitorDescription* InitializePrintMonitor(const char16_t* registryRoot) {
  using namespace q7310;
  if (registryRoot == nullptr || registryRoot[0] == 0) {
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  lm::monitorLog().log("STATUS:  INITIALIZE MONITOR [%s]", lm::kVersionText);
  // The spooler treats the description as read-only.
  return const_cast<spooler::MonitorDescription*>(&lm::monitorDescription());
}

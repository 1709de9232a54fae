#include "Q7310LM/print_lock.h"

#include "Q7310LM/monitor_log.h"
#include "platform/os/errors.h"

namespace q7310::lm {

void lockDownload(PortContext& port) {
  port.flags |= kFlagDownloadLockHeld;
  if (!port.downloadEvent) {
    logPort(port, "Veltrano_PrinterLockDownload:: #### NULL ####");
  } else if (!port.downloadEvent->set()) {
    logPort(port, "Veltrano_PrinterLockDownload:: #### FAILED[%d] ####", static_cast<int>(os::lastError()));
  }
}

void unlockDownload(PortContext& port) {
  if (!port.downloadEvent) {
    logPort(port, "Veltrano_PrinterUnlockDownload:: #### NULL ####");
  } else if (!port.downloadEvent->reset()) {
    logPort(port, "Veltrano_PrinterUnlockDownload:: #### FAILED[%d] ####", static_cast<int>(os::lastError()));
  }
  port.flags &= ~kFlagDownloadLockHeld;
}

}  // namespace q7310::lm

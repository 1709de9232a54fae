#include "Q7310LM/print_lock.h"

#include "Q7310LM/monitor_log.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"

namespace q7310::lm {

int lockPrinter(PortContext& port) {
  if (!port.printerMutex) {
    logPort(port, "Veltrano_PrinterLock:: #### NULL ####");
    return 0;
  }
  uint32_t start = os::tickCount();
  os::WaitResult result = port.printerMutex->wait(kPrinterLockWaitMs);
  uint32_t waited = os::tickCount() - start;
  int seconds = static_cast<int>(waited / 1000);
  int millis = static_cast<int>(waited % 1000);
  switch (result) {
    case os::WaitResult::Signalled:
      return 0;
    case os::WaitResult::Abandoned:
      logPort(port, "#### Veltrano_PrinterLock:: WAIT_ABANDONED[%d.%04d]", seconds, millis);
      return 0;
    case os::WaitResult::Timeout:
      logPort(port, "#### Veltrano_PrinterLock:: WAIT_TIMEOUT[%d.%04d]", seconds, millis);
      return 1;
    case os::WaitResult::Failed:
      break;
  }
  logPort(port, "#### Veltrano_PrinterLock:: WAIT_FAILED[%d.%04d]", seconds, millis);
  return 2;
}

void unlockPrinter(PortContext& port) {
  if (!port.printerMutex) {
    logPort(port, "#### Veltrano_PrinterUnlock:: #### NULL ####");
    return;
  }
  if (!port.printerMutex->release()) {
    logPort(port, "#### Veltrano_PrinterUnlock #### FAILED[%d] ####", static_cast<int>(os::lastError()));
  }
}

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

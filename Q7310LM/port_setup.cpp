#include "Q7310LM/port_setup.h"

#include <mutex>

#include "Q7310LM/global_state.h"
#include "Q7310LM/monitor_log.h"
#include "Q7310LM/status_thread.h"
#include "platform/os/errors.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm {

std::string portBaseName(std::string_view portName) {
  return std::string(portName.substr(0, portName.find(':')));
}

std::string printerMutexName(std::string_view portName) { return "Global\\Q7310_MUTEX_" + portBaseName(portName); }

std::string downloadEventName(std::string_view portName) {
  return "Global\\Q7310_DOWNLOAD_" + portBaseName(portName);
}

void clearSpoolerPortStatus(const PortContext& port) { spooler::setPortStatus(port.portNameUtf8, spooler::PortStatus{}); }

void initializePort(PortContext& port) {
  clearSpoolerPortStatus(port);

  std::string mutexName = printerMutexName(port.portNameUtf8);
  logPort(port, "STATUS:  MUTEX [%s]", mutexName.c_str());
  port.printerMutex = os::Mutex::create(mutexName);
  if (!port.printerMutex) {
    logPort(port, "STATUS:  CREATEMUTEX FAILED[%d][%s]", static_cast<int>(os::lastError()), mutexName.c_str());
  }

  port.docActiveEvent = os::Event::create("");
  if (!port.docActiveEvent) {
    logPort(port, "STATUS:  CREATEEVENT FAILED[%d][%s]", static_cast<int>(os::lastError()), "Q7310_DOCACTIVE");
  }

  std::string eventName = downloadEventName(port.portNameUtf8);
  logPort(port, "STATUS:  EVENT [%s]", eventName.c_str());
  port.downloadEvent = os::Event::create(eventName);
  if (!port.downloadEvent) {
    logPort(port, "STATUS:  CREATEEVENT FAILED[%d][%s]", static_cast<int>(os::lastError()), eventName.c_str());
  }

  std::lock_guard lock(globalLock());
  startStatusThread(port);
}

}  // namespace q7310::lm

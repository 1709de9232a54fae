#include "Q7310LM/monitor.h"

#include <new>

#include "Q7310LM/global_state.h"
#include "Q7310LM/job_reader.h"
#include "Q7310LM/monitor_log.h"
#include "Q7310LM/port_setup.h"
#include "Q7310LM/print_lock.h"
#include "Q7310LM/status_thread.h"
#include "Q7310LM/transfer.h"
#include "common/wide_text.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm {

std::recursive_mutex& globalLock() {
  static std::recursive_mutex lock;
  return lock;
}

PortContext*& portList() {
  static PortContext* head = nullptr;
  return head;
}

JobRecord::~JobRecord() {
  if (printerHandle != nullptr) spooler::closePrinter(printerHandle);
}

PortContext::~PortContext() {
  signature = 0;
  while (jobs != nullptr) {
    JobRecord* next = jobs->next;
    delete jobs;
    jobs = next;
  }
}

namespace {

std::u16string copyWide(const char16_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(text, text::wideLength(text));
}

bool invalidParameter() {
  os::setLastError(os::kErrorInvalidParameter);
  return false;
}

// Unlinks the port from the list; the caller holds the global lock.
void unlinkPort(PortContext* port) {
  for (PortContext** link = &portList(); *link != nullptr; link = &(*link)->next) {
    if (*link == port) {
      *link = port->next;
      port->next = nullptr;
      return;
    }
  }
}

}  // namespace

PortContext* findPort(spooler::MonitorHandle handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard lock(globalLock());
  for (PortContext* port = portList(); port != nullptr; port = port->next) {
    if (port == handle) return port->signature == kPortSignature ? port : nullptr;
  }
  return nullptr;
}

std::vector<std::u16string> openPortNames() {
  std::lock_guard lock(globalLock());
  std::vector<std::u16string> names;
  for (PortContext* port = portList(); port != nullptr; port = port->next) names.push_back(port->portName);
  return names;
}

bool openPortEx(const char16_t* portName, const char16_t* printerName, spooler::MonitorHandle* handle,
                const spooler::MonitorTable* downstream) {
  (void)printerName;
  if (downstream == nullptr || downstream->openPort == nullptr || downstream->startDocPort == nullptr ||
      downstream->writePort == nullptr || downstream->readPort == nullptr || downstream->closePort == nullptr) {
    os::setLastError(os::kErrorInvalidPrintMonitor);
    return false;
  }
  if (handle == nullptr) return invalidParameter();
  std::u16string name = copyWide(portName);
  std::string nameUtf8 = text::toUtf8(name);

  auto* port = new (std::nothrow) PortContext;
  if (port == nullptr) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return false;
  }
  port->portName = name;
  port->portNameUtf8 = nameUtf8;
  {
    std::lock_guard lock(globalLock());
    for (PortContext* open = portList(); open != nullptr; open = open->next) {
      if (!name.empty() && !open->portName.empty() && os::equalsIgnoreCase(open->portNameUtf8, nameUtf8)) {
        delete port;
        os::setLastError(os::kErrorBusy);
        return false;
      }
    }
    port->next = portList();
    portList() = port;
  }

  if (!downstream->openPort(portName, &port->downstreamHandle)) {
    uint32_t error = os::lastError();
    {
      std::lock_guard lock(globalLock());
      unlinkPort(port);
    }
    delete port;
    os::setLastError(error);
    return false;
  }
  *handle = port;
  port->downstream = *downstream;
  initializePort(*port);
  return true;
}

bool startDocPort(spooler::MonitorHandle handle, const char16_t* printerName, uint32_t jobId, uint32_t level,
                  const void* docInfo) {
  PortContext* port = findPort(handle);
  if (port == nullptr || docInfo == nullptr || printerName == nullptr || printerName[0] == 0) {
    return invalidParameter();
  }
  if (level != 1) {
    os::setLastError(os::kErrorInvalidLevel);
    return false;
  }
  if ((port->flags & kFlagDocumentActive) != 0) {
    os::setLastError(os::kErrorBusy);
    return false;
  }

  auto* job = new (std::nothrow) JobRecord;
  if (job == nullptr) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return false;
  }
  job->printerName = copyWide(printerName);
  job->printerHandle = spooler::openPrinter(text::toUtf8(job->printerName));
  if (job->printerHandle == nullptr) {
    uint32_t error = os::lastError();
    delete job;
    os::setLastError(error);
    return false;
  }

  port->flags |= kFlagDocumentActive;
  if (!port->downstream.startDocPort(port->downstreamHandle, printerName, jobId, level, docInfo)) {
    uint32_t error = os::lastError();
    port->flags &= ~kFlagDocumentActive;
    delete job;
    os::setLastError(error);
    return false;
  }

  logPort(*port, "STATUS:  STARTDOC [%s]", port->portNameUtf8.c_str());
  port->docStartTime = os::tickCount64();
  if (port->docActiveEvent) port->docActiveEvent->set();
  job->jobId = jobId;
  {
    std::lock_guard lock(globalLock());
    if ((port->flags & kFlagStatusThreadRequested) == 0) startStatusThread(*port);
    job->next = port->jobs;
    port->jobs = job;
  }
  return true;
}

bool writePort(spooler::MonitorHandle handle, const uint8_t* buffer, uint32_t size, uint32_t* written) {
  PortContext* port = findPort(handle);
  if (port == nullptr) return invalidParameter();
  os::setLastError(0);
  if (written == nullptr || (buffer == nullptr && size != 0)) return invalidParameter();
  *written = 0;
  JobRecord* job = port->currentJob();
  if (job == nullptr) return invalidParameter();
  uint32_t taken = 0;
  bool ok = readerStep(*port, *job, std::span<const uint8_t>(buffer, size), taken);
  *written = taken;
  return ok;
}

bool readPort(spooler::MonitorHandle handle, uint8_t* buffer, uint32_t size, uint32_t* read) {
  PortContext* port = findPort(handle);
  if (port == nullptr || read == nullptr || (buffer == nullptr && size != 0)) return invalidParameter();
  *read = 0;
  uint32_t received = 0;
  int result = readExact(*port, std::span<uint8_t>(buffer, size), received);
  *read = received;
  return result == kResultSuccess;
}

bool endDocPort(spooler::MonitorHandle handle) {
  PortContext* port = findPort(handle);
  if (port == nullptr) return invalidParameter();
  JobRecord* head = port->currentJob();
  if (port->downstream.endDocPort != nullptr) port->downstream.endDocPort(port->downstreamHandle);

  {
    std::lock_guard lock(port->statusLock);
    if (port->portStatusLevel == kPortStatusLevelDocumentProblem) {
      clearSpoolerPortStatus(*port);
      port->portStatusLevel = 0;
      port->portStatusText.clear();
    }
  }
  unlockDownload(*port);
  if (port->docActiveEvent) port->docActiveEvent->reset();
  uint64_t elapsed = os::tickCount64() - port->docStartTime;
  logPort(*port, "STATUS:  ENDDOC [%04d%04d]", static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));

  if (head != nullptr) completeJob(*port, head->jobId);
  port->flags &= ~kFlagDocumentActive;
  return true;
}

void completeJob(PortContext& port, uint32_t jobId) {
  JobRecord* detached = nullptr;
  {
    std::lock_guard lock(globalLock());
    JobRecord** cut = nullptr;
    for (JobRecord** link = &port.jobs; *link != nullptr; link = &(*link)->next) {
      if (jobId == kAllJobs || (*link)->jobId == jobId) {
        cut = link;
        if (jobId == kAllJobs) break;  // the first record: everything from the head
      }
    }
    if (cut == nullptr) return;
    detached = *cut;
    *cut = nullptr;
    while (detached != nullptr) {
      JobRecord* next = detached->next;
      spooler::setJob(detached->printerHandle, detached->jobId, spooler::JobControl::LastPageEjected);
      delete detached;
      detached = next;
    }
  }
}

bool closePort(spooler::MonitorHandle handle) {
  PortContext* port = findPort(handle);
  if (port == nullptr) return invalidParameter();
  {
    std::lock_guard lock(globalLock());
    stopStatusThread(*port);
  }
  port->printerMutex.reset();
  port->docActiveEvent.reset();
  if (port->downloadEvent) {
    port->downloadEvent->reset();
    port->downloadEvent.reset();
  }
  {
    std::lock_guard lock(port->statusLock);
    port->flags &= ~(kFlagDocumentActive | kFlagDownloadLockHeld);
    clearSpoolerPortStatus(*port);
    port->portStatusLevel = 0;
    port->portStatusText.clear();
  }
  port->downstream.closePort(port->downstreamHandle);
  {
    std::lock_guard lock(globalLock());
    unlinkPort(port);
  }
  delete port;  // frees the remaining job records without reports
  return true;
}

bool getPrinterDataFromPort(spooler::MonitorHandle handle, uint32_t controlCode, const char16_t* valueName,
                            const char16_t* inBuffer, uint32_t inSize, char16_t* outBuffer, uint32_t outSize,
                            uint32_t* returned) {
  PortContext* port = findPort(handle);
  if (port == nullptr) return invalidParameter();
  if (port->downstream.getPrinterDataFromPort == nullptr) {
    os::setLastError(os::kErrorNotSupported);
    return false;
  }
  return port->downstream.getPrinterDataFromPort(port->downstreamHandle, controlCode, valueName, inBuffer, inSize,
                                                 outBuffer, outSize, returned);
}

const spooler::MonitorDescription& monitorDescription() {
  static const spooler::MonitorDescription description = [] {
    spooler::MonitorDescription d{};
    d.size = sizeof(spooler::MonitorTable);
    d.table.openPortEx = &openPortEx;
    d.table.startDocPort = &startDocPort;
    d.table.writePort = &writePort;
    d.table.readPort = &readPort;
    d.table.endDocPort = &endDocPort;
    d.table.closePort = &closePort;
    d.table.getPrinterDataFromPort = &getPrinterDataFromPort;
    return d;
  }();
  return description;
}

}  // namespace q7310::lm

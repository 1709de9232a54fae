#include "platform/spooler/port_driver.h"

#include <algorithm>
#include <random>
#include <utility>

#include "common/wide_text.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/spooler/jobs.h"

namespace q7310::spooler {

PieceSizer wholePieces() {
  return [](uint64_t, uint64_t left) { return left; };
}

PieceSizer fixedPieces(uint64_t n) {
  return [n](uint64_t, uint64_t) { return n; };
}

PieceSizer randomPieces(uint32_t seed, uint64_t maxPiece) {
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine, maxPiece](uint64_t, uint64_t) {
    return std::uniform_int_distribution<uint64_t>(1, std::max<uint64_t>(maxPiece, 1))(*engine);
  };
}

PieceSizer cyclePieces(std::vector<uint64_t> sizes) {
  auto next = std::make_shared<size_t>(0);
  return [sizes = std::move(sizes), next](uint64_t, uint64_t left) {
    if (sizes.empty()) return left;
    return sizes[(*next)++ % sizes.size()];
  };
}

std::unique_ptr<PortDriver> PortDriver::load(std::string_view libraryFile, std::u16string_view registryRoot) {
  auto library = os::Library::load(libraryFile);
  if (!library) return nullptr;
  auto initialize = library->function<InitializePrintMonitorFn>(kInitializePrintMonitorName);
  if (initialize == nullptr) return nullptr;
  std::u16string root(registryRoot);
  const MonitorDescription* monitor = initialize(root.c_str());
  if (monitor == nullptr) return nullptr;
  if (monitor->size < sizeof(MonitorTable)) {
    os::setLastError(os::kErrorInvalidPrintMonitor);
    return nullptr;
  }
  return std::unique_ptr<PortDriver>(new PortDriver(std::move(library), monitor));
}

PortDriver::PortDriver(const MonitorDescription* monitor) : monitor_(monitor) {}

PortDriver::PortDriver(std::unique_ptr<os::Library> library, const MonitorDescription* monitor)
    : library_(std::move(library)), monitor_(monitor) {}

PortDriver::~PortDriver() {
  if (port_ != nullptr) closePort();
}

bool PortDriver::openPort(std::string_view portName, std::string_view printerName, const MonitorTable* downstream) {
  if (monitor_ == nullptr || monitor_->table.openPortEx == nullptr || port_ != nullptr) {
    os::setLastError(os::kErrorInvalidPrintMonitor);
    return false;
  }
  std::u16string port = text::toUtf16(portName);
  printerName_ = std::string(printerName);
  printerNameWide_ = text::toUtf16(printerName);
  MonitorHandle handle = nullptr;
  if (!monitor_->table.openPortEx(port.c_str(), printerNameWide_.c_str(), &handle, downstream)) return false;
  port_ = handle;
  return true;
}

DocumentResult PortDriver::runDocument(std::span<const uint8_t> job, const RunOptions& options) {
  DocumentResult result;
  const MonitorTable& table = monitor_->table;
  if (port_ == nullptr || table.startDocPort == nullptr || table.writePort == nullptr || table.endDocPort == nullptr) {
    result.startError = os::kErrorInvalidHandle;
    return result;
  }
  result.jobId = addJob(printerName_, text::toUtf8(options.documentName));
  if (result.jobId == 0) {
    result.startError = os::lastError();
    return result;
  }
  DocInfo1 docInfo{options.documentName.c_str(), nullptr, u"RAW"};
  if (!table.startDocPort(port_, printerNameWide_.c_str(), result.jobId, options.level, &docInfo)) {
    result.startError = os::lastError();
    // The spooler cannot print the job on this port: it goes.
    ScopedPrinter printer(printerName_);
    if (printer) setJob(printer.get(), result.jobId, JobControl::Delete);
    return result;
  }
  result.started = true;

  uint64_t offset = 0;
  uint64_t failedInRow = 0;
  uint64_t idleInRow = 0;
  while (offset < job.size()) {
    uint64_t left = job.size() - offset;
    uint64_t piece = std::clamp<uint64_t>(options.pieces(offset, left), 1, left);
    piece = std::min<uint64_t>(piece, UINT32_MAX);
    // Offer the piece until the monitor has taken all of it.
    uint64_t pieceEnd = offset + piece;
    while (offset < pieceEnd && !result.abandoned) {
      uint32_t size = static_cast<uint32_t>(pieceEnd - offset);
      uint32_t written = 0;
      bool ok = table.writePort(port_, job.data() + offset, size, &written);
      uint32_t error = os::lastError();
      written = std::min(written, size);
      ++result.writeCalls;
      result.takenPerCall.push_back(written);
      offset += written;
      result.bytesTaken += written;
      if (!ok) {
        ++result.failedWrites;
        result.writeErrors.push_back(error);
        idleInRow = 0;
        if (options.maxFailedWrites != 0 && ++failedInRow >= options.maxFailedWrites) {
          result.abandoned = true;
          break;
        }
        os::sleepMs(options.retryPauseMs);
      } else if (written == 0) {
        ++result.idleWrites;
        failedInRow = 0;
        if (options.maxIdleWrites != 0 && ++idleInRow >= options.maxIdleWrites) result.abandoned = true;
      } else {
        failedInRow = 0;
        idleInRow = 0;
      }
    }
    if (result.abandoned) break;
  }

  result.ended = table.endDocPort(port_);
  auto remaining = jobs(printerName_);
  result.jobCompleted = std::none_of(remaining.begin(), remaining.end(),
                                     [&](const JobInfo& j) { return j.jobId == result.jobId; });
  if (result.abandoned && !result.jobCompleted) {
    ScopedPrinter printer(printerName_);
    if (printer) setJob(printer.get(), result.jobId, JobControl::Delete);
  }
  return result;
}

bool PortDriver::closePort() {
  if (port_ == nullptr || monitor_->table.closePort == nullptr) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  MonitorHandle handle = std::exchange(port_, nullptr);
  return monitor_->table.closePort(handle);
}

}  // namespace q7310::spooler

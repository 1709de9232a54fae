// The spooler's side of a language monitor: loads the monitor library, calls
// its InitializePrintMonitor, opens a port in front of a downstream monitor,
// and runs documents through StartDocPort, WritePort and EndDocPort as the
// spooler does: the job's bytes go out in pieces whose sizes vary, a write
// that took nothing is offered again at once, a write that failed is offered
// again after a short pause on the platform clock.
//
// One PortDriver drives one port from the calling thread; every call blocks
// until the monitor returns (and for the retry pauses).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/library.h"
#include "platform/spooler/api.h"
#include "platform/spooler/monitor_table.h"

namespace q7310::spooler {

// How many bytes to offer next, given the bytes already taken and those left
// (a result of 0 or more than left is clamped to 1 .. left).
using PieceSizer = std::function<uint64_t(uint64_t offset, uint64_t left)>;

// Everything that is left in one piece.
Q7310_SPOOLER_API PieceSizer wholePieces();
// Pieces of n bytes (n = 1: one byte at a time).
Q7310_SPOOLER_API PieceSizer fixedPieces(uint64_t n);
// Pieces of 1 to maxPiece bytes drawn from a generator seeded with seed.
Q7310_SPOOLER_API PieceSizer randomPieces(uint32_t seed, uint64_t maxPiece);
// The sizes in turn, over and over.
Q7310_SPOOLER_API PieceSizer cyclePieces(std::vector<uint64_t> sizes);

struct RunOptions {
  PieceSizer pieces = wholePieces();
  std::u16string documentName = u"Document";
  uint32_t level = 1;  // StartDocPort level; DocInfo1 is passed at every level
  uint32_t retryPauseMs = 200;  // after a write that failed
  // A document is given up (and ended) after this many failed writes in a
  // row, or this many writes in a row that took nothing; 0: no limit.
  uint32_t maxFailedWrites = 50;
  uint64_t maxIdleWrites = 1'000'000;
};

struct DocumentResult {
  bool started = false;
  uint32_t startError = 0;  // the last error when StartDocPort failed
  uint32_t jobId = 0;
  uint64_t bytesTaken = 0;
  uint64_t writeCalls = 0;
  uint64_t idleWrites = 0;    // calls that took nothing and succeeded
  uint64_t failedWrites = 0;  // calls that failed
  std::vector<uint32_t> writeErrors;  // the last error of each failed call
  std::vector<uint32_t> takenPerCall;  // bytes taken by each call
  bool abandoned = false;  // given up before every byte was taken
  bool ended = false;      // EndDocPort returned true
  bool jobCompleted = false;  // the monitor reported the job's last page ejected
};

class Q7310_SPOOLER_API PortDriver {
 public:
  // Loads the monitor by file name ("Q7310LM.dll" finds libQ7310LM.so) and
  // calls its InitializePrintMonitor with registryRoot. nullptr with the last
  // error of the loader or of the entry point.
  static std::unique_ptr<PortDriver> load(std::string_view libraryFile,
                                          std::u16string_view registryRoot = u"Q7310 Language Monitor");
  // Drives a monitor whose description the caller already holds.
  explicit PortDriver(const MonitorDescription* monitor);
  // Closes the port if it is still open.
  ~PortDriver();
  PortDriver(const PortDriver&) = delete;
  PortDriver& operator=(const PortDriver&) = delete;

  const MonitorDescription* monitor() const { return monitor_; }
  MonitorHandle portHandle() const { return port_; }

  // OpenPortEx(portName, printerName, downstream). The printer must be in the
  // spooler's store for documents to run. False with the monitor's error.
  bool openPort(std::string_view portName, std::string_view printerName, const MonitorTable* downstream);
  // Queues a job for the printer, runs it through the port and ends it.
  DocumentResult runDocument(std::span<const uint8_t> job, const RunOptions& options = {});
  // ClosePort; false with the monitor's error (or kErrorInvalidHandle when no
  // port is open).
  bool closePort();

 private:
  PortDriver(std::unique_ptr<os::Library> library, const MonitorDescription* monitor);
  std::unique_ptr<os::Library> library_;
  const MonitorDescription* monitor_;
  MonitorHandle port_ = nullptr;
  std::string printerName_;
  std::u16string printerNameWide_;
};

}  // namespace q7310::spooler

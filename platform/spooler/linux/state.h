// The spooler stand-in's in-memory state, one set per root so that tests with
// fresh roots in one process never see each other's ports and jobs.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/jobs.h"
#include "platform/spooler/port_status.h"

namespace q7310::spooler::detail {

struct PortState {
  PortStatus current;
  std::vector<PortStatus> history;
};

struct RootState {
  std::map<std::string, PortState> ports;  // by lower-case name
  uint32_t nextJobId = 1;
  std::vector<JobInfo> jobs;
  std::vector<JobReport> reports;
};

// Guards every RootState and the handle table.
std::mutex& stateMutex();
// The state of the current root; the caller holds stateMutex().
RootState& rootState();

std::string lowerAscii(std::string_view text);

// The Windows path of a printer's own folder (its file, data values and
// default settings record live there).
std::string printerFolder(std::string_view name);
// The access rights a handle was opened with; 0 for a handle that is not open.
uint32_t handleAccess(PrinterHandle handle);

}  // namespace q7310::spooler::detail

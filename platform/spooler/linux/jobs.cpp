#include "platform/spooler/jobs.h"

#include <algorithm>

#include "platform/os/errors.h"
#include "platform/os/paths.h"
#include "platform/spooler/linux/state.h"

namespace q7310::spooler {

uint32_t addJob(std::string_view printerName, std::string_view documentName) {
  auto printer = findPrinter(printerName);
  if (!printer) return 0;
  std::lock_guard lock(detail::stateMutex());
  detail::RootState& state = detail::rootState();
  uint32_t id = state.nextJobId++;
  state.jobs.push_back(JobInfo{id, printer->name, std::string(documentName)});
  return id;
}

std::vector<JobInfo> jobs(std::string_view printerName) {
  std::lock_guard lock(detail::stateMutex());
  std::vector<JobInfo> out;
  for (const JobInfo& job : detail::rootState().jobs) {
    if (os::equalsIgnoreCase(job.printer, printerName)) out.push_back(job);
  }
  return out;
}

bool setJob(PrinterHandle printer, uint32_t jobId, JobControl control) {
  auto name = printerNameOf(printer);
  if (!name) return false;
  std::lock_guard lock(detail::stateMutex());
  detail::RootState& state = detail::rootState();
  auto job = std::find_if(state.jobs.begin(), state.jobs.end(), [&](const JobInfo& j) {
    return j.jobId == jobId && os::equalsIgnoreCase(j.printer, *name);
  });
  bool known = job != state.jobs.end();
  state.reports.push_back(JobReport{*name, jobId, control, known});
  if (!known) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  if (control == JobControl::LastPageEjected || control == JobControl::Cancel || control == JobControl::Delete) {
    state.jobs.erase(job);
  }
  return true;
}

std::vector<JobReport> jobReports(std::string_view printerName) {
  std::lock_guard lock(detail::stateMutex());
  std::vector<JobReport> out;
  for (const JobReport& report : detail::rootState().reports) {
    if (os::equalsIgnoreCase(report.printer, printerName)) out.push_back(report);
  }
  return out;
}

}  // namespace q7310::spooler

// Print jobs: the spooler keeps each job it hands to a port until the port's
// monitor reports that the job's last page was ejected (or the job is
// cancelled or deleted). Every report is recorded so that tests and the front
// end can see what a monitor said.
//
// Kept in memory per root for the life of the process; job identifiers count
// from 1 per root. Never blocks beyond a short internal lock; never throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"
#include "platform/spooler/printers.h"

namespace q7310::spooler {

// Job control commands a monitor or application sends with setJob.
enum class JobControl : uint32_t {
  Pause = 1,
  Resume = 2,
  Cancel = 3,
  Restart = 4,
  Delete = 5,
  SentToPrinter = 6,
  LastPageEjected = 7,
};

struct JobInfo {
  uint32_t jobId = 0;
  std::string printer;
  std::string document;
  bool operator==(const JobInfo&) const = default;
};

struct JobReport {
  std::string printer;  // the name the handle was opened with
  uint32_t jobId = 0;
  JobControl control = JobControl::Pause;
  bool known = false;  // whether the spooler had that job when it came
  bool operator==(const JobReport&) const = default;
};

// Queues a job for an existing printer; its identifier, or 0 with
// kErrorInvalidPrinterName when there is no such printer.
Q7310_SPOOLER_API uint32_t addJob(std::string_view printerName, std::string_view documentName);
// The jobs the spooler still keeps for the printer, oldest first.
Q7310_SPOOLER_API std::vector<JobInfo> jobs(std::string_view printerName);

// Applies a job control command, without job information. LastPageEjected,
// Cancel and Delete end the job. The report is recorded even when it fails.
// False with kErrorInvalidHandle for a handle that is not open, and with
// kErrorInvalidParameter when the printer has no job of that identifier.
Q7310_SPOOLER_API bool setJob(PrinterHandle printer, uint32_t jobId, JobControl control);
// Every report made through handles of the printer, oldest first.
Q7310_SPOOLER_API std::vector<JobReport> jobReports(std::string_view printerName);

}  // namespace q7310::spooler

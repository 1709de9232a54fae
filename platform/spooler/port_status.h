// The status a port shows in the print queue: a status code, an optional text
// and a severity, as a port monitor sets and clears it.
//
// Kept in memory per root for the life of the process; every change is also
// appended to the port's history so that tests and the front end can show
// what was set and how often. Port names compare without regard to case.
// Never blocks beyond a short internal lock; never throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"

namespace q7310::spooler {

// Status codes a port can show.
inline constexpr uint32_t kPortStatusOffline = 1;
inline constexpr uint32_t kPortStatusPaperJam = 2;
inline constexpr uint32_t kPortStatusPaperOut = 3;
inline constexpr uint32_t kPortStatusOutputBinFull = 4;
inline constexpr uint32_t kPortStatusPaperProblem = 5;
inline constexpr uint32_t kPortStatusNoToner = 6;
inline constexpr uint32_t kPortStatusDoorOpen = 7;
inline constexpr uint32_t kPortStatusUserIntervention = 8;

// Severities.
inline constexpr uint32_t kPortStatusSeverityError = 1;
inline constexpr uint32_t kPortStatusSeverityWarning = 2;
inline constexpr uint32_t kPortStatusSeverityInformational = 3;

// Status 0 with no text and severity 0 is "nothing shown".
struct PortStatus {
  uint32_t status = 0;
  std::string text;  // UTF-8
  uint32_t severity = 0;
  bool operator==(const PortStatus&) const = default;
  bool cleared() const { return status == 0 && text.empty(); }
};

// Sets (or, with status 0 and no text, clears) the port's status. False with
// kErrorInvalidParameter for an empty port name or a severity above 3.
Q7310_SPOOLER_API bool setPortStatus(std::string_view portName, const PortStatus& status);
// The port's current status (cleared if never set).
Q7310_SPOOLER_API PortStatus portStatus(std::string_view portName);
// Every status set on the port, oldest first.
Q7310_SPOOLER_API std::vector<PortStatus> portStatusHistory(std::string_view portName);

}  // namespace q7310::spooler

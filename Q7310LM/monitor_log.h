// The port monitor's debug log: "q7310lm.log" for the module, one
// "q7310lm_<port name>.log" per port.
#pragma once

#include <string_view>

#include "common/debug_log.h"

namespace q7310::lm {

inline constexpr const char* kVersionText = "3.0 (Build 360)";

// The module's log. The module creates it at load, before anything that
// logs while it unloads, so that it is destroyed after those.
DebugLog& monitorLog();

struct PortContext;
// Writes one line to the port's own log.
void logPort(const PortContext& port, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace q7310::lm

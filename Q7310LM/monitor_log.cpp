#include "Q7310LM/monitor_log.h"

#include <cstdarg>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

DebugLog& monitorLog() {
  static DebugLog log("q7310lm");
  return log;
}

void logPort(const PortContext& port, const char* format, ...) {
  va_list args;
  va_start(args, format);
  monitorLog().vlogTo(port.portNameUtf8, format, args);
  va_end(args);
}

}  // namespace q7310::lm

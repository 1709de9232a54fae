#include "platform/spooler/port_status.h"

#include "platform/os/errors.h"
#include "platform/spooler/linux/state.h"

namespace q7310::spooler {

bool setPortStatus(std::string_view portName, const PortStatus& status) {
  if (portName.empty() || status.severity > kPortStatusSeverityInformational) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  std::lock_guard lock(detail::stateMutex());
  detail::PortState& port = detail::rootState().ports[detail::lowerAscii(portName)];
  port.current = status;
  port.history.push_back(status);
  return true;
}

PortStatus portStatus(std::string_view portName) {
  std::lock_guard lock(detail::stateMutex());
  auto& ports = detail::rootState().ports;
  auto it = ports.find(detail::lowerAscii(portName));
  return it == ports.end() ? PortStatus{} : it->second.current;
}

std::vector<PortStatus> portStatusHistory(std::string_view portName) {
  std::lock_guard lock(detail::stateMutex());
  auto& ports = detail::rootState().ports;
  auto it = ports.find(detail::lowerAscii(portName));
  return it == ports.end() ? std::vector<PortStatus>{} : it->second.history;
}

}  // namespace q7310::spooler

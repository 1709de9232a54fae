// Opening and closing a port's objects: status lock, printer mutex,
// document-active event, download event and status thread.
#pragma once

#include <string>
#include <string_view>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// The port name cut at the first ':' ("PORT1:" -> "PORT1").
std::string portBaseName(std::string_view portName);
std::string printerMutexName(std::string_view portName);   // "Global\Q7310_MUTEX_%s"
std::string downloadEventName(std::string_view portName);  // "Global\Q7310_DOWNLOAD_%s"

// Clears the port status, creates the named objects (a failure is logged and
// the port goes on without that object) and starts the status thread.
void initializePort(PortContext& port);
// Shows nothing on the port: status 0, no text, severity 0.
void clearSpoolerPortStatus(const PortContext& port);

}  // namespace q7310::lm

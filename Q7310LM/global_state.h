// The module's global state: the global lock and the list of open ports.
#pragma once

#include <mutex>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// Guards the port list, every port's job list and the start and stop of
// status threads. Recursive, as the platform's critical sections are.
std::recursive_mutex& globalLock();
// Head of the port list, newest first; read and changed under globalLock().
PortContext*& portList();

}  // namespace q7310::lm

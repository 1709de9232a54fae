// The port status update that follows every status query: the printing
// engine maps the status code to the spooler's port status; tests may
// install a recorder instead.
#pragma once

#include <cstdint>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

class PortStatusUpdater {
 public:
  virtual ~PortStatusUpdater() = default;
  // Called with the port's statusLock held.
  virtual void updatePortStatus(PortContext& port, uint32_t statusCode) = 0;
};

// The updater queryStatus calls: the one set with setPortStatusUpdater, else
// the engine's updatePortStatus.
PortStatusUpdater& portStatusUpdater();
// Replaces it for the whole module (nullptr: back to the default). The caller
// keeps it alive while ports query.
void setPortStatusUpdater(PortStatusUpdater* updater);

}  // namespace q7310::lm

#include "Q7310LM/protocol/port_status_update.h"

#include <atomic>

namespace q7310::lm {

namespace {

class NoUpdate final : public PortStatusUpdater {
 public:
  void updatePortStatus(PortContext&, uint32_t) override {}
};

std::atomic<PortStatusUpdater*> gUpdater{nullptr};

}  // namespace

PortStatusUpdater& portStatusUpdater() {
  static NoUpdate none;
  PortStatusUpdater* set = gUpdater.load();
  return set != nullptr ? *set : none;
}

void setPortStatusUpdater(PortStatusUpdater* updater) { gUpdater.store(updater); }

}  // namespace q7310::lm

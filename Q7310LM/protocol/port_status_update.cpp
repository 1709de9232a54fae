#include "Q7310LM/protocol/port_status_update.h"

#include <atomic>

#include "Q7310LM/port_status.h"

namespace q7310::lm {

namespace {

class EngineUpdate final : public PortStatusUpdater {
 public:
  void updatePortStatus(PortContext& port, uint32_t statusCode) override {
    lm::updatePortStatus(port, statusCode);
  }
};

std::atomic<PortStatusUpdater*> gUpdater{nullptr};

}  // namespace

PortStatusUpdater& portStatusUpdater() {
  static EngineUpdate engine;
  PortStatusUpdater* set = gUpdater.load();
  return set != nullptr ? *set : engine;
}

void setPortStatusUpdater(PortStatusUpdater* updater) { gUpdater.store(updater); }

}  // namespace q7310::lm

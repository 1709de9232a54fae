#include "Q7310LM/status_thread.h"

#include "platform/os/clock.h"

namespace q7310::lm {

void startStatusThread(PortContext& port) {
  if (port.statusThread) stopStatusThread(port);
  if (!port.statusThreadWake) port.statusThreadWake = os::Event::create("");
  if (port.statusThreadWake) port.statusThreadWake->reset();
  port.flags |= kFlagStatusThreadRequested;
  PortContext* context = &port;
  port.statusThread = os::Thread::start([context] { statusThreadMain(*context); }, kStatusThreadStackSize,
                                        os::ThreadPriority::Lowest);
  if (!port.statusThread) {
    port.flags &= ~(kFlagStatusThreadRequested | kFlagStatusThreadRunning);
    port.statusThreadId = 0;
    return;
  }
  port.statusThreadId = port.statusThread->id();
}

void stopStatusThread(PortContext& port) {
  port.flags &= ~kFlagStatusThreadRequested;
  if (!port.statusThread) return;
  if (port.statusThreadWake) port.statusThreadWake->set();
  port.statusThread->wait(os::kInfinite);
  port.statusThread.reset();
  port.statusThreadId = 0;
}

void statusThreadMain(PortContext& port) {
  port.flags |= kFlagStatusThreadRunning;
  while ((port.flags & kFlagStatusThreadRequested) != 0) {
    // Publication of the printer's status runs here once per period.
    if (port.statusThreadWake) {
      port.statusThreadWake->wait(kStatusThreadPeriodMs);
    } else {
      os::sleepMs(kStatusThreadPeriodMs);
    }
  }
  port.flags &= ~(kFlagStatusThreadRequested | kFlagStatusThreadRunning);
}

}  // namespace q7310::lm

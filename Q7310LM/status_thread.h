// The port's status thread: started when the port opens (and by StartDocPort
// if it is not requested to run), stopped by ClosePort. Flag bit 1 asks it to
// run; the thread sets bit 2 while it runs and clears bits 1 and 2 when it ends.
#pragma once

#include "Q7310LM/port_context.h"

namespace q7310::lm {

inline constexpr size_t kStatusThreadStackSize = 16384;
inline constexpr uint32_t kStatusThreadPeriodMs = 1000;

// Both run under the global lock. Start stops a thread that is still there,
// sets bit 1 and starts the thread (16384-byte stack, lowest priority); if it
// cannot start, bits 1 and 2 are cleared and no handle is kept.
void startStatusThread(PortContext& port);
// Clears bit 1 and waits without time limit for the thread to end. The thread
// never takes the global lock, so waiting under it cannot deadlock.
void stopStatusThread(PortContext& port);

// The thread's body: runs until bit 1 is cleared.
void statusThreadMain(PortContext& port);

}  // namespace q7310::lm

// The printer lock other processes respect. The printer mutex is owned around
// every command exchange with the printer; the named download event is
// signalled (and flag bit 9 set) from the acceptance of a print command until
// its printer image data is out, the download fails, or the document ends.
#pragma once

#include <cstdint>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

inline constexpr uint32_t kPrinterLockWaitMs = 5000;

// Waits up to 5000 ms for the printer mutex. 0 when it is owned (also when
// its last owner ended without releasing it, which is logged), non-zero after
// a time-out or a failed wait (logged). A port without a mutex logs and gets
// 0. Blocks for the wait.
int lockPrinter(PortContext& port);
// Releases the printer mutex; a failure is logged with the system error.
// Never blocks.
void unlockPrinter(PortContext& port);

// Sets flag bit 9 and signals the download event. Never blocks.
void lockDownload(PortContext& port);
// Resets the download event and clears flag bit 9. Never blocks.
void unlockDownload(PortContext& port);

}  // namespace q7310::lm

#include "Q7310LM/transfer.h"

#include <algorithm>

#include "Q7310LM/monitor_log.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"

namespace q7310::lm {

int writeAll(PortContext& port, std::span<const uint8_t> bytes, uint32_t& sent) {
  sent = 0;
  while (sent < bytes.size()) {
    uint32_t piece = static_cast<uint32_t>(std::min<size_t>(bytes.size() - sent, kMaxWritePiece));
    uint32_t accepted = 0;
    bool ok = port.downstream.writePort(port.downstreamHandle, bytes.data() + sent, piece, &accepted);
    // A downstream that claims more than it was given has taken what it was given.
    sent += std::min(accepted, piece);
    if (!ok) {
      logPort(port, "Veltrano_WritePort:: FAILED ( %d )\n", static_cast<int>(os::lastError()));
      return kResultWriteFailure;
    }
    if (accepted == 0) os::sleepMs(kEmptyReadPauseMs);
  }
  return kResultSuccess;
}

int readExact(PortContext& port, std::span<uint8_t> bytes, uint32_t& received) {
  received = 0;
  uint64_t start = os::tickCount64();
  while (received < bytes.size()) {
    uint32_t want = static_cast<uint32_t>(bytes.size() - received);
    uint32_t got = 0;
    port.downstream.readPort(port.downstreamHandle, bytes.data() + received, want, &got);
    received += std::min(got, want);
    if (received == bytes.size()) break;
    if (os::tickCount64() - start > kReadDeadlineMs) break;
    if (got == 0) os::sleepMs(kEmptyReadPauseMs);
  }
  return received == bytes.size() ? kResultSuccess : kResultReadFailure;
}

}  // namespace q7310::lm

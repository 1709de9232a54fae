// Byte transfers to and from the printer through the downstream monitor's
// WritePort and ReadPort.
#pragma once

#include <cstdint>
#include <span>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// Result codes of printer operations.
inline constexpr int kResultSuccess = 0;
inline constexpr int kResultNotReady = 2;
inline constexpr int kResultCommandFailed = 3;
inline constexpr int kResultWriteFailure = 6;
inline constexpr int kResultReadFailure = 7;

inline constexpr uint32_t kMaxWritePiece = 4096;
inline constexpr uint32_t kReadDeadlineMs = 5000;
// Pause after a downstream read that delivered nothing, so that waiting for
// the printer neither spins nor stops the clock.
inline constexpr uint32_t kEmptyReadPauseMs = 10;

// Writes all bytes through the downstream WritePort, at most 4096 per call,
// until every byte is accepted. Blocks as long as the downstream calls do.
// 0, or 6 when a call fails ("Veltrano_WritePort:: FAILED ( %d )" logged with
// the system error); sent holds the bytes accepted either way.
int writeAll(PortContext& port, std::span<const uint8_t> bytes, uint32_t& sent);
// Reads exactly bytes.size() bytes through repeated downstream ReadPort calls
// until all have arrived or more than 5000 ms have passed since the start.
// 0 when all arrived, else 7; received holds the count either way.
int readExact(PortContext& port, std::span<uint8_t> bytes, uint32_t& received);

}  // namespace q7310::lm

// Internal records of the emulated printer, shared by its two source files.
#pragma once

#include <deque>
#include <vector>

#include "outside/printer/emulator/emulated_printer.h"

namespace q7310::printer {

// Bank status values this printer shows.
inline constexpr uint8_t kBankFree = 0;
inline constexpr uint8_t kBankReceiving = 1;
inline constexpr uint8_t kBankWaiting = 2;
inline constexpr uint8_t kBankPrinting = 3;

// The largest payload any command carries; a header announcing more is garbage.
inline constexpr uint16_t kMaxPayload = 64;

// Job::session values: still sending (any non-zero value), or cut off by the
// end of its connection.
inline constexpr uint32_t kSessionSending = 1;
inline constexpr uint32_t kSessionGone = UINT32_MAX;

struct EmulatedPrinter::Job {
  size_t printIndex = 0;
  int bank = 0;
  uint32_t session = 0;  // kSessionSending while image data comes, 0 when complete
  uint64_t lastDataTick = 0;
  bool dataComplete = false;
  bool cancelled = false;
  bool started = false;
  bool finishing = false;
  std::vector<Phase> phases;
  size_t phase = 0;
  uint64_t phaseElapsed = 0;  // printer ms
};

struct EmulatedPrinter::SessionState {
  std::vector<uint8_t> in;  // an incomplete command packet
  std::deque<std::vector<uint8_t>> out;
  size_t outOffset = 0;  // bytes of out.front() already read
  Job* download = nullptr;  // the print whose image data this session sends
};

}  // namespace q7310::printer

// Time: a monotonic millisecond tick counter, sleeps, local time, and the
// virtual clock that tests install so that long waits cost no real time.
//
// With the virtual clock installed, every wait of the platform layer (sleep,
// mutex, event, thread join) registers the waiting thread with the clock. The
// clock moves on only when every participating thread is waiting, and then to
// the earliest deadline among the waiters, so threaded tests are deterministic.
// Threads started through os::Thread take part automatically; other threads
// call ClockParticipant.
#pragma once

#include <cstdint>

#include "platform/os/api.h"

namespace q7310::os {

inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// Milliseconds since an arbitrary start; never goes back. Never blocks.
Q7310_OS_API uint64_t tickCount64();
// The low 32 bits of tickCount64(), wrapping after 49.7 days.
Q7310_OS_API uint32_t tickCount();

// Blocks the calling thread for ms milliseconds (virtual time under the
// virtual clock). sleepMs(0) only yields.
Q7310_OS_API void sleepMs(uint32_t ms);

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};

// The wall-clock time in the local time zone (virtual wall time under the
// virtual clock).
Q7310_OS_API LocalTime localTimeNow();

// Installs the virtual clock for the whole process. Its tick count starts at
// startTick and its wall clock at wallEpochMs (milliseconds since 1970, UTC).
// Not nestable; installing twice replaces the first clock.
Q7310_OS_API void installVirtualClock(uint64_t startTick, int64_t wallEpochMs);
Q7310_OS_API void uninstallVirtualClock();
Q7310_OS_API bool virtualClockInstalled();
// Moves the virtual clock forward by hand and wakes waiters whose deadline passed.
Q7310_OS_API void advanceVirtualClock(uint64_t ms);

// Registers the current thread as a participant of the virtual clock for the
// lifetime of the object: the clock never moves while this thread runs.
class Q7310_OS_API ClockParticipant {
 public:
  ClockParticipant();
  ~ClockParticipant();
  ClockParticipant(const ClockParticipant&) = delete;
  ClockParticipant& operator=(const ClockParticipant&) = delete;
};

}  // namespace q7310::os

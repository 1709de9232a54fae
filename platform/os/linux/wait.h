// Internal: how the platform's blocking calls wait under either clock.
#pragma once

#include <cstdint>
#include <functional>

namespace q7310::os::detail {

// Under the virtual clock: polls tryAcquire until it answers true (returns
// true) or timeoutMs of virtual time pass (returns false). The calling thread
// counts as waiting while it is inside. Must not be called without the virtual
// clock installed.
bool virtualWait(uint32_t timeoutMs, const std::function<bool()>& tryAcquire);

// Tells the virtual clock that an in-process object changed state (an event
// was set, a mutex released, a thread ended), so waiters look again before the
// clock moves on. Cheap and harmless without the virtual clock.
void noteActivity();

// A token per thread for the participant bookkeeping. A new os::Thread gets
// its token from its creator so it takes part from before its first step.
uint64_t currentThreadToken();
uint64_t newThreadToken();
void adoptThreadToken(uint64_t token);
void addParticipant(uint64_t token);
void removeParticipant(uint64_t token);

}  // namespace q7310::os::detail

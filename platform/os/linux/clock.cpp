#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <list>
#include <map>
#include <mutex>

#include "platform/os/clock.h"
#include "platform/os/linux/wait.h"

namespace q7310::os {

namespace {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

struct Waiter {
  uint64_t token;
  uint64_t deadline;
  uint64_t seenActivity;
};

struct VirtualClock {
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<bool> installed{false};
  uint64_t now = 0;
  uint64_t startTick = 0;
  int64_t wallBase = 0;
  uint64_t activity = 0;
  std::map<uint64_t, int> participants;  // token -> nesting count
  std::list<Waiter*> waiters;

  bool everyParticipantWaits() const {
    for (const auto& [token, count] : participants) {
      bool waiting = std::any_of(waiters.begin(), waiters.end(), [&](const Waiter* w) {
        return w->token == token && w->seenActivity == activity;
      });
      if (!waiting) return false;
    }
    return true;
  }

  // Called with the mutex held.
  void tryAdvance() {
    if (waiters.empty() || !everyParticipantWaits()) return;
    for (const Waiter* w : waiters) {
      if (w->seenActivity != activity) return;  // someone has not looked since the last change
    }
    uint64_t earliest = kNever;
    for (const Waiter* w : waiters) earliest = std::min(earliest, w->deadline);
    if (earliest != kNever && earliest > now) {
      now = earliest;
      changed.notify_all();
    }
  }
};

VirtualClock& vclock() {
  static VirtualClock* clock = new VirtualClock;  // never destroyed: threads may outlive statics
  return *clock;
}

std::atomic<uint64_t> gNextToken{1};
thread_local uint64_t tToken = 0;

uint64_t monotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace

namespace detail {

uint64_t newThreadToken() { return gNextToken.fetch_add(1); }

uint64_t currentThreadToken() {
  if (tToken == 0) tToken = newThreadToken();
  return tToken;
}

void adoptThreadToken(uint64_t token) { tToken = token; }

void addParticipant(uint64_t token) {
  auto& c = vclock();
  std::lock_guard lock(c.mutex);
  ++c.participants[token];
}

void removeParticipant(uint64_t token) {
  auto& c = vclock();
  std::lock_guard lock(c.mutex);
  auto it = c.participants.find(token);
  if (it != c.participants.end() && --it->second == 0) c.participants.erase(it);
  ++c.activity;
  c.changed.notify_all();
}

void noteActivity() {
  auto& c = vclock();
  if (!c.installed.load(std::memory_order_acquire)) return;
  std::lock_guard lock(c.mutex);
  ++c.activity;
  c.changed.notify_all();
}

bool virtualWait(uint32_t timeoutMs, const std::function<bool()>& tryAcquire) {
  auto& c = vclock();
  std::unique_lock lock(c.mutex);
  Waiter self{currentThreadToken(), timeoutMs == kInfinite ? kNever : c.now + timeoutMs, 0};
  self.seenActivity = c.activity - 1;  // not looked yet
  c.waiters.push_back(&self);
  auto leave = [&] {
    c.waiters.remove(&self);
    c.changed.notify_all();
  };
  for (;;) {
    uint64_t before = c.activity;
    lock.unlock();
    bool acquired = tryAcquire();
    lock.lock();
    if (acquired) {
      leave();
      return true;
    }
    if (c.now >= self.deadline) {
      leave();
      return false;
    }
    self.seenActivity = before;
    c.tryAdvance();
    if (c.now >= self.deadline) continue;  // look once more, then time out
    // The real-time bound lets a waiter notice objects changed by other processes.
    c.changed.wait_for(lock, std::chrono::milliseconds(1));
  }
}

}  // namespace detail

uint64_t tickCount64() {
  auto& c = vclock();
  if (c.installed.load(std::memory_order_acquire)) {
    std::lock_guard lock(c.mutex);
    return c.now;
  }
  return monotonicMs();
}

uint32_t tickCount() { return static_cast<uint32_t>(tickCount64()); }

void sleepMs(uint32_t ms) {
  if (ms == 0) {
    sched_yield();
    return;
  }
  if (virtualClockInstalled()) {
    detail::virtualWait(ms, [] { return false; });
    return;
  }
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

LocalTime localTimeNow() {
  int64_t epochMs;
  auto& c = vclock();
  if (c.installed.load(std::memory_order_acquire)) {
    std::lock_guard lock(c.mutex);
    epochMs = c.wallBase + static_cast<int64_t>(c.now - c.startTick);
  } else {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    epochMs = static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }
  time_t seconds = static_cast<time_t>(epochMs / 1000);
  tm parts{};
  localtime_r(&seconds, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.milliseconds = static_cast<int>(epochMs % 1000);
  t.dayOfWeek = parts.tm_wday;
  return t;
}

void installVirtualClock(uint64_t startTick, int64_t wallEpochMs) {
  auto& c = vclock();
  std::lock_guard lock(c.mutex);
  c.now = startTick;
  c.startTick = startTick;
  c.wallBase = wallEpochMs;
  ++c.activity;
  c.installed.store(true, std::memory_order_release);
  c.changed.notify_all();
}

void uninstallVirtualClock() {
  auto& c = vclock();
  std::lock_guard lock(c.mutex);
  c.installed.store(false, std::memory_order_release);
  c.participants.clear();
  c.changed.notify_all();
}

bool virtualClockInstalled() { return vclock().installed.load(std::memory_order_acquire); }

void advanceVirtualClock(uint64_t ms) {
  auto& c = vclock();
  std::lock_guard lock(c.mutex);
  c.now += ms;
  ++c.activity;
  c.changed.notify_all();
}

ClockParticipant::ClockParticipant() { detail::addParticipant(detail::currentThreadToken()); }
ClockParticipant::~ClockParticipant() { detail::removeParticipant(detail::currentThreadToken()); }

}  // namespace q7310::os

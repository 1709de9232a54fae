#include <algorithm>

#include "outside/printer/emulator/link.h"
#include "platform/os/clock.h"

namespace q7310::printer {

namespace {
// How often a waiting read looks again; on the virtual clock this is what
// lets time move while the host waits.
constexpr uint32_t kPollMs = 10;
}  // namespace

InProcessLink::InProcessLink(EmulatedPrinter& printer) : printer_(printer), session_(printer.openSession()) {}

bool InProcessLink::write(std::span<const uint8_t> bytes, uint32_t& written) {
  written = 0;
  {
    std::lock_guard lock(mutex_);
    if (disconnected_) return false;
    if (writeLimit_ != 0 && bytes.size() > writeLimit_) bytes = bytes.first(writeLimit_);
  }
  session_->write(bytes);
  written = static_cast<uint32_t>(bytes.size());
  return true;
}

bool InProcessLink::read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) {
  received = 0;
  uint64_t start = os::tickCount64();
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (disconnected_) return false;
      uint64_t now = os::tickCount64();
      bool silent = now < stallUntil_ || (deliverLeft_ && *deliverLeft_ == 0);
      if (!silent && !out.empty()) {
        std::span<uint8_t> room = out;
        if (readLimit_ != 0 && room.size() > readLimit_) room = room.first(readLimit_);
        if (deliverLeft_ && room.size() > *deliverLeft_) room = room.first(static_cast<size_t>(*deliverLeft_));
        if (!garbage_.empty()) {
          auto& g = garbage_.front();
          size_t n = std::min(room.size(), g.size());
          std::copy_n(g.begin(), n, room.begin());
          g.erase(g.begin(), g.begin() + static_cast<ptrdiff_t>(n));
          if (g.empty()) garbage_.pop_front();
          received = static_cast<uint32_t>(n);
        } else {
          received = static_cast<uint32_t>(session_->read(room));
        }
        if (deliverLeft_) *deliverLeft_ -= received;
        if (received > 0) return true;
      }
    }
    uint64_t waited = os::tickCount64() - start;
    if (waited >= timeoutMs) return true;
    os::sleepMs(static_cast<uint32_t>(std::min<uint64_t>(kPollMs, timeoutMs - waited)));
  }
}

void InProcessLink::limitReads(uint32_t n) {
  std::lock_guard lock(mutex_);
  readLimit_ = n;
}

void InProcessLink::limitWrites(uint32_t n) {
  std::lock_guard lock(mutex_);
  writeLimit_ = n;
}

void InProcessLink::stall(uint32_t ms) {
  std::lock_guard lock(mutex_);
  stallUntil_ = os::tickCount64() + ms;
}

void InProcessLink::stopAfter(uint64_t n) {
  std::lock_guard lock(mutex_);
  deliverLeft_ = n;
}

void InProcessLink::resume() {
  std::lock_guard lock(mutex_);
  deliverLeft_.reset();
  stallUntil_ = 0;
}

void InProcessLink::injectGarbage(std::vector<uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (!bytes.empty()) garbage_.push_back(std::move(bytes));
}

void InProcessLink::disconnect() {
  std::lock_guard lock(mutex_);
  disconnected_ = true;
}

void InProcessLink::reconnect() {
  std::lock_guard lock(mutex_);
  disconnected_ = false;
}

}  // namespace q7310::printer

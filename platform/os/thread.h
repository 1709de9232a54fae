// Threads with stack-size and priority hints, and waiting for their end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/os/api.h"
#include "platform/os/kernel_objects.h"

namespace q7310::os {

enum class ThreadPriority { Lowest = -2, BelowNormal = -1, Normal = 0, AboveNormal = 1, Highest = 2 };

class ThreadState;

class Q7310_OS_API Thread {
 public:
  // Starts body on a new thread. stackSize is a hint (0: the default); the
  // platform may round it up to what its runtime needs. nullptr on failure,
  // with the last error set. Under the virtual clock the thread takes part in
  // the clock from before its first step until it ends. Exceptions never leave
  // the body.
  static std::unique_ptr<Thread> start(std::function<void()> body, size_t stackSize = 0,
                                       ThreadPriority priority = ThreadPriority::Normal);
  // Closing the handle does not stop the thread; it runs on detached.
  ~Thread();

  // Blocks up to timeoutMs for the thread to end: Signalled once it has ended.
  WaitResult wait(uint32_t timeoutMs);
  bool finished() const;
  uint32_t id() const;
  size_t requestedStackSize() const { return requestedStackSize_; }
  ThreadPriority priority() const { return priority_; }

 private:
  Thread() = default;
  std::shared_ptr<ThreadState> state_;
  size_t requestedStackSize_ = 0;
  ThreadPriority priority_ = ThreadPriority::Normal;
};

// The calling thread's system-wide identifier.
Q7310_OS_API uint32_t currentThreadId();
// The calling process's identifier.
Q7310_OS_API uint32_t currentProcessId();

}  // namespace q7310::os

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/linux/wait.h"
#include "platform/os/thread.h"

namespace q7310::os {

class ThreadState {
 public:
  std::function<void()> body;
  uint64_t token = 0;
  int nice = 0;
  std::mutex mutex;
  std::condition_variable ended;
  std::atomic<bool> finished{false};
  std::atomic<uint32_t> id{0};
  std::atomic<bool> started{false};
};

namespace {

// Runtimes like the sanitizers need far more than the smallest stacks the
// package asks for; the request stays a hint.
constexpr size_t kMinimumStack = 512 * 1024;

int niceFor(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::Lowest: return 10;
    case ThreadPriority::BelowNormal: return 5;
    default: return 0;  // raising priority needs privileges we do not assume
  }
}

void* threadMain(void* arg) {
  auto* holder = static_cast<std::shared_ptr<ThreadState>*>(arg);
  std::shared_ptr<ThreadState> state = std::move(*holder);
  delete holder;
  detail::adoptThreadToken(state->token);
  state->id = currentThreadId();
  {
    std::lock_guard lock(state->mutex);
    state->started = true;
  }
  state->ended.notify_all();
  if (state->nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(state->id.load()), state->nice);
  try {
    state->body();
  } catch (...) {
    // No exception leaves a thread.
  }
  state->body = nullptr;
  {
    std::lock_guard lock(state->mutex);
    state->finished = true;
  }
  state->ended.notify_all();
  if (virtualClockInstalled()) detail::removeParticipant(state->token);
  return nullptr;
}

}  // namespace

std::unique_ptr<Thread> Thread::start(std::function<void()> body, size_t stackSize, ThreadPriority priority) {
  auto state = std::make_shared<ThreadState>();
  state->body = std::move(body);
  state->token = detail::newThreadToken();
  state->nice = niceFor(priority);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::max(stackSize, kMinimumStack));
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  bool virtualClock = virtualClockInstalled();
  if (virtualClock) detail::addParticipant(state->token);
  auto* holder = new std::shared_ptr<ThreadState>(state);
  pthread_t handle;
  int rc = pthread_create(&handle, &attr, threadMain, holder);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete holder;
    if (virtualClock) detail::removeParticipant(state->token);
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  {
    // The identifier is known once the thread runs; callers store it at once.
    std::unique_lock lock(state->mutex);
    state->ended.wait(lock, [&] { return state->started.load(); });
  }
  auto thread = std::unique_ptr<Thread>(new Thread);
  thread->state_ = std::move(state);
  thread->requestedStackSize_ = stackSize;
  thread->priority_ = priority;
  return thread;
}

Thread::~Thread() = default;

WaitResult Thread::wait(uint32_t timeoutMs) {
  if (virtualClockInstalled()) {
    return detail::virtualWait(timeoutMs, [&] { return state_->finished.load(); }) ? WaitResult::Signalled
                                                                                    : WaitResult::Timeout;
  }
  std::unique_lock lock(state_->mutex);
  auto done = [&] { return state_->finished.load(); };
  if (timeoutMs == kInfinite) {
    state_->ended.wait(lock, done);
    return WaitResult::Signalled;
  }
  return state_->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), done) ? WaitResult::Signalled
                                                                                   : WaitResult::Timeout;
}

bool Thread::finished() const { return state_->finished.load(); }
uint32_t Thread::id() const { return state_->id.load(); }

uint32_t currentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }
uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }

}  // namespace q7310::os

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <system_error>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/linux/wait.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::os {

namespace {

uint64_t fnv1a(std::string_view text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char ch : text) {
    hash ^= ch;
    hash *= 1099511628211ull;
  }
  return hash;
}

// Object names may hold any character; file names get the safe ones as they
// are and the rest as %XX.
std::string encodeName(std::string_view name) {
  std::string out;
  for (unsigned char ch : name) {
    if (std::isalnum(ch) || ch == '_' || ch == '-' || ch == '.') {
      out += static_cast<char>(ch);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", ch);
      out += buf;
    }
  }
  return out;
}

std::string decodeName(std::string_view file) {
  std::string out;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '%' && i + 2 < file.size()) {
      out += static_cast<char>(std::stoi(std::string(file.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += file[i];
    }
  }
  return out;
}

timespec absoluteTime(clockid_t clock, uint32_t timeoutMs) {
  timespec ts{};
  clock_gettime(clock, &ts);
  ts.tv_sec += timeoutMs / 1000;
  ts.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
  if (ts.tv_nsec >= 1000000000L) {
    ts.tv_sec += 1;
    ts.tv_nsec -= 1000000000L;
  }
  return ts;
}

void initRobustMutex(pthread_mutex_t* mutex, bool recursive) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  if (recursive) pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

// Locks a robust mutex that guards a short critical section; a dead holder's
// section is simply taken over.
void lockInner(pthread_mutex_t* mutex) {
  if (pthread_mutex_lock(mutex) == EOWNERDEAD) pthread_mutex_consistent(mutex);
}

struct MutexData {
  pthread_mutex_t mutex;
};

struct EventData {
  pthread_mutex_t mutex;
  pthread_cond_t changed;
  uint32_t signalled;
};

enum class Kind { Mutex, Event, Section };

const char* prefix(Kind kind) {
  switch (kind) {
    case Kind::Mutex: return "mtx.";
    case Kind::Event: return "evt.";
    case Kind::Section: return "sec.";
  }
  return "obj.";
}

// Holds the namespace's guard lock for the lifetime of the object.
class GuardLock {
 public:
  explicit GuardLock(const fs::path& folder) {
    fd_ = ::open((folder / ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      ::fchmod(fd_, 0666);
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~GuardLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

fs::path objectNamespaceFolder() {
  std::error_code ec;
  fs::path rootPath = fs::weakly_canonical(root(), ec);
  if (ec) rootPath = root();
  fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(rootPath.string())));
  return base / (std::string("q7310-") + hex);
}

std::vector<std::string> listSections() {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(objectNamespaceFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    std::string file = it->path().filename().string();
    if (file.rfind("sec.", 0) == 0) names.push_back(decodeName(file.substr(4)));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Memory shared by name through a file in the namespace folder, or private to
// the process when unnamed. Each open handle holds a shared flock on the file;
// the closer that can turn it into an exclusive one is the last and removes it.
class SharedBlock {
 public:
  using Init = std::function<void(uint8_t*)>;

  static std::unique_ptr<SharedBlock> acquire(Kind kind, std::string_view name, size_t size, bool mayCreate,
                                              bool* existed, const Init& init) {
    auto block = std::unique_ptr<SharedBlock>(new SharedBlock);
    if (existed) *existed = false;
    if (name.empty()) {
      if (!mayCreate) {
        setLastError(kErrorInvalidParameter);
        return nullptr;
      }
      block->private_ = std::make_unique<uint8_t[]>(size);
      block->data_ = block->private_.get();
      block->size_ = size;
      if (init) init(block->data_);
      setLastError(kErrorSuccess);
      return block;
    }
    fs::path folder = objectNamespaceFolder();
    std::error_code ec;
    if (!fs::is_directory(folder)) {
      fs::create_directories(folder, ec);
      ::chmod(folder.c_str(), 01777);
    }
    GuardLock guard(folder);
    if (!guard.ok()) {
      setLastError(kErrorAccessDenied);
      return nullptr;
    }
    block->file_ = folder / (prefix(kind) + encodeName(name));
    bool fresh = false;
    int fd = -1;
    if (mayCreate) fd = ::open(block->file_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fresh = true;
    } else {
      if (mayCreate && errno != EEXIST) {
        setLastError(kErrorAccessDenied);
        return nullptr;
      }
      fd = ::open(block->file_.c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) {
        setLastError(errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied);
        return nullptr;
      }
      // Nobody holds it: its last holder died. It does not exist any more.
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (!mayCreate) {
          ::unlink(block->file_.c_str());
          ::close(fd);
          setLastError(kErrorFileNotFound);
          return nullptr;
        }
        if (::ftruncate(fd, 0) != 0) {
          ::close(fd);
          setLastError(kErrorAccessDenied);
          return nullptr;
        }
        fresh = true;
      }
    }
    block->fd_ = fd;
    if (fresh) {
      ::fchmod(fd, 0666);
      if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        setLastError(kErrorNotEnoughMemory);
        ::unlink(block->file_.c_str());
        return nullptr;
      }
      block->size_ = size;
    } else {
      struct stat st{};
      ::fstat(fd, &st);
      if (static_cast<size_t>(st.st_size) < size || st.st_size == 0) {
        setLastError(kErrorInvalidParameter);
        return nullptr;
      }
      block->size_ = static_cast<size_t>(st.st_size);
    }
    void* mapped = ::mmap(nullptr, block->size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
      setLastError(kErrorNotEnoughMemory);
      if (fresh) ::unlink(block->file_.c_str());
      return nullptr;
    }
    block->data_ = static_cast<uint8_t*>(mapped);
    if (fresh && init) init(block->data_);
    while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
    }
    if (existed) *existed = !fresh;
    setLastError(fresh ? kErrorSuccess : kErrorAlreadyExists);
    return block;
  }

  ~SharedBlock() {
    if (private_) return;
    if (data_ != nullptr) ::munmap(data_, size_);
    if (fd_ < 0) return;
    GuardLock guard(file_.parent_path());
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) ::unlink(file_.c_str());
    ::close(fd_);
  }

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  SharedBlock() = default;
  std::unique_ptr<uint8_t[]> private_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  int fd_ = -1;
  fs::path file_;
};

// ---- Mutex ----

Mutex::Mutex(std::unique_ptr<SharedBlock> block, std::string name) : block_(std::move(block)), name_(std::move(name)) {}

std::unique_ptr<Mutex> Mutex::create(std::string_view name, bool initiallyOwned) {
  auto block = SharedBlock::acquire(Kind::Mutex, name, sizeof(MutexData), true, nullptr, [](uint8_t* data) {
    initRobustMutex(&reinterpret_cast<MutexData*>(data)->mutex, true);
  });
  if (!block) return nullptr;
  uint32_t error = lastError();
  auto mutex = std::unique_ptr<Mutex>(new Mutex(std::move(block), std::string(name)));
  if (initiallyOwned && error != kErrorAlreadyExists) mutex->wait(kInfinite);
  setLastError(error);
  return mutex;
}

std::unique_ptr<Mutex> Mutex::open(std::string_view name) {
  auto block = SharedBlock::acquire(Kind::Mutex, name, sizeof(MutexData), false, nullptr, nullptr);
  if (!block) return nullptr;
  return std::unique_ptr<Mutex>(new Mutex(std::move(block), std::string(name)));
}

Mutex::~Mutex() {
  auto* m = &reinterpret_cast<MutexData*>(block_->data())->mutex;
  if (ownerToken_ == detail::currentThreadToken()) {
    while (ownedByMe_ > 0 && pthread_mutex_unlock(m) == 0) --ownedByMe_;
    detail::noteActivity();
  }
}

WaitResult Mutex::wait(uint32_t timeoutMs) {
  auto* m = &reinterpret_cast<MutexData*>(block_->data())->mutex;
  int rc;
  if (virtualClockInstalled()) {
    rc = ETIMEDOUT;
    detail::virtualWait(timeoutMs, [&] {
      rc = pthread_mutex_trylock(m);
      if (rc == EBUSY) return false;
      return true;  // owned, abandoned or failed: stop waiting
    });
  } else if (timeoutMs == kInfinite) {
    rc = pthread_mutex_lock(m);
  } else {
    timespec deadline = absoluteTime(CLOCK_REALTIME, timeoutMs);
    rc = pthread_mutex_timedlock(m, &deadline);
  }
  switch (rc) {
    case 0:
      ownerToken_ = detail::currentThreadToken();
      ++ownedByMe_;
      return WaitResult::Signalled;
    case EOWNERDEAD:
      pthread_mutex_consistent(m);
      ownerToken_ = detail::currentThreadToken();
      ownedByMe_ = 1;
      return WaitResult::Abandoned;
    case ETIMEDOUT:
    case EBUSY:
      setLastError(kErrorTimeout);
      return WaitResult::Timeout;
    default:
      setLastError(kErrorInvalidHandle);
      return WaitResult::Failed;
  }
}

bool Mutex::release() {
  auto* m = &reinterpret_cast<MutexData*>(block_->data())->mutex;
  if (pthread_mutex_unlock(m) != 0) {
    setLastError(kErrorNotOwner);
    return false;
  }
  if (ownedByMe_ > 0 && ownerToken_ == detail::currentThreadToken()) --ownedByMe_;
  detail::noteActivity();
  return true;
}

// ---- Event ----

Event::Event(std::unique_ptr<SharedBlock> block, std::string name) : block_(std::move(block)), name_(std::move(name)) {}

std::unique_ptr<Event> Event::create(std::string_view name, bool initiallySignalled) {
  auto block = SharedBlock::acquire(Kind::Event, name, sizeof(EventData), true, nullptr, [&](uint8_t* data) {
    auto* e = reinterpret_cast<EventData*>(data);
    initRobustMutex(&e->mutex, false);
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&e->changed, &attr);
    pthread_condattr_destroy(&attr);
    e->signalled = initiallySignalled ? 1 : 0;
  });
  if (!block) return nullptr;
  return std::unique_ptr<Event>(new Event(std::move(block), std::string(name)));
}

std::unique_ptr<Event> Event::open(std::string_view name) {
  auto block = SharedBlock::acquire(Kind::Event, name, sizeof(EventData), false, nullptr, nullptr);
  if (!block) return nullptr;
  return std::unique_ptr<Event>(new Event(std::move(block), std::string(name)));
}

Event::~Event() = default;

bool Event::set() {
  auto* e = reinterpret_cast<EventData*>(block_->data());
  lockInner(&e->mutex);
  __atomic_store_n(&e->signalled, 1u, __ATOMIC_RELEASE);
  pthread_cond_broadcast(&e->changed);
  pthread_mutex_unlock(&e->mutex);
  detail::noteActivity();
  return true;
}

bool Event::reset() {
  auto* e = reinterpret_cast<EventData*>(block_->data());
  lockInner(&e->mutex);
  __atomic_store_n(&e->signalled, 0u, __ATOMIC_RELEASE);
  pthread_mutex_unlock(&e->mutex);
  detail::noteActivity();
  return true;
}

bool Event::isSignalled() const {
  auto* e = reinterpret_cast<EventData*>(block_->data());
  return __atomic_load_n(&e->signalled, __ATOMIC_ACQUIRE) != 0;
}

WaitResult Event::wait(uint32_t timeoutMs) {
  auto* e = reinterpret_cast<EventData*>(block_->data());
  if (virtualClockInstalled()) {
    bool got = detail::virtualWait(timeoutMs, [&] { return isSignalled(); });
    if (!got) setLastError(kErrorTimeout);
    return got ? WaitResult::Signalled : WaitResult::Timeout;
  }
  timespec deadline = absoluteTime(CLOCK_MONOTONIC, timeoutMs == kInfinite ? 0 : timeoutMs);
  lockInner(&e->mutex);
  WaitResult result = WaitResult::Signalled;
  while (e->signalled == 0) {
    int rc = timeoutMs == kInfinite ? pthread_cond_wait(&e->changed, &e->mutex)
                                    : pthread_cond_timedwait(&e->changed, &e->mutex, &deadline);
    if (rc == EOWNERDEAD) pthread_mutex_consistent(&e->mutex);
    if (rc == ETIMEDOUT) {
      result = e->signalled != 0 ? WaitResult::Signalled : WaitResult::Timeout;
      break;
    }
  }
  pthread_mutex_unlock(&e->mutex);
  if (result == WaitResult::Timeout) setLastError(kErrorTimeout);
  return result;
}

// ---- Section ----

Section::Section(std::unique_ptr<SharedBlock> block, std::string name)
    : block_(std::move(block)), name_(std::move(name)) {}

std::unique_ptr<Section> Section::create(std::string_view name, size_t size, bool* existed) {
  if (size == 0) {
    setLastError(kErrorInvalidParameter);
    return nullptr;
  }
  auto block = SharedBlock::acquire(Kind::Section, name, size, true, existed, nullptr);
  if (!block) return nullptr;
  return std::unique_ptr<Section>(new Section(std::move(block), std::string(name)));
}

std::unique_ptr<Section> Section::open(std::string_view name, size_t size) {
  auto block = SharedBlock::acquire(Kind::Section, name, size, false, nullptr, nullptr);
  if (!block) return nullptr;
  return std::unique_ptr<Section>(new Section(std::move(block), std::string(name)));
}

Section::~Section() = default;
uint8_t* Section::data() { return block_->data(); }
const uint8_t* Section::data() const { return block_->data(); }
size_t Section::size() const { return block_->size(); }

}  // namespace q7310::os

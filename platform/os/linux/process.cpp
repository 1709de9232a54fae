#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/library.h"
#include "platform/os/linux/wait.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"

extern char** environ;

namespace fs = std::filesystem;

namespace q7310::os {

std::unique_ptr<Process> Process::start(std::string_view program, const std::vector<std::string>& args) {
  fs::path path = mapPath(program);
  if (path.parent_path().empty()) {
    auto found = findInFolder(platformLibraryFolder(), path.string());
    if (found) path = *found;
  }
  std::vector<std::string> argv{path.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (auto& arg : argv) raw.push_back(arg.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  int rc = path.has_parent_path() ? posix_spawn(&pid, path.c_str(), nullptr, nullptr, raw.data(), environ)
                                  : posix_spawnp(&pid, path.c_str(), nullptr, nullptr, raw.data(), environ);
  if (rc != 0) {
    setLastError(kErrorFileNotFound);
    return nullptr;
  }
  return std::unique_ptr<Process>(new Process(static_cast<uint32_t>(pid)));
}

Process::~Process() { poll(); }

bool Process::poll() {
  if (exitCode_) return true;
  int status = 0;
  pid_t rc = waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
  if (rc == static_cast<pid_t>(pid_)) {
    exitCode_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                                  : 128u + static_cast<uint32_t>(WTERMSIG(status));
    return true;
  }
  if (rc < 0 && errno == ECHILD) {
    exitCode_ = 0xFFFFFFFFu;  // not our child any more: nothing to learn
    return true;
  }
  return false;
}

WaitResult Process::wait(uint32_t timeoutMs) {
  if (virtualClockInstalled()) {
    return detail::virtualWait(timeoutMs, [&] { return poll(); }) ? WaitResult::Signalled : WaitResult::Timeout;
  }
  if (timeoutMs == kInfinite) {
    int status = 0;
    while (!exitCode_) {
      pid_t rc = waitpid(static_cast<pid_t>(pid_), &status, 0);
      if (rc == static_cast<pid_t>(pid_)) {
        exitCode_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                                      : 128u + static_cast<uint32_t>(WTERMSIG(status));
      } else if (rc < 0 && errno != EINTR) {
        return WaitResult::Failed;
      }
    }
    return WaitResult::Signalled;
  }
  uint64_t deadline = tickCount64() + timeoutMs;
  while (!poll()) {
    if (tickCount64() >= deadline) return WaitResult::Timeout;
    usleep(1000);
  }
  return WaitResult::Signalled;
}

std::optional<uint32_t> Process::exitCode() {
  poll();
  return exitCode_;
}

bool Process::terminate() {
  if (poll()) return true;
  return kill(static_cast<pid_t>(pid_), SIGKILL) == 0;
}

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  std::string current;
  bool inQuotes = false;
  bool any = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char ch = line[i];
    if (ch == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
      current += '"';
      any = true;
      ++i;
    } else if (ch == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((ch == ' ' || ch == '\t') && !inQuotes) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += ch;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

}  // namespace q7310::os

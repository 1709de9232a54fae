// One file per window in the root's object namespace folder, named
// "win.<process>.<sequence>", holding the class name and title on two lines.
#include "platform/ui/windows.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "platform/os/errors.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::ui {
namespace {

constexpr const char* kPrefix = "win.";

std::mutex& ownMutex() {
  static std::mutex m;
  return m;
}
// The windows this process registered (by id), with the file of each.
std::set<WindowId>& ownWindows() {
  static std::set<WindowId> w;
  return w;
}

// The id carries the process in its high half, so ids differ across processes.
WindowId makeId(uint32_t pid, uint32_t sequence) { return (uint64_t{pid} << 32) | sequence; }

fs::path fileOf(WindowId id) {
  return os::objectNamespaceFolder() /
         (kPrefix + std::to_string(id >> 32) + "." + std::to_string(static_cast<uint32_t>(id)));
}

bool processAlive(uint32_t pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

std::optional<WindowInfo> readWindow(const fs::path& file) {
  const std::string name = file.filename().string();
  if (name.rfind(kPrefix, 0) != 0) return std::nullopt;
  const size_t dot = name.find('.', 4);
  if (dot == std::string::npos) return std::nullopt;
  WindowInfo info;
  try {
    info.processId = static_cast<uint32_t>(std::stoul(name.substr(4, dot - 4)));
    info.id = makeId(info.processId, static_cast<uint32_t>(std::stoul(name.substr(dot + 1))));
  } catch (...) {
    return std::nullopt;
  }
  std::ifstream in(file);
  if (!in || !std::getline(in, info.className)) return std::nullopt;
  std::getline(in, info.title);
  return info;
}

}  // namespace

WindowId registerTopLevelWindow(std::string_view className, std::string_view title) {
  auto control = [](std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  };
  if (className.empty() || control(className) || control(title)) {
    os::setLastError(os::kErrorInvalidParameter);
    return 0;
  }
  static std::atomic<uint32_t> sequence{0};
  const WindowId id = makeId(static_cast<uint32_t>(::getpid()), ++sequence);
  std::error_code ec;
  fs::create_directories(os::objectNamespaceFolder(), ec);
  // Written under a temporary name first, so a reader never sees half of it.
  const fs::path file = fileOf(id);
  const fs::path temp = file.parent_path() / ("tmp." + file.filename().string());
  {
    std::ofstream out(temp, std::ios::trunc);
    out << className << '\n' << title << '\n';
    if (!out.flush()) {
      fs::remove(temp, ec);
      os::setLastError(os::kErrorWriteFault);
      return 0;
    }
  }
  fs::rename(temp, file, ec);
  if (ec) {
    fs::remove(temp, ec);
    os::setLastError(os::kErrorWriteFault);
    return 0;
  }
  std::lock_guard lock(ownMutex());
  ownWindows().insert(id);
  return id;
}

bool unregisterTopLevelWindow(WindowId window) {
  std::lock_guard lock(ownMutex());
  if (ownWindows().erase(window) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  std::error_code ec;
  fs::remove(fileOf(window), ec);
  return true;
}

std::vector<WindowInfo> topLevelWindows() {
  std::vector<WindowInfo> out;
  std::error_code ec;
  for (fs::directory_iterator it(os::objectNamespaceFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    auto info = readWindow(it->path());
    if (!info) continue;
    if (!processAlive(info->processId)) {
      // Left behind by a process that ended without closing its window.
      std::error_code ignored;
      fs::remove(it->path(), ignored);
      continue;
    }
    out.push_back(*info);
  }
  std::sort(out.begin(), out.end(), [](const WindowInfo& a, const WindowInfo& b) {
    return a.processId != b.processId ? a.processId < b.processId : a.id < b.id;
  });
  return out;
}

bool findTopLevelWindow(std::string_view className) {
  for (const WindowInfo& w : topLevelWindows()) {
    if (os::equalsIgnoreCase(w.className, className)) return true;
  }
  return false;
}

}  // namespace q7310::ui

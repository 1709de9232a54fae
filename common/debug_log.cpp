#include "common/debug_log.h"

#include <cstdio>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace q7310 {

DebugLog::DebugLog(std::string baseName) : baseName_(std::move(baseName)) {}

std::string DebugLog::filePath(std::string_view subName) const {
  std::string path = os::windowsFolder(os::Folder::DebugLog) + "\\" + baseName_;
  if (!subName.empty()) {
    path += '_';
    path += subName;
  }
  return path + ".log";
}

void DebugLog::log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vlogTo({}, format, args);
  va_end(args);
}

void DebugLog::logTo(std::string_view subName, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vlogTo(subName, format, args);
  va_end(args);
}

void DebugLog::vlogTo(std::string_view subName, const char* format, va_list args) {
  // Logging must never change what the caller's last error says.
  uint32_t savedError = os::lastError();
  char message[kMaxMessage + 1];
  int n = std::vsnprintf(message, sizeof message, format, args);
  if (n < 0) message[0] = '\0';
  std::string_view text(message);

  os::LocalTime t = os::localTimeNow();
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "%d-%02d-%02d %02d:%02d:%02d.%04d :: ", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.milliseconds);

  std::string path = filePath(subName);
  std::lock_guard lock(mutex_);
  int& depth = depth_[path];
  if (text.starts_with("<<<<") && depth > 0) --depth;
  std::string line(prefix);
  line.append(static_cast<size_t>(depth) * 4, ' ');
  line += text;
  if (!text.ends_with('\n')) line += '\n';
  if (text.starts_with(">>>>")) ++depth;
  os::appendToFile(path, line);
  os::setLastError(savedError);
}

}  // namespace q7310

// The debug log every module writes into "C:\zelsoftware.debug": one file per
// module ("q7310lm.log") and, with a sub-name, one per port or device
// ("q7310lm_<sub>.log"). Each line is appended with the file opened and closed
// again; without the folder nothing is written and nothing fails.
//
// Line: "%d-%02d-%02d %02d:%02d:%02d.%04d :: " in local time, four blanks per
// open nesting level, the message (cut at 1023 characters), a line feed unless
// the message ends with one. ">>>>" opens a level after its line, "<<<<"
// closes one before it; levels are counted per file. Safe from any thread.
#pragma once

#include <cstdarg>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace q7310 {

class DebugLog {
 public:
  // baseName without extension, for example "q7310lm".
  explicit DebugLog(std::string baseName);

  void log(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // An empty sub-name writes to the module's own file.
  void logTo(std::string_view subName, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void vlogTo(std::string_view subName, const char* format, va_list args);

  // The Windows path of the file a sub-name writes to.
  std::string filePath(std::string_view subName) const;

  static constexpr size_t kMaxMessage = 1023;

 private:
  std::string baseName_;
  std::mutex mutex_;
  std::map<std::string, int> depth_;
};

}  // namespace q7310

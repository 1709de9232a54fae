// Child processes: start a program, wait for it, read its exit code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/api.h"
#include "platform/os/kernel_objects.h"

namespace q7310::os {

class Q7310_OS_API Process {
 public:
  // Starts program (a Windows or native path; a plain name is looked for in
  // the build's output folder, then in $PATH) with args. The child inherits
  // the environment, so it sees the same root. nullptr with
  // kErrorFileNotFound when the program cannot be started.
  static std::unique_ptr<Process> start(std::string_view program, const std::vector<std::string>& args);
  // Closing the handle leaves the child running; a finished child is reaped.
  ~Process();

  // Blocks up to timeoutMs for the child to end.
  WaitResult wait(uint32_t timeoutMs);
  // The exit code once it ended; a child killed by a signal reads 128 + signal.
  std::optional<uint32_t> exitCode();
  bool terminate();
  uint32_t id() const { return pid_; }

 private:
  explicit Process(uint32_t pid) : pid_(pid) {}
  bool poll();
  uint32_t pid_;
  std::optional<uint32_t> exitCode_;
};

// Splits a command line with the platform's rules: blanks separate arguments,
// double quotes group, a backslash escapes a quote.
Q7310_OS_API std::vector<std::string> splitCommandLine(std::string_view commandLine);

}  // namespace q7310::os

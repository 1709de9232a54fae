#include "platform/spooler/linux/state.h"

#include <cctype>

#include "platform/os/paths.h"

namespace q7310::spooler::detail {

std::mutex& stateMutex() {
  static std::mutex mutex;
  return mutex;
}

RootState& rootState() {
  static std::map<std::string, RootState> states;
  return states[os::root().string()];
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

}  // namespace q7310::spooler::detail

#include "testing/color_profiles.h"

#include <filesystem>
#include <system_error>

#include "platform/os/paths.h"

namespace q7310::testing {

bool installColorProfiles() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path target = os::folderPath(os::Folder::Color);
  fs::create_directories(target, error);
  int copied = 0;
  for (const auto& entry : fs::directory_iterator(Q7310_PROFILE_DIR, error)) {
    if (!entry.is_regular_file() || !os::equalsIgnoreCase(entry.path().extension().string(), ".icc")) continue;
    if (!fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing, error))
      return false;
    ++copied;
  }
  return copied > 0;
}

std::string colorProfilePath(const std::string& fileName) {
  return os::windowsFolder(os::Folder::Color) + "\\" + fileName;
}

}  // namespace q7310::testing

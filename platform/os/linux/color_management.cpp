#include "platform/os/color_management.h"

#include <filesystem>
#include <system_error>

#include "platform/os/errors.h"
#include "platform/os/paths.h"

namespace q7310::os {

std::optional<std::string> getColorDirectory() {
  std::error_code error;
  if (!std::filesystem::is_directory(folderPath(Folder::Color), error)) {
    setLastError(kErrorPathNotFound);
    return std::nullopt;
  }
  return windowsFolder(Folder::Color);
}

}  // namespace q7310::os

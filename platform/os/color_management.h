// The operating system's color management, as far as the package asks it:
// where color profiles are installed. The stand-in answers from the root's
// color folder (Folder::Color); it does not block.
#pragma once

#include <optional>
#include <string>

#include "platform/os/api.h"

namespace q7310::os {

// The question "GetColorDirectory" for the local machine: the Windows path of
// the color folder ("C:\Windows\System32\spool\drivers\color"), nullopt with
// kErrorPathNotFound when the root has no such folder.
Q7310_OS_API std::optional<std::string> getColorDirectory();

}  // namespace q7310::os

// The root folder that stands in for the machine's drives, and the mapping of
// Windows paths into it: "C:\zelsoftware.debug\q7310lm.log" is
// <root>/C/zelsoftware.debug/q7310lm.log. Names compare without regard to
// letter case, as on the platform the package was written for.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/api.h"

namespace q7310::os {

// The root: $Q7310_ROOT, else ~/.local/share/q7310. Read on every call so a
// test (and every child process it starts) can point it elsewhere.
Q7310_OS_API std::filesystem::path root();
// Sets $Q7310_ROOT for this process and the processes it starts. Not thread-safe
// against concurrent root() calls; tests call it before starting threads.
Q7310_OS_API void setRoot(const std::filesystem::path& path);

// Pure path rule: "C:\a\b" or "c:/a/b" -> "C/a/b" (drive letter upper case,
// separators '/'); "\\?\..." and other paths without a drive -> nullopt.
Q7310_OS_API std::optional<std::string> windowsPathToRootRelative(std::string_view windowsPath);

// Maps a Windows path into the root, matching each existing name without
// regard to case. Any other path (a native one) is returned unchanged.
Q7310_OS_API std::filesystem::path mapPath(std::string_view path);

// Finds name in folder ignoring case; the exact name wins. nullopt if absent.
Q7310_OS_API std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder,
                                                              std::string_view name);

enum class Folder {
  Windows,            // C:\Windows
  System,             // C:\Windows\System32
  System32Bit,        // C:\Windows\SysWOW64
  DriverX64,          // C:\Windows\System32\spool\drivers\x64
  DriverX64Version3,  // ...\x64\3
  DriverW32X86,       // C:\Windows\System32\spool\drivers\W32X86
  DriverW32X86Version3,
  Color,              // C:\Windows\System32\spool\drivers\color
  ProgramFiles,       // C:\Program Files
  ProgramFilesX86,    // C:\Program Files (x86)
  CommonAppData,      // C:\ProgramData
  Programs,           // C:\ProgramData\Microsoft\Windows\Start Menu\Programs
  Startup,            // ...\Start Menu\Programs\Startup
  Temp,               // C:\Windows\Temp
  DebugLog,           // C:\zelsoftware.debug
};

// The folder's Windows path, without a trailing separator.
Q7310_OS_API std::string windowsFolder(Folder folder);
// The folder mapped into the root (not created).
Q7310_OS_API std::filesystem::path folderPath(Folder folder);

// Case-insensitive comparison of ASCII names, as the platform compares file,
// port and object names.
Q7310_OS_API bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace q7310::os

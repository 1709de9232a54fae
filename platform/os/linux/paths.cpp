#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::os {

fs::path root() {
  if (const char* env = getenv("Q7310_ROOT"); env != nullptr && *env != '\0') return fs::path(env);
  const char* home = getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* pw = getpwuid(getuid());
    home = pw != nullptr ? pw->pw_dir : "/tmp";
  }
  return fs::path(home) / ".local" / "share" / "q7310";
}

void setRoot(const fs::path& path) { setenv("Q7310_ROOT", path.c_str(), 1); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::optional<std::string> windowsPathToRootRelative(std::string_view path) {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) {
    return std::nullopt;
  }
  std::string out(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
  std::string_view rest = path.substr(2);
  std::string component;
  auto flush = [&] {
    if (component.empty() || component == ".") {
      component.clear();
      return;
    }
    if (component == "..") {
      // Never climb above the drive.
      auto cut = out.find_last_of('/');
      if (cut != std::string::npos) out.erase(cut);
    } else {
      out += '/';
      out += component;
    }
    component.clear();
  };
  for (char ch : rest) {
    if (ch == '\\' || ch == '/') {
      flush();
    } else {
      component += ch;
    }
  }
  flush();
  return out;
}

std::optional<fs::path> findInFolder(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  fs::path exact = folder / std::string(name);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  fs::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  for (const auto& entry : it) {
    if (equalsIgnoreCase(entry.path().filename().string(), name)) return entry.path();
  }
  return std::nullopt;
}

fs::path mapPath(std::string_view path) {
  auto relative = windowsPathToRootRelative(path);
  if (!relative) return fs::path(std::string(path));
  fs::path current = root();
  std::string_view rest = *relative;
  while (!rest.empty()) {
    auto cut = rest.find('/');
    std::string_view name = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    auto found = findInFolder(current, name);
    current = found ? *found : current / std::string(name);
  }
  return current;
}

std::string windowsFolder(Folder folder) {
  switch (folder) {
    case Folder::Windows: return "C:\\Windows";
    case Folder::System: return "C:\\Windows\\System32";
    case Folder::System32Bit: return "C:\\Windows\\SysWOW64";
    case Folder::DriverX64: return "C:\\Windows\\System32\\spool\\drivers\\x64";
    case Folder::DriverX64Version3: return "C:\\Windows\\System32\\spool\\drivers\\x64\\3";
    case Folder::DriverW32X86: return "C:\\Windows\\System32\\spool\\drivers\\W32X86";
    case Folder::DriverW32X86Version3: return "C:\\Windows\\System32\\spool\\drivers\\W32X86\\3";
    case Folder::Color: return "C:\\Windows\\System32\\spool\\drivers\\color";
    case Folder::ProgramFiles: return "C:\\Program Files";
    case Folder::ProgramFilesX86: return "C:\\Program Files (x86)";
    case Folder::CommonAppData: return "C:\\ProgramData";
    case Folder::Programs: return "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    case Folder::Startup: return "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    case Folder::Temp: return "C:\\Windows\\Temp";
    case Folder::DebugLog: return "C:\\zelsoftware.debug";
  }
  return "C:\\";
}

fs::path folderPath(Folder folder) { return mapPath(windowsFolder(folder)); }

}  // namespace q7310::os

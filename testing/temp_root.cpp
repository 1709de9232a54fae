#include "testing/temp_root.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/os/files.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::testing {

TempRoot::TempRoot() {
  if (const char* old = std::getenv("Q7310_ROOT")) previousRoot_ = old;
  std::string pattern = (fs::temp_directory_path() / "q7310-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("cannot create a temporary root");
  path_ = fs::path(made);
  os::setRoot(path_);
}

TempRoot::~TempRoot() {
  std::error_code ec;
  fs::remove_all(os::objectNamespaceFolder(), ec);
  fs::remove_all(path_, ec);
  if (previousRoot_) {
    os::setRoot(*previousRoot_);
  } else {
    unsetenv("Q7310_ROOT");
  }
}

void TempRoot::enableDebugLog() const { os::createFolder(os::windowsFolder(os::Folder::DebugLog)); }

std::string TempRoot::debugLog(const std::string& fileName) const {
  auto text = os::readTextFile(os::windowsFolder(os::Folder::DebugLog) + "\\" + fileName);
  return text ? *text : std::string();
}

VirtualClock::VirtualClock() {
  os::installVirtualClock(kStartTick, kWallEpochMs);
  participant_ = std::make_unique<os::ClockParticipant>();
}

VirtualClock::~VirtualClock() {
  participant_.reset();
  os::uninstallVirtualClock();
}

uint64_t VirtualClock::elapsed() const { return os::tickCount64() - kStartTick; }

fs::path buildOutputFolder() { return os::platformLibraryFolder(); }

}  // namespace q7310::testing

// The demo: the main job of the system on a fresh root. Until the print path
// is complete it exercises what exists and says so.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/commands.h"
#include "common/debug_log.h"
#include "platform/os/clock.h"
#include "platform/os/files.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::app {

int runDemo(const std::vector<std::string>& args) {
  fs::path demoRoot = args.empty() ? fs::temp_directory_path() / "q7310-demo" : fs::path(args[0]);
  std::error_code ec;
  fs::remove_all(demoRoot, ec);
  fs::create_directories(demoRoot, ec);
  os::setRoot(demoRoot);
  std::printf("q7310 demo: fresh root %s\n", demoRoot.c_str());

  os::createFolder(os::windowsFolder(os::Folder::DebugLog));
  DebugLog log("q7310demo");
  log.log(">>>> demo");
  bool existed = false;
  auto section = os::Section::create("Global\\Q7310_DEMO", 64, &existed);
  auto mutex = os::Mutex::create("Global\\Q7310_MUTEX_DEMO");
  bool ok = section != nullptr && mutex != nullptr && mutex->wait(1000) == os::WaitResult::Signalled;
  if (mutex) mutex->release();
  log.log("INFO:    platform objects %s", ok ? "work" : "FAILED");
  log.log("<<<< demo");

  std::printf("q7310 demo: the platform layer works (root, named objects, debug log: %s)\n",
              os::mapPath(log.filePath({})).c_str());
  std::printf(
      "q7310 demo: the print path (graphics driver, port monitor, emulated printer) is not built yet,\n"
      "            so no photo was printed.\n");
  return ok ? 0 : 1;
}

}  // namespace q7310::app

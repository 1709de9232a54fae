// Helper process of the window registry tests:
//   find CLASS      exit 0 when a window of the class exists, else 1
//   register CLASS  registers a window and ends without removing it
#include <string>

#include "platform/ui/windows.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string command = argv[1];
  if (command == "find") return q7310::ui::findTopLevelWindow(argv[2]) ? 0 : 1;
  if (command == "register") return q7310::ui::registerTopLevelWindow(argv[2], "left behind") != 0 ? 0 : 1;
  return 2;
}

// q7310: plays the printing application and the user of the Veltrano DPX-Q7310
// host software on this machine.
#include <cstdio>
#include <string>
#include <vector>

#include "app/commands.h"

namespace {

void usage() {
  std::puts(
      "usage: q7310 <command> [args]\n"
      "  demo    run the main job on the emulated printer in a fresh root\n"
      "\n"
      "The root folder that stands in for the machine is $Q7310_ROOT\n"
      "(default ~/.local/share/q7310).");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    usage();
    return args.empty() ? 2 : 0;
  }
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "demo") return q7310::app::runDemo(args);
  std::fprintf(stderr, "q7310: unknown command '%s'\n", command.c_str());
  usage();
  return 2;
}

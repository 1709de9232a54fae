// q7310-printer: runs one emulated printer that other processes reach through
// its endpoint under the root, or sends an operator command to a running one.
//
//   q7310-printer [--port N] [--key KEY] [--ribbon 4x6|6x8|N] [--remaining N]
//                 [--error NAME]... [--firmware C=MAJOR.MINOR]... [--serial TEXT]
//                 [--param63 V] [--param84 V] [--speed X] [--ready-event NAME]
//                 [--prints FOLDER]
//   q7310-printer --port N --control "COMMAND"
//
// Runs until it is terminated, or until its standard input ends when
// --until-stdin-ends is given.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/protocol/printer_protocol.h"
#include "outside/printer/emulator/socket_link.h"
#include "platform/os/clock.h"
#include "platform/os/kernel_objects.h"

using namespace q7310;
using namespace q7310::printer;

namespace {

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

int usage(const char* message) {
  std::fprintf(stderr, "q7310-printer: %s\n", message);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  PrinterConfig config;
  int port = 1;
  std::string key;
  std::string readyEvent;
  std::string control;
  std::vector<PrinterError> errors;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& opt = args[i];
    auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    const std::string* v = nullptr;
    if (opt == "--port" && (v = value())) {
      port = std::atoi(v->c_str());
    } else if (opt == "--key" && (v = value())) {
      key = *v;
    } else if (opt == "--ribbon" && (v = value())) {
      if (*v == "4x6") {
        config.ribbonType = protocol::kRibbon4x6;
      } else if (*v == "6x8") {
        config.ribbonType = protocol::kRibbon6x8;
        config.ribbonRemaining = 200;
      } else {
        config.ribbonType = static_cast<uint8_t>(std::atoi(v->c_str()));
      }
    } else if (opt == "--remaining" && (v = value())) {
      config.ribbonRemaining = static_cast<uint32_t>(std::strtoul(v->c_str(), nullptr, 10));
    } else if (opt == "--error" && (v = value())) {
      auto error = parseError(*v);
      if (!error) return usage(("unknown condition " + *v).c_str());
      errors.push_back(*error);
    } else if (opt == "--firmware" && (v = value())) {
      unsigned component = 0, major = 0, minor = 0;
      if (std::sscanf(v->c_str(), "%u=%u.%x", &component, &major, &minor) != 3 || component < 1 || component > 3) {
        return usage("--firmware wants C=MAJOR.MINOR, e.g. 1=5.12");
      }
      config.firmware[component - 1] = {static_cast<uint8_t>(major), static_cast<uint8_t>(minor)};
    } else if (opt == "--serial" && (v = value())) {
      config.serial = *v;
    } else if (opt == "--param63" && (v = value())) {
      config.parameter63 = std::atoi(v->c_str());
    } else if (opt == "--param84" && (v = value())) {
      config.parameter84 = std::atoi(v->c_str());
    } else if (opt == "--speed" && (v = value())) {
      config.speed = std::atof(v->c_str());
      if (config.speed <= 0) return usage("--speed wants a positive number");
    } else if (opt == "--prints" && (v = value())) {
      config.printFolder = *v;
    } else if (opt == "--ready-event" && (v = value())) {
      readyEvent = *v;
    } else if (opt == "--control" && (v = value())) {
      control = *v;
    } else {
      return usage(("unknown or incomplete option " + opt).c_str());
    }
  }
  if (port < 1 || port > 999) return usage("--port wants 1 to 999");

  if (!control.empty()) {
    auto link = SocketLink::connect(printerEndpoint(port));
    if (!link) return usage("no printer on that port");
    auto reply = link->control(control);
    if (!reply) return usage("the printer did not answer");
    std::printf("%s\n", reply->c_str());
    return reply->rfind("OK", 0) == 0 ? 0 : 1;
  }

  if (key.empty()) key = std::string(protocol::displaySerial(config.serial));
  EmulatedPrinter printer(config);
  for (PrinterError e : errors) printer.raiseError(e);
  auto server = PrinterServer::start(printer, printerEndpoint(port), key);
  if (!server) return usage("cannot listen at the printer's endpoint");
  std::signal(SIGTERM, onSignal);
  std::signal(SIGINT, onSignal);
  std::printf("q7310-printer: port %d, key %s, listening at %s\n", port, key.c_str(),
              printerEndpoint(port).string().c_str());
  std::fflush(stdout);
  std::unique_ptr<os::Event> ready;
  if (!readyEvent.empty()) {
    ready = os::Event::create(readyEvent);
    if (ready) ready->set();
  }
  while (!gStop) os::sleepMs(100);
  return 0;
}

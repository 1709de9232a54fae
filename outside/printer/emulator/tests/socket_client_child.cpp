// A second process for the socket tests: connects to the printer on a port and
//   status N      asks for the status N times; exit 0 if every answer was whole
//   print ID      sends a 16 x 20 print with image data; exit 0 if accepted and taken
#include <cstdlib>
#include <string>
#include <vector>

#include "common/protocol/printer_protocol.h"
#include "outside/printer/emulator/socket_link.h"

using namespace q7310;
using namespace q7310::printer;

namespace {

bool readWhole(PrinterLink& link, std::vector<uint8_t>& out, size_t size) {
  out.assign(size, 0);
  size_t got = 0;
  while (got < size) {
    uint32_t n = 0;
    if (!link.read(std::span(out).subspan(got), 5000, n) || n == 0) return false;
    got += n;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  auto link = SocketLink::connect(printerEndpoint(std::atoi(argv[1])));
  if (!link) return 3;
  std::string command = argv[2];
  int n = std::atoi(argv[3]);
  uint32_t written = 0;
  std::vector<uint8_t> answer;
  if (command == "status") {
    for (int i = 0; i < n; ++i) {
      if (!link->write(protocol::commandPacket(protocol::kCmdGetStatus), written)) return 4;
      if (!readWhole(*link, answer, protocol::kStatusRecordSize) || answer[0] != 1) return 5;
    }
    return 0;
  }
  if (command == "print") {
    auto packet = protocol::encodePrintCommand({static_cast<uint8_t>(n), 1, 16, 20, 1, 0x18});
    if (!link->write(packet, written)) return 4;
    if (!readWhole(*link, answer, protocol::kResponseSize) || answer[0] != 1 || answer[1] != 0) return 5;
    std::vector<uint8_t> image(16 * 20 * 8, static_cast<uint8_t>(n));
    if (!link->write(image, written)) return 4;
    // A status answer means the printer has taken every byte sent before it.
    if (!link->write(protocol::commandPacket(protocol::kCmdGetStatus), written)) return 4;
    if (!readWhole(*link, answer, protocol::kStatusRecordSize)) return 5;
    return 0;
  }
  return 2;
}

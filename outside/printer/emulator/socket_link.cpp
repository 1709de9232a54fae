#include "outside/printer/emulator/socket_link.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "common/le.h"
#include "common/protocol/printer_protocol.h"
#include "platform/os/clock.h"
#include "platform/os/paths.h"

namespace q7310::printer {

namespace {

constexpr uint8_t kFrameHostBytes = 'W';
constexpr uint8_t kFrameTransfer = 'T';
constexpr uint8_t kFrameControl = 'C';
constexpr uint8_t kFrameReply = 'A';
constexpr size_t kFrameHeader = 5;
// No frame is larger: image data goes out in pieces of at most this.
constexpr uint32_t kMaxFrame = 1u << 20;
// How often the server's threads look at the stop flag.
constexpr uint32_t kServerPollMs = 100;

bool sendFrame(os::LocalSocket& socket, uint8_t kind, std::span<const uint8_t> payload) {
  std::vector<uint8_t> frame(kFrameHeader + payload.size());
  frame[0] = kind;
  le::putU32(frame, 1, static_cast<uint32_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeader);
  return socket.send(frame);
}

std::span<const uint8_t> textBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

template <typename T>
bool parseNumber(std::string_view text, T& value, int base = 10) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::filesystem::path printerEndpoint(int portNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "Q7310_%03d.sock", portNumber);
  return os::root() / "devices" / name;
}

std::optional<int> portNumberOf(std::string_view portName) {
  if (portName.size() != 9 || !os::equalsIgnoreCase(portName.substr(0, 6), "Q7310_")) return std::nullopt;
  int n = 0;
  if (!parseNumber(portName.substr(6), n) || n < 1) return std::nullopt;
  return n;
}

std::string runControl(EmulatedPrinter& printer, std::string_view command, std::string_view deviceKey) {
  std::istringstream in{std::string(command)};
  std::string verb, a, b, c;
  in >> verb >> a >> b >> c;
  if (verb == "status") {
    auto s = printer.status();
    auto d = protocol::describeState(s.response);
    char text[160];
    std::snprintf(text, sizeof text, "OK prnStatus=0x%02X errMajor=%d errMinor=%d text=%.*s prints=%u ribbon=%u",
                  s.response.prnStatus, s.response.errMajor, s.response.errMinor, static_cast<int>(d.text.size()),
                  d.text.data(), s.lifetimeCount, s.ribbonRemaining);
    return text;
  }
  if (verb == "prints") {
    auto prints = printer.prints();
    std::string out = "OK " + std::to_string(prints.size());
    for (const auto& p : prints) {
      out += "\n" + std::to_string(p.command.printId) + " " + std::to_string(p.command.width) + "x" +
             std::to_string(p.command.height) + " copies=" + std::to_string(p.command.copies) +
             " printed=" + std::to_string(p.copiesPrinted) + (p.complete ? " complete" : " incomplete") +
             (p.cancelled ? " cancelled" : "");
    }
    return out;
  }
  if (verb == "device-key") return "OK " + std::string(deviceKey);
  if (verb == "paper-replaced") {
    printer.paperReplaced();
    return "OK";
  }
  if (verb == "maintenance") {
    printer.maintenanceDone();
    return "OK";
  }
  if (verb == "error" || verb == "clear") {
    if (verb == "clear" && a == "all") {
      printer.clearErrors();
      return "OK";
    }
    auto error = parseError(a);
    if (!error) return "ERROR unknown condition " + a;
    verb == "error" ? printer.raiseError(*error) : printer.clearError(*error);
    return "OK";
  }
  if (verb == "ribbon") {
    uint32_t type = 0;
    if (a == "4x6") {
      type = protocol::kRibbon4x6;
    } else if (a == "6x8") {
      type = protocol::kRibbon6x8;
    } else if (!parseNumber(a, type) || type > 255) {
      return "ERROR bad ribbon " + a;
    }
    uint32_t remaining = type == protocol::kRibbon6x8 ? 200 : 400;
    if (!b.empty() && !parseNumber(b, remaining)) return "ERROR bad count " + b;
    printer.loadRibbon(static_cast<uint8_t>(type), remaining);
    return "OK";
  }
  if (verb == "refuse") {
    uint32_t error = 0, count = 1;
    if (!parseNumber(a, error, 16) || error > 255 || (!b.empty() && !parseNumber(b, count))) return "ERROR bad refuse";
    printer.refuseCommands(static_cast<uint8_t>(error), count);
    return "OK";
  }
  if (verb == "buffers-full") {
    uint32_t count = 0;
    if (!parseNumber(a, count)) return "ERROR bad count";
    printer.answerBuffersFull(count);
    return "OK";
  }
  if (verb == "speed") {
    double speed = 0;
    try {
      speed = std::stod(a);
    } catch (...) {
    }
    if (speed <= 0) return "ERROR bad speed";
    printer.setSpeed(speed);
    return "OK";
  }
  if (verb == "serial") {
    // The serial may start with blanks: take the rest of the line as it is.
    std::string_view rest = command.substr(std::min(command.size(), verb.size() + 1));
    printer.setSerial(std::string(rest));
    return "OK";
  }
  if (verb == "firmware") {
    int component = 0;
    uint32_t major = 0, minor = 0;
    if (!parseNumber(a, component) || component < 1 || component > 3 || !parseNumber(b, major) ||
        !parseNumber(c, minor, 16) || major > 255 || minor > 255) {
      return "ERROR bad firmware";
    }
    printer.setFirmware(component, {static_cast<uint8_t>(major), static_cast<uint8_t>(minor)});
    return "OK";
  }
  return "ERROR unknown command";
}

// ---- Server ----

std::unique_ptr<PrinterServer> PrinterServer::start(EmulatedPrinter& printer, const std::filesystem::path& endpoint,
                                                    std::string deviceKey) {
  auto listener = os::LocalListener::listen(endpoint);
  if (!listener) return nullptr;
  std::unique_ptr<PrinterServer> server(new PrinterServer(printer, std::move(listener), std::move(deviceKey)));
  PrinterServer* self = server.get();
  server->acceptThread_ = os::Thread::start([self] { self->acceptLoop(); });
  if (!server->acceptThread_) return nullptr;
  return server;
}

PrinterServer::PrinterServer(EmulatedPrinter& printer, std::unique_ptr<os::LocalListener> listener,
                             std::string deviceKey)
    : printer_(printer), listener_(std::move(listener)), deviceKey_(std::move(deviceKey)) {}

PrinterServer::~PrinterServer() {
  stop_ = true;
  if (acceptThread_) acceptThread_->wait(os::kInfinite);
  std::lock_guard lock(mutex_);
  for (auto& thread : threads_) thread->wait(os::kInfinite);
}

void PrinterServer::acceptLoop() {
  while (!stop_) {
    auto socket = listener_->accept(kServerPollMs);
    if (!socket) continue;
    os::LocalSocket* raw = socket.release();
    auto thread = os::Thread::start([this, raw] { serve(std::unique_ptr<os::LocalSocket>(raw)); });
    if (!thread) {
      delete raw;
      continue;
    }
    std::lock_guard lock(mutex_);
    std::erase_if(threads_, [](const auto& t) { return t->finished(); });
    threads_.push_back(std::move(thread));
  }
}

void PrinterServer::serve(std::unique_ptr<os::LocalSocket> socket) {
  auto session = printer_.openSession();
  std::vector<uint8_t> payload;
  while (!stop_) {
    uint8_t head[kFrameHeader];
    auto got = socket->receive(std::span(head, 1), kServerPollMs);
    if (!got) return;  // the client has gone
    if (*got == 0) continue;
    if (!socket->receiveAll(std::span(head + 1, kFrameHeader - 1), 5000)) return;
    uint32_t length = le::u32(head, 1);
    if (length > kMaxFrame) return;  // not one of ours
    payload.resize(length);
    if (!socket->receiveAll(payload, 5000)) return;
    if (head[0] == kFrameHostBytes) {
      session->write(payload);
      std::vector<uint8_t> transfer(protocol::kMaxBlockRead + 1024);
      while (session->hasOutput()) {
        size_t n = session->read(transfer);
        if (!sendFrame(*socket, kFrameTransfer, std::span(transfer).first(n))) return;
      }
    } else if (head[0] == kFrameControl) {
      std::string reply = runControl(printer_, std::string_view(reinterpret_cast<const char*>(payload.data()),
                                                                payload.size()), deviceKey_);
      if (!sendFrame(*socket, kFrameReply, textBytes(reply))) return;
    } else {
      return;
    }
  }
}

// ---- Client ----

std::unique_ptr<SocketLink> SocketLink::connect(const std::filesystem::path& endpoint) {
  auto socket = os::LocalSocket::connect(endpoint);
  if (!socket) return nullptr;
  return std::unique_ptr<SocketLink>(new SocketLink(std::move(socket)));
}

bool SocketLink::write(std::span<const uint8_t> bytes, uint32_t& written) {
  std::lock_guard lock(mutex_);
  written = 0;
  if (broken_) return false;
  while (!bytes.empty()) {
    auto piece = bytes.first(std::min<size_t>(bytes.size(), kMaxFrame));
    if (!sendFrame(*socket_, kFrameHostBytes, piece)) {
      broken_ = true;
      return false;
    }
    written += static_cast<uint32_t>(piece.size());
    bytes = bytes.subspan(piece.size());
  }
  return true;
}

bool SocketLink::pump(uint32_t timeoutMs) {
  uint8_t head[kFrameHeader];
  auto got = socket_->receive(std::span(head, 1), timeoutMs);
  if (!got) return false;
  if (*got == 0) return true;
  if (!socket_->receiveAll(std::span(head + 1, kFrameHeader - 1), 5000)) return false;
  uint32_t length = le::u32(head, 1);
  if (length > kMaxFrame) return false;
  std::vector<uint8_t> payload(length);
  if (!socket_->receiveAll(payload, 5000)) return false;
  if (head[0] == kFrameTransfer) {
    transfers_.push_back(std::move(payload));
  } else if (head[0] == kFrameReply) {
    replies_.emplace_back(payload.begin(), payload.end());
  } else {
    return false;
  }
  return true;
}

bool SocketLink::read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) {
  std::lock_guard lock(mutex_);
  received = 0;
  uint64_t start = os::tickCount64();
  while (transfers_.empty()) {
    if (broken_) return false;
    uint64_t waited = os::tickCount64() - start;
    uint32_t left = waited >= timeoutMs ? 0 : static_cast<uint32_t>(timeoutMs - waited);
    if (!pump(left)) {
      broken_ = true;
      return false;
    }
    if (transfers_.empty() && left == 0) return true;
  }
  const auto& transfer = transfers_.front();
  size_t n = std::min(out.size(), transfer.size() - offset_);
  std::copy_n(transfer.begin() + static_cast<ptrdiff_t>(offset_), n, out.begin());
  offset_ += n;
  if (offset_ == transfer.size()) {
    transfers_.pop_front();
    offset_ = 0;
  }
  received = static_cast<uint32_t>(n);
  return true;
}

std::optional<std::string> SocketLink::control(std::string_view command, uint32_t timeoutMs) {
  std::lock_guard lock(mutex_);
  if (broken_ || !sendFrame(*socket_, kFrameControl, textBytes(command))) {
    broken_ = true;
    return std::nullopt;
  }
  uint64_t start = os::tickCount64();
  while (replies_.empty()) {
    uint64_t waited = os::tickCount64() - start;
    if (waited >= timeoutMs) return std::nullopt;
    if (!pump(static_cast<uint32_t>(timeoutMs - waited))) {
      broken_ = true;
      return std::nullopt;
    }
  }
  std::string reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

}  // namespace q7310::printer

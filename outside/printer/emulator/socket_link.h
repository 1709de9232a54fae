// The emulated printer over a local socket, so that several processes (the
// print path, the tools) share one printer: the server runs beside the
// printer, clients connect with a SocketLink.
//
// Frames on the socket: u8 kind, u32 payload length (little-endian), payload.
// 'W' host bytes for the printer; 'T' one printer transfer; 'C' an operator
// command (text); 'A' its answer (text). The printer's transfers go to the
// connection whose command caused them.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outside/printer/emulator/emulated_printer.h"
#include "outside/printer/emulator/link.h"
#include "platform/os/local_socket.h"
#include "platform/os/thread.h"

namespace q7310::printer {

// Where the printer on USB port n (1 to 7) listens: <root>/devices/Q7310_00n.sock.
std::filesystem::path printerEndpoint(int portNumber);
// The port number of a port name "Q7310_%03d" (1 to 999); nullopt for other names.
std::optional<int> portNumberOf(std::string_view portName);

// Operator commands, one line each; the answer starts with "OK" or "ERROR":
//   status | prints | device-key | paper-replaced | maintenance | error NAME | clear NAME | clear all |
//   ribbon 4x6|6x8|N [REMAINING] | refuse CMDERROR [COUNT] | buffers-full COUNT |
//   speed X | serial TEXT | firmware COMPONENT MAJOR MINOR
std::string runControl(EmulatedPrinter& printer, std::string_view command, std::string_view deviceKey);

class PrinterServer {
 public:
  // Listens at endpoint and serves every connection on a thread of its own.
  // nullptr when the endpoint cannot be made (last error set).
  static std::unique_ptr<PrinterServer> start(EmulatedPrinter& printer, const std::filesystem::path& endpoint,
                                              std::string deviceKey);
  // Stops accepting, ends every connection and waits for the threads.
  ~PrinterServer();
  PrinterServer(const PrinterServer&) = delete;
  PrinterServer& operator=(const PrinterServer&) = delete;

 private:
  PrinterServer(EmulatedPrinter& printer, std::unique_ptr<os::LocalListener> listener, std::string deviceKey);
  void acceptLoop();
  void serve(std::unique_ptr<os::LocalSocket> socket);

  EmulatedPrinter& printer_;
  std::unique_ptr<os::LocalListener> listener_;
  std::string deviceKey_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::unique_ptr<os::Thread>> threads_;
  std::unique_ptr<os::Thread> acceptThread_;
};

class SocketLink final : public PrinterLink {
 public:
  // nullptr when no printer listens at endpoint.
  static std::unique_ptr<SocketLink> connect(const std::filesystem::path& endpoint);
  bool write(std::span<const uint8_t> bytes, uint32_t& written) override;
  bool read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) override;
  // Sends an operator command and waits up to timeoutMs for its answer.
  std::optional<std::string> control(std::string_view command, uint32_t timeoutMs = 5000);

 private:
  explicit SocketLink(std::unique_ptr<os::LocalSocket> socket) : socket_(std::move(socket)) {}
  // Takes one frame off the socket into the queues; false when the
  // connection ended, true with nothing new on a time-out.
  bool pump(uint32_t timeoutMs);

  std::mutex mutex_;
  std::unique_ptr<os::LocalSocket> socket_;
  bool broken_ = false;
  std::deque<std::vector<uint8_t>> transfers_;
  size_t offset_ = 0;
  std::deque<std::string> replies_;
};

}  // namespace q7310::printer

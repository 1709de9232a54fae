// The host's side of a printer connection: the one small interface that the
// downstream monitor stand-in (and later a device file) talks through, so a
// real printer's transport can take the emulator's place.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "outside/printer/emulator/emulated_printer.h"

namespace q7310::printer {

class PrinterLink {
 public:
  virtual ~PrinterLink() = default;
  // Sends bytes; written says how many the printer took. False when the
  // printer is gone (written may still be non-zero).
  virtual bool write(std::span<const uint8_t> bytes, uint32_t& written) = 0;
  // Reads up to out.size() bytes of the printer's next transfer, waiting up
  // to timeoutMs (platform clock) for one. True with 0 bytes on a time-out;
  // false when the printer is gone.
  virtual bool read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) = 0;
};

// A link to a printer in the same process, with faults that can be injected.
class InProcessLink final : public PrinterLink {
 public:
  explicit InProcessLink(EmulatedPrinter& printer);
  bool write(std::span<const uint8_t> bytes, uint32_t& written) override;
  bool read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) override;

  // ---- Faults ----
  // Each read delivers at most n bytes (0: no limit).
  void limitReads(uint32_t n);
  // Each write takes at most n bytes (0: no limit).
  void limitWrites(uint32_t n);
  // Nothing is delivered for the next ms of clock time.
  void stall(uint32_t ms);
  // After n more bytes have been delivered, the printer stays silent (its
  // answers are lost) until resume().
  void stopAfter(uint64_t n);
  void resume();
  // These bytes arrive as one transfer before anything else.
  void injectGarbage(std::vector<uint8_t> bytes);
  // Every call fails until reconnect().
  void disconnect();
  void reconnect();

 private:
  EmulatedPrinter& printer_;
  std::unique_ptr<EmulatedPrinter::Session> session_;
  std::mutex mutex_;
  uint32_t readLimit_ = 0;
  uint32_t writeLimit_ = 0;
  uint64_t stallUntil_ = 0;
  std::optional<uint64_t> deliverLeft_;
  std::deque<std::vector<uint8_t>> garbage_;
  bool disconnected_ = false;
};

}  // namespace q7310::printer

// A software DPX-Q7310: answers the command protocol in both the port
// monitor's and the I/O library's packet forms, keeps two print banks, moves
// through the printing states on the platform clock, counts prints, and keeps
// every print it received. Hosts talk to it through sessions (one per
// connection); operator controls (ribbon, errors, refusals) change it at run
// time. All members are thread-safe.
//
// Time: the printer advances lazily to os::tickCount64() whenever it is
// touched, so a test on the virtual clock sees the same states at the same
// virtual times on every run. Durations are printer time divided by the speed
// factor.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/protocol/printer_protocol.h"

namespace q7310::printer {

// Conditions an operator (or a test) can raise and clear.
enum class PrinterError {
  Control,
  Mechanical,
  Sensor,
  Temperature,
  PaperJam,
  CoverOpen,
  IncorrectRibbon,
  RibbonEmpty,
  IncorrectPaper,
  PaperEmpty,
  TakeOutPaper,
};

struct ErrorCode {
  uint8_t major;
  uint8_t minor;
};
ErrorCode errorCode(PrinterError error);
// "cover-open", "paper-empty", "ribbon-empty", "paper-jam", "incorrect-ribbon",
// "incorrect-paper", "take-out-paper", "control", "mechanical", "sensor",
// "temperature".
std::optional<PrinterError> parseError(std::string_view name);
std::string_view errorName(PrinterError error);

struct FirmwareVersion {
  uint8_t major = 0;
  uint8_t minor = 0;
};

struct PrinterConfig {
  uint8_t ribbonType = protocol::kRibbon4x6;
  uint32_t ribbonRemaining = 400;  // prints left on the loaded ribbon
  std::string serial = "  A10001";
  // Components 1 (main application), 2 (boot loader), 3 (engine).
  std::array<FirmwareVersion, 3> firmware{{{5, 0x12}, {1, 0x03}, {2, 0x40}}};
  int32_t parameter63 = 1;
  int32_t parameter84 = 0;
  uint32_t lifetimeCount = 1200;
  uint32_t maintenanceCount = 300;
  uint32_t paperCount = 40;
  uint32_t cutterCount = 1250;
  uint32_t headCount = 1200;
  double speed = 1.0;  // 10: ten times faster than the real printer
  // An unfinished image download is given up after this much printer time
  // without bytes.
  uint32_t dataTimeoutMs = 30000;
  // When set, every print whose image data came whole is rendered into this
  // folder as "print_%04d.png" (numbered from 1 in the order received).
  std::filesystem::path printFolder;
};

// A print as the printer received it.
struct ReceivedPrint {
  protocol::PrintCommand command;
  std::vector<uint8_t> image;  // the printer image data, as far as it came
  bool complete = false;       // all width x height x 8 bytes arrived
  bool cancelled = false;
  uint16_t copiesPrinted = 0;
  uint64_t acceptedAt = 0;  // tick time of the print command
};

// One phase of printing: the state shown and its printer-time duration.
struct Phase {
  uint8_t prnStatus;
  uint32_t durationMs;
};
// The phases of one copy of a print of the given length (pixels along the
// paper); a 4 x 6 print takes about ten seconds.
std::vector<Phase> copyPhases(uint16_t length);
inline constexpr uint32_t kFinishedMs = 500;
inline constexpr uint32_t kResetMs = 3000;

// The media entries a ribbon offers.
std::vector<protocol::MediaEntry> mediaForRibbon(uint8_t ribbonType);
// The correction data served for a request byte (laminate code, plus 8 for
// fine quality), and a tone curve by number (1 to 3; empty for others).
std::vector<uint8_t> correctionData(uint8_t requestByte);
std::vector<uint8_t> toneCurve(uint8_t curveNumber);

class EmulatedPrinter {
 public:
  explicit EmulatedPrinter(PrinterConfig config = {});
  ~EmulatedPrinter();
  EmulatedPrinter(const EmulatedPrinter&) = delete;
  EmulatedPrinter& operator=(const EmulatedPrinter&) = delete;

  // One host connection: bytes in, transfers out. A read returns at most one
  // transfer (a record, an answer head or one data block), as a bulk read does.
  class Session {
   public:
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    void write(std::span<const uint8_t> bytes);
    // Bytes of the next transfer, up to out.size(); the rest of a longer
    // transfer stays for the next read. 0 when nothing is waiting.
    size_t read(std::span<uint8_t> out);
    bool hasOutput() const;

   private:
    friend class EmulatedPrinter;
    Session(EmulatedPrinter& printer, uint32_t id) : printer_(printer), id_(id) {}
    EmulatedPrinter& printer_;
    uint32_t id_;
  };
  std::unique_ptr<Session> openSession();

  // ---- Operator controls ----
  // Loads a ribbon (and the paper that goes with it); remaining prints as given.
  void loadRibbon(uint8_t ribbonType, uint32_t remaining);
  void raiseError(PrinterError error);
  void clearError(PrinterError error);
  void clearErrors();
  // The next count commands (of any kind but reset) are refused with cmdResult 2 and this cmdError.
  void refuseCommands(uint8_t cmdError, uint32_t count = 1);
  // The next count print commands are answered "buffers full" though a bank is free.
  void answerBuffersFull(uint32_t count);
  // Image correction answers announce this total and send this many data
  // bytes, whatever the real data's length (to play a faulty printer).
  void overrideCorrection(uint16_t announced, uint32_t sent);
  void setFirmware(int component, FirmwareVersion version);
  void setSerial(std::string serial);
  void setSpeed(double speed);
  // Service events that start their counters afresh.
  void paperReplaced();
  void maintenanceDone();

  // ---- What the printer shows ----
  protocol::PrinterStatusRecord status();
  protocol::MediaInfoRecord mediaInfo();
  uint8_t prnStatus();
  std::vector<ReceivedPrint> prints();
  std::optional<int32_t> parameter(uint8_t number);
  uint32_t ledFlashes();
  uint32_t resets();

 private:
  struct Job;
  struct SessionState;
  friend class Session;

  // All below run with mutex_ held.
  void advance();
  void runEngine(uint64_t ms);
  void finishCopy(Job& job);
  void abandonStaleDownloads();
  uint8_t currentPrnStatus() const;
  protocol::CommandResponse header(uint8_t cmdResult, uint8_t cmdError) const;
  protocol::PrinterStatusRecord statusRecord() const;
  void writeBytes(uint32_t session, std::span<const uint8_t> bytes);
  size_t takeImageBytes(SessionState& s, std::span<const uint8_t> bytes);
  void handlePacket(SessionState& s, uint16_t code, std::span<const uint8_t> payload);
  void answer(SessionState& s, std::span<const uint8_t> bytes);
  void answerFailed(SessionState& s, uint16_t code, size_t payloadLength, uint8_t cmdError);
  void handlePrint(SessionState& s, std::span<const uint8_t> payload);
  void handleCancel(SessionState& s, uint8_t printId);
  void handleReset();
  void handleBlockTransfer(SessionState& s, const protocol::CommandResponse& head, std::vector<uint8_t> data,
                           size_t answerSize, std::optional<uint16_t> announced);
  bool parameterKnown(uint8_t number) const;
  void savePicture(size_t printIndex) const;
  bool hasError() const { return !errors_.empty(); }

  mutable std::mutex mutex_;
  PrinterConfig config_;
  uint64_t lastTick_ = 0;
  double carryMs_ = 0;  // printer time not yet run, below one millisecond
  uint64_t initializingLeft_ = 0;  // printer ms of initializing after a reset
  std::vector<PrinterError> errors_;  // in the order raised; the first is shown
  std::array<protocol::Bank, 2> banks_{};
  std::vector<ReceivedPrint> prints_;
  std::deque<std::unique_ptr<Job>> jobs_;  // accepted, not yet finished, oldest first
  std::map<uint32_t, std::unique_ptr<SessionState>> sessions_;
  uint32_t nextSession_ = 1;
  std::map<uint8_t, int32_t> parameters_;
  uint32_t refuseCount_ = 0;
  uint8_t refuseError_ = 0;
  uint32_t buffersFullCount_ = 0;
  std::optional<std::pair<uint16_t, uint32_t>> correctionOverride_;
  uint32_t ledFlashes_ = 0;
  uint32_t resets_ = 0;
};

}  // namespace q7310::printer

// A downstream port monitor for tests: the seven operations a language
// monitor calls (open, start document, write, read, end document, close, get
// printer data) in the monitor table layout. It records what it is given and
// answers reads from a script. One double is active at a time: the one
// constructed last, until it is destroyed. Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/spooler/monitor_table.h"

namespace q7310::testing {

class DownstreamDouble {
 public:
  DownstreamDouble();
  ~DownstreamDouble();
  DownstreamDouble(const DownstreamDouble&) = delete;
  DownstreamDouble& operator=(const DownstreamDouble&) = delete;

  // The table with the seven operations filled, every other slot null.
  const spooler::MonitorTable* table() const { return &table_; }
  // The handle its OpenPort hands out.
  spooler::MonitorHandle handle() { return &handleToken_; }

  // Script. Each answer is delivered by the following ReadPort calls, at most
  // the size asked per call and never two answers in one call. With nothing
  // scripted a read returns true with 0 bytes.
  void answerReads(std::vector<uint8_t> bytes);
  // The next OpenPort / StartDocPort / WritePort fails with this error.
  void failNextOpen(uint32_t error);
  void failNextStartDoc(uint32_t error);
  void failNextWrite(uint32_t error);
  // At most this many bytes are accepted per WritePort call.
  void limitWrites(uint32_t bytesPerCall);
  // What GetPrinterDataFromPort writes to its output buffer.
  void answerPrinterData(std::u16string data);

  // Records.
  struct StartDoc {
    std::u16string printerName;
    uint32_t jobId = 0;
    uint32_t level = 0;
    const void* docInfo = nullptr;
  };
  std::vector<std::string> calls() const;  // operation names, in call order
  std::u16string openedPortName() const;
  std::vector<StartDoc> startDocs() const;
  std::vector<uint8_t> written() const;  // every byte accepted
  std::vector<uint32_t> writeSizes() const;  // bytes offered per WritePort call
  std::vector<uint32_t> readSizes() const;   // bytes asked per ReadPort call
  uint32_t lastControlCode() const;
  std::u16string lastValueName() const;
  // False if any call came with a handle other than the one handed out.
  bool handlesMatched() const;

 private:
  static DownstreamDouble* active();
  bool checkHandle(spooler::MonitorHandle handle);
  static bool openPort(const char16_t* portName, spooler::MonitorHandle* handle);
  static bool startDocPort(spooler::MonitorHandle port, const char16_t* printerName, uint32_t jobId, uint32_t level,
                           const void* docInfo);
  static bool writePort(spooler::MonitorHandle port, const uint8_t* buffer, uint32_t size, uint32_t* written);
  static bool readPort(spooler::MonitorHandle port, uint8_t* buffer, uint32_t size, uint32_t* read);
  static bool endDocPort(spooler::MonitorHandle port);
  static bool closePort(spooler::MonitorHandle port);
  static bool getPrinterDataFromPort(spooler::MonitorHandle port, uint32_t controlCode, const char16_t* valueName,
                                     const char16_t* inBuffer, uint32_t inSize, char16_t* outBuffer,
                                     uint32_t outSize, uint32_t* returned);

  spooler::MonitorTable table_{};
  int handleToken_ = 0;
  DownstreamDouble* previous_ = nullptr;

  mutable std::mutex mutex_;
  std::deque<std::vector<uint8_t>> reads_;
  uint32_t openError_ = 0;
  uint32_t startDocError_ = 0;
  uint32_t writeError_ = 0;
  uint32_t writeLimit_ = UINT32_MAX;
  std::u16string printerData_;
  std::vector<std::string> calls_;
  std::u16string openedPortName_;
  std::vector<StartDoc> startDocs_;
  std::vector<uint8_t> written_;
  std::vector<uint32_t> writeSizes_;
  std::vector<uint32_t> readSizes_;
  uint32_t lastControlCode_ = 0;
  std::u16string lastValueName_;
  bool handlesMatched_ = true;
};

}  // namespace q7310::testing

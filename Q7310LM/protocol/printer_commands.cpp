#include "Q7310LM/protocol/printer_commands.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "Q7310LM/monitor_log.h"
#include "Q7310LM/protocol/port_status_update.h"
#include "Q7310LM/transfer.h"
#include "common/le.h"
#include "common/protocol/status_code.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"

namespace q7310::lm {

using namespace protocol;

int readCommandResult(PortContext& port, CommandResponse& response) {
  response = {};
  std::array<uint8_t, kResponseSize> bytes{};
  uint32_t received = 0;
  if (readExact(port, bytes, received) != kResultSuccess) return kResultCommandFailed;
  response = *decodeResponse(bytes);
  if (response.cmdResult == kCmdResultAccepted) return kResultSuccess;
  logPort(port, "ERROR:   COMMAND RESULT [%02X][%02X][%02X][%02X][%02X][%02X]", response.cmdResult,
          response.cmdError, response.errMajor, response.errMinor, response.prnStatus, response.bufSize);
  return kResultCommandFailed;
}

namespace {

// Stores a status (or the all-zero record of a failure) with its code.
void storeStatus(PortContext& port, const std::array<uint8_t, kStatusRecordSize>& record, uint32_t code) {
  std::lock_guard lock(port.statusLock);
  port.status = record;
  port.statusCode = code;
  port.statusTime = os::tickCount64();
  portStatusUpdater().updatePortStatus(port, code);
}

}  // namespace

int queryStatus(PortContext& port) {
  const std::vector<uint8_t> packet = commandPacket(kCmdGetStatus);
  uint32_t sent = 0;
  int result = writeAll(port, packet, sent);
  if (result != kResultSuccess || sent < packet.size()) {
    logPort(port, "#### Veltrano_GetPrinterStatus --> Write failure (%d, %d)", static_cast<int>(packet.size()),
            static_cast<int>(sent));
    storeStatus(port, {}, kStatusWriteFailed);
    return kResultWriteFailure;
  }
  std::array<uint8_t, kStatusRecordSize> record{};
  uint32_t received = 0;
  readExact(port, record, received);
  if (received != record.size()) {
    logPort(port, "#### Veltrano_GetPrinterStatus --> Read failure (%d)", static_cast<int>(received));
    storeStatus(port, {}, kStatusReadFailed);
    return kResultReadFailure;
  }
  storeStatus(port, record, classifyStatus(*decodeResponse(record)));
  return kResultSuccess;
}

int getImageCorrection(PortContext& port, CorrectionBlock& block, uint8_t requestByte, uint32_t width,
                       uint32_t height) {
  block.fill(0);
  std::vector<uint8_t> receive(kCorrectionReceiveSize, 0);
  uint64_t start = os::tickCount64();

  const std::vector<uint8_t> packet = imageCorrectionPacket(requestByte);
  uint32_t sent = 0;
  int result = writeAll(port, packet, sent);
  if (result != kResultSuccess || sent < packet.size()) {
    if (result == kResultSuccess) result = kResultWriteFailure;
    logPort(port, "ERROR:   IMAGE CORRECTION [2][%d][%d][%d]", result, static_cast<int>(packet.size()),
            static_cast<int>(sent));
    return result;
  }
  uint32_t received = 0;
  result = readExact(port, std::span(receive).first(kTransferAnswerMonitor), received);
  if (result != kResultSuccess) {
    logPort(port, "ERROR:   IMAGE CORRECTION [1][%d][%d][%d]", result, static_cast<int>(packet.size()),
            static_cast<int>(received));
    return result;
  }
  const uint32_t announced = le::u16(receive, kOffTransferTotal);

  // Data goes in from offset 12 of the receive buffer. A printer that sends
  // more than the buffer holds must not write past it: what fits is kept,
  // the rest is read and dropped.
  constexpr size_t kDataStart = kOffTransferTotal + 2;
  const size_t room = receive.size() - kDataStart;
  uint32_t total = 0;
  int reads = 0;
  std::array<uint8_t, kMaxBlockRead> blockBytes{};
  for (;;) {
    uint32_t got = 0;
    ++reads;
    bool ok = port.downstream.readPort(port.downstreamHandle, blockBytes.data(), kMaxBlockRead, &got);
    got = std::min<uint32_t>(got, kMaxBlockRead);
    if (!ok) {
      logPort(port, "ERROR:   IMAGE CORRECTION READPORT [%d][%d]", static_cast<int>(os::lastError()),
              static_cast<int>(got));
      break;
    }
    if (got < kBlockHeaderSize) break;
    uint32_t n = blockBytes[1];
    if (got < n + kBlockHeaderSize) break;
    if (total < room) {
      size_t keep = std::min<size_t>(n, room - total);
      std::copy_n(blockBytes.begin() + kBlockHeaderSize, keep, receive.begin() + kDataStart + total);
    }
    total += n;
    if (total >= announced) break;
  }

  size_t length = std::min<size_t>(announced, kMaxCorrectionData);
  std::copy_n(receive.begin() + kDataStart, length, block.begin() + kOffCorrectionData);
  le::putU16(block, kOffCorrectionWidth, static_cast<uint16_t>(width));
  le::putU16(block, kOffCorrectionHeight, static_cast<uint16_t>(height));

  uint64_t elapsed = os::tickCount64() - start;
  logPort(port, "STATUS:  IMAGE CORRECTION [%d][%d][%d.%04d]", reads, static_cast<int>(total),
          static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
  return kResultSuccess;
}

int sendPrintCommand(PortContext& port, uint16_t printId, uint32_t copies, uint32_t width, uint32_t height,
                     uint32_t printMethod, uint32_t quality, uint32_t laminate, CommandResponse& response) {
  logPort(port, ">> PRINT COMMAND");
  logPort(port, "   ID:       %d", printId);
  logPort(port, "   COPIES:   %d", static_cast<int>(copies));
  logPort(port, "   WIDTH:    %d", static_cast<int>(width));
  logPort(port, "   HEIGHT:   %d", static_cast<int>(height));
  switch (printMethod) {
    case 0: logPort(port, "   COMBO:    NORMAL"); break;
    case 2: logPort(port, "   COMBO:    COMBO"); break;
    case 4: logPort(port, "   COMBO:    SPLIT"); break;
    case 8: logPort(port, "   COMBO:    COMBO 2"); break;
    default: logPort(port, "   COMBO:    UNDEFINED"); break;
  }
  switch (laminate) {
    case 0: logPort(port, "   LAMINATE: DISABLED"); break;
    case 1: logPort(port, "   LAMINATE: GLOSSY"); break;
    case 2: logPort(port, "   LAMINATE: MATTE"); break;
    default: logPort(port, "   LAMINATE: UNDEFINED"); break;
  }
  switch (quality) {
    case 0: logPort(port, "   QUALITY:  NORMAL"); break;
    case 1: logPort(port, "   QUALITY:  FINE"); break;
    default: logPort(port, "   QUALITY:  UNDEFINED"); break;
  }

  response = {};
  PrintCommand command;
  command.printId = static_cast<uint8_t>(printId);
  command.copies = static_cast<uint16_t>(copies);
  command.width = static_cast<uint16_t>(width);
  command.height = static_cast<uint16_t>(height);
  command.laminateByte = static_cast<uint8_t>(laminate + (quality != 0 ? kLaminateFineFlag : 0));
  command.methodByte = static_cast<uint8_t>(printMethod | kMethodByteMonitorBits);
  const auto packet = encodePrintCommand(command);
  uint32_t sent = 0;
  int result = writeAll(port, packet, sent);
  if (result != kResultSuccess || sent < packet.size()) {
    if (result == kResultSuccess) result = kResultWriteFailure;
    logPort(port, "ERROR:   PRINT COMMAND [%d][%d][%d]", result, static_cast<int>(packet.size()),
            static_cast<int>(sent));
    return result;
  }
  return readCommandResult(port, response);
}

}  // namespace q7310::lm

// How the printer takes bytes from a host: command packets, the image data
// that follows an accepted print command, and the answers it queues.
#include <algorithm>
#include <cstring>

#include "common/le.h"
#include "outside/printer/emulator/printer_internal.h"
#include "platform/os/clock.h"

namespace q7310::printer {

using namespace protocol;

void EmulatedPrinter::writeBytes(uint32_t sessionId, std::span<const uint8_t> bytes) {
  SessionState& s = *sessions_.at(sessionId);
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (s.download != nullptr) {
      pos += takeImageBytes(s, bytes.subspan(pos));
      continue;
    }
    size_t need = s.in.size() < kPacketHeaderSize ? kPacketHeaderSize - s.in.size()
                                                   : kPacketHeaderSize + le::u16(s.in, 2) - s.in.size();
    size_t take = std::min(need, bytes.size() - pos);
    s.in.insert(s.in.end(), bytes.begin() + static_cast<ptrdiff_t>(pos),
                bytes.begin() + static_cast<ptrdiff_t>(pos + take));
    pos += take;
    if (s.in.size() < kPacketHeaderSize) continue;
    uint16_t code = le::u16(s.in, 0);
    uint16_t length = le::u16(s.in, 2);
    if (length > kMaxPayload) {
      // Not a packet: the printer drops what it holds (and the rest of this
      // transfer) and says so.
      s.in.clear();
      answer(s, [&] {
        std::array<uint8_t, kResponseSize> b{};
        encodeResponse(b, header(kCmdResultFailed, kCmdErrorInvalidParameter));
        return std::vector<uint8_t>(b.begin(), b.end());
      }());
      return;
    }
    if (s.in.size() < kPacketHeaderSize + length) continue;
    std::vector<uint8_t> payload(s.in.begin() + kPacketHeaderSize, s.in.end());
    s.in.clear();
    handlePacket(s, code, payload);
  }
}

size_t EmulatedPrinter::takeImageBytes(SessionState& s, std::span<const uint8_t> bytes) {
  Job& job = *s.download;
  ReceivedPrint& print = prints_[job.printIndex];
  uint64_t missing = print.command.imageBytes() - print.image.size();
  size_t n = static_cast<size_t>(std::min<uint64_t>(missing, bytes.size()));
  print.image.insert(print.image.end(), bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
  job.lastDataTick = lastTick_;
  if (print.image.size() == print.command.imageBytes()) {
    print.complete = true;
    if (!config_.printFolder.empty()) savePicture(job.printIndex);
    job.dataComplete = true;
    job.session = 0;
    s.download = nullptr;
    if (job.cancelled) {
      banks_[job.bank].status = kBankFree;
      std::erase_if(jobs_, [&](const auto& j) { return j.get() == &job; });
    } else {
      banks_[job.bank].status = kBankWaiting;
    }
  }
  return n;
}

void EmulatedPrinter::answer(SessionState& s, std::span<const uint8_t> bytes) {
  s.out.emplace_back(bytes.begin(), bytes.end());
}

void EmulatedPrinter::answerFailed(SessionState& s, uint16_t code, size_t payloadLength, uint8_t cmdError) {
  CommandResponse head = header(kCmdResultFailed, cmdError);
  const CommandInfo* info = findCommand(code);
  if (info != nullptr && info->answer == AnswerKind::None) return;
  if (info != nullptr && info->answer == AnswerKind::BlockTransfer) {
    size_t size = payloadLength >= 12 ? kTransferAnswerMonitor : kTransferAnswerLibrary;
    answer(s, encodeTransferAnswer({head, 0}, size));
    return;
  }
  // The host reads the command's whole record even when the command failed.
  std::vector<uint8_t> b(info != nullptr ? info->answerSize : kResponseSize);
  encodeResponse(b, head);
  answer(s, b);
}

void EmulatedPrinter::handlePacket(SessionState& s, uint16_t code, std::span<const uint8_t> payload) {
  const CommandInfo* info = findCommand(code);
  if (info == nullptr) {
    answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
    return;
  }
  if (payload.size() != info->payload && payload.size() != info->altPayload) {
    answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
    return;
  }
  if (code != kCmdReset && refuseCount_ > 0) {
    --refuseCount_;
    answerFailed(s, code, payload.size(), refuseError_);
    return;
  }
  const CommandResponse ok = header(kCmdResultAccepted, kCmdErrorNone);
  switch (code) {
    case kCmdGetStatus: {
      auto b = encodeStatus(statusRecord());
      answer(s, b);
      break;
    }
    case kCmdGetMediaInfo: {
      auto b = encodeMediaInfo({ok, config_.ribbonType, mediaForRibbon(config_.ribbonType)});
      answer(s, b);
      break;
    }
    case kCmdGetParameter: {
      if (!parameterKnown(payload[0])) {
        answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
        break;
      }
      auto b = encodeParameter({ok, parameters_.at(payload[0])});
      answer(s, b);
      break;
    }
    case kCmdSetParameter: {
      if (!parameterKnown(payload[0])) {
        answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
        break;
      }
      parameters_[payload[0]] = le::i32(payload, 1);
      std::array<uint8_t, kResponseSize> b{};
      encodeResponse(b, ok);
      answer(s, b);
      break;
    }
    case kCmdGetSerialNumber: {
      auto b = encodeSerialNumber({ok, config_.serial});
      answer(s, b);
      break;
    }
    case kCmdGetFirmware: {
      uint8_t component = payload[0];
      if (component < 1 || component > 3) {
        answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
        break;
      }
      static const char* const kNames[] = {"MAIN APPLICATION", "BOOT LOADER", "ENGINE"};
      FirmwareRecord r{ok, {}, config_.firmware[component - 1u].major, config_.firmware[component - 1u].minor};
      std::memcpy(r.info.data(), kNames[component - 1], std::strlen(kNames[component - 1]));
      auto b = encodeFirmware(r);
      answer(s, b);
      break;
    }
    case kCmdPrint:
      handlePrint(s, payload);
      break;
    case kCmdCancelPrint:
      handleCancel(s, payload[0]);
      break;
    case kCmdFlashLed: {
      ++ledFlashes_;
      std::array<uint8_t, kResponseSize> b{};
      encodeResponse(b, ok);
      answer(s, b);
      break;
    }
    case kCmdReset:
      if (le::u16(payload, 0) == 3) handleReset();
      break;
    case kCmdGetToneCurve: {
      std::vector<uint8_t> data = toneCurve(payload[0]);
      if (data.empty()) {
        answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
        break;
      }
      handleBlockTransfer(s, ok, std::move(data), kTransferAnswerLibrary, std::nullopt);
      break;
    }
    case kCmdGetImageCorrection: {
      bool monitorForm = payload.size() == 12;
      std::vector<uint8_t> data = correctionData(monitorForm ? payload[0] : 0);
      std::optional<uint16_t> announced;
      if (correctionOverride_) {
        announced = correctionOverride_->first;
        size_t sent = correctionOverride_->second;
        size_t real = data.size();
        data.resize(sent);
        for (size_t i = real; i < sent; ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
      }
      handleBlockTransfer(s, ok, std::move(data), monitorForm ? kTransferAnswerMonitor : kTransferAnswerLibrary,
                          announced);
      break;
    }
    default:
      answerFailed(s, code, payload.size(), kCmdErrorInvalidParameter);
      break;
  }
}

void EmulatedPrinter::handleBlockTransfer(SessionState& s, const CommandResponse& head, std::vector<uint8_t> data,
                                          size_t answerSize, std::optional<uint16_t> announced) {
  uint16_t total = announced ? *announced : static_cast<uint16_t>(std::min<size_t>(data.size(), 0xFFFF));
  answer(s, encodeTransferAnswer({head, total}, answerSize));
  uint8_t number = 1;
  for (size_t off = 0; off < data.size(); off += kMaxBlockData, ++number) {
    size_t n = std::min(kMaxBlockData, data.size() - off);
    answer(s, encodeBlock(number, std::span(data).subspan(off, n)));
  }
}

void EmulatedPrinter::handlePrint(SessionState& s, std::span<const uint8_t> payload) {
  std::array<uint8_t, kPrintPacketSize> packet{};
  le::putU16(packet, 0, kCmdPrint);
  le::putU16(packet, 2, kPrintPayload);
  std::copy(payload.begin(), payload.end(), packet.begin() + kPacketHeaderSize);
  PrintCommand command = *decodePrintCommand(packet);

  auto reply = [&](uint8_t cmdResult, uint8_t cmdError) {
    std::array<uint8_t, kResponseSize> b{};
    encodeResponse(b, header(cmdResult, cmdError));
    answer(s, b);
  };
  // The command carries the state that keeps the printer from taking it.
  if (hasError()) return reply(kCmdResultFailed, kStateError);
  if (initializingLeft_ > 0) return reply(kCmdResultFailed, kStateInitializing);
  if (command.copies == 0 || command.width == 0 || command.width > 1844 || command.height == 0 ||
      command.height > 2492) {
    return reply(kCmdResultFailed, kCmdErrorInvalidParameter);
  }
  if (buffersFullCount_ > 0) {
    --buffersFullCount_;
    return reply(kCmdResultAccepted, kCmdErrorBuffersFull);
  }
  int bank = banks_[0].status == kBankFree ? 0 : (banks_[1].status == kBankFree ? 1 : -1);
  if (bank < 0) return reply(kCmdResultAccepted, kCmdErrorBuffersFull);

  ReceivedPrint print;
  print.command = command;
  print.acceptedAt = lastTick_;
  print.image.reserve(static_cast<size_t>(command.imageBytes()));
  prints_.push_back(std::move(print));
  auto job = std::make_unique<Job>();
  job->printIndex = prints_.size() - 1;
  job->bank = bank;
  job->session = kSessionSending;
  job->lastDataTick = lastTick_;
  banks_[bank] = Bank{command.printId, command.copies, 0, 0, kBankReceiving};
  s.download = job.get();
  jobs_.push_back(std::move(job));
  reply(kCmdResultAccepted, kCmdErrorNone);
}

void EmulatedPrinter::handleCancel(SessionState& s, uint8_t printId) {
  std::array<uint8_t, kResponseSize> b{};
  auto it = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& j) {
    return banks_[j->bank].printId == printId && banks_[j->bank].status != kBankFree && !j->cancelled;
  });
  if (it == jobs_.end()) {
    encodeResponse(b, header(kCmdResultFailed, kCmdErrorInvalidParameter));
    answer(s, b);
    return;
  }
  Job& job = **it;
  prints_[job.printIndex].cancelled = true;
  if (job.dataComplete && !job.started) {
    banks_[job.bank].status = kBankFree;
    jobs_.erase(it);
  } else {
    // A copy under way is finished; a download still coming is taken and dropped.
    job.cancelled = true;
  }
  encodeResponse(b, header(kCmdResultAccepted, kCmdErrorNone));
  answer(s, b);
}

void EmulatedPrinter::handleReset() {
  ++resets_;
  for (auto& [id, session] : sessions_) {
    session->download = nullptr;
    session->in.clear();
  }
  for (const auto& job : jobs_) {
    ReceivedPrint& print = prints_[job->printIndex];
    if (print.copiesPrinted < print.command.copies) print.cancelled = true;
  }
  jobs_.clear();
  for (auto& bank : banks_) bank.status = kBankFree;
  // Faults of the electronics clear with a restart; paper, ribbon and cover
  // conditions need the operator.
  std::erase_if(errors_, [](PrinterError e) {
    return e == PrinterError::Control || e == PrinterError::Mechanical || e == PrinterError::Sensor ||
           e == PrinterError::Temperature;
  });
  initializingLeft_ = kResetMs;
}

}  // namespace q7310::printer

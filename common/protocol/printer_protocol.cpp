#include "common/protocol/printer_protocol.h"

#include <algorithm>
#include <cstdio>

#include "common/le.h"

namespace q7310::protocol {

namespace {

constexpr CommandInfo kCommands[] = {
    {kCmdGetStatus, "Get status", 0, 0, AnswerKind::Record, kStatusRecordSize},
    {kCmdGetMediaInfo, "Get media information", 0, 0, AnswerKind::Record, kMediaInfoSize},
    {kCmdGetParameter, "Get parameter", 1, 1, AnswerKind::Record, kParameterRecordSize},
    {kCmdGetSerialNumber, "Get serial number", 0, 0, AnswerKind::Record, kSerialRecordSize},
    {kCmdPrint, "Print", kPrintPayload, kPrintPayload, AnswerKind::Record, kResponseSize},
    {kCmdCancelPrint, "Cancel print", 1, 1, AnswerKind::Record, kResponseSize},
    {kCmdFlashLed, "Flash LED", 0, 0, AnswerKind::Record, kResponseSize},
    {kCmdReset, "Reset", 2, 2, AnswerKind::None, 0},
    {kCmdGetToneCurve, "Get tone curve", 2, 2, AnswerKind::BlockTransfer, kTransferAnswerLibrary},
    {kCmdSetParameter, "Set parameter", 5, 5, AnswerKind::Record, kResponseSize},
    {kCmdGetImageCorrection, "Get image correction", 12, 0, AnswerKind::BlockTransfer, kTransferAnswerMonitor},
    {kCmdGetFirmware, "Get firmware version", 1, 1, AnswerKind::Record, kFirmwareRecordSize},
};

bool fits(std::span<const uint8_t> bytes, size_t size) { return bytes.size() >= size; }

}  // namespace

std::span<const CommandInfo> commandTable() { return kCommands; }

const CommandInfo* findCommand(uint16_t code) {
  for (const CommandInfo& info : kCommands) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

std::vector<uint8_t> commandPacket(uint16_t code, std::span<const uint8_t> payload) {
  std::vector<uint8_t> packet(kPacketHeaderSize + payload.size());
  le::putU16(packet, 0, code);
  le::putU16(packet, 2, static_cast<uint16_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), packet.begin() + kPacketHeaderSize);
  return packet;
}

std::optional<CommandResponse> decodeResponse(std::span<const uint8_t> bytes) {
  if (!fits(bytes, kResponseSize)) return std::nullopt;
  CommandResponse r;
  r.cmdResult = le::u8(bytes, kOffCmdResult);
  r.cmdError = le::u8(bytes, kOffCmdError);
  r.errMajor = le::u8(bytes, kOffErrMajor);
  r.errMinor = le::u8(bytes, kOffErrMinor);
  r.prnStatus = le::u8(bytes, kOffPrnStatus);
  r.bufSize = le::u16(bytes, kOffBufSize);
  return r;
}

void encodeResponse(std::span<uint8_t> out, const CommandResponse& r) {
  std::fill_n(out.begin(), kResponseSize, uint8_t{0});
  le::putU8(out, kOffCmdResult, r.cmdResult);
  le::putU8(out, kOffCmdError, r.cmdError);
  le::putU8(out, kOffErrMajor, r.errMajor);
  le::putU8(out, kOffErrMinor, r.errMinor);
  le::putU8(out, kOffPrnStatus, r.prnStatus);
  le::putU16(out, kOffBufSize, r.bufSize);
}

// ---- States and errors ----

std::string_view errorText(uint8_t errMajor, uint8_t errMinor) {
  switch (errMajor) {
    case 1: return "CONTROL ERROR";
    case 2: return "MECHANICAL ERROR";
    case 3: return "SENSOR ERROR";
    case 4: return "TEMPERATURE ERROR";
    case 5: return "PAPER JAM";
    case 6:
      switch (errMinor) {
        case 1: return "COVER OPEN";
        case 2: return "INCORRECT RIBBON";
        case 3: return "RIBBON EMPTY";
        case 4: return "INCORRECT RIBBON";
        case 5: return "INCORRECT PAPER";
        case 6: return "PAPER EMPTY";
        case 7: return "READY LOADING";
        case 8: return "PAPER EMPTY";
        case 9: return "TAKE OUT PAPER";
        default: return "";
      }
    default: return "";
  }
}

StateDescription describeState(const CommandResponse& r) {
  using enum StateGroup;
  if (r.cmdResult == kCmdResultFailed) return {"COMMAND FAILURE", Error};
  switch (r.prnStatus) {
    case 0x00: return {"IDLE", IdleOrUnknown};
    case 0x11: return {errorText(r.errMajor, r.errMinor), Error};
    case 0x31: return {"INITIALIZING", Busy};
    case 0x32: return {"INITIALIZING RIBBON", Busy};
    case 0x33: return {"LOADING PAPER", Busy};
    case 0x34: return {"THERMAL PROTECT", Busy};
    case 0x35: return {"OPERATION PANEL", Busy};
    case 0x36: return {"SELF-DIAGNOSTICS", Busy};
    case 0x37: return {"DOWNLOADING DATA", Busy};
    case 0x61: return {"FEEDING PAPER", Busy};
    case 0x62: return {"WARMING UP", Busy};
    case 0x63:
    case 0x64: return {"YELLOW", Busy};
    case 0x65:
    case 0x66: return {"MAGENTA", Busy};
    case 0x67:
    case 0x68: return {"CYAN", Busy};
    case 0x69: return {"OP", Busy};
    case 0x6A:
    case 0x6C: return {"LOADING PAPER", Busy};
    case 0x6B: return {"EJECTING PRINT", Busy};
    case 0x6D: return {"FINISHED", Busy};
    default: return {"", IdleOrUnknown};
  }
}

// ---- Status record ----

namespace {

Bank readBank(std::span<const uint8_t> b, size_t off) {
  Bank bank;
  bank.printId = le::u8(b, off);
  bank.fieldA = le::u16(b, off + 1);
  bank.fieldB = le::u16(b, off + 3);
  bank.fieldC = le::u16(b, off + 5);
  bank.status = le::u8(b, off + 7);
  return bank;
}

void writeBank(std::span<uint8_t> b, size_t off, const Bank& bank) {
  le::putU8(b, off, bank.printId);
  le::putU16(b, off + 1, bank.fieldA);
  le::putU16(b, off + 3, bank.fieldB);
  le::putU16(b, off + 5, bank.fieldC);
  le::putU8(b, off + 7, bank.status);
}

}  // namespace

std::optional<PrinterStatusRecord> decodeStatus(std::span<const uint8_t> b) {
  if (!fits(b, kStatusRecordSize)) return std::nullopt;
  PrinterStatusRecord r;
  r.response = *decodeResponse(b);
  r.lifetimeCount = le::u32(b, kOffLifetimeCount);
  r.maintenanceCount = le::u32(b, kOffMaintenanceCount);
  r.paperCount = le::u32(b, kOffPaperCount);
  r.cutterCount = le::u32(b, kOffCutterCount);
  r.headCount = le::u32(b, kOffHeadCount);
  r.ribbonRemaining = le::u32(b, kOffRibbonRemaining);
  r.banks[0] = readBank(b, kOffBank1);
  r.banks[1] = readBank(b, kOffBank2);
  r.byte70 = le::u8(b, kOffStatusByte70);
  return r;
}

std::array<uint8_t, kStatusRecordSize> encodeStatus(const PrinterStatusRecord& r) {
  std::array<uint8_t, kStatusRecordSize> b{};
  encodeResponse(b, r.response);
  le::putU32(b, kOffLifetimeCount, r.lifetimeCount);
  le::putU32(b, kOffMaintenanceCount, r.maintenanceCount);
  le::putU32(b, kOffPaperCount, r.paperCount);
  le::putU32(b, kOffCutterCount, r.cutterCount);
  le::putU32(b, kOffHeadCount, r.headCount);
  le::putU32(b, kOffRibbonRemaining, r.ribbonRemaining);
  writeBank(b, kOffBank1, r.banks[0]);
  writeBank(b, kOffBank2, r.banks[1]);
  le::putU8(b, kOffStatusByte70, r.byte70);
  return b;
}

// ---- Media ----

std::optional<MediaInfoRecord> decodeMediaInfo(std::span<const uint8_t> b) {
  if (!fits(b, kMediaInfoSize)) return std::nullopt;
  MediaInfoRecord r;
  r.response = *decodeResponse(b);
  r.ribbonType = le::u8(b, kOffRibbonType);
  size_t count = std::min<size_t>(le::u8(b, kOffMediaCount), kMaxMediaEntries);
  for (size_t i = 0; i < count; ++i) {
    size_t off = kOffMediaEntries + i * kMediaEntrySize;
    MediaEntry e;
    e.sizeCode = le::u8(b, off + kOffEntrySizeCode);
    e.width = le::u16(b, off + kOffEntryWidth);
    e.height = le::u16(b, off + kOffEntryHeight);
    e.printMethod = le::u8(b, off + kOffEntryPrintMethod);
    r.entries.push_back(e);
  }
  return r;
}

std::array<uint8_t, kMediaInfoSize> encodeMediaInfo(const MediaInfoRecord& r) {
  std::array<uint8_t, kMediaInfoSize> b{};
  encodeResponse(b, r.response);
  le::putU8(b, kOffRibbonType, r.ribbonType);
  size_t count = std::min(r.entries.size(), kMaxMediaEntries);
  le::putU8(b, kOffMediaCount, static_cast<uint8_t>(count));
  for (size_t i = 0; i < count; ++i) {
    size_t off = kOffMediaEntries + i * kMediaEntrySize;
    le::putU8(b, off + kOffEntrySizeCode, r.entries[i].sizeCode);
    le::putU16(b, off + kOffEntryWidth, r.entries[i].width);
    le::putU16(b, off + kOffEntryHeight, r.entries[i].height);
    le::putU8(b, off + kOffEntryPrintMethod, r.entries[i].printMethod);
  }
  return b;
}

std::string_view ribbonTypeName(uint8_t ribbonType) {
  switch (ribbonType) {
    case 0: return "Not Set";
    case 1: return "4 x 6";
    case 2: return "3.5 x 5";
    case 3: return "5 x 7";
    case 4: return "6 x 8";
    default: return "Unknown";
  }
}

std::string_view ribbonTypeName(const MediaInfoRecord& r) {
  if (r.ribbonType == kRibbon4x6 && !r.entries.empty() && r.entries[0].sizeCode >= 0x10 &&
      r.entries[0].sizeCode <= 0x15) {
    return "Card";
  }
  return ribbonTypeName(r.ribbonType);
}

std::string_view mediaSizeName(uint8_t sizeCode) {
  switch (sizeCode) {
    case 0: return "4 x 6 in";
    case 1: return "3.5 x 5 in";
    case 3: return "5 x 7 in";
    case 5: return "6 x 9 in";
    case 6: return "6 x 8 in";
    case 7: return "2 x 6 in";
    case 8: return "5 x 5 in";
    case 9: return "6 x 6 in";
    default: return "";
  }
}

std::string_view printMethodName(uint8_t printMethod) {
  switch (printMethod) {
    case 0: return "Normal";
    case 2: return "2-up";
    case 4: return "Split";
    case 5: return "6 x 6 + 2 x 6";
    case 128: return "No trimming";
    default: return "";
  }
}

// ---- Firmware, serial, parameter ----

std::optional<FirmwareRecord> decodeFirmware(std::span<const uint8_t> b) {
  if (!fits(b, kFirmwareRecordSize)) return std::nullopt;
  FirmwareRecord r;
  r.response = *decodeResponse(b);
  std::copy_n(b.begin() + kOffFirmwareInfo, kFirmwareInfoSize, r.info.begin());
  r.major = le::u8(b, kOffFirmwareMajor);
  r.minor = le::u8(b, kOffFirmwareMinor);
  return r;
}

std::array<uint8_t, kFirmwareRecordSize> encodeFirmware(const FirmwareRecord& r) {
  std::array<uint8_t, kFirmwareRecordSize> b{};
  encodeResponse(b, r.response);
  std::copy(r.info.begin(), r.info.end(), b.begin() + kOffFirmwareInfo);
  le::putU8(b, kOffFirmwareMajor, r.major);
  le::putU8(b, kOffFirmwareMinor, r.minor);
  return b;
}

std::string firmwareVersionText(uint8_t major, uint8_t minor) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%02X", major, minor);
  return text;
}

std::optional<SerialNumberRecord> decodeSerialNumber(std::span<const uint8_t> b) {
  if (!fits(b, kSerialRecordSize)) return std::nullopt;
  SerialNumberRecord r;
  r.response = *decodeResponse(b);
  r.serial.assign(reinterpret_cast<const char*>(b.data()) + kOffSerial, kSerialChars);
  return r;
}

std::array<uint8_t, kSerialRecordSize> encodeSerialNumber(const SerialNumberRecord& r) {
  std::array<uint8_t, kSerialRecordSize> b{};
  encodeResponse(b, r.response);
  std::string serial = r.serial.substr(0, kSerialChars);
  serial.insert(0, kSerialChars - serial.size(), ' ');
  std::copy(serial.begin(), serial.end(), b.begin() + kOffSerial);
  return b;
}

std::string_view displaySerial(std::string_view serial) {
  size_t start = serial.find_first_not_of(" _");
  return start == std::string_view::npos ? std::string_view() : serial.substr(start);
}

std::optional<ParameterRecord> decodeParameter(std::span<const uint8_t> b) {
  if (!fits(b, kParameterRecordSize)) return std::nullopt;
  ParameterRecord r;
  r.response = *decodeResponse(b);
  r.value = le::i32(b, kOffParameterValue);
  return r;
}

std::array<uint8_t, kParameterRecordSize> encodeParameter(const ParameterRecord& r) {
  std::array<uint8_t, kParameterRecordSize> b{};
  encodeResponse(b, r.response);
  le::putI32(b, kOffParameterValue, r.value);
  return b;
}

// ---- Block transfers ----

std::optional<TransferAnswer> decodeTransferAnswer(std::span<const uint8_t> b) {
  if (!fits(b, kTransferAnswerLibrary)) return std::nullopt;
  return TransferAnswer{*decodeResponse(b), le::u16(b, kOffTransferTotal)};
}

std::vector<uint8_t> encodeTransferAnswer(const TransferAnswer& answer, size_t size) {
  std::vector<uint8_t> b(std::max(size, kTransferAnswerLibrary));
  encodeResponse(b, answer.response);
  le::putU16(b, kOffTransferTotal, answer.totalLength);
  return b;
}

std::vector<uint8_t> encodeBlock(uint8_t number, std::span<const uint8_t> data) {
  size_t n = std::min(data.size(), kMaxBlockData);
  std::vector<uint8_t> b(kBlockHeaderSize + n);
  b[0] = number;
  b[1] = static_cast<uint8_t>(n);
  std::copy_n(data.begin(), n, b.begin() + kBlockHeaderSize);
  return b;
}

std::vector<uint8_t> imageCorrectionPacket(uint8_t requestByte) {
  std::array<uint8_t, 12> payload{};
  payload[0] = requestByte;
  return commandPacket(kCmdGetImageCorrection, payload);
}

// ---- Print command ----

uint8_t PrintCommand::printMethod() const { return methodByte & 0x07; }

std::array<uint8_t, kPrintPacketSize> encodePrintCommand(const PrintCommand& c) {
  std::array<uint8_t, kPrintPacketSize> b{};
  le::putU16(b, 0, kCmdPrint);
  le::putU16(b, 2, kPrintPayload);
  le::putU8(b, kOffPrintId, c.printId);
  le::putU16(b, kOffPrintCopies, c.copies);
  le::putU16(b, kOffPrintWidth, c.width);
  le::putU16(b, kOffPrintHeight, c.height);
  le::putU8(b, kOffPrintLaminate, c.laminateByte);
  le::putU8(b, kOffPrintMethod, c.methodByte);
  return b;
}

std::optional<PrintCommand> decodePrintCommand(std::span<const uint8_t> b) {
  if (!fits(b, kPrintPacketSize) || le::u16(b, 0) != kCmdPrint || le::u16(b, 2) != kPrintPayload) {
    return std::nullopt;
  }
  PrintCommand c;
  c.printId = le::u8(b, kOffPrintId);
  c.copies = le::u16(b, kOffPrintCopies);
  c.width = le::u16(b, kOffPrintWidth);
  c.height = le::u16(b, kOffPrintHeight);
  c.laminateByte = le::u8(b, kOffPrintLaminate);
  c.methodByte = le::u8(b, kOffPrintMethod);
  return c;
}

}  // namespace q7310::protocol

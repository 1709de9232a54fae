// The printer's command protocol: packets the host writes, the records the
// printer answers with, the command table, and the texts that name printer
// states, errors, ribbons, media sizes and print methods. The port monitor,
// the printer I/O library, the status monitor and the emulated printer all
// use these definitions, so the byte layouts exist exactly once.
//
// Every record is packed and little-endian; codecs read and write fields at
// the offsets below through common/le.h. Decoders take a span that must hold
// at least the record's size (checked: a short span decodes as nullopt).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q7310::protocol {

// ---- Command codes and the command table ----

inline constexpr uint16_t kCmdGetStatus = 0x0001;
inline constexpr uint16_t kCmdGetMediaInfo = 0x0002;
inline constexpr uint16_t kCmdGetParameter = 0x0005;
inline constexpr uint16_t kCmdGetSerialNumber = 0x0006;
inline constexpr uint16_t kCmdPrint = 0x4001;
inline constexpr uint16_t kCmdCancelPrint = 0x4002;
inline constexpr uint16_t kCmdFlashLed = 0x4003;
inline constexpr uint16_t kCmdReset = 0x4004;
inline constexpr uint16_t kCmdGetToneCurve = 0x4005;
inline constexpr uint16_t kCmdSetParameter = 0x4007;
inline constexpr uint16_t kCmdGetImageCorrection = 0x400D;
inline constexpr uint16_t kCmdGetFirmware = 0xC003;

inline constexpr size_t kPacketHeaderSize = 4;  // u16 code, u16 payload length

// The answer a command gets, as the host reads it.
enum class AnswerKind {
  Record,         // one record of answerSize bytes
  None,           // nothing is read (reset)
  BlockTransfer,  // a block transfer answer, then data blocks
};

struct CommandInfo {
  uint16_t code;
  const char* name;
  // Payload lengths the printer accepts: the port monitor's form and the
  // I/O library's form (equal where both send the same packet).
  uint16_t payload;
  uint16_t altPayload;
  AnswerKind answer;
  uint16_t answerSize;  // Record: its size; BlockTransfer: the monitor's answer size
};

// The whole table, in code order.
std::span<const CommandInfo> commandTable();
// nullptr for a code the printer does not know.
const CommandInfo* findCommand(uint16_t code);

// A packet: header (code, payload length) and payload.
std::vector<uint8_t> commandPacket(uint16_t code, std::span<const uint8_t> payload = {});

// ---- Response header ----

inline constexpr size_t kResponseSize = 10;
inline constexpr size_t kOffCmdResult = 0;
inline constexpr size_t kOffCmdError = 1;
inline constexpr size_t kOffErrMajor = 2;
inline constexpr size_t kOffErrMinor = 3;
inline constexpr size_t kOffPrnStatus = 7;
inline constexpr size_t kOffBufSize = 8;
static_assert(kOffBufSize + 2 == kResponseSize, "response header is 10 bytes");

inline constexpr uint8_t kCmdResultAccepted = 1;
inline constexpr uint8_t kCmdResultFailed = 2;
inline constexpr uint8_t kCmdErrorNone = 0;
inline constexpr uint8_t kCmdErrorInvalidParameter = 1;
inline constexpr uint8_t kCmdErrorBuffersFull = 0x21;

struct CommandResponse {
  uint8_t cmdResult = 0;
  uint8_t cmdError = 0;
  uint8_t errMajor = 0;
  uint8_t errMinor = 0;
  uint8_t prnStatus = 0;
  uint16_t bufSize = 0;
  bool operator==(const CommandResponse&) const = default;
};

std::optional<CommandResponse> decodeResponse(std::span<const uint8_t> bytes);
// Writes the 10 header bytes (the reserved bytes 4 to 6 as zero).
void encodeResponse(std::span<uint8_t> out, const CommandResponse& response);

// ---- Printer states ----

inline constexpr uint8_t kStateIdle = 0x00;
inline constexpr uint8_t kStateError = 0x11;
inline constexpr uint8_t kStateInitializing = 0x31;
inline constexpr uint8_t kStateDownloading = 0x37;
inline constexpr uint8_t kStateFeeding = 0x61;
inline constexpr uint8_t kStateWarmingUp = 0x62;
inline constexpr uint8_t kStateYellow = 0x63;
inline constexpr uint8_t kStateYellow2 = 0x64;
inline constexpr uint8_t kStateMagenta = 0x65;
inline constexpr uint8_t kStateMagenta2 = 0x66;
inline constexpr uint8_t kStateCyan = 0x67;
inline constexpr uint8_t kStateCyan2 = 0x68;
inline constexpr uint8_t kStateOvercoat = 0x69;
inline constexpr uint8_t kStateEjecting = 0x6B;
inline constexpr uint8_t kStateFinished = 0x6D;

// The printing states: working on a print, yet able to take the next one.
constexpr bool isPrintingState(uint8_t prnStatus) { return prnStatus >= 0x60 && prnStatus <= 0x6F; }

enum class StateGroup : uint8_t { IdleOrUnknown = 0, Busy = 1, Error = 2 };

struct StateDescription {
  std::string_view text;
  StateGroup group;
};

// The error text of prnStatus 0x11 by errMajor (and errMinor for group 6);
// empty for values without a text.
std::string_view errorText(uint8_t errMajor, uint8_t errMinor);
// The text and group of a response: "COMMAND FAILURE" (group 2) when
// cmdResult is 2, else by prnStatus.
StateDescription describeState(const CommandResponse& response);

// ---- Get status ----

inline constexpr size_t kStatusRecordSize = 77;
inline constexpr size_t kOffLifetimeCount = 10;
inline constexpr size_t kOffMaintenanceCount = 14;
inline constexpr size_t kOffPaperCount = 18;
inline constexpr size_t kOffCutterCount = 22;
inline constexpr size_t kOffHeadCount = 26;
inline constexpr size_t kOffRibbonRemaining = 30;
inline constexpr size_t kOffStatusUnused34 = 34;
inline constexpr size_t kOffBank1 = 38;
inline constexpr size_t kOffBank2 = 46;
inline constexpr size_t kBankSize = 8;  // id, A, B, C, status
inline constexpr size_t kOffStatusByte70 = 70;
static_assert(kOffRibbonRemaining + 4 == kOffStatusUnused34 && kOffStatusUnused34 + 4 == kOffBank1);
static_assert(kOffBank1 + kBankSize == kOffBank2 && kOffBank2 + kBankSize == 54);
static_assert(kOffStatusByte70 + 1 + 6 == kStatusRecordSize);

struct Bank {
  uint8_t printId = 0;
  uint16_t fieldA = 0;
  uint16_t fieldB = 0;
  uint16_t fieldC = 0;
  uint8_t status = 0;  // 0: free
  bool operator==(const Bank&) const = default;
};

struct PrinterStatusRecord {
  CommandResponse response;
  uint32_t lifetimeCount = 0;
  uint32_t maintenanceCount = 0;  // since the last maintenance
  uint32_t paperCount = 0;        // since the last paper replacement
  uint32_t cutterCount = 0;
  uint32_t headCount = 0;
  uint32_t ribbonRemaining = 0;
  std::array<Bank, 2> banks{};
  uint8_t byte70 = 0;
  bool operator==(const PrinterStatusRecord&) const = default;
};

std::optional<PrinterStatusRecord> decodeStatus(std::span<const uint8_t> bytes);
std::array<uint8_t, kStatusRecordSize> encodeStatus(const PrinterStatusRecord& record);

// ---- Get media information ----

inline constexpr size_t kMediaInfoSize = 113;
inline constexpr size_t kMediaEntrySize = 10;
inline constexpr size_t kMaxMediaEntries = 10;
inline constexpr size_t kOffRibbonType = 10;
inline constexpr size_t kOffMediaCount = 12;
inline constexpr size_t kOffMediaEntries = 13;
static_assert(kOffMediaEntries + kMaxMediaEntries * kMediaEntrySize == kMediaInfoSize);
inline constexpr size_t kOffEntrySizeCode = 0;
inline constexpr size_t kOffEntryWidth = 1;
inline constexpr size_t kOffEntryHeight = 3;
inline constexpr size_t kOffEntryPrintMethod = 6;
static_assert(kOffEntryPrintMethod + 1 + 3 == kMediaEntrySize);

// Ribbon types.
inline constexpr uint8_t kRibbonNotSet = 0;
inline constexpr uint8_t kRibbon4x6 = 1;
inline constexpr uint8_t kRibbon35x5 = 2;
inline constexpr uint8_t kRibbon5x7 = 3;
inline constexpr uint8_t kRibbon6x8 = 4;

// Media size codes.
inline constexpr uint8_t kMedia4x6 = 0;
inline constexpr uint8_t kMedia6x8 = 6;
inline constexpr uint8_t kMedia2x6 = 7;

// Print methods (page header and media entries).
inline constexpr uint8_t kMethodNormal = 0;
inline constexpr uint8_t kMethodCombo = 2;  // two 4 x 6 images on one sheet
inline constexpr uint8_t kMethodSplit = 4;
inline constexpr uint8_t kMethodCombo2 = 8;

struct MediaEntry {
  uint8_t sizeCode = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t printMethod = 0;
  bool operator==(const MediaEntry&) const = default;
};

struct MediaInfoRecord {
  CommandResponse response;
  uint8_t ribbonType = 0;
  // As many entries as the record announces, at most 10 (a larger count is
  // cut to what the record holds).
  std::vector<MediaEntry> entries;
  bool operator==(const MediaInfoRecord&) const = default;
};

std::optional<MediaInfoRecord> decodeMediaInfo(std::span<const uint8_t> bytes);
// Entries past the tenth are left out.
std::array<uint8_t, kMediaInfoSize> encodeMediaInfo(const MediaInfoRecord& record);

// "Not Set", "4 x 6", ..., "Unknown"; "Card" for a 4 x 6 ribbon whose first
// entry has a card size code (0x10 to 0x15).
std::string_view ribbonTypeName(const MediaInfoRecord& record);
std::string_view ribbonTypeName(uint8_t ribbonType);
// "4 x 6 in", ...; empty for codes without a name.
std::string_view mediaSizeName(uint8_t sizeCode);
// "Normal", "2-up", "Split", ...; empty for values without a name.
std::string_view printMethodName(uint8_t printMethod);

// ---- Firmware, serial number, parameter ----

inline constexpr size_t kFirmwareRecordSize = 48;
inline constexpr size_t kOffFirmwareInfo = 10;  // 34 bytes the host does not interpret
inline constexpr size_t kFirmwareInfoSize = 34;
inline constexpr size_t kOffFirmwareMajor = 44;
inline constexpr size_t kOffFirmwareMinor = 45;
static_assert(kOffFirmwareInfo + kFirmwareInfoSize == kOffFirmwareMajor);

struct FirmwareRecord {
  CommandResponse response;
  std::array<uint8_t, kFirmwareInfoSize> info{};
  uint8_t major = 0;
  uint8_t minor = 0;
  bool operator==(const FirmwareRecord&) const = default;
};
std::optional<FirmwareRecord> decodeFirmware(std::span<const uint8_t> bytes);
std::array<uint8_t, kFirmwareRecordSize> encodeFirmware(const FirmwareRecord& record);
// "%d.%02X", as the tools show a version.
std::string firmwareVersionText(uint8_t major, uint8_t minor);

inline constexpr size_t kSerialRecordSize = 18;
inline constexpr size_t kOffSerial = 10;
inline constexpr size_t kSerialChars = 8;
static_assert(kOffSerial + kSerialChars == kSerialRecordSize);

struct SerialNumberRecord {
  CommandResponse response;
  std::string serial;  // the 8 characters as sent, blanks and underscores included
  bool operator==(const SerialNumberRecord&) const = default;
};
std::optional<SerialNumberRecord> decodeSerialNumber(std::span<const uint8_t> bytes);
// A serial longer than 8 characters is cut; a shorter one is padded with blanks in front.
std::array<uint8_t, kSerialRecordSize> encodeSerialNumber(const SerialNumberRecord& record);
// The serial as a display shows it: leading blanks and underscores skipped.
std::string_view displaySerial(std::string_view serial);

inline constexpr size_t kParameterRecordSize = 14;
inline constexpr size_t kOffParameterValue = 10;
static_assert(kOffParameterValue + 4 == kParameterRecordSize);

struct ParameterRecord {
  CommandResponse response;
  int32_t value = 0;
  bool operator==(const ParameterRecord&) const = default;
};
std::optional<ParameterRecord> decodeParameter(std::span<const uint8_t> bytes);
std::array<uint8_t, kParameterRecordSize> encodeParameter(const ParameterRecord& record);

// ---- Block transfers (image correction, tone curve) ----

inline constexpr size_t kOffTransferTotal = 10;
inline constexpr size_t kTransferAnswerMonitor = 14;  // the port monitor's form
inline constexpr size_t kTransferAnswerLibrary = 12;  // the I/O library's form
inline constexpr size_t kBlockHeaderSize = 2;          // u8 block number, u8 data length
inline constexpr size_t kMaxBlockData = 255;
inline constexpr size_t kMaxBlockRead = kBlockHeaderSize + kMaxBlockData;  // 257
static_assert(kOffTransferTotal + 2 == kTransferAnswerLibrary);

struct TransferAnswer {
  CommandResponse response;
  uint16_t totalLength = 0;
};
std::optional<TransferAnswer> decodeTransferAnswer(std::span<const uint8_t> bytes);
// size is 14 (monitor form) or 12 (library form).
std::vector<uint8_t> encodeTransferAnswer(const TransferAnswer& answer, size_t size);
std::vector<uint8_t> encodeBlock(uint8_t number, std::span<const uint8_t> data);

// Get image correction in the port monitor's form: the request byte (laminate
// code, plus 8 for fine quality) and 11 zero bytes.
inline constexpr size_t kImageCorrectionPacketMonitor = 16;
std::vector<uint8_t> imageCorrectionPacket(uint8_t requestByte);

// ---- The print command ----

inline constexpr size_t kPrintPacketSize = 32;
inline constexpr uint16_t kPrintPayload = 28;
inline constexpr size_t kOffPrintId = 4;
inline constexpr size_t kOffPrintCopies = 5;
inline constexpr size_t kOffPrintWidth = 7;
inline constexpr size_t kOffPrintHeight = 9;
inline constexpr size_t kOffPrintLaminate = 19;
inline constexpr size_t kOffPrintMethod = 20;
static_assert(kOffPrintHeight + 2 + 8 == kOffPrintLaminate);
static_assert(kOffPrintMethod + 1 + 11 == kPrintPacketSize);
static_assert(kPacketHeaderSize + kPrintPayload == kPrintPacketSize);

inline constexpr uint8_t kLaminateFineFlag = 0x08;
inline constexpr uint8_t kMethodByteMonitorBits = 0x18;  // the port monitor ORs the page's method with this
inline constexpr uint8_t kMethodByteLibrary = 0x10;
inline constexpr uint8_t kMethodByteLibraryTwoImage = 0x12;

struct PrintCommand {
  uint8_t printId = 0;
  uint16_t copies = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t laminateByte = 0;  // laminate code, plus 0x08 for fine quality
  uint8_t methodByte = 0;
  bool operator==(const PrintCommand&) const = default;

  uint8_t laminate() const { return laminateByte & 0x07; }
  bool fine() const { return (laminateByte & kLaminateFineFlag) != 0; }
  // The print method the byte asks for, in either side's form: 2 for the
  // library's two-image form, else the low bits the monitor ORed in.
  uint8_t printMethod() const;
  // Bytes of printer image data that follow an accepted print command.
  uint64_t imageBytes() const { return uint64_t{width} * height * 8; }
};
std::array<uint8_t, kPrintPacketSize> encodePrintCommand(const PrintCommand& command);
// Reads a whole 32-byte packet (header included); nullopt if it is short or
// is not a print command with payload 28.
std::optional<PrintCommand> decodePrintCommand(std::span<const uint8_t> packet);

// ---- The port monitor's copy of the correction data ----

inline constexpr size_t kCorrectionBlockSize = 16384;
inline constexpr size_t kOffCorrectionData = 4;
inline constexpr size_t kMaxCorrectionData = 12432;  // 0x3090
inline constexpr size_t kOffCorrectionWidth = 12436;
inline constexpr size_t kOffCorrectionHeight = 12438;
static_assert(kOffCorrectionData + kMaxCorrectionData == kOffCorrectionWidth);
static_assert(kOffCorrectionHeight + 2 <= kCorrectionBlockSize);
// The port monitor's receive buffer: the 12-byte answer head and the data.
inline constexpr size_t kCorrectionReceiveSize = 16396;

}  // namespace q7310::protocol

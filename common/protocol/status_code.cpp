#include "common/protocol/status_code.h"

namespace q7310::protocol {

namespace {

constexpr uint32_t code(uint8_t cls, uint8_t detail) {
  return (static_cast<uint32_t>(cls) << 24) | (static_cast<uint32_t>(detail) << 16);
}

uint32_t printerErrorCode(uint8_t errMajor, uint8_t errMinor) {
  switch (errMajor) {
    case 1: return code(2, 0x01);
    case 2: return code(2, 0x02);
    case 3: return code(2, 0x04);
    case 4: return code(2, 0x05);
    case 5: return code(2, 0x06);
    case 6:
      switch (errMinor) {
        case 1: return code(2, 0x04);
        case 2:
        case 4: return code(2, 0x0A);
        case 3: return code(2, 0x09);
        case 5: return code(2, 0x0B);
        case 6:
        case 8: return code(2, 0x07);
        case 9: return code(2, 0x0C);
        default: return kStatusPrinterError;
      }
    default: return kStatusPrinterError;
  }
}

uint32_t failedCommandCode(uint8_t cmdError) {
  switch (cmdError) {
    case 0: return kStatusReady;
    case 1: return code(2, 0x0D);
    case 2: return code(2, 0x0E);
    case 3: return code(2, 0x0F);
    case 4: return code(2, 0x10);
    case 5: return code(2, 0x19);
    case kCmdErrorBuffersFull: return code(2, 0x11);
    default: break;
  }
  if (cmdError >= 0x31 && cmdError <= 0x37) return code(2, static_cast<uint8_t>(0x12 + (cmdError - 0x31)));
  if (cmdError >= 0x60 && cmdError <= 0x6F) return code(2, 0x20);
  return kStatusPrinterError;
}

}  // namespace

uint32_t classifyStatus(const CommandResponse& r) {
  if (r.cmdResult != kCmdResultAccepted) return failedCommandCode(r.cmdError);
  uint8_t s = r.prnStatus;
  if (s == kStateIdle || isPrintingState(s)) return kStatusReady;
  if (s == kStateError) return printerErrorCode(r.errMajor, r.errMinor);
  if (s == 0x21) return code(3, 0x09);
  switch (s) {
    case 0x31: return code(3, 0x01);
    case 0x32: return code(3, 0x02);
    case 0x33: return code(3, 0x06);
    case 0x34: return code(3, 0x03);
    case 0x35: return code(3, 0x04);
    case 0x36: return code(3, 0x07);
    case 0x37: return code(3, 0x08);
    default: break;
  }
  if (s >= 0x30 && s <= 0x3F) return kStatusBusy;
  return code(3, 0x0A);
}

}  // namespace q7310::protocol

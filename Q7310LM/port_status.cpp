#include "Q7310LM/port_status.h"

#include "Q7310LM/monitor_log.h"
#include "Q7310LM/port_setup.h"
#include "common/protocol/status_code.h"
#include "common/wide_text.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm {

namespace {

struct Shown {
  const char* log;        // nullptr: nothing logged
  bool set;               // false: clear
  uint32_t status;
  const char* text;       // empty: none
};

Shown shownFor(uint32_t code) {
  using namespace spooler;
  const uint8_t detail = protocol::statusDetail(code);
  switch (protocol::statusClass(code)) {
    case protocol::kClassHost:
      switch (detail) {
        case 0x01: return {"ERROR:   WRITE ERROR", false, 0, ""};
        case 0x02: return {"ERROR:   READ ERROR", false, 0, ""};
        case 0x03: return {"ERROR:   UNSUPPORTED MEDIA", false, 0, ""};
        default: return {"ERROR:   COMMAND FAILURE", false, 0, ""};
      }
    case protocol::kClassPrinterError:
      switch (detail) {
        case 0x01: case 0x02: case 0x03: case 0x05: case 0x08: case 0x10: case 0x16: case 0x20:
          return {"WARNING: READY TO PRINT [MECHANICAL]", true, kPortStatusUserIntervention, ""};
        case 0x04: return {"WARNING: READY TO PRINT [COVER OPEN]", true, kPortStatusDoorOpen, ""};
        case 0x06: return {"WARNING: READY TO PRINT [PAPER JAM]", true, kPortStatusPaperJam, ""};
        case 0x07: return {"WARNING: READY TO PRINT [NO PAPER]", true, kPortStatusPaperOut, ""};
        case 0x09: return {"WARNING: READY TO PRINT [NO RIBBON]", true, kPortStatusNoToner, ""};
        case 0x0A: return {"WARNING: READY TO PRINT [INCORRECT RIBBON]", true, 0, "Incorrect ribbon"};
        case 0x0B: return {"WARNING: READY TO PRINT [INCORRECT PAPER]", true, 0, "Incorrect paper"};
        case 0x0C: return {"WARNING: READY TO PRINT [TAKE OUT PAPER]", true, 0, "Take out paper"};
        case 0x0D: return {"WARNING: READY TO PRINT [INVALID PARAMETER]", true, 0, "Invalid parameter"};
        case 0x0E: return {"WARNING: READY TO PRINT [MAINAPPINACTIVE]", true, 0, "Firmware issue"};
        case 0x0F: return {"WARNING: READY TO PRINT [COMM TIMEOUT]", true, 0, "Command timeout"};
        case 0x15: return {"WARNING: READY TO PRINT [THERMAL PROTECT]", true, 0, "Thermal protect"};
        default: return {"WARNING: READY TO PRINT [WAIT 2]", false, 0, ""};
      }
    case protocol::kClassBusy:
      if (detail == 0x04) return {"WARNING: READY TO PRINT [OPERATING PANEL]", true, kPortStatusUserIntervention, ""};
      return {"WARNING: READY TO PRINT [WAIT 1]", false, 0, ""};
    case protocol::kClassReady:
      return {nullptr, false, 0, ""};
    default:
      return {"WARNING: READY TO PRINT [WAIT 3]", false, 0, ""};
  }
}

}  // namespace

void setPortStatusLocked(PortContext& port, uint32_t status, std::string_view text) {
  std::u16string wide = text::toUtf16(text);
  if (wide.size() > kPortStatusTextChars) wide.resize(kPortStatusTextChars);
  spooler::setPortStatus(port.portNameUtf8,
                         spooler::PortStatus{status, text::toUtf8(wide), spooler::kPortStatusSeverityWarning});
  port.portStatusLevel = status;
  port.portStatusText = std::move(wide);
  logPort(port, "INFO:    SETTING PORT STATUS");
}

void clearPortStatusLocked(PortContext& port) {
  clearSpoolerPortStatus(port);
  port.portStatusLevel = 0;
  port.portStatusText.clear();
}

void updatePortStatus(PortContext& port, uint32_t statusCode) {
  const Shown shown = shownFor(statusCode);
  if (shown.log != nullptr) logPort(port, "%s", shown.log);
  if (shown.set) {
    setPortStatusLocked(port, shown.status, shown.text);
    return;
  }
  // Level 5 marks a document-level problem, which a printer that is merely
  // ready again must not hide.
  if (port.portStatusLevel != 0 && port.portStatusLevel != kPortStatusLevelDocumentProblem) {
    clearPortStatusLocked(port);
    logPort(port, "INFO:    CLEARING PORT STATUS");
  }
}

}  // namespace q7310::lm

// The downstream port monitor that owns the printer's USB ports
// ("Q7310_001" to "Q7310_999"): the seven operations a language monitor calls
// in front of it, and the port transceiver that answers "GetDeviceID" with
// the key of the device on the port. A port reaches the printer through a
// PrinterLink: by default the emulated printer listening at the port's
// endpoint under the root, connected when first used and again after the
// printer went away; a process may instead attach a link of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "outside/printer/emulator/link.h"
#include "platform/spooler/monitor_table.h"

namespace q7310::usbmon {

// How long a ReadPort waits for the printer's next transfer.
inline constexpr uint32_t kReadWaitMs = 50;

// The monitor table: OpenPort, StartDocPort, WritePort, ReadPort, EndDocPort,
// ClosePort, GetPrinterDataFromPort and the three port transceiver slots.
// Failures leave kErrorInvalidHandle (bad handle), kErrorInvalidName (not one
// of this monitor's ports) or kErrorGenFailure (no printer, or it went away)
// as the last error.
const spooler::MonitorTable* monitorTable();

// Puts a link (for example an in-process printer) on a port, for ports opened
// from now on; deviceKey is what "GetDeviceID" answers.
void attachLink(std::string_view portName, std::shared_ptr<printer::PrinterLink> link, std::string deviceKey);
void detachLink(std::string_view portName);

}  // namespace q7310::usbmon

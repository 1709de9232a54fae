// The port monitor's printer commands: command result, status query, image
// correction data and the print command, over writeAll and readExact.
// Every call blocks while it talks to the printer; the caller owns the
// printer mutex around it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "Q7310LM/port_context.h"
#include "common/protocol/printer_protocol.h"

namespace q7310::lm {

using CorrectionBlock = std::array<uint8_t, protocol::kCorrectionBlockSize>;

// Reads the 10-byte response of a command. 0 when cmdResult is 1; 3 when it
// is not ("ERROR:   COMMAND RESULT [..]" logged) or the read fell short (no log).
int readCommandResult(PortContext& port, protocol::CommandResponse& response);

// Asks for the printer's status and stores record, status code and time in
// the port under statusLock, then updates the port status from the code.
// 0; 6 when the command could not be written (code 0x04010000); 7 when the
// 77-byte answer did not arrive (code 0x04020000). A failed query stores an
// all-zero record.
int queryStatus(PortContext& port);

// Fetches the printer's image correction data for the request byte into
// block (cleared first): the data at offset 4, at most 12432 bytes, the page's
// width and height at 12436 and 12438. 0, or the write's or the answer
// read's result. Blocks past the receive buffer's room are taken and dropped.
int getImageCorrection(PortContext& port, CorrectionBlock& block, uint8_t requestByte, uint32_t width,
                       uint32_t height);

// Sends the 32-byte print command (print method byte: method OR 0x18;
// laminate byte: laminate, plus 8 unless quality is 0) and reads its
// response. 0, 3 (refused or no response) or 6 (not written).
int sendPrintCommand(PortContext& port, uint16_t printId, uint32_t copies, uint32_t width, uint32_t height,
                     uint32_t printMethod, uint32_t quality, uint32_t laminate, protocol::CommandResponse& response);

}  // namespace q7310::lm

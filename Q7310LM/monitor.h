// The port monitor's operations, in the shapes of the monitor function table:
// ports, documents, the job stream and the pass-through to the downstream
// monitor. Failures return false with the last error set; see each call.
#pragma once

#include <cstdint>
#include <vector>

#include "Q7310LM/port_context.h"
#include "platform/spooler/monitor_table.h"

namespace q7310::lm {

// The description InitializePrintMonitor hands out (size 136, then the table
// with slots 3 to 8 and 13 filled).
const spooler::MonitorDescription& monitorDescription();

// ERROR_INVALID_PRINT_MONITOR when the downstream table or one of its OpenPort,
// StartDocPort, WritePort, ReadPort or ClosePort entries is missing;
// ERROR_BUSY when a port of that name (ignoring case) is open; otherwise the
// downstream OpenPort's failure as it is. A null handle pointer is
// ERROR_INVALID_PARAMETER.
bool openPortEx(const char16_t* portName, const char16_t* printerName, spooler::MonitorHandle* handle,
                const spooler::MonitorTable* downstream);
// ERROR_INVALID_PARAMETER (bad handle, no docInfo, empty printer name),
// ERROR_INVALID_LEVEL (level other than 1), ERROR_BUSY (a document is active);
// the spooler's or downstream's failure as it is.
bool startDocPort(spooler::MonitorHandle handle, const char16_t* printerName, uint32_t jobId, uint32_t level,
                  const void* docInfo);
// One job stream reader step. ERROR_INVALID_PARAMETER for a bad handle, a
// null written pointer, no bytes where size is not 0, or no document started.
bool writePort(spooler::MonitorHandle handle, const uint8_t* buffer, uint32_t size, uint32_t* written);
// Reads exactly size bytes from the downstream port (5000 ms deadline); read
// holds the count received either way.
bool readPort(spooler::MonitorHandle handle, uint8_t* buffer, uint32_t size, uint32_t* read);
// Ends the document: the download lock is released, the job reported as
// ejected, "STATUS:  ENDDOC [...]" logged.
bool endDocPort(spooler::MonitorHandle handle);
// Stops the status thread, closes the port's objects and the downstream port,
// and frees the port (remaining jobs are not reported).
bool closePort(spooler::MonitorHandle handle);
// Forwarded to the downstream monitor with its own handle; its result as it
// is. A bad handle is ERROR_INVALID_PARAMETER, a downstream without the entry
// ERROR_NOT_SUPPORTED.
bool getPrinterDataFromPort(spooler::MonitorHandle handle, uint32_t controlCode, const char16_t* valueName,
                            const char16_t* inBuffer, uint32_t inSize, char16_t* outBuffer, uint32_t outSize,
                            uint32_t* returned);

// Reports "last page ejected" for the last job record with jobId and every
// older one (0xFFFFFFFF: every record), detaches and frees them. Takes the
// global lock.
inline constexpr uint32_t kAllJobs = 0xFFFFFFFF;
void completeJob(PortContext& port, uint32_t jobId);

// The open port of that handle, or nullptr: a closed or made-up handle is
// never dereferenced.
PortContext* findPort(spooler::MonitorHandle handle);
// Names of the open ports, newest first (for tests and diagnostics).
std::vector<std::u16string> openPortNames();

}  // namespace q7310::lm

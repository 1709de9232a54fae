// The spooler's interface to a port monitor: the table of seventeen monitor
// functions, the description a monitor's entry point returns, and the level 1
// document information. Language monitors and the port monitors they sit in
// front of (the downstream monitors) share the same table layout; a slot the
// monitor does not provide is null.
//
// Conventions of every slot: the boolean result is true on success; on failure
// the monitor leaves the reason in the calling thread's last error
// (platform/os/errors.h). Handles are the monitor's own; the spooler passes
// them back unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

namespace q7310::spooler {

using MonitorHandle = void*;

struct MonitorTable;

// Level 1 document information, the docInfo of StartDocPort at level 1.
struct DocInfo1 {
  const char16_t* docName;
  const char16_t* outputFile;
  const char16_t* datatype;
};

using EnumPortsFn = bool (*)(const char16_t* serverName, uint32_t level, uint8_t* ports, uint32_t size,
                             uint32_t* needed, uint32_t* returned);
using OpenPortFn = bool (*)(const char16_t* portName, MonitorHandle* handle);
// Language monitors: open portName for printerName in front of the downstream
// monitor whose table is given.
using OpenPortExFn = bool (*)(const char16_t* portName, const char16_t* printerName, MonitorHandle* handle,
                              const MonitorTable* downstream);
using StartDocPortFn = bool (*)(MonitorHandle port, const char16_t* printerName, uint32_t jobId, uint32_t level,
                                const void* docInfo);
// Takes between 0 and size bytes and reports the count in written.
using WritePortFn = bool (*)(MonitorHandle port, const uint8_t* buffer, uint32_t size, uint32_t* written);
using ReadPortFn = bool (*)(MonitorHandle port, uint8_t* buffer, uint32_t size, uint32_t* read);
using EndDocPortFn = bool (*)(MonitorHandle port);
using ClosePortFn = bool (*)(MonitorHandle port);
using AddPortFn = bool (*)(const char16_t* serverName, void* window, const char16_t* monitorName);
using AddPortExFn = bool (*)(const char16_t* serverName, uint32_t level, const uint8_t* portInfo,
                             const char16_t* monitorName);
using ConfigurePortFn = bool (*)(const char16_t* serverName, void* window, const char16_t* portName);
using DeletePortFn = bool (*)(const char16_t* serverName, void* window, const char16_t* portName);
using GetPrinterDataFromPortFn = bool (*)(MonitorHandle port, uint32_t controlCode, const char16_t* valueName,
                                          const char16_t* inBuffer, uint32_t inSize, char16_t* outBuffer,
                                          uint32_t outSize, uint32_t* returned);
struct PortTimeouts {
  uint32_t readIntervalTimeout;
  uint32_t readTotalTimeoutMultiplier;
  uint32_t readTotalTimeoutConstant;
  uint32_t writeTotalTimeoutMultiplier;
  uint32_t writeTotalTimeoutConstant;
};
using SetPortTimeOutsFn = bool (*)(MonitorHandle port, const PortTimeouts* timeouts, uint32_t reserved);
using XcvOpenPortFn = bool (*)(const char16_t* object, uint32_t grantedAccess, MonitorHandle* xcv);
using XcvDataPortFn = uint32_t (*)(MonitorHandle xcv, const char16_t* dataName, const uint8_t* inData,
                                   uint32_t inSize, uint8_t* outData, uint32_t outSize, uint32_t* needed);
using XcvClosePortFn = bool (*)(MonitorHandle xcv);

// The seventeen slots, in this order.
struct MonitorTable {
  EnumPortsFn enumPorts;                            // 1
  OpenPortFn openPort;                              // 2
  OpenPortExFn openPortEx;                          // 3
  StartDocPortFn startDocPort;                      // 4
  WritePortFn writePort;                            // 5
  ReadPortFn readPort;                              // 6
  EndDocPortFn endDocPort;                          // 7
  ClosePortFn closePort;                            // 8
  AddPortFn addPort;                                // 9
  AddPortExFn addPortEx;                            // 10
  ConfigurePortFn configurePort;                    // 11
  DeletePortFn deletePort;                          // 12
  GetPrinterDataFromPortFn getPrinterDataFromPort;  // 13
  SetPortTimeOutsFn setPortTimeOuts;                // 14
  XcvOpenPortFn xcvOpenPort;                        // 15
  XcvDataPortFn xcvDataPort;                        // 16
  XcvClosePortFn xcvClosePort;                      // 17
};

inline constexpr size_t kMonitorSlots = 17;
static_assert(sizeof(MonitorTable) == kMonitorSlots * sizeof(void*), "one pointer per slot, no padding");
static_assert(offsetof(MonitorTable, openPortEx) == 2 * sizeof(void*));
static_assert(offsetof(MonitorTable, getPrinterDataFromPort) == 12 * sizeof(void*));
static_assert(offsetof(MonitorTable, xcvClosePort) == 16 * sizeof(void*));

// What a monitor's entry point returns: the size of the table in bytes, then
// the table.
struct MonitorDescription {
  uint32_t size;
  MonitorTable table;
};
static_assert(offsetof(MonitorDescription, table) == sizeof(void*));

// The entry point every monitor library exports as "InitializePrintMonitor":
// takes the spooler's registry root for the monitor; null on failure (last
// error set).
using InitializePrintMonitorFn = MonitorDescription* (*)(const char16_t* registryRoot);
inline constexpr const char* kInitializePrintMonitorName = "InitializePrintMonitor";

}  // namespace q7310::spooler

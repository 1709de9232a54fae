#include <gtest/gtest.h>

#include "Q7310LM/port_setup.h"
#include "Q7310LM/print_lock.h"
#include "Q7310LM/status_thread.h"
#include "Q7310LM/global_state.h"
#include "Q7310LM/tests/monitor_fixture.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm::testing {
namespace {

using PortsTest = MonitorTest;
using DocumentsTest = MonitorTest;

TEST(InitializePrintMonitorTest, RefusesNoRootAndOtherwiseHandsOutTheTable) {
  q7310::testing::TempRoot root;
  root.enableDebugLog();
  {
    auto library = os::Library::load("Q7310LM.dll");
    ASSERT_TRUE(library);
    auto initialize = library->function<spooler::InitializePrintMonitorFn>("InitializePrintMonitor");
    ASSERT_NE(initialize, nullptr);
    EXPECT_EQ(library->symbol("openPortEx"), nullptr);  // nothing else is exported

    for (const char16_t* bad : {static_cast<const char16_t*>(nullptr), u""}) {
      os::setLastError(0);
      EXPECT_EQ(initialize(bad), nullptr);
      EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
    }
    spooler::MonitorDescription* description = initialize(u"Monitors\\Q7310");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(initialize(u"x"), description);
    EXPECT_EQ(description->size, 136u);
    auto* slots = reinterpret_cast<void* const*>(&description->table);
    for (size_t slot = 1; slot <= spooler::kMonitorSlots; ++slot) {
      bool provided = (slot >= 3 && slot <= 8) || slot == 13;
      EXPECT_EQ(slots[slot - 1] != nullptr, provided) << "slot " << slot;
    }
  }
  std::string log = root.debugLog("q7310lm.log");
  EXPECT_EQ(countOf(log, " :: STATUS:  INITIALIZE MONITOR [3.0 (Build 360)]\n"), 2u) << log;
  EXPECT_NE(log.find(" :: STATUS:  DRIVER UNLOAD [3.0 (Build 360)]\n"), std::string::npos) << log;
}

TEST_F(PortsTest, IncompleteDownstreamTablesAreRefused) {
  struct Case {
    const char* name;
    void (*clear)(spooler::MonitorTable&);
  };
  const Case cases[] = {
      {"OpenPort", [](spooler::MonitorTable& t) { t.openPort = nullptr; }},
      {"StartDocPort", [](spooler::MonitorTable& t) { t.startDocPort = nullptr; }},
      {"WritePort", [](spooler::MonitorTable& t) { t.writePort = nullptr; }},
      {"ReadPort", [](spooler::MonitorTable& t) { t.readPort = nullptr; }},
      {"ClosePort", [](spooler::MonitorTable& t) { t.closePort = nullptr; }},
  };
  spooler::MonitorHandle handle = nullptr;
  EXPECT_FALSE(openPortEx(u"PORT1:", kPrinterWide, &handle, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrintMonitor);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spooler::MonitorTable table = *downstream_.table();
    c.clear(table);
    EXPECT_FALSE(openPortEx(u"PORT1:", kPrinterWide, &handle, &table));
    EXPECT_EQ(os::lastError(), os::kErrorInvalidPrintMonitor);
  }
  EXPECT_TRUE(openPortNames().empty());
  EXPECT_TRUE(downstream_.calls().empty());
}

TEST_F(PortsTest, OnePortPerNameInAnyCaseUntilClosed) {
  spooler::MonitorHandle first = open(u"PORT1:");
  ASSERT_NE(first, nullptr);
  spooler::MonitorHandle second = nullptr;
  EXPECT_FALSE(openPortEx(u"port1:", kPrinterWide, &second, downstream_.table()));
  EXPECT_EQ(os::lastError(), os::kErrorBusy);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(openPortNames(), std::vector<std::u16string>{u"PORT1:"});

  ASSERT_TRUE(closePort(first));
  EXPECT_TRUE(openPortNames().empty());
  // A closed handle is refused, not used.
  EXPECT_FALSE(closePort(first));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  EXPECT_NE(open(u"Port1:"), nullptr);
  EXPECT_EQ(downstream_.calls(), (std::vector<std::string>{"OpenPort", "ClosePort", "OpenPort"}));
  EXPECT_TRUE(downstream_.handlesMatched());
}

TEST_F(PortsTest, DownstreamOpenFailureKeepsNothingAndKeepsItsError) {
  downstream_.failNextOpen(os::kErrorAccessDenied);
  spooler::MonitorHandle handle = nullptr;
  EXPECT_FALSE(openPortEx(u"PORT1:", kPrinterWide, &handle, downstream_.table()));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  EXPECT_TRUE(openPortNames().empty());
  EXPECT_NE(open(u"PORT1:"), nullptr);
}

TEST_F(PortsTest, NamedObjectsUseThePortNameCutAtTheColon) {
  spooler::MonitorHandle handle = open(u"PORT1:");
  EXPECT_TRUE(os::Mutex::open("Global\\Q7310_MUTEX_PORT1"));
  EXPECT_TRUE(os::Event::open("Global\\Q7310_DOWNLOAD_PORT1"));
  std::string log = portLog();
  EXPECT_NE(log.find(" :: STATUS:  MUTEX [Global\\Q7310_MUTEX_PORT1]\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" :: STATUS:  EVENT [Global\\Q7310_DOWNLOAD_PORT1]\n"), std::string::npos) << log;
  EXPECT_EQ(portBaseName("USB001"), "USB001");

  ASSERT_TRUE(closePort(handle));
  EXPECT_FALSE(os::Mutex::open("Global\\Q7310_MUTEX_PORT1"));  // the port held the last handle
  EXPECT_FALSE(os::Event::open("Global\\Q7310_DOWNLOAD_PORT1"));
}

TEST_F(PortsTest, StatusThreadRunsUntilAskedToStop) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  ASSERT_NE(port, nullptr);
  os::sleepMs(10'000);  // the thread keeps waiting for its stop request
  EXPECT_EQ(port->flags & (kFlagStatusThreadRequested | kFlagStatusThreadRunning),
            kFlagStatusThreadRequested | kFlagStatusThreadRunning);
  ASSERT_TRUE(port->statusThread);
  EXPECT_EQ(port->statusThread->requestedStackSize(), 16384u);
  EXPECT_EQ(port->statusThread->priority(), os::ThreadPriority::Lowest);
  EXPECT_NE(port->statusThreadId, 0u);

  {
    std::lock_guard lock(globalLock());
    stopStatusThread(*port);
  }
  EXPECT_EQ(port->flags & (kFlagStatusThreadRequested | kFlagStatusThreadRunning), 0u);
  EXPECT_FALSE(port->statusThread);
  EXPECT_EQ(port->statusThreadId, 0u);

  // A document restarts a thread that is not requested to run.
  start(handle);
  os::sleepMs(1);
  EXPECT_EQ(port->flags & kFlagStatusThreadRunning, kFlagStatusThreadRunning);
  EXPECT_TRUE(closePort(handle));
}

TEST_F(PortsTest, ClosingAPortClearsItsStatusAndReleasesTheDownloadLock) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  lockDownload(*port);
  EXPECT_TRUE(port->downloadEvent->isSignalled());
  EXPECT_TRUE(spooler::setPortStatus("PORT1:", {spooler::kPortStatusDoorOpen, "", 2}));
  auto watcher = os::Event::open("Global\\Q7310_DOWNLOAD_PORT1");
  ASSERT_TRUE(watcher);
  ASSERT_TRUE(closePort(handle));
  EXPECT_FALSE(watcher->isSignalled());
  EXPECT_TRUE(spooler::portStatus("PORT1:").cleared());
}

TEST_F(DocumentsTest, StartDocPortChecksEveryArgument) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  uint32_t jobId = spooler::addJob(kPrinter, "doc");
  int madeUp = 0x544B;
  struct Case {
    const char* name;
    spooler::MonitorHandle handle;
    const char16_t* printer;
    uint32_t level;
    const void* docInfo;
    uint32_t error;
  };
  const Case cases[] = {
      {"null handle", nullptr, kPrinterWide, 1, &docInfo_, os::kErrorInvalidParameter},
      {"made-up handle", &madeUp, kPrinterWide, 1, &docInfo_, os::kErrorInvalidParameter},
      {"no doc info", handle, kPrinterWide, 1, nullptr, os::kErrorInvalidParameter},
      {"no printer", handle, nullptr, 1, &docInfo_, os::kErrorInvalidParameter},
      {"empty printer", handle, u"", 1, &docInfo_, os::kErrorInvalidParameter},
      {"level 2", handle, kPrinterWide, 2, &docInfo_, os::kErrorInvalidLevel},
      {"unknown printer", handle, u"Nobody", 1, &docInfo_, os::kErrorInvalidPrinterName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    os::setLastError(0);
    EXPECT_FALSE(startDocPort(c.handle, c.printer, jobId, c.level, c.docInfo));
    EXPECT_EQ(os::lastError(), c.error);
    EXPECT_EQ(port->jobs, nullptr);
    EXPECT_EQ(port->flags & kFlagDocumentActive, 0u);
  }
  downstream_.failNextStartDoc(os::kErrorGenFailure);
  EXPECT_FALSE(startDocPort(handle, kPrinterWide, jobId, 1, &docInfo_));
  EXPECT_EQ(os::lastError(), os::kErrorGenFailure);
  EXPECT_EQ(port->jobs, nullptr);
  EXPECT_EQ(port->flags & kFlagDocumentActive, 0u);
  EXPECT_EQ(spooler::openPrinterHandleCount(), 0u);

  ASSERT_TRUE(startDocPort(handle, kPrinterWide, jobId, 1, &docInfo_));
  EXPECT_FALSE(startDocPort(handle, kPrinterWide, jobId, 1, &docInfo_));
  EXPECT_EQ(os::lastError(), os::kErrorBusy);
  ASSERT_NE(port->jobs, nullptr);
  EXPECT_EQ(port->jobs->next, nullptr);
  ASSERT_EQ(downstream_.startDocs().size(), 2u);
  EXPECT_EQ(downstream_.startDocs()[1].printerName, u"Photo");
  EXPECT_EQ(downstream_.startDocs()[1].docInfo, &docInfo_);
}

TEST_F(DocumentsTest, EndDocReportsTheJobOnceAndLogsItsDuration) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  uint32_t jobId = start(handle);
  EXPECT_TRUE(port->docActiveEvent->isSignalled());
  EXPECT_EQ(spooler::jobs(kPrinter).size(), 1u);
  os::sleepMs(5123);
  ASSERT_TRUE(endDocPort(handle));
  EXPECT_FALSE(port->docActiveEvent->isSignalled());
  EXPECT_EQ(port->flags & kFlagDocumentActive, 0u);
  EXPECT_TRUE(spooler::jobs(kPrinter).empty());
  ASSERT_TRUE(endDocPort(handle));  // nothing left to report
  EXPECT_EQ(spooler::jobReports(kPrinter),
            (std::vector<spooler::JobReport>{{kPrinter, jobId, spooler::JobControl::LastPageEjected, true}}));
  EXPECT_EQ(spooler::openPrinterHandleCount(), 0u);
  std::string log = portLog();
  EXPECT_NE(log.find(" :: STATUS:  ENDDOC [00050123]\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" :: STATUS:  STARTDOC [PORT1:]\n"), std::string::npos) << log;

  // A new document may start after the end.
  start(handle);
  EXPECT_TRUE(endDocPort(handle));
  EXPECT_EQ(spooler::jobReports(kPrinter).size(), 2u);
}

TEST_F(DocumentsTest, EndDocClearsOnlyTheDocumentProblemAndReleasesTheDownloadLock) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  for (uint32_t level : {kPortStatusLevelDocumentProblem, uint32_t{spooler::kPortStatusDoorOpen}}) {
    SCOPED_TRACE(level);
    start(handle);
    spooler::setPortStatus("PORT1:", {level, "shown", 2});
    port->portStatusLevel = level;
    port->portStatusText = u"shown";
    lockDownload(*port);
    ASSERT_TRUE(endDocPort(handle));
    EXPECT_FALSE(port->downloadEvent->isSignalled());
    EXPECT_EQ(port->flags & kFlagDownloadLockHeld, 0u);
    bool cleared = level == kPortStatusLevelDocumentProblem;
    EXPECT_EQ(spooler::portStatus("PORT1:").cleared(), cleared);
    EXPECT_EQ(port->portStatusLevel, cleared ? 0u : level);
    EXPECT_EQ(port->portStatusText.empty(), cleared);
  }
}

TEST_F(DocumentsTest, JobCompletionTakesTheMatchingRecordAndAllOlderOnes) {
  spooler::MonitorHandle handle = open();
  PortContext* port = findPort(handle);
  // Three records, newest first: c, b, a (the busy rule is stepped around).
  std::vector<uint32_t> ids;
  for (int i = 0; i < 3; ++i) {
    ids.push_back(start(handle));
    port->flags &= ~kFlagDocumentActive;
  }
  completeJob(*port, ids[1]);  // b and the older a
  ASSERT_NE(port->jobs, nullptr);
  EXPECT_EQ(port->jobs->jobId, ids[2]);
  EXPECT_EQ(port->jobs->next, nullptr);
  completeJob(*port, 12345);  // no such record: nothing happens
  completeJob(*port, kAllJobs);
  EXPECT_EQ(port->jobs, nullptr);
  auto reports = spooler::jobReports(kPrinter);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].jobId, ids[1]);
  EXPECT_EQ(reports[1].jobId, ids[0]);
  EXPECT_EQ(reports[2].jobId, ids[2]);
}

TEST_F(DocumentsTest, WritePortWithoutADocumentOrBadArgumentsIsRefused) {
  spooler::MonitorHandle handle = open();
  uint8_t byte = 0;
  uint32_t written = 99;
  EXPECT_FALSE(writePort(handle, &byte, 1, &written));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  EXPECT_EQ(written, 0u);
  start(handle);
  EXPECT_FALSE(writePort(handle, nullptr, 1, &written));
  EXPECT_FALSE(writePort(handle, &byte, 1, nullptr));
  EXPECT_FALSE(writePort(nullptr, &byte, 1, &written));
  EXPECT_TRUE(writePort(handle, &byte, 1, &written));
  EXPECT_EQ(written, 1u);
}

TEST_F(DocumentsTest, ReadPortCollectsPiecesUntilTheDeadline) {
  spooler::MonitorHandle handle = open();
  downstream_.answerReads({1, 2, 3});
  downstream_.answerReads({4, 5});
  uint8_t buffer[5] = {};
  uint32_t read = 0;
  EXPECT_TRUE(readPort(handle, buffer, 5, &read));
  EXPECT_EQ(read, 5u);
  EXPECT_EQ(buffer[4], 5);

  downstream_.answerReads({9, 9});
  uint64_t before = os::tickCount64();
  EXPECT_FALSE(readPort(handle, buffer, 5, &read));
  EXPECT_EQ(read, 2u);
  uint64_t waited = os::tickCount64() - before;
  EXPECT_GT(waited, 5000u);
  EXPECT_LT(waited, 5100u);
}

TEST_F(DocumentsTest, PrinterDataRequestsAreForwardedWithTheDownstreamHandle) {
  spooler::MonitorHandle handle = open();
  downstream_.answerPrinterData(u"OK");
  char16_t out[8] = {};
  uint32_t returned = 0;
  EXPECT_TRUE(getPrinterDataFromPort(handle, 7, u"Value", nullptr, 0, out, sizeof out, &returned));
  EXPECT_EQ(returned, 4u);
  EXPECT_EQ(std::u16string(out), u"OK");
  EXPECT_EQ(downstream_.lastControlCode(), 7u);
  EXPECT_EQ(downstream_.lastValueName(), u"Value");
  EXPECT_TRUE(downstream_.handlesMatched());

  EXPECT_FALSE(getPrinterDataFromPort(nullptr, 7, u"Value", nullptr, 0, out, sizeof out, &returned));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
}

TEST(SilentLogTest, EverythingWorksWithoutTheLogFolder) {
  q7310::testing::TempRoot root;
  q7310::testing::VirtualClock clock;
  q7310::testing::DownstreamDouble downstream;
  ASSERT_TRUE(spooler::addPrinter({kPrinter, "PORT1:", "D"}));
  spooler::MonitorHandle handle = nullptr;
  ASSERT_TRUE(openPortEx(u"PORT1:", kPrinterWide, &handle, downstream.table()));
  spooler::DocInfo1 info{u"doc", nullptr, u"RAW"};
  ASSERT_TRUE(startDocPort(handle, kPrinterWide, spooler::addJob(kPrinter, "doc"), 1, &info));
  uint8_t bad[16] = {20};
  uint32_t written = 0;
  EXPECT_FALSE(writePort(handle, bad, sizeof bad, &written));  // logged, if there were a log
  EXPECT_EQ(written, 16u);
  EXPECT_TRUE(endDocPort(handle));
  EXPECT_TRUE(closePort(handle));
  EXPECT_FALSE(os::folderExists(os::windowsFolder(os::Folder::DebugLog)));
  EXPECT_TRUE(spooler::jobs(kPrinter).empty());
}

}  // namespace
}  // namespace q7310::lm::testing

// The page printing engine against the emulated printer, reached through the
// downstream monitor stand-in, with the spooler's repeated writes played by
// the test: faults before and during a page, locks held elsewhere, full
// buffers, unsupported media and missing or failing bridges.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "Q7310LM/monitor.h"
#include "Q7310LM/bridge.h"
#include "Q7310LM/page_engine.h"
#include "Q7310LM/port_setup.h"
#include "Q7310LM/print_lock.h"
#include "Q7310LM/tests/monitor_fixture.h"
#include "Q7310LM/tests/stream_builder.h"
#include "Q7310LM/tests/test_bridge.h"
#include "common/le.h"
#include "common/protocol/status_code.h"
#include "outside/printer/emulator/link.h"
#include "outside/usbmon/usbmon.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/paths.h"
#include "platform/os/thread.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm::testing {
namespace {

using printer::PrinterError;
using Bytes = std::vector<uint8_t>;

constexpr const char* kPort = "Q7310_001";

// The printer's connection, which can go away after a number of bytes and
// come back; counts what it carried.
class FaultLink final : public printer::PrinterLink {
 public:
  explicit FaultLink(printer::EmulatedPrinter& p) : inner(p) {}
  bool write(std::span<const uint8_t> bytes, uint32_t& written) override {
    written = 0;
    if (gone) return false;
    if (cutAfter && bytes.size() >= *cutAfter) {
      bool ok = inner.write(bytes.first(*cutAfter), written);
      bytesWritten += written;
      gone = true;
      cutAfter.reset();
      (void)ok;
      return false;
    }
    if (cutAfter) *cutAfter -= bytes.size();
    bool ok = inner.write(bytes, written);
    bytesWritten += written;
    largestWrite = std::max<size_t>(largestWrite, bytes.size());
    return ok;
  }
  bool read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) override {
    received = 0;
    if (gone) return false;
    return inner.read(out, timeoutMs, received);
  }
  printer::InProcessLink inner;
  std::optional<uint64_t> cutAfter;  // the connection ends after this many more bytes
  bool gone = false;
  uint64_t bytesWritten = 0;
  size_t largestWrite = 0;
};

// Holds the printer mutex on a thread of its own, as another process would.
class ForeignLock {
 public:
  explicit ForeignLock(bool abandon = false) {
    held_ = os::Event::create("");
    let_go_ = os::Event::create("");
    thread_ = os::Thread::start([this, abandon] {
      auto mutex = os::Mutex::open(printerMutexName(kPort));
      mutex->wait(0);
      held_->set();
      if (abandon) {
        kept_ = std::move(mutex);  // the owner ends without letting go
        return;
      }
      let_go_->wait(os::kInfinite);
      mutex->release();
    });
    held_->wait(os::kInfinite);
    if (abandon) thread_->wait(os::kInfinite);
  }
  ~ForeignLock() {
    let_go_->set();
    thread_->wait(os::kInfinite);
  }

 private:
  std::unique_ptr<os::Event> held_;
  std::unique_ptr<os::Event> let_go_;
  std::unique_ptr<os::Thread> thread_;
  std::unique_ptr<os::Mutex> kept_;  // an abandoned owner's handle, closed by another thread
};

TestPage page2x6(uint8_t seed, uint32_t laminate = 1, uint32_t quality = 0) {
  TestPage page = makePage(1844, 634, seed);
  page.header.mediaSizeCode = 7;
  page.header.printMethod = jobstream::kPrintMethodNormal;
  page.header.copies = 1;
  page.header.laminate = laminate;
  page.header.printQuality = quality;
  return page;
}

class PageEngineTest : public q7310::testing::VirtualClockTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(spooler::addPrinter({kPrinter, kPort, "Veltrano DPX-Q7310"}));
    link_ = std::make_shared<FaultLink>(printer_);
    usbmon::attachLink(kPort, link_, "KEY");
    installBridge(TEST_BRIDGE_CONVERTS);
  }
  void TearDown() override {
    if (handle_ != nullptr && findPort(handle_) != nullptr) closePort(handle_);
    usbmon::detachLink(kPort);
  }

  static void installBridge(const char* built) {
    auto folder = os::folderPath(os::Folder::System);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(built, folder / "Q7310YMC.dll", std::filesystem::copy_options::overwrite_existing);
  }
  static void removeBridge() { std::filesystem::remove(os::folderPath(os::Folder::System) / "Q7310YMC.dll"); }

  void startDocument(const std::vector<TestPage>& pages) {
    if (handle_ == nullptr) {
      ASSERT_TRUE(openPortEx(u"Q7310_001", kPrinterWide, &handle_, usbmon::monitorTable()));
    }
    stream_ = buildStream(pages);
    taken_ = 0;
    uint32_t jobId = spooler::addJob(kPrinter, "doc");
    ASSERT_TRUE(startDocPort(handle_, kPrinterWide, jobId, 1, &docInfo_));
  }
  JobRecord& job() { return *findPort(handle_)->currentJob(); }
  PortContext& port() { return *findPort(handle_); }
  ReaderState state() { return job().state; }

  // One WritePort call with everything not yet taken, as the spooler offers it.
  bool write() {
    uint32_t written = 0;
    const ReaderState before = state();
    const uint64_t linkBefore = link_->bytesWritten;
    bool ok = writePort(handle_, stream_.data() + taken_, static_cast<uint32_t>(stream_.size() - taken_), &written);
    lastError_ = os::lastError();
    taken_ += written;
    if (before == ReaderState::ImageDownload) downloadCalls_.push_back(link_->bytesWritten - linkBefore);
    return ok;
  }
  // Writes until the reader is in state (or the stream is taken); false if a write fails first.
  bool writeUntil(ReaderState wanted, int limit = 100000) {
    while (taken_ < stream_.size() && state() != wanted && limit-- > 0) {
      if (!write()) return false;
    }
    return limit > 0;
  }
  // Writes until every byte is taken, repeating failed writes as the spooler does.
  int writeAll(int limit = 100000) {
    int failures = 0;
    while (taken_ < stream_.size() && limit-- > 0) {
      if (!write()) ++failures;
    }
    EXPECT_EQ(taken_, stream_.size());
    return failures;
  }
  void endDocument() { ASSERT_TRUE(endDocPort(handle_)); }

  std::string log() { return root_.debugLog(std::string("q7310lm_") + kPort + ".log"); }
  spooler::PortStatus shown() { return spooler::portStatus(kPort); }
  uint32_t statusCode() {
    std::lock_guard lock(port().statusLock);
    return port().statusCode;
  }
  bool downloadSignalled() {
    auto event = os::Event::open(downloadEventName(kPort));
    return event && event->wait(0) == os::WaitResult::Signalled;
  }
  // The print as the printer received it matches the page's own printer image.
  void expectPrinted(size_t index, const TestPage& page) {
    auto prints = printer_.prints();
    ASSERT_GT(prints.size(), index);
    const auto& print = prints[index];
    EXPECT_TRUE(print.complete);
    EXPECT_EQ(print.command.width, page.header.width);
    EXPECT_EQ(print.command.height, page.header.height);
    EXPECT_EQ(print.command.copies, page.header.copies);
    EXPECT_EQ(print.command.printMethod(), page.header.printMethod);
    EXPECT_EQ(print.command.laminate(), page.header.laminate);
    EXPECT_EQ(print.command.fine(), page.header.printQuality != 0);
    const auto requestByte = static_cast<uint8_t>(page.header.laminate + (page.header.printQuality ? 8 : 0));
    EXPECT_TRUE(print.image == testBridgeImage(page.pixels, requestByte)) << "print " << index;
  }

  printer::EmulatedPrinter printer_;
  std::shared_ptr<FaultLink> link_;
  spooler::MonitorHandle handle_ = nullptr;
  spooler::DocInfo1 docInfo_{u"doc", nullptr, u"RAW"};
  Bytes stream_;
  size_t taken_ = 0;
  uint32_t lastError_ = 0;
  std::vector<uint64_t> downloadCalls_;  // bytes that reached the printer per download call
};

TEST_F(PageEngineTest, PagesPrintInChunksOnePerWrite) {
  const TestPage first = page2x6(3, 1, 1);
  const TestPage second = page2x6(9, 2, 0);
  startDocument({first, second});
  ASSERT_TRUE(writeUntil(ReaderState::ImageDownload));
  EXPECT_TRUE(downloadSignalled());
  EXPECT_NE(port().flags & kFlagDownloadLockHeld, 0u);
  ASSERT_TRUE(writeUntil(ReaderState::PageEnd));
  EXPECT_FALSE(downloadSignalled());
  EXPECT_EQ(port().flags & kFlagDownloadLockHeld, 0u);
  EXPECT_EQ(writeAll(), 0);
  endDocument();

  ASSERT_EQ(printer_.prints().size(), 2u);
  expectPrinted(0, first);
  expectPrinted(1, second);
  // Bank 1 took the first page (ID 0 + 1); while it prints, bank 2 takes the
  // second (its ID 0 + 2).
  EXPECT_EQ(printer_.prints()[0].command.printId, 1);
  EXPECT_EQ(printer_.prints()[1].command.printId, 2);

  // 1844 x 634 x 8 bytes: 570 chunks of 16384 and one of 13888, per page,
  // written to the printer 4096 bytes at a time at most.
  ASSERT_EQ(downloadCalls_.size(), 2u * 571u);
  for (size_t i = 0; i < downloadCalls_.size(); ++i) {
    EXPECT_EQ(downloadCalls_[i], (i % 571 == 570) ? 13888u : 16384u) << i;
  }
  EXPECT_LE(link_->largestWrite, 4096u);

  std::string text = log();
  EXPECT_EQ(countOf(text, " :: STATUS:  HEADER WRITTEN IN 0."), 2u) << text;
  EXPECT_EQ(countOf(text, " :: STATUS:  YMC WRITTEN IN "), 2u);
  EXPECT_EQ(countOf(text, " :: STATUS:  Ribbon (4 x 6) - Change Detected\n"), 2u);
  EXPECT_EQ(countOf(text, " :: STATUS:       1844 x 0634 -- Type ( 07 :: 00 )\n"), 2u);
  EXPECT_EQ(countOf(text, " :: STATUS:    2. 1844 x 0634 -- Type ( 07 :: 00 )\n"), 2u);
  EXPECT_EQ(countOf(text, " :: STATUS:  IMAGE CORRECTION ["), 2u);
}

TEST_F(PageEngineTest, CoverOpenFailsTheWriteUntilItCloses) {
  const TestPage page = page2x6(5);
  startDocument({page});
  printer_.raiseError(PrinterError::CoverOpen);
  ASSERT_TRUE(writeUntil(ReaderState::StatusCheck));
  EXPECT_FALSE(write());
  EXPECT_FALSE(write());
  EXPECT_EQ(state(), ReaderState::StatusCheck);
  EXPECT_EQ(shown(), (spooler::PortStatus{7, "", 2}));
  EXPECT_TRUE(printer_.prints().empty());

  printer_.clearError(PrinterError::CoverOpen);
  EXPECT_EQ(writeAll(), 0);
  endDocument();
  ASSERT_EQ(printer_.prints().size(), 1u);
  expectPrinted(0, page);
  EXPECT_TRUE(shown().cleared());
  EXPECT_EQ(countOf(log(), "WARNING: READY TO PRINT [COVER OPEN]"), 2u);
}

TEST_F(PageEngineTest, PrinterProblemsShowTheirStatusAndFailTheWrite) {
  struct Case {
    const char* name;
    std::function<void(printer::EmulatedPrinter&)> raise;
    spooler::PortStatus shown;
  };
  const Case cases[] = {
      {"paper out", [](auto& p) { p.raiseError(PrinterError::PaperEmpty); }, {3, "", 2}},
      {"ribbon empty", [](auto& p) { p.raiseError(PrinterError::RibbonEmpty); }, {6, "", 2}},
      {"incorrect paper", [](auto& p) { p.raiseError(PrinterError::IncorrectPaper); }, {0, "Incorrect paper", 2}},
      {"jam", [](auto& p) { p.raiseError(PrinterError::PaperJam); }, {2, "", 2}},
      {"thermal protect", [](auto& p) { p.refuseCommands(0x34, 1); }, {0, "Thermal protect", 2}},
  };
  startDocument({page2x6(1)});
  ASSERT_TRUE(writeUntil(ReaderState::StatusCheck));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.raise(printer_);
    EXPECT_FALSE(write());
    EXPECT_EQ(state(), ReaderState::StatusCheck);
    EXPECT_EQ(shown(), c.shown);
    printer_.clearErrors();
  }
  // Ready again: the page goes on to the media check.
  EXPECT_TRUE(write());
  EXPECT_EQ(state(), ReaderState::MediaCheck);
}

TEST_F(PageEngineTest, UnsupportedMediaIsShownOnceAndClearedByFittingMedia) {
  TestPage page = makePage(1844, 2492, 4);  // two 4 x 6 on a 6 x 8 sheet
  page.header.mediaSizeCode = 0;
  page.header.printMethod = jobstream::kPrintMethodCombo;
  page.header.copies = 1;
  startDocument({page});
  ASSERT_TRUE(writeUntil(ReaderState::MediaCheck));
  for (int i = 0; i < 3; ++i) {
    const uint64_t before = os::tickCount64();
    EXPECT_FALSE(write());
    EXPECT_GE(os::tickCount64() - before, 1000u);
    EXPECT_EQ(state(), ReaderState::MediaCheck);
    EXPECT_EQ(statusCode(), protocol::kStatusMediaNotLoaded);
  }
  EXPECT_EQ(countOf(log(), " :: ERROR:   CANNOT PRINT DOCUMENT\n"), 1u);
  const auto history = spooler::portStatusHistory(kPort);
  EXPECT_EQ(std::count(history.begin(), history.end(), spooler::PortStatus{5, "Unsupported media size", 2}), 1);
  EXPECT_EQ(shown(), (spooler::PortStatus{5, "Unsupported media size", 2}));

  printer_.loadRibbon(protocol::kRibbon6x8, 100);
  EXPECT_TRUE(write());
  EXPECT_EQ(state(), ReaderState::ImageConversion);
  EXPECT_TRUE(shown().cleared());
  EXPECT_EQ(port().portStatusLevel, 0u);
  EXPECT_EQ(writeAll(), 0);
  endDocument();
  expectPrinted(0, page);
}

TEST_F(PageEngineTest, UnreadableMediaLetsThePagePrint) {
  startDocument({page2x6(3)});
  ASSERT_TRUE(writeUntil(ReaderState::MediaCheck));
  printer_.refuseCommands(0x01, 1);
  EXPECT_TRUE(write());
  EXPECT_EQ(state(), ReaderState::ImageConversion);
  EXPECT_EQ(countOf(log(), " :: Veltrano_CanPrintDocument :: #### FAILED MEDIA 1\n"), 1u);
}

TEST_F(PageEngineTest, PrinterLockedElsewhereAsksToBeCalledAgain) {
  const TestPage page = page2x6(6);
  startDocument({page});
  ASSERT_TRUE(writeUntil(ReaderState::StatusCheck));
  {
    ForeignLock lock;
    const uint64_t before = os::tickCount64();
    EXPECT_TRUE(write());
    EXPECT_EQ(os::tickCount64() - before, 5000u);
    EXPECT_EQ(state(), ReaderState::StatusCheck);
  }
  ASSERT_TRUE(writeUntil(ReaderState::PrintHeader));
  {
    ForeignLock lock;
    EXPECT_TRUE(write());
    EXPECT_EQ(state(), ReaderState::PrintHeader);
  }
  ASSERT_TRUE(writeUntil(ReaderState::ImageDownload));
  {
    // The download itself runs without the printer mutex.
    ForeignLock lock;
    EXPECT_TRUE(write());
  }
  EXPECT_EQ(writeAll(), 0);
  endDocument();
  ASSERT_EQ(printer_.prints().size(), 1u);
  expectPrinted(0, page);
  std::string text = log();
  EXPECT_EQ(countOf(text, " :: #### Veltrano_PrinterLock:: WAIT_TIMEOUT[5.0000]\n"), 2u) << text;
  EXPECT_EQ(countOf(text, " :: WARNING: PRINTER IS LOCKED\n"), 1u);
  EXPECT_EQ(countOf(text, " :: WARNING: HEADER::PRINTER IS LOCKED\n"), 1u);
}

TEST_F(PageEngineTest, AbandonedLockIsTakenOver) {
  startDocument({page2x6(2)});
  ASSERT_TRUE(writeUntil(ReaderState::StatusCheck));
  ForeignLock abandoned(true);
  // The owner's thread has returned; until the system has finished it the
  // lock still reads as held, and the step asks to be called again.
  for (int i = 0; i < 1000 && state() == ReaderState::StatusCheck; ++i) EXPECT_TRUE(write());
  EXPECT_EQ(state(), ReaderState::MediaCheck);
  EXPECT_EQ(countOf(log(), " :: #### Veltrano_PrinterLock:: WAIT_ABANDONED["), 1u) << log();
}

TEST_F(PageEngineTest, FullBuffersAreWaitedFor) {
  const TestPage page = page2x6(8);
  startDocument({page});
  printer_.answerBuffersFull(3);
  ASSERT_TRUE(writeUntil(ReaderState::PrintHeader));
  const uint64_t before = os::tickCount64();
  EXPECT_TRUE(write());
  EXPECT_EQ(state(), ReaderState::ImageDownload);
  EXPECT_GE(os::tickCount64() - before, 3000u);
  EXPECT_EQ(countOf(log(), " :: WARNING: WRITE HEADER [BUFFERS FULL][3][0]\n"), 3u);
  EXPECT_EQ(writeAll(), 0);
  expectPrinted(0, page);
}

TEST_F(PageEngineTest, DisconnectDuringDownloadResumesWithTheRest) {
  const TestPage page = page2x6(7);
  startDocument({page});
  ASSERT_TRUE(writeUntil(ReaderState::ImageDownload));
  ASSERT_TRUE(write());
  ASSERT_TRUE(write());
  link_->cutAfter = 5000;  // inside the third chunk's second piece
  EXPECT_FALSE(write());
  EXPECT_EQ(lastError_, os::kErrorInvalidPrinterState);
  EXPECT_EQ(job().printerImageSent, 2u * 16384u + 5000u);
  EXPECT_EQ(state(), ReaderState::ImageDownload);
  EXPECT_FALSE(downloadSignalled());
  EXPECT_EQ(port().flags & kFlagDownloadLockHeld, 0u);
  EXPECT_FALSE(write());  // still gone

  link_->gone = false;
  ASSERT_TRUE(write());
  EXPECT_TRUE(downloadSignalled());  // a resumed download holds the printer again
  EXPECT_EQ(writeAll(), 0);
  endDocument();
  ASSERT_EQ(printer_.prints().size(), 1u);
  expectPrinted(0, page);
  std::string text = log();
  EXPECT_EQ(countOf(text, " :: ERROR:   WRITE YMC::INVALID PRINTER STATE\n"), 2u) << text;
  EXPECT_EQ(countOf(text, " :: ERROR:   ERROR RECOVERY\n"), 2u);
}

TEST_F(PageEngineTest, BridgeProblemsShowOnThePortAndTheStepRepeats) {
  struct Case {
    const char* bridge;  // nullptr: a damaged file that does not load
    std::string text;
    std::string line;
  };
  const Case cases[] = {
      {nullptr, "Missing printer driver files.",
       " :: ERROR:   CANNOT LOAD " + os::windowsFolder(os::Folder::System) + "\\Q7310YMC.dll\n"},
      {TEST_BRIDGE_NOEXPORT, "Missing printer driver files.", " :: ERROR:   CANNOT FIND Q7310_IMAGEPROCESSING PROC\n"},
      {TEST_BRIDGE_FAILS, "Invalid image processing signature.",
       " :: ERROR:   INVALID IMAGE PROCESSING SIGNATURE [01020304]\n"},
      // A "success" for another size would have the download read past the buffer.
      {TEST_BRIDGE_WRONG_SIZE, "Invalid image processing signature.",
       " :: ERROR:   INVALID IMAGE PROCESSING RESULT [1845 x 634]\n"},
  };
  const TestPage page = page2x6(2);
  startDocument({page});
  ASSERT_TRUE(writeUntil(ReaderState::ImageConversion));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    removeBridge();
    if (c.bridge != nullptr) {
      installBridge(c.bridge);
    } else {
      std::ofstream(os::folderPath(os::Folder::System) / "Q7310YMC.dll") << "not a library";
    }
    const size_t before = log().size();
    EXPECT_FALSE(write());
    EXPECT_FALSE(write());
    EXPECT_EQ(state(), ReaderState::ImageConversion);
    EXPECT_EQ(shown(), (spooler::PortStatus{5, c.text, 2}));
    const std::string lines = log().substr(before);
    EXPECT_EQ(countOf(lines, c.line), 2u) << lines;
    EXPECT_EQ(countOf(lines, " :: STATUS:  IMAGE CORRECTION ["), 2u);  // fetched again each time
  }
  installBridge(TEST_BRIDGE_CONVERTS);
  EXPECT_EQ(writeAll(), 0);
  endDocument();  // the end of the document clears the conversion problem
  EXPECT_TRUE(shown().cleared());
  expectPrinted(0, page);
}

TEST_F(PageEngineTest, BridgeIsFoundInTheDriverFolders) {
  removeBridge();
  auto place = [](os::Folder folder) {
    auto path = os::folderPath(folder);
    std::filesystem::create_directories(path);
    std::filesystem::copy_file(TEST_BRIDGE_CONVERTS, path / "Q7310YMC.dll");
  };
  EXPECT_EQ(bridgePath(), "Q7310YMC.dll");
  place(os::Folder::DriverX64);
  EXPECT_EQ(bridgePath(), os::windowsFolder(os::Folder::DriverX64) + "\\Q7310YMC.dll");
  place(os::Folder::DriverX64Version3);
  EXPECT_EQ(bridgePath(), os::windowsFolder(os::Folder::DriverX64Version3) + "\\Q7310YMC.dll");
  installBridge(TEST_BRIDGE_CONVERTS);
  EXPECT_EQ(bridgePath(), os::windowsFolder(os::Folder::System) + "\\Q7310YMC.dll");
}

}  // namespace
}  // namespace q7310::lm::testing

namespace q7310::lm::testing {
namespace {

// The print command's bank and ID rule against scripted status answers.
class WriteHeaderTest : public q7310::testing::VirtualClockTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    port_.portName = u"Q7310_001";
    port_.portNameUtf8 = kPort;
    port_.downstream = *downstream_.table();
    port_.downstreamHandle = downstream_.handle();
    TestPage page = page2x6(1);
    page.header.copies = 3;
    job_.pageHeader = page.header.bytes();
  }
  void answerStatus(protocol::Bank bank1, protocol::Bank bank2) {
    protocol::PrinterStatusRecord record;
    record.response.cmdResult = 1;
    record.response.prnStatus = protocol::kStateIdle;
    record.banks = {bank1, bank2};
    auto bytes = protocol::encodeStatus(record);
    downstream_.answerReads(Bytes(bytes.begin(), bytes.end()));
  }
  void answerCommand(uint8_t cmdResult, uint8_t cmdError) {
    Bytes bytes(protocol::kResponseSize);
    protocol::encodeResponse(bytes, {cmdResult, cmdError, 0, 0, 0, 0});
    downstream_.answerReads(bytes);
  }
  // The print commands among the bytes written.
  std::vector<protocol::PrintCommand> printCommands() {
    std::vector<protocol::PrintCommand> out;
    Bytes written = downstream_.written();
    for (size_t at = 0; at + 4 <= written.size();) {
      size_t length = 4 + le::u16(written, at + 2);
      if (auto command = protocol::decodePrintCommand(std::span(written).subspan(at, length))) out.push_back(*command);
      at += length;
    }
    return out;
  }
  std::string log() { return root_.debugLog(std::string("q7310lm_") + kPort + ".log"); }

  q7310::testing::DownstreamDouble downstream_;
  PortContext port_;
  JobRecord job_;
};

TEST_F(WriteHeaderTest, MissingLockObjectsAreLoggedAndDoNotStopPrinting) {
  EXPECT_EQ(lockPrinter(port_), 0);
  unlockPrinter(port_);
  lockDownload(port_);
  EXPECT_NE(port_.flags & kFlagDownloadLockHeld, 0u);
  unlockDownload(port_);
  EXPECT_EQ(port_.flags & kFlagDownloadLockHeld, 0u);
  port_.printerMutex = os::Mutex::create("");
  unlockPrinter(port_);  // not owned
  const std::string text = log();
  EXPECT_EQ(countOf(text, " :: Veltrano_PrinterLock:: #### NULL ####\n"), 1u) << text;
  EXPECT_EQ(countOf(text, " :: #### Veltrano_PrinterUnlock:: #### NULL ####\n"), 1u);
  EXPECT_EQ(countOf(text, " :: Veltrano_PrinterLockDownload:: #### NULL ####\n"), 1u);
  EXPECT_EQ(countOf(text, " :: Veltrano_PrinterUnlockDownload:: #### NULL ####\n"), 1u);
  EXPECT_EQ(countOf(text, " :: #### Veltrano_PrinterUnlock #### FAILED[288] ####\n"), 1u);
}

TEST_F(WriteHeaderTest, PrintIdFollowsTheFreeBank) {
  struct Case {
    protocol::Bank bank1, bank2;
    uint16_t printId;
    uint8_t sent;
  };
  const Case cases[] = {
      {{7, 0, 0, 0, 0}, {3, 0, 0, 0, 0}, 8, 8},
      {{7, 0, 0, 0, 2}, {7, 0, 0, 0, 0}, 9, 9},
      {{255, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, 256, 0},
      {{4, 0, 0, 0, 1}, {255, 0, 0, 0, 0}, 257, 1},
  };
  size_t commands = 0;
  for (const Case& c : cases) {
    answerStatus(c.bank1, c.bank2);
    answerStatus(c.bank1, c.bank2);
    answerCommand(1, 0);
    EXPECT_EQ(writeHeader(port_, job_), kHeaderAccepted);
    EXPECT_EQ(job_.printId, c.printId);
    auto sent = printCommands();
    ASSERT_EQ(sent.size(), ++commands);
    EXPECT_EQ(sent.back().printId, c.sent);
    EXPECT_EQ(sent.back().copies, 3);
  }
}

TEST_F(WriteHeaderTest, ReadinessFollowsTheStatusAnswer) {
  struct Case {
    uint8_t cmdResult, prnStatus;
    int expected;
    const char* line;  // nullptr: nothing logged by the check
  };
  const Case cases[] = {
      {1, 0x00, kCheckReady, nullptr},
      {1, 0x65, kCheckReady, nullptr},
      {1, 0x31, kCheckBusy, "Veltrano_StatusCheck --> Printer busy (prnStatus=0x31)"},
      {1, 0x11, kCheckBusy, "Veltrano_StatusCheck:: #### Error (status1=2)"},
      {2, 0x00, kCheckCommandFailure, "Veltrano_StatusCheck::  #### Error (responseCode=2)"},
      {0, 0x00, kCheckNoCommunication, "Veltrano_StatusCheck:: #### Error (NO COMM)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.prnStatus));
    protocol::PrinterStatusRecord record;
    record.response.cmdResult = c.cmdResult;
    record.response.prnStatus = c.prnStatus;
    auto bytes = protocol::encodeStatus(record);
    downstream_.answerReads(Bytes(bytes.begin(), bytes.end()));
    const size_t before = log().size();
    const uint64_t start = os::tickCount64();
    EXPECT_EQ(statusCheck(port_), c.expected);
    EXPECT_EQ(os::tickCount64() - start, c.expected == kCheckBusy ? 500u : 0u);
    const std::string lines = log().substr(before);
    if (c.line != nullptr) {
      EXPECT_NE(lines.find(c.line), std::string::npos) << lines;
    } else {
      EXPECT_EQ(lines.find("Veltrano_StatusCheck"), std::string::npos) << lines;
    }
  }
}

TEST_F(WriteHeaderTest, BothBanksBusyWaitsWithoutACommand) {
  answerStatus({1, 0, 0, 0, 3}, {2, 0, 0, 0, 1});
  const uint64_t before = os::tickCount64();
  EXPECT_EQ(writeHeader(port_, job_), kHeaderRetry);
  EXPECT_EQ(os::tickCount64() - before, 1000u);
  EXPECT_TRUE(printCommands().empty());
  EXPECT_EQ(countOf(log(), " :: WARNING: WRITE HEADER [BUFFERS FULL][1][0]\n"), 1u);
}

TEST_F(WriteHeaderTest, RefusalsAndSilenceFail) {
  const protocol::Bank free{};
  answerStatus(free, free);
  answerStatus(free, free);
  answerCommand(1, 0x11);
  EXPECT_EQ(writeHeader(port_, job_), 2);
  EXPECT_EQ(countOf(log(), " :: ERROR:   PRINT COMMAND [FAILED][0]\n"), 1u);

  answerStatus(free, free);
  answerStatus(free, free);
  answerCommand(2, 0x11);
  EXPECT_EQ(writeHeader(port_, job_), 2);
  answerStatus(free, free);
  answerStatus(free, free);  // then no answer to the print command
  EXPECT_EQ(writeHeader(port_, job_), 2);
  EXPECT_EQ(countOf(log(), " :: #### Veltrano_WriteHeader --> PrintCommand[FAILED]:: CMDRESULT[02] PRINTSTATUS[00] "
                           "CMDERROR[11] ERRMAJOR[00] ERRMINOR[00] BUFSIZE[0]\n"),
            1u);
  EXPECT_EQ(countOf(log(), " :: #### Veltrano_WriteHeader --> PrintCommand[FAILED]:: CMDRESULT[00]"), 1u);

  // No status answer at all: not ready, no print command.
  const size_t before = printCommands().size();
  EXPECT_EQ(writeHeader(port_, job_), kCheckNoCommunication);
  EXPECT_EQ(printCommands().size(), before);
  EXPECT_EQ(countOf(log(), " :: WARNING: WRITE HEADER [NOT READY][1][3]\n"), 1u);
}

}  // namespace
}  // namespace q7310::lm::testing

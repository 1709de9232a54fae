#include <gtest/gtest.h>

#include <random>

#include "Q7310LM/tests/monitor_fixture.h"
#include "Q7310LM/tests/stream_builder.h"
#include "platform/os/clock.h"
#include "platform/os/files.h"
#include "platform/spooler/port_driver.h"

namespace q7310::lm::testing {
namespace {

using Outcome = ScriptedSteps::Outcome;

class JobReaderTest : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    setPageSteps(&steps_);
  }
  // Offers bytes once, as one WritePort call.
  bool write(spooler::MonitorHandle port, std::span<const uint8_t> bytes, uint32_t& written) {
    return writePort(port, bytes.data(), static_cast<uint32_t>(bytes.size()), &written);
  }
  spooler::DocumentResult print(const std::vector<uint8_t>& stream, spooler::PieceSizer pieces) {
    spooler::PortDriver driver(&monitorDescription());
    EXPECT_TRUE(driver.openPort("PORT1:", kPrinter, downstream_.table()));
    spooler::RunOptions options;
    options.pieces = std::move(pieces);
    return driver.runDocument(stream, options);
  }

  ScriptedSteps steps_;
  const std::vector<ReaderState> kPageSteps{ReaderState::StatusCheck, ReaderState::MediaCheck,
                                            ReaderState::ImageConversion, ReaderState::PrintHeader,
                                            ReaderState::ImageDownload};
};

TEST_F(JobReaderTest, TwoPagesParseTheSameInAnyPieces) {
  std::vector<TestPage> pages{makePage(7, 5, 1), makePage(4, 3, 9)};
  pages[1].header.laminate = jobstream::kLaminateMatte;
  auto stream = buildStream(pages);
  struct Case {
    const char* name;
    spooler::PieceSizer pieces;
  };
  std::vector<Case> cases{{"one piece", spooler::wholePieces()},
                          {"one byte per call", spooler::fixedPieces(1)},
                          {"random pieces", spooler::randomPieces(7, 150)},
                          {"odd pieces", spooler::cyclePieces({3, 100, 16, 1, 105, 2})}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    steps_ = ScriptedSteps{};
    spooler::DocumentResult result = print(stream, std::move(c.pieces));
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.abandoned);
    EXPECT_EQ(result.failedWrites, 0u);
    EXPECT_EQ(result.bytesTaken, stream.size());
    EXPECT_TRUE(result.jobCompleted);
    ASSERT_EQ(steps_.printedPixels.size(), 2u);
    EXPECT_EQ(steps_.printedPixels[0], pages[0].pixels);
    EXPECT_EQ(steps_.printedPixels[1], pages[1].pixels);
    EXPECT_EQ(steps_.printedHeaders[1].bytes(), pages[1].header.bytes());
    std::vector<ReaderState> expected = kPageSteps;
    expected.insert(expected.end(), kPageSteps.begin(), kPageSteps.end());
    EXPECT_EQ(steps_.calls, expected);
    // Every step call took nothing: one call per step, ten in all.
    EXPECT_EQ(result.idleWrites, 10u);
  }
}

TEST_F(JobReaderTest, PixelEndAndSignatureInOneBufferAreTakenApart) {
  spooler::MonitorHandle port = open();
  start(port);
  TestPage page = makePage(2, 2, 3);
  auto stream = buildStream({page});
  uint32_t written = 0;
  ASSERT_TRUE(write(port, std::span(stream).first(16), written));
  ASSERT_TRUE(write(port, std::span(stream).subspan(16, 100 + 5), written));
  EXPECT_EQ(written, 100u);  // the page header only
  // All the pixels (12 bytes) and the signature in one buffer.
  auto tail = std::span(stream).subspan(16 + 100);
  ASSERT_EQ(tail.size(), 16u);
  ASSERT_TRUE(write(port, tail, written));
  EXPECT_EQ(written, 12u);
  tail = tail.subspan(12);
  for (ReaderState step : kPageSteps) {
    SCOPED_TRACE(static_cast<int>(step));
    ASSERT_TRUE(write(port, tail, written));
    EXPECT_EQ(written, 0u);
  }
  ASSERT_TRUE(write(port, tail, written));
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(findPort(port)->jobs->state, ReaderState::PageHeader);
  EXPECT_EQ(steps_.printedPixels, std::vector<std::vector<uint8_t>>{page.pixels});
}

TEST_F(JobReaderTest, WrongJobHeaderSizeIsReportedAndThePagePrints) {
  TestPage page = makePage(3, 3, 5);
  auto stream = buildStream({page}, 20);
  spooler::DocumentResult result = print(stream, spooler::wholePieces());
  EXPECT_EQ(result.failedWrites, 1u);
  ASSERT_FALSE(result.takenPerCall.empty());
  EXPECT_EQ(result.takenPerCall[0], 16u);
  EXPECT_EQ(steps_.printedPixels, std::vector<std::vector<uint8_t>>{page.pixels});
  EXPECT_TRUE(result.jobCompleted);
  EXPECT_EQ(countOf(portLog(), " :: ERROR:   INVALID JOB HEADER RECORD (20, 16)\n"), 1u) << portLog();
}

TEST_F(JobReaderTest, WrongPageHeaderSizeLeavesTheReaderWithoutABuffer) {
  spooler::MonitorHandle port = open();
  start(port);
  TestPage page = makePage(3, 3, 5);
  page.header.recordSize = 99;
  auto stream = buildStream({page});
  uint32_t written = 0;
  ASSERT_TRUE(write(port, stream, written));
  EXPECT_FALSE(write(port, std::span(stream).subspan(16), written));
  EXPECT_EQ(written, 100u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(write(port, std::span(stream).subspan(116), written));
    EXPECT_EQ(written, 0u);
  }
  std::string log = portLog();
  EXPECT_EQ(countOf(log, " :: ERROR:   INVALID PAGE HEADER RECORD (99, 100)\n"), 1u) << log;
  EXPECT_EQ(countOf(log, " :: RECEIVE RGB: RGB BUFFER IS NULL\n"), 3u) << log;
  EXPECT_EQ(findPort(port)->jobs->state, ReaderState::PageData);
  EXPECT_TRUE(steps_.calls.empty());
}

TEST_F(JobReaderTest, WrongPageEndIsReportedAndTheNextPageIsRead) {
  std::vector<TestPage> pages{makePage(2, 3, 1), makePage(3, 2, 2)};
  pages[0].pageEnd = 0x04030201;  // the bytes 01 02 03 04 in the stream
  auto stream = buildStream(pages);
  spooler::DocumentResult result = print(stream, spooler::fixedPieces(1));
  EXPECT_EQ(result.failedWrites, 1u);
  EXPECT_EQ(result.bytesTaken, stream.size());
  ASSERT_EQ(steps_.printedPixels.size(), 2u);
  EXPECT_EQ(steps_.printedPixels[1], pages[1].pixels);
  EXPECT_EQ(countOf(portLog(), " :: ERROR:   INVALID PAGE END SIGNATURE[04030201]\n"), 1u) << portLog();
}

TEST_F(JobReaderTest, AbsurdPageSizesAreRefusedInsteadOfWrappingAround) {
  struct Case {
    uint32_t width, height;
    bool accepted;
  };
  const Case cases[] = {
      {65536, 65536, false},            // x 3 wraps 32 bits to 0
      {0xFFFFFFFF, 0xFFFFFFFF, false},  // x 3 wraps even 64 bits
      {0x55555556, 1, false},           // 32-bit product that wraps only with the x 3
      {8000, 8001, false},              // just past the largest sensible page
      {1844, 2492, true},               // the largest print
      {0, 5, true},                     // an empty page is complete at once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    spooler::MonitorHandle port = open();
    start(port);
    jobstream::PageHeader header;
    header.width = c.width;
    header.height = c.height;
    uint32_t written = 0;
    ASSERT_TRUE(write(port, jobstream::JobHeader{}.bytes(), written));
    EXPECT_EQ(write(port, header.bytes(), written), c.accepted);
    EXPECT_EQ(written, 100u);
    JobRecord* job = findPort(port)->jobs;
    EXPECT_EQ(job->state, ReaderState::PageData);
    EXPECT_EQ(job->rgbBuffer != nullptr, c.accepted);
    if (c.accepted) {
      EXPECT_EQ(job->rgbSize, uint64_t{c.width} * c.height * 3);
    }
    uint8_t more[4] = {};
    EXPECT_EQ(write(port, more, written), c.accepted);
    if (c.width == 0) {
      EXPECT_EQ(job->state, ReaderState::StatusCheck);
    }
    std::string log = portLog();
    EXPECT_EQ(countOf(log, " :: ERROR:   INSUFFICIENT MEMORY FOR RGB BUFFER\n"), c.accepted ? 0u : 1u);
    EXPECT_EQ(countOf(log, " :: RECEIVE RGB: RGB BUFFER IS NULL\n"), c.accepted ? 0u : 1u);
    ASSERT_TRUE(endDocPort(port));
    ASSERT_TRUE(closePort(port));
    os::deleteFile("C:\\zelsoftware.debug\\q7310lm_PORT1:.log");
  }
}

TEST_F(JobReaderTest, DamagedStreamsNeverTakeMoreThanOfferedNorOverrunABuffer) {
  // Streams with wrong record sizes, absurd or mismatched page sizes, short
  // and long pixel data and bad signatures, in random pieces. The reader must
  // account for every byte and never write past its records or pixel buffer
  // (the sanitizer build watches the buffers).
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    auto pick = [&](uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random); };
    std::vector<uint8_t> stream;
    jobstream::JobHeader job;
    if (pick(4) == 0) job.recordSize = random();
    append(stream, job.bytes());
    for (int p = 0; p < 3; ++p) {
      jobstream::PageHeader header;
      if (pick(5) == 0) header.recordSize = pick(200);
      header.width = pick(6) == 0 ? random() : pick(12);
      header.height = pick(6) == 0 ? random() : pick(12);
      append(stream, header.bytes());
      size_t pixels = size_t{header.width % 64} * (header.height % 64) * 3;
      if (pick(3) == 0) {  // up to 4 bytes short or long
        size_t shift = pick(9);
        pixels = pixels + shift >= 4 ? pixels + shift - 4 : 0;
      }
      for (size_t i = 0; i < pixels; ++i) stream.push_back(static_cast<uint8_t>(random()));
      append(stream, jobstream::pageEndBytes(pick(3) == 0 ? random() : jobstream::kPageEndSignature));
    }

    spooler::MonitorHandle port = open();
    start(port);
    size_t offset = 0;
    int stuck = 0;
    while (offset < stream.size() && stuck < 20) {
      uint32_t piece = std::min<uint32_t>(1 + pick(300), static_cast<uint32_t>(stream.size() - offset));
      uint32_t written = UINT32_MAX;
      writePort(port, stream.data() + offset, piece, &written);
      ASSERT_LE(written, piece);
      offset += written;
      stuck = written == 0 ? stuck + 1 : 0;
    }
    ASSERT_TRUE(endDocPort(port));
    ASSERT_TRUE(closePort(port));
  }
}

TEST_F(JobReaderTest, StepsThatAskAgainOrFailAreOfferedTheSameBytesAgain) {
  steps_.script[ReaderState::StatusCheck] = {Outcome::Again, Outcome::Again};
  steps_.script[ReaderState::MediaCheck] = {Outcome::Fail};
  steps_.script[ReaderState::ImageDownload] = {Outcome::Again, Outcome::Again, Outcome::Again};
  TestPage page = makePage(4, 4, 8);
  auto stream = buildStream({page});
  uint64_t before = os::tickCount64();
  spooler::DocumentResult result = print(stream, spooler::wholePieces());
  EXPECT_EQ(result.failedWrites, 1u);
  EXPECT_EQ(result.idleWrites, 5u + 2u + 3u);
  EXPECT_GE(os::tickCount64() - before, 200u);  // the spooler paused after the failure
  EXPECT_EQ(steps_.printedPixels, std::vector<std::vector<uint8_t>>{page.pixels});
  EXPECT_TRUE(result.jobCompleted);
}

}  // namespace
}  // namespace q7310::lm::testing

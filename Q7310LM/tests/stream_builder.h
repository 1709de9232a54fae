// Builds job streams and plays the page printing steps for the port monitor's tests.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "Q7310LM/page_steps.h"
#include "common/job_stream.h"

namespace q7310::lm::testing {

struct TestPage {
  jobstream::PageHeader header;
  std::vector<uint8_t> pixels;
  uint32_t pageEnd = jobstream::kPageEndSignature;
};

// A page of width x height with pixels that differ from byte to byte.
inline TestPage makePage(uint32_t width, uint32_t height, uint8_t seed) {
  TestPage page;
  page.header.width = width;
  page.header.height = height;
  page.header.copies = 2;
  page.header.printMethod = jobstream::kPrintMethodCombo;
  page.pixels.resize(size_t{width} * height * 3);
  for (size_t i = 0; i < page.pixels.size(); ++i) page.pixels[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return page;
}

inline void append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

inline std::vector<uint8_t> buildStream(const std::vector<TestPage>& pages, uint32_t jobHeaderSize = 16) {
  std::vector<uint8_t> out;
  jobstream::JobHeader job;
  job.recordSize = jobHeaderSize;
  append(out, job.bytes());
  for (const TestPage& page : pages) {
    append(out, page.header.bytes());
    append(out, page.pixels);
    append(out, jobstream::pageEndBytes(page.pageEnd));
  }
  return out;
}

// Page steps that move the reader on (or retry or fail, as scripted) and
// record what they saw.
class ScriptedSteps : public PageSteps {
 public:
  enum class Outcome { Done, Again, Fail };

  std::map<ReaderState, std::deque<Outcome>> script;  // empty: Done
  std::vector<ReaderState> calls;
  std::vector<std::vector<uint8_t>> printedPixels;  // the page's pixels at its download
  std::vector<jobstream::PageHeader> printedHeaders;

  bool statusCheckStep(PortContext&, JobRecord& job) override { return step(job, ReaderState::MediaCheck); }
  bool mediaCheckStep(PortContext&, JobRecord& job) override { return step(job, ReaderState::ImageConversion); }
  bool imageConversionStep(PortContext&, JobRecord& job) override { return step(job, ReaderState::PrintHeader); }
  bool printHeaderStep(PortContext&, JobRecord& job) override { return step(job, ReaderState::ImageDownload); }
  bool imageDownloadStep(PortContext&, JobRecord& job) override {
    bool ok = step(job, ReaderState::PageEnd);
    if (job.state == ReaderState::PageEnd) {
      printedPixels.emplace_back(job.rgbBuffer.get(), job.rgbBuffer.get() + job.rgbSize);
      printedHeaders.push_back(job.page());
    }
    return ok;
  }

 private:
  bool step(JobRecord& job, ReaderState next) {
    calls.push_back(job.state);
    Outcome outcome = Outcome::Done;
    auto& queue = script[job.state];
    if (!queue.empty()) {
      outcome = queue.front();
      queue.pop_front();
    }
    if (outcome == Outcome::Done) job.state = next;
    return outcome != Outcome::Fail;
  }
};

}  // namespace q7310::lm::testing

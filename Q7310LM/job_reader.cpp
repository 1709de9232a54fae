#include "Q7310LM/job_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Q7310LM/monitor_log.h"
#include "Q7310LM/page_steps.h"

namespace q7310::lm {

namespace {

// Copies what the current record still needs; true once it is complete.
bool collect(JobRecord& job, std::span<uint8_t> record, std::span<const uint8_t> bytes, uint32_t& written) {
  uint32_t need = static_cast<uint32_t>(record.size()) - job.filled;
  uint32_t take = static_cast<uint32_t>(std::min<size_t>(need, bytes.size()));
  std::memcpy(record.data() + job.filled, bytes.data(), take);
  job.filled += take;
  written += take;
  return job.filled == record.size();
}

bool jobHeaderStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written) {
  if (!collect(job, job.jobHeader, bytes, written)) return true;
  bool ok = true;
  auto header = jobstream::JobHeader::read(job.jobHeader);
  if (header.recordSize != jobstream::kJobHeaderSize) {
    logPort(port, "ERROR:   INVALID JOB HEADER RECORD (%d, %d)", static_cast<int>(header.recordSize),
            static_cast<int>(jobstream::kJobHeaderSize));
    ok = false;
  }
  job.filled = 0;
  job.state = ReaderState::PageHeader;
  return ok;
}

bool pageHeaderStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written) {
  if (!collect(job, job.pageHeader, bytes, written)) return true;
  bool ok = true;
  auto header = job.page();
  if (header.recordSize != jobstream::kPageHeaderSize) {
    logPort(port, "ERROR:   INVALID PAGE HEADER RECORD (%d, %d)", static_cast<int>(header.recordSize),
            static_cast<int>(jobstream::kPageHeaderSize));
    ok = false;
  } else {
    // The size comes from the stream: a product past the largest sensible page
    // (or past what the counters hold) is refused, never wrapped around.
    uint64_t pixels = uint64_t{header.width} * header.height;
    std::unique_ptr<uint8_t[]> buffer;
    if (pixels <= kMaxPagePixels) {
      buffer.reset(new (std::nothrow) uint8_t[pixels * jobstream::kBytesPerPixel]());
    }
    if (!buffer) {
      logPort(port, "ERROR:   INSUFFICIENT MEMORY FOR RGB BUFFER");
      ok = false;
    } else {
      job.rgbBuffer = std::move(buffer);
      job.rgbSize = static_cast<uint32_t>(pixels * jobstream::kBytesPerPixel);
    }
  }
  job.filled = 0;
  job.state = ReaderState::PageData;
  return ok;
}

bool pageDataStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written) {
  if (!job.rgbBuffer) {
    logPort(port, "RECEIVE RGB: RGB BUFFER IS NULL");
    return false;
  }
  if (collect(job, std::span<uint8_t>(job.rgbBuffer.get(), job.rgbSize), bytes, written)) {
    job.filled = 0;
    job.state = ReaderState::StatusCheck;
  }
  return true;
}

bool pageEndStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written) {
  if (!collect(job, job.pageEndBytes, bytes, written)) return true;
  job.pageEnd = jobstream::readPageEnd(job.pageEndBytes);
  bool ok = true;
  if (job.pageEnd != jobstream::kPageEndSignature) {
    logPort(port, "ERROR:   INVALID PAGE END SIGNATURE[%08X]", job.pageEnd);
    ok = false;
  }
  releasePage(job);
  return ok;
}

}  // namespace

void releasePage(JobRecord& job) {
  job.printerImage.reset();
  job.rgbBuffer.reset();
  job.rgbSize = 0;
  job.state = ReaderState::PageHeader;
  job.filled = 0;
  job.pageHeader.fill(0);
  job.pageEndBytes.fill(0);
  job.pageEnd = 0;
  job.printerImageSize = 0;
  job.printerImageSent = 0;
  job.printId = 0;
}

bool readerStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written) {
  written = 0;
  switch (job.state) {
    case ReaderState::JobHeader: return jobHeaderStep(port, job, bytes, written);
    case ReaderState::PageHeader: return pageHeaderStep(port, job, bytes, written);
    case ReaderState::PageData: return pageDataStep(port, job, bytes, written);
    case ReaderState::StatusCheck: return pageSteps().statusCheckStep(port, job);
    case ReaderState::MediaCheck: return pageSteps().mediaCheckStep(port, job);
    case ReaderState::ImageConversion: return pageSteps().imageConversionStep(port, job);
    case ReaderState::PrintHeader: return pageSteps().printHeaderStep(port, job);
    case ReaderState::ImageDownload: return pageSteps().imageDownloadStep(port, job);
    case ReaderState::PageEnd: return pageEndStep(port, job, bytes, written);
  }
  return false;
}

}  // namespace q7310::lm

// The port monitor's records: one PortContext per open port and one JobRecord
// per started document, with the job stream reader's fields.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "common/job_stream.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/thread.h"
#include "platform/spooler/monitor_table.h"
#include "platform/spooler/printers.h"

namespace q7310::lm {

inline constexpr uint32_t kPortSignature = 0x544B;

// PortContext flag bits.
inline constexpr uint32_t kFlagDocumentActive = 0x1;
inline constexpr uint32_t kFlagStatusThreadRequested = 0x2;
inline constexpr uint32_t kFlagStatusThreadRunning = 0x4;
inline constexpr uint32_t kFlagDownloadLockHeld = 0x200;

inline constexpr size_t kStatusRecordSize = 77;
inline constexpr size_t kPortStatusTextChars = 80;
// Port status level that marks a document-level problem (unsupported media,
// image conversion failure); only the document's end or fitting media clear it.
inline constexpr uint32_t kPortStatusLevelDocumentProblem = 5;

// The largest page the reader accepts, in pixels. The largest print is
// 1844 x 2492 (about 4.6 million); a header asking for far more is damaged or
// hostile and must not make the monitor allocate (or wrap around to) a
// nonsense size.
inline constexpr uint64_t kMaxPagePixels = 64'000'000;
static_assert(kMaxPagePixels * jobstream::kBytesPerPixel < (uint64_t{1} << 32), "pixel counts stay 32-bit");

enum class ReaderState : uint32_t {
  JobHeader = 0,
  PageHeader = 1,
  PageData = 2,
  StatusCheck = 3,
  MediaCheck = 4,
  ImageConversion = 5,
  PrintHeader = 6,
  ImageDownload = 7,
  PageEnd = 8,
};

// The printer image data of a page, handed over by the image-correction
// bridge; released with the function the bridge's memory needs.
struct PrinterImageRelease {
  void (*release)(void*) = nullptr;
  void operator()(uint8_t* data) const {
    if (data != nullptr && release != nullptr) release(data);
  }
};
using PrinterImage = std::unique_ptr<uint8_t[], PrinterImageRelease>;

struct JobRecord {
  JobRecord* next = nullptr;
  std::u16string printerName;
  spooler::PrinterHandle printerHandle = nullptr;
  uint32_t jobId = 0;

  // Job stream reader.
  ReaderState state = ReaderState::JobHeader;
  uint32_t filled = 0;
  std::array<uint8_t, jobstream::kJobHeaderSize> jobHeader{};
  std::array<uint8_t, jobstream::kPageHeaderSize> pageHeader{};
  std::unique_ptr<uint8_t[]> rgbBuffer;  // width x height x 3, zero-filled
  uint32_t rgbSize = 0;
  PrinterImage printerImage;
  uint32_t printerImageSize = 0;
  uint32_t printerImageSent = 0;
  std::array<uint8_t, jobstream::kPageEndSize> pageEndBytes{};
  uint32_t pageEnd = 0;
  uint16_t printId = 0;
  uint64_t headerTime = 0;
  uint64_t downloadDoneTime = 0;

  jobstream::PageHeader page() const { return jobstream::PageHeader::read(pageHeader); }

  JobRecord() = default;
  JobRecord(const JobRecord&) = delete;
  JobRecord& operator=(const JobRecord&) = delete;
  // Closes the printer handle; the buffers go with the record.
  ~JobRecord();
};

struct PortContext {
  uint32_t signature = kPortSignature;
  PortContext* next = nullptr;
  std::u16string portName;  // as the spooler passed it
  std::string portNameUtf8;  // the same, for logs and spooler calls
  std::atomic<uint32_t> flags{0};
  JobRecord* jobs = nullptr;  // the current document's record is the head
  spooler::MonitorHandle downstreamHandle = nullptr;
  spooler::MonitorTable downstream{};

  std::mutex statusLock;  // guards status, statusCode, statusTime and the port status fields
  std::array<uint8_t, kStatusRecordSize> status{};
  uint32_t statusCode = 0;
  uint64_t statusTime = 0;
  uint32_t portStatusLevel = 0;
  std::u16string portStatusText;  // at most kPortStatusTextChars

  uint64_t docStartTime = 0;
  std::unique_ptr<os::Mutex> printerMutex;
  std::unique_ptr<os::Event> docActiveEvent;
  std::unique_ptr<os::Event> downloadEvent;
  std::unique_ptr<os::Thread> statusThread;
  uint32_t statusThreadId = 0;
  // Wakes the status thread at once when it is asked to stop.
  std::unique_ptr<os::Event> statusThreadWake;

  PortContext() = default;
  PortContext(const PortContext&) = delete;
  PortContext& operator=(const PortContext&) = delete;
  ~PortContext();

  JobRecord* currentJob() const { return jobs; }
};

}  // namespace q7310::lm

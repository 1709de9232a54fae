#include "Q7310LM/page_engine.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "Q7310LM/bridge.h"
#include "Q7310LM/monitor_log.h"
#include "Q7310LM/page_steps.h"
#include "Q7310LM/port_status.h"
#include "Q7310LM/print_lock.h"
#include "Q7310LM/protocol/printer_commands.h"
#include "Q7310LM/transfer.h"
#include "common/le.h"
#include "common/protocol/status_code.h"
#include "platform/os/clock.h"
#include "platform/os/errors.h"

namespace q7310::lm {

using namespace protocol;

namespace {

std::array<uint8_t, kStatusRecordSize> statusCopy(PortContext& port, uint32_t* code = nullptr) {
  std::lock_guard lock(port.statusLock);
  if (code != nullptr) *code = port.statusCode;
  return port.status;
}

void storeStatusCode(PortContext& port, uint32_t code) {
  std::lock_guard lock(port.statusLock);
  port.statusCode = code;
  port.statusTime = os::tickCount64();
}

}  // namespace

int statusCheck(PortContext& port) {
  int query = queryStatus(port);
  const auto record = statusCopy(port);
  const CommandResponse response = *decodeResponse(record);
  if (query != kResultSuccess || response.cmdResult == 0) {
    logPort(port, "Veltrano_StatusCheck:: #### Error (NO COMM)");
    return kCheckNoCommunication;
  }
  if (response.cmdResult == kCmdResultFailed) {
    logPort(port, "Veltrano_StatusCheck::  #### Error (responseCode=2)");
    return kCheckCommandFailure;
  }
  if (response.cmdResult == kCmdResultAccepted) {
    if (response.prnStatus == kStateError) {
      logPort(port, "Veltrano_StatusCheck:: #### Error (status1=2)");
    } else if (response.prnStatus == kStateIdle || isPrintingState(response.prnStatus)) {
      return kCheckReady;
    }
  }
  logPort(port, "Veltrano_StatusCheck --> Printer busy (prnStatus=0x%02X)", response.prnStatus);
  os::setLastError(0);
  os::sleepMs(kBusyPauseMs);
  return kCheckBusy;
}

int writeHeader(PortContext& port, JobRecord& job) {
  int s = statusCheck(port);
  if (s != kCheckReady) {
    logPort(port, "WARNING: WRITE HEADER [NOT READY][1][%d]", s);
    return s;
  }
  const PrinterStatusRecord status = *decodeStatus(statusCopy(port));
  const Bank& bank1 = status.banks[0];
  const Bank& bank2 = status.banks[1];
  uint16_t printId = 0;
  if (bank1.status == 0) {
    printId = static_cast<uint16_t>(bank1.printId + 1);
  } else if (bank2.status != 0) {
    logPort(port, "WARNING: WRITE HEADER [BUFFERS FULL][1][%d]", 0);
    os::sleepMs(kBuffersFullPauseMs);
    return kHeaderRetry;
  } else {
    printId = static_cast<uint16_t>(bank2.printId + 2);
  }
  job.printId = printId;

  s = statusCheck(port);
  if (s != kCheckReady) {
    logPort(port, "WARNING: WRITE HEADER [NOT READY][2][%d]", s);
    return s;
  }
  const jobstream::PageHeader page = job.page();
  for (;;) {
    CommandResponse response;
    int r = sendPrintCommand(port, printId, page.copies, page.width, page.height, page.printMethod,
                             page.printQuality, page.laminate, response);
    if (response.cmdResult != kCmdResultAccepted) {
      logPort(port,
              "#### Veltrano_WriteHeader --> PrintCommand[FAILED]:: CMDRESULT[%02X] PRINTSTATUS[%02X] "
              "CMDERROR[%02X] ERRMAJOR[%02X] ERRMINOR[%02X] BUFSIZE[%d]",
              response.cmdResult, response.prnStatus, response.cmdError, response.errMajor, response.errMinor,
              response.bufSize);
      return 2;
    }
    if (response.cmdError == kCmdErrorBuffersFull) {
      logPort(port, "WARNING: WRITE HEADER [BUFFERS FULL][3][%d]", r);
      os::sleepMs(kBuffersFullPauseMs);
      continue;
    }
    if (response.cmdError != kCmdErrorNone) {
      logPort(port, "ERROR:   PRINT COMMAND [FAILED][%d]", r);
      return 2;
    }
    if (r == kResultSuccess) return kHeaderAccepted;
    return r == kResultNotReady ? kHeaderRetry : 2;
  }
}

bool statusCheckStep(PortContext& port, JobRecord& job) {
  if (lockPrinter(port) != 0) {
    logPort(port, "WARNING: PRINTER IS LOCKED");
    return true;
  }
  queryStatus(port);
  uint32_t code = 0;
  statusCopy(port, &code);
  unlockPrinter(port);
  switch (statusClass(code)) {
    case kClassPrinterError:
    case kClassHost:
      return false;
    case kClassBusy:
      return true;
    default:
      job.state = ReaderState::MediaCheck;
      return true;
  }
}

namespace {

// The printer's loaded media, or nullopt when it could not be asked.
std::optional<MediaInfoRecord> queryMedia(PortContext& port) {
  const std::vector<uint8_t> packet = commandPacket(kCmdGetMediaInfo);
  uint32_t sent = 0;
  if (writeAll(port, packet, sent) != kResultSuccess || sent != packet.size()) return std::nullopt;
  std::array<uint8_t, kMediaInfoSize> answer{};
  uint32_t received = 0;
  if (readExact(port, answer, received) != kResultSuccess || received != answer.size()) return std::nullopt;
  auto record = decodeMediaInfo(answer);
  if (!record || record->response.cmdResult != kCmdResultAccepted) return std::nullopt;
  return record;
}

}  // namespace

bool mediaCheckStep(PortContext& port, JobRecord& job) {
  if (lockPrinter(port) != 0) {
    logPort(port, "WARNING: PRINTER IS LOCKED");
    return true;
  }
  const jobstream::PageHeader page = job.page();
  const uint32_t start = os::tickCount();
  bool fits = true;
  if (auto media = queryMedia(port)) {
    logPort(port, "STATUS:  Ribbon (%s) - Change Detected", std::string(ribbonTypeName(*media)).c_str());
    logPort(port, "STATUS:  Media Response (%dms)", static_cast<int>(os::tickCount() - start));
    logPort(port, "STATUS:       %04d x %04d -- Type ( %02X :: %02X )", static_cast<int>(page.width),
            static_cast<int>(page.height), page.mediaSizeCode, page.printMethod);
    logPort(port, "STATUS:  Printer Media:");
    fits = false;
    int position = 0;
    for (const MediaEntry& entry : media->entries) {
      logPort(port, "STATUS:    %d. %04d x %04d -- Type ( %02X :: %02X )", ++position, entry.width, entry.height,
              entry.sizeCode, entry.printMethod);
      // The size code is not compared: the printer names some sizes alike.
      if (entry.width == page.width && entry.height == page.height && entry.printMethod == page.printMethod) {
        fits = true;
      }
    }
  } else {
    logPort(port, "Veltrano_CanPrintDocument :: #### FAILED MEDIA 1");
  }
  unlockPrinter(port);

  if (fits) {
    std::lock_guard lock(port.statusLock);
    if (port.portStatusLevel != 0) clearPortStatusLocked(port);
    if (port.statusCode == kStatusMediaNotLoaded) {
      port.statusCode = kStatusReady;
      port.statusTime = os::tickCount64();
    }
    job.state = ReaderState::ImageConversion;
    return true;
  }
  {
    std::lock_guard lock(port.statusLock);
    if (port.portStatusLevel != kPortStatusLevelDocumentProblem) {
      logPort(port, "ERROR:   CANNOT PRINT DOCUMENT");
      setPortStatusLocked(port, kPortStatusLevelDocumentProblem, "Unsupported media size");
    }
  }
  storeStatusCode(port, kStatusMediaNotLoaded);
  os::sleepMs(kMediaMismatchPauseMs);
  return false;
}

namespace {

bool failConversion(PortContext& port, std::string_view text) {
  std::lock_guard lock(port.statusLock);
  setPortStatusLocked(port, kPortStatusLevelDocumentProblem, text);
  return false;
}

}  // namespace

bool imageConversionStep(PortContext& port, JobRecord& job) {
  const jobstream::PageHeader page = job.page();
  auto request = std::make_unique<ymc::ImageRequest>();  // 16 KB: not on the spooler's stack
  ymc::ImageResult result{};
  result.signature = ymc::kSignatureFailure;
  request->width = page.width;
  request->height = page.height;
  request->rowSize = page.width * 3;
  request->pixels = job.rgbBuffer.get();
  const auto requestByte = static_cast<uint8_t>(page.laminate + (page.printQuality != 0 ? kLaminateFineFlag : 0));

  if (lockPrinter(port) != 0) {
    logPort(port, "WARNING: PRINTER IS LOCKED");
    return true;
  }
  auto block = std::make_unique<CorrectionBlock>();
  if (getImageCorrection(port, *block, requestByte, page.width, page.height) != kResultSuccess) {
    logPort(port, "ERROR:   FAILED TO RETRIEVE PRINTER ICC");
    unlockPrinter(port);
    return failConversion(port, "Failed to retrieve printer ICC.");
  }
  static_assert(sizeof(request->correction) == std::tuple_size_v<CorrectionBlock>);
  std::copy(block->begin(), block->end(), request->correction);
  unlockPrinter(port);

  std::string_view failure = runBridge(port, job, *request, result);
  if (!failure.empty()) return failConversion(port, failure);
  job.state = ReaderState::PrintHeader;
  return true;
}

bool printHeaderStep(PortContext& port, JobRecord& job) {
  if (lockPrinter(port) != 0) {
    logPort(port, "WARNING: HEADER::PRINTER IS LOCKED");
    return true;
  }
  const uint32_t start = os::tickCount();
  const int result = writeHeader(port, job);
  const uint32_t took = os::tickCount() - start;
  if (result == kHeaderRetry) {
    unlockPrinter(port);
    os::sleepMs(kHeaderRetryPauseMs);
    return true;
  }
  if (result != kHeaderAccepted) {
    unlockPrinter(port);
    return false;
  }
  logPort(port, "STATUS:  HEADER WRITTEN IN %d.%d SECONDS.", static_cast<int>(took / 1000),
          static_cast<int>(took % 1000));
  lockDownload(port);
  os::sleepMs(kAfterHeaderPauseMs);
  unlockPrinter(port);
  job.headerTime = os::tickCount64();
  job.printerImageSent = 0;
  job.state = ReaderState::ImageDownload;
  return true;
}

bool imageDownloadStep(PortContext& port, JobRecord& job) {
  if (!job.printerImage || job.printerImageSent > job.printerImageSize) {
    // Nothing sound to send: the page goes back to its conversion.
    logPort(port, "ERROR:   WRITE YMC::NO PRINTER IMAGE");
    unlockDownload(port);
    job.state = ReaderState::ImageConversion;
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  // A download resumed after a failed write holds the printer for itself
  // again, so that no other process talks into the middle of the image data.
  if ((port.flags & kFlagDownloadLockHeld) == 0) lockDownload(port);

  const uint32_t n = std::min(job.printerImageSize - job.printerImageSent, kDownloadChunk);
  uint32_t accepted = 0;
  int result = writeAll(port, std::span<const uint8_t>(job.printerImage.get() + job.printerImageSent, n), accepted);
  job.printerImageSent += accepted;
  if (result != kResultSuccess) {
    logPort(port, "ERROR:   WRITE YMC::INVALID PRINTER STATE");
    if (job.printerImageSent > 0 && job.printerImageSent < job.printerImageSize) {
      logPort(port, "ERROR:   ERROR RECOVERY");
    }
    unlockDownload(port);
    os::setLastError(os::kErrorInvalidPrinterState);
    return false;
  }
  if (job.printerImageSent == job.printerImageSize) {
    job.downloadDoneTime = os::tickCount64();
    const uint64_t took = job.downloadDoneTime - job.headerTime;
    logPort(port, "STATUS:  YMC WRITTEN IN %d.%d SECONDS.", static_cast<int>(took / 1000),
            static_cast<int>(took % 1000));
    unlockDownload(port);
    job.state = ReaderState::PageEnd;
  }
  return true;
}

namespace {

class Engine final : public PageSteps {
 public:
  bool statusCheckStep(PortContext& port, JobRecord& job) override { return lm::statusCheckStep(port, job); }
  bool mediaCheckStep(PortContext& port, JobRecord& job) override { return lm::mediaCheckStep(port, job); }
  bool imageConversionStep(PortContext& port, JobRecord& job) override {
    return lm::imageConversionStep(port, job);
  }
  bool printHeaderStep(PortContext& port, JobRecord& job) override { return lm::printHeaderStep(port, job); }
  bool imageDownloadStep(PortContext& port, JobRecord& job) override { return lm::imageDownloadStep(port, job); }
};

}  // namespace

PageSteps& enginePageSteps() {
  static Engine engine;
  return engine;
}

}  // namespace q7310::lm

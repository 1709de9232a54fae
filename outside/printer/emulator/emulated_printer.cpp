// The printer's state model: banks, the printing engine moving through its
// phases on the platform clock, counters, errors and operator controls.
#include <algorithm>

#include "outside/printer/emulator/printer_internal.h"
#include "platform/os/clock.h"

namespace q7310::printer {

using namespace protocol;

EmulatedPrinter::EmulatedPrinter(PrinterConfig config) : config_(std::move(config)) {
  if (config_.speed <= 0) config_.speed = 1.0;
  lastTick_ = os::tickCount64();
  parameters_[63] = config_.parameter63;
  parameters_[84] = config_.parameter84;
}

EmulatedPrinter::~EmulatedPrinter() = default;

std::unique_ptr<EmulatedPrinter::Session> EmulatedPrinter::openSession() {
  std::lock_guard lock(mutex_);
  uint32_t id = nextSession_++;
  sessions_[id] = std::make_unique<SessionState>();
  return std::unique_ptr<Session>(new Session(*this, id));
}

EmulatedPrinter::Session::~Session() {
  std::lock_guard lock(printer_.mutex_);
  auto it = printer_.sessions_.find(id_);
  if (it == printer_.sessions_.end()) return;
  // A download cut off by the disconnection is given up at once.
  if (Job* job = it->second->download) {
    job->lastDataTick = 0;
    job->session = kSessionGone;
  }
  printer_.sessions_.erase(it);
  printer_.abandonStaleDownloads();
}

void EmulatedPrinter::Session::write(std::span<const uint8_t> bytes) {
  std::lock_guard lock(printer_.mutex_);
  printer_.advance();
  printer_.writeBytes(id_, bytes);
}

size_t EmulatedPrinter::Session::read(std::span<uint8_t> out) {
  std::lock_guard lock(printer_.mutex_);
  auto& s = *printer_.sessions_.at(id_);
  if (s.out.empty() || out.empty()) return 0;
  const auto& transfer = s.out.front();
  size_t n = std::min(out.size(), transfer.size() - s.outOffset);
  std::copy_n(transfer.begin() + static_cast<ptrdiff_t>(s.outOffset), n, out.begin());
  s.outOffset += n;
  if (s.outOffset == transfer.size()) {
    s.out.pop_front();
    s.outOffset = 0;
  }
  return n;
}

bool EmulatedPrinter::Session::hasOutput() const {
  std::lock_guard lock(printer_.mutex_);
  return !printer_.sessions_.at(id_)->out.empty();
}

// ---- Time ----

void EmulatedPrinter::advance() {
  uint64_t now = os::tickCount64();
  uint64_t elapsed = now > lastTick_ ? now - lastTick_ : 0;
  lastTick_ = now;
  abandonStaleDownloads();
  // Fractions of a millisecond add up, so a slow printer polled often still moves.
  double due = static_cast<double>(elapsed) * config_.speed + carryMs_;
  auto ms = static_cast<uint64_t>(due);
  carryMs_ = due - static_cast<double>(ms);
  runEngine(ms);
}

void EmulatedPrinter::abandonStaleDownloads() {
  uint64_t limit = static_cast<uint64_t>(config_.dataTimeoutMs / config_.speed);
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    Job& job = **it;
    bool stale = !job.dataComplete && (job.session == kSessionGone || lastTick_ - job.lastDataTick > limit);
    if (!stale) {
      ++it;
      continue;
    }
    for (auto& [id, s] : sessions_) {
      if (s->download == &job) s->download = nullptr;
    }
    banks_[job.bank].status = kBankFree;
    it = jobs_.erase(it);
  }
}

void EmulatedPrinter::runEngine(uint64_t ms) {
  for (;;) {
    if (hasError()) return;  // the engine stands still until the condition is cleared
    if (initializingLeft_ > 0) {
      if (ms == 0) return;
      uint64_t step = std::min(ms, initializingLeft_);
      initializingLeft_ -= step;
      ms -= step;
      continue;
    }
    auto it = std::find_if(jobs_.begin(), jobs_.end(), [](const auto& j) { return j->dataComplete; });
    if (it == jobs_.end()) return;
    Job& job = **it;
    if (!job.started) {
      if (config_.ribbonRemaining == 0) {
        errors_.push_back(PrinterError::RibbonEmpty);
        return;
      }
      job.started = true;
      job.phases = copyPhases(prints_[job.printIndex].command.height);
      job.phase = 0;
      job.phaseElapsed = 0;
      banks_[job.bank].status = kBankPrinting;
    }
    uint64_t left = job.phases[job.phase].durationMs - job.phaseElapsed;
    if (ms < left) {
      job.phaseElapsed += ms;
      return;
    }
    ms -= left;
    job.phaseElapsed = 0;
    if (++job.phase < job.phases.size()) continue;
    if (job.finishing) {
      banks_[job.bank].status = kBankFree;
      jobs_.erase(it);
      continue;
    }
    finishCopy(job);
    ReceivedPrint& print = prints_[job.printIndex];
    if (print.copiesPrinted < print.command.copies && !job.cancelled) {
      if (config_.ribbonRemaining == 0) {
        // Stop before the next copy; it continues once a ribbon is loaded.
        errors_.push_back(PrinterError::RibbonEmpty);
        job.phases = copyPhases(print.command.height);
        job.phase = 0;
        return;
      }
      job.phases = copyPhases(print.command.height);
    } else {
      job.phases = {{kStateFinished, kFinishedMs}};
      job.finishing = true;
    }
    job.phase = 0;
  }
}

void EmulatedPrinter::finishCopy(Job& job) {
  ReceivedPrint& print = prints_[job.printIndex];
  ++print.copiesPrinted;
  banks_[job.bank].fieldB = print.copiesPrinted;
  ++config_.lifetimeCount;
  ++config_.maintenanceCount;
  ++config_.paperCount;
  ++config_.headCount;
  // A split or two-image print is cut once more between its pictures.
  uint8_t method = print.command.printMethod();
  config_.cutterCount += (method == kMethodCombo || method == kMethodSplit) ? 2 : 1;
  if (config_.ribbonRemaining > 0) --config_.ribbonRemaining;
}

uint8_t EmulatedPrinter::currentPrnStatus() const {
  if (hasError()) return kStateError;
  if (initializingLeft_ > 0) return kStateInitializing;
  for (const auto& job : jobs_) {
    if (job->started) return job->phases[job->phase].prnStatus;
  }
  for (const auto& job : jobs_) {
    if (!job->dataComplete) return kStateDownloading;
  }
  return kStateIdle;
}

CommandResponse EmulatedPrinter::header(uint8_t cmdResult, uint8_t cmdError) const {
  CommandResponse r;
  r.cmdResult = cmdResult;
  r.cmdError = cmdError;
  if (hasError()) {
    ErrorCode code = errorCode(errors_.front());
    r.errMajor = code.major;
    r.errMinor = code.minor;
  }
  r.prnStatus = currentPrnStatus();
  r.bufSize = static_cast<uint16_t>(std::count_if(banks_.begin(), banks_.end(),
                                                  [](const Bank& b) { return b.status == kBankFree; }));
  return r;
}

PrinterStatusRecord EmulatedPrinter::statusRecord() const {
  PrinterStatusRecord r;
  r.response = header(kCmdResultAccepted, kCmdErrorNone);
  r.lifetimeCount = config_.lifetimeCount;
  r.maintenanceCount = config_.maintenanceCount;
  r.paperCount = config_.paperCount;
  r.cutterCount = config_.cutterCount;
  r.headCount = config_.headCount;
  r.ribbonRemaining = config_.ribbonRemaining;
  r.banks = banks_;
  r.byte70 = static_cast<uint8_t>(std::min<size_t>(jobs_.size(), 255));  // prints not yet finished
  return r;
}

// ---- Controls and views ----

void EmulatedPrinter::loadRibbon(uint8_t ribbonType, uint32_t remaining) {
  std::lock_guard lock(mutex_);
  advance();
  config_.ribbonType = ribbonType;
  config_.ribbonRemaining = remaining;
  std::erase_if(errors_, [](PrinterError e) {
    return e == PrinterError::RibbonEmpty || e == PrinterError::IncorrectRibbon;
  });
}

void EmulatedPrinter::raiseError(PrinterError error) {
  std::lock_guard lock(mutex_);
  advance();
  if (std::find(errors_.begin(), errors_.end(), error) == errors_.end()) errors_.push_back(error);
}

void EmulatedPrinter::clearError(PrinterError error) {
  std::lock_guard lock(mutex_);
  advance();
  std::erase(errors_, error);
}

void EmulatedPrinter::clearErrors() {
  std::lock_guard lock(mutex_);
  advance();
  errors_.clear();
}

void EmulatedPrinter::refuseCommands(uint8_t cmdError, uint32_t count) {
  std::lock_guard lock(mutex_);
  refuseError_ = cmdError;
  refuseCount_ = count;
}

void EmulatedPrinter::answerBuffersFull(uint32_t count) {
  std::lock_guard lock(mutex_);
  buffersFullCount_ = count;
}

void EmulatedPrinter::overrideCorrection(uint16_t announced, uint32_t sent) {
  std::lock_guard lock(mutex_);
  correctionOverride_ = std::make_pair(announced, sent);
}

void EmulatedPrinter::setFirmware(int component, FirmwareVersion version) {
  std::lock_guard lock(mutex_);
  if (component >= 1 && component <= 3) config_.firmware[static_cast<size_t>(component - 1)] = version;
}

void EmulatedPrinter::setSerial(std::string serial) {
  std::lock_guard lock(mutex_);
  config_.serial = std::move(serial);
}

void EmulatedPrinter::setSpeed(double speed) {
  std::lock_guard lock(mutex_);
  advance();
  if (speed > 0) config_.speed = speed;
}

void EmulatedPrinter::paperReplaced() {
  std::lock_guard lock(mutex_);
  advance();
  config_.paperCount = 0;
  std::erase(errors_, PrinterError::PaperEmpty);
}

void EmulatedPrinter::maintenanceDone() {
  std::lock_guard lock(mutex_);
  advance();
  config_.maintenanceCount = 0;
}

PrinterStatusRecord EmulatedPrinter::status() {
  std::lock_guard lock(mutex_);
  advance();
  return statusRecord();
}

MediaInfoRecord EmulatedPrinter::mediaInfo() {
  std::lock_guard lock(mutex_);
  advance();
  return {header(kCmdResultAccepted, kCmdErrorNone), config_.ribbonType, mediaForRibbon(config_.ribbonType)};
}

uint8_t EmulatedPrinter::prnStatus() {
  std::lock_guard lock(mutex_);
  advance();
  return currentPrnStatus();
}

std::vector<ReceivedPrint> EmulatedPrinter::prints() {
  std::lock_guard lock(mutex_);
  advance();
  return prints_;
}

std::optional<int32_t> EmulatedPrinter::parameter(uint8_t number) {
  std::lock_guard lock(mutex_);
  if (!parameterKnown(number)) return std::nullopt;
  return parameters_.at(number);
}

bool EmulatedPrinter::parameterKnown(uint8_t number) const {
  // Parameter 84 came with version 5 of the main application firmware.
  if (number == 84) return config_.firmware[0].major >= 5;
  return parameters_.count(number) != 0;
}

uint32_t EmulatedPrinter::ledFlashes() {
  std::lock_guard lock(mutex_);
  return ledFlashes_;
}

uint32_t EmulatedPrinter::resets() {
  std::lock_guard lock(mutex_);
  return resets_;
}

}  // namespace q7310::printer

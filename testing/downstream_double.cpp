#include "testing/downstream_double.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/os/errors.h"

namespace q7310::testing {

namespace {
std::mutex activeMutex;
DownstreamDouble* activeDouble = nullptr;

std::u16string wide(const char16_t* text) {
  if (text == nullptr) return {};
  size_t n = 0;
  while (text[n] != 0) ++n;
  return std::u16string(text, n);
}
}  // namespace

DownstreamDouble::DownstreamDouble() {
  table_.openPort = &openPort;
  table_.startDocPort = &startDocPort;
  table_.writePort = &writePort;
  table_.readPort = &readPort;
  table_.endDocPort = &endDocPort;
  table_.closePort = &closePort;
  table_.getPrinterDataFromPort = &getPrinterDataFromPort;
  std::lock_guard lock(activeMutex);
  previous_ = activeDouble;
  activeDouble = this;
}

DownstreamDouble::~DownstreamDouble() {
  std::lock_guard lock(activeMutex);
  if (activeDouble == this) activeDouble = previous_;
}

DownstreamDouble* DownstreamDouble::active() {
  std::lock_guard lock(activeMutex);
  return activeDouble;
}

void DownstreamDouble::answerReads(std::vector<uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  reads_.push_back(std::move(bytes));
}
void DownstreamDouble::failNextOpen(uint32_t error) {
  std::lock_guard lock(mutex_);
  openError_ = error;
}
void DownstreamDouble::failNextStartDoc(uint32_t error) {
  std::lock_guard lock(mutex_);
  startDocError_ = error;
}
void DownstreamDouble::failNextWrite(uint32_t error) {
  std::lock_guard lock(mutex_);
  writeError_ = error;
}
void DownstreamDouble::limitWrites(uint32_t bytesPerCall) {
  std::lock_guard lock(mutex_);
  writeLimit_ = bytesPerCall;
}
void DownstreamDouble::answerPrinterData(std::u16string data) {
  std::lock_guard lock(mutex_);
  printerData_ = std::move(data);
}

std::vector<std::string> DownstreamDouble::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}
std::u16string DownstreamDouble::openedPortName() const {
  std::lock_guard lock(mutex_);
  return openedPortName_;
}
std::vector<DownstreamDouble::StartDoc> DownstreamDouble::startDocs() const {
  std::lock_guard lock(mutex_);
  return startDocs_;
}
std::vector<uint8_t> DownstreamDouble::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}
std::vector<uint32_t> DownstreamDouble::writeSizes() const {
  std::lock_guard lock(mutex_);
  return writeSizes_;
}
std::vector<uint32_t> DownstreamDouble::readSizes() const {
  std::lock_guard lock(mutex_);
  return readSizes_;
}
uint32_t DownstreamDouble::lastControlCode() const {
  std::lock_guard lock(mutex_);
  return lastControlCode_;
}
std::u16string DownstreamDouble::lastValueName() const {
  std::lock_guard lock(mutex_);
  return lastValueName_;
}
bool DownstreamDouble::handlesMatched() const {
  std::lock_guard lock(mutex_);
  return handlesMatched_;
}

// The caller holds mutex_.
bool DownstreamDouble::checkHandle(spooler::MonitorHandle handle) {
  if (handle == &handleToken_) return true;
  handlesMatched_ = false;
  os::setLastError(os::kErrorInvalidHandle);
  return false;
}

bool DownstreamDouble::openPort(const char16_t* portName, spooler::MonitorHandle* handle) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("OpenPort");
  self->openedPortName_ = wide(portName);
  if (self->openError_ != 0) {
    os::setLastError(std::exchange(self->openError_, 0));
    return false;
  }
  *handle = &self->handleToken_;
  return true;
}

bool DownstreamDouble::startDocPort(spooler::MonitorHandle port, const char16_t* printerName, uint32_t jobId,
                                    uint32_t level, const void* docInfo) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("StartDocPort");
  if (!self->checkHandle(port)) return false;
  self->startDocs_.push_back(StartDoc{wide(printerName), jobId, level, docInfo});
  if (self->startDocError_ != 0) {
    os::setLastError(std::exchange(self->startDocError_, 0));
    return false;
  }
  return true;
}

bool DownstreamDouble::writePort(spooler::MonitorHandle port, const uint8_t* buffer, uint32_t size,
                                 uint32_t* written) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("WritePort");
  *written = 0;
  if (!self->checkHandle(port)) return false;
  self->writeSizes_.push_back(size);
  if (self->writeError_ != 0) {
    os::setLastError(std::exchange(self->writeError_, 0));
    return false;
  }
  uint32_t take = std::min(size, self->writeLimit_);
  self->written_.insert(self->written_.end(), buffer, buffer + take);
  *written = take;
  return true;
}

bool DownstreamDouble::readPort(spooler::MonitorHandle port, uint8_t* buffer, uint32_t size, uint32_t* read) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("ReadPort");
  *read = 0;
  if (!self->checkHandle(port)) return false;
  self->readSizes_.push_back(size);
  if (self->reads_.empty()) return true;
  std::vector<uint8_t>& answer = self->reads_.front();
  uint32_t give = static_cast<uint32_t>(std::min<size_t>(size, answer.size()));
  std::memcpy(buffer, answer.data(), give);
  answer.erase(answer.begin(), answer.begin() + give);
  if (answer.empty()) self->reads_.pop_front();
  *read = give;
  return true;
}

bool DownstreamDouble::endDocPort(spooler::MonitorHandle port) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("EndDocPort");
  return self->checkHandle(port);
}

bool DownstreamDouble::closePort(spooler::MonitorHandle port) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("ClosePort");
  return self->checkHandle(port);
}

bool DownstreamDouble::getPrinterDataFromPort(spooler::MonitorHandle port, uint32_t controlCode,
                                              const char16_t* valueName, const char16_t*, uint32_t,
                                              char16_t* outBuffer, uint32_t outSize, uint32_t* returned) {
  DownstreamDouble* self = active();
  std::lock_guard lock(self->mutex_);
  self->calls_.push_back("GetPrinterDataFromPort");
  if (!self->checkHandle(port)) return false;
  self->lastControlCode_ = controlCode;
  self->lastValueName_ = wide(valueName);
  uint32_t bytes = static_cast<uint32_t>(self->printerData_.size() * sizeof(char16_t));
  if (returned != nullptr) *returned = bytes;
  if (outBuffer == nullptr || outSize < bytes) {
    os::setLastError(os::kErrorInsufficientBuffer);
    return false;
  }
  std::memcpy(outBuffer, self->printerData_.data(), bytes);
  return true;
}

}  // namespace q7310::testing

#include "outside/usbmon/usbmon.h"

#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "common/wide_text.h"
#include "outside/printer/emulator/socket_link.h"
#include "platform/os/errors.h"

namespace q7310::usbmon {

namespace {

constexpr uint32_t kPortMagic = 0x55534250;  // "USBP"
constexpr uint32_t kXcvMagic = 0x55534258;   // "USBX"

struct Attached {
  std::shared_ptr<printer::PrinterLink> link;
  std::string key;
};

std::mutex gMutex;
std::map<int, Attached> gAttached;

struct Port {
  uint32_t magic = kPortMagic;
  int number = 0;
  std::mutex mutex;
  std::shared_ptr<printer::PrinterLink> attached;
  std::unique_ptr<printer::SocketLink> socket;

  // The link to use now; nullptr when no printer is on the port.
  printer::PrinterLink* link() {
    if (attached) return attached.get();
    if (!socket) socket = printer::SocketLink::connect(printer::printerEndpoint(number));
    return socket.get();
  }
  void lost() { socket.reset(); }
};

struct Xcv {
  uint32_t magic = kXcvMagic;
  int number = 0;
};

std::optional<int> parsePort(const char16_t* name) {
  if (name == nullptr) return std::nullopt;
  return printer::portNumberOf(text::toUtf8(name));
}

std::optional<Attached> attachedOn(int number) {
  std::lock_guard lock(gMutex);
  auto it = gAttached.find(number);
  if (it == gAttached.end()) return std::nullopt;
  return it->second;
}

Port* checkPort(spooler::MonitorHandle handle) {
  auto* port = static_cast<Port*>(handle);
  if (port == nullptr || port->magic != kPortMagic) {
    os::setLastError(os::kErrorInvalidHandle);
    return nullptr;
  }
  return port;
}

bool openPort(const char16_t* portName, spooler::MonitorHandle* handle) {
  auto number = parsePort(portName);
  if (!number || handle == nullptr) {
    os::setLastError(number ? os::kErrorInvalidParameter : os::kErrorInvalidName);
    return false;
  }
  auto port = std::make_unique<Port>();
  port->number = *number;
  if (auto a = attachedOn(*number)) port->attached = a->link;
  *handle = port.release();
  return true;
}

bool startDocPort(spooler::MonitorHandle handle, const char16_t*, uint32_t, uint32_t, const void*) {
  return checkPort(handle) != nullptr;
}

bool writePort(spooler::MonitorHandle handle, const uint8_t* buffer, uint32_t size, uint32_t* written) {
  Port* port = checkPort(handle);
  if (port == nullptr || written == nullptr || (buffer == nullptr && size > 0)) {
    if (port != nullptr) os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  *written = 0;
  std::lock_guard lock(port->mutex);
  printer::PrinterLink* link = port->link();
  if (link == nullptr || !link->write({buffer, size}, *written)) {
    port->lost();
    os::setLastError(os::kErrorGenFailure);
    return false;
  }
  return true;
}

bool readPort(spooler::MonitorHandle handle, uint8_t* buffer, uint32_t size, uint32_t* read) {
  Port* port = checkPort(handle);
  if (port == nullptr || read == nullptr || (buffer == nullptr && size > 0)) {
    if (port != nullptr) os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  *read = 0;
  std::lock_guard lock(port->mutex);
  printer::PrinterLink* link = port->link();
  if (link == nullptr || !link->read({buffer, size}, kReadWaitMs, *read)) {
    port->lost();
    os::setLastError(os::kErrorGenFailure);
    return false;
  }
  return true;
}

bool endDocPort(spooler::MonitorHandle handle) { return checkPort(handle) != nullptr; }

bool closePort(spooler::MonitorHandle handle) {
  Port* port = checkPort(handle);
  if (port == nullptr) return false;
  port->magic = 0;
  delete port;
  return true;
}

bool getPrinterDataFromPort(spooler::MonitorHandle handle, uint32_t, const char16_t*, const char16_t*, uint32_t,
                            char16_t*, uint32_t, uint32_t* returned) {
  if (checkPort(handle) == nullptr) return false;
  if (returned != nullptr) *returned = 0;
  os::setLastError(os::kErrorNotSupported);
  return false;
}

bool xcvOpenPort(const char16_t* object, uint32_t, spooler::MonitorHandle* xcv) {
  std::u16string name = object != nullptr ? std::u16string(object) : std::u16string();
  // The spooler passes the port name; accept the whole ",XcvPort NAME" form too.
  if (auto blank = name.rfind(u' '); blank != std::u16string::npos) name = name.substr(blank + 1);
  auto number = parsePort(name.c_str());
  if (!number || xcv == nullptr) {
    os::setLastError(os::kErrorInvalidName);
    return false;
  }
  *xcv = new Xcv{kXcvMagic, *number};
  return true;
}

std::string deviceKeyOn(int number) {
  if (auto a = attachedOn(number)) return a->key;
  auto link = printer::SocketLink::connect(printer::printerEndpoint(number));
  if (!link) return {};
  auto reply = link->control("device-key");
  if (!reply || reply->rfind("OK ", 0) != 0) return {};
  return reply->substr(3);
}

uint32_t xcvDataPort(spooler::MonitorHandle handle, const char16_t* dataName, const uint8_t*, uint32_t,
                     uint8_t* outData, uint32_t outSize, uint32_t* needed) {
  auto* xcv = static_cast<Xcv*>(handle);
  if (xcv == nullptr || xcv->magic != kXcvMagic) return os::kErrorInvalidHandle;
  if (dataName == nullptr || text::toUtf8(dataName) != "GetDeviceID") return os::kErrorNotSupported;
  // A wide string with its terminating zero; empty when no printer is on the port.
  std::u16string key = text::toUtf16(deviceKeyOn(xcv->number));
  uint32_t bytes = static_cast<uint32_t>((key.size() + 1) * sizeof(char16_t));
  if (needed != nullptr) *needed = bytes;
  if (outData == nullptr || outSize < bytes) return os::kErrorInsufficientBuffer;
  std::memcpy(outData, key.c_str(), bytes);
  return os::kErrorSuccess;
}

bool xcvClosePort(spooler::MonitorHandle handle) {
  auto* xcv = static_cast<Xcv*>(handle);
  if (xcv == nullptr || xcv->magic != kXcvMagic) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  xcv->magic = 0;
  delete xcv;
  return true;
}

const spooler::MonitorTable kTable = {
    nullptr,      &openPort,   nullptr,    &startDocPort, &writePort, &readPort,
    &endDocPort,  &closePort,  nullptr,    nullptr,       nullptr,    nullptr,
    &getPrinterDataFromPort,   nullptr,    &xcvOpenPort,  &xcvDataPort, &xcvClosePort,
};

}  // namespace

const spooler::MonitorTable* monitorTable() { return &kTable; }

void attachLink(std::string_view portName, std::shared_ptr<printer::PrinterLink> link, std::string deviceKey) {
  auto number = printer::portNumberOf(portName);
  if (!number) return;
  std::lock_guard lock(gMutex);
  gAttached[*number] = {std::move(link), std::move(deviceKey)};
}

void detachLink(std::string_view portName) {
  auto number = printer::portNumberOf(portName);
  if (!number) return;
  std::lock_guard lock(gMutex);
  gAttached.erase(*number);
}

}  // namespace q7310::usbmon

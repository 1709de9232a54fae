#include "platform/os/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/linux/wait.h"

namespace q7310::os {

namespace {

bool makeAddress(const std::filesystem::path& path, sockaddr_un& address) {
  std::string text = path.string();
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (text.empty() || text.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return true;
}

// True once fd is ready for events, or false after timeoutMs of platform time.
bool waitReady(int fd, short events, uint32_t timeoutMs) {
  auto ready = [&](int ms) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, ms) > 0;
  };
  if (virtualClockInstalled()) return detail::virtualWait(timeoutMs, [&] { return ready(0); });
  return ready(timeoutMs == kInfinite ? -1 : static_cast<int>(timeoutMs));
}

}  // namespace

std::unique_ptr<LocalSocket> LocalSocket::connect(const std::filesystem::path& path) {
  sockaddr_un address;
  if (!makeAddress(path, address)) {
    setLastError(kErrorInvalidName);
    return nullptr;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    setLastError(kErrorGenFailure);
    return nullptr;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    setLastError(kErrorFileNotFound);
    return nullptr;
  }
  return std::unique_ptr<LocalSocket>(new LocalSocket(fd));
}

LocalSocket::~LocalSocket() { ::close(fd_); }

bool LocalSocket::send(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      setLastError(kErrorWriteFault);
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

std::optional<size_t> LocalSocket::receive(std::span<uint8_t> out, uint32_t timeoutMs) {
  if (out.empty()) return 0;
  if (!waitReady(fd_, POLLIN, timeoutMs)) return 0;
  for (;;) {
    ssize_t n = ::recv(fd_, out.data(), out.size(), MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (n <= 0) {
      setLastError(kErrorReadFault);
      return std::nullopt;
    }
    return static_cast<size_t>(n);
  }
}

bool LocalSocket::receiveAll(std::span<uint8_t> out, uint32_t timeoutMs) {
  while (!out.empty()) {
    auto n = receive(out, timeoutMs);
    if (!n || *n == 0) return false;
    out = out.subspan(*n);
  }
  return true;
}

std::unique_ptr<LocalListener> LocalListener::listen(const std::filesystem::path& path) {
  sockaddr_un address;
  if (!makeAddress(path, address)) {
    setLastError(kErrorInvalidName);
    return nullptr;
  }
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::remove(path, ec);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
    if (fd >= 0) ::close(fd);
    setLastError(kErrorAccessDenied);
    return nullptr;
  }
  return std::unique_ptr<LocalListener>(new LocalListener(fd, path));
}

LocalListener::~LocalListener() {
  ::close(fd_);
  std::error_code ec;
  std::filesystem::remove(path_, ec);
}

std::unique_ptr<LocalSocket> LocalListener::accept(uint32_t timeoutMs) {
  if (!waitReady(fd_, POLLIN, timeoutMs)) return nullptr;
  int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::unique_ptr<LocalSocket>(new LocalSocket(fd));
}

}  // namespace q7310::os

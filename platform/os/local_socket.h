// Local stream sockets between processes of one machine: a listener bound to
// a path (under the root, so every root has its own endpoints) and the
// connections it accepts or a client makes. A byte stream: message
// boundaries are the users' business.
//
// Waits follow the platform clock: under the virtual clock a time-out is
// virtual time, while bytes from other processes are still noticed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "platform/os/api.h"

namespace q7310::os {

class Q7310_OS_API LocalSocket {
 public:
  // Connects to the listener at path. Does not block beyond the connection
  // itself. nullptr with kErrorFileNotFound when nobody listens there,
  // kErrorInvalidName when the path is too long for an endpoint.
  static std::unique_ptr<LocalSocket> connect(const std::filesystem::path& path);
  ~LocalSocket();
  LocalSocket(const LocalSocket&) = delete;
  LocalSocket& operator=(const LocalSocket&) = delete;

  // Sends every byte; blocks until the peer's buffer has taken them. False
  // (kErrorWriteFault) when the peer has gone.
  bool send(std::span<const uint8_t> bytes);
  // Receives what has arrived, up to out.size() bytes, waiting up to
  // timeoutMs for the first byte. 0 on a time-out; nullopt
  // (kErrorReadFault) when the peer has closed the connection or it failed.
  std::optional<size_t> receive(std::span<uint8_t> out, uint32_t timeoutMs);
  // Receives exactly out.size() bytes unless the connection ends or no byte
  // arrives for timeoutMs; false then.
  bool receiveAll(std::span<uint8_t> out, uint32_t timeoutMs);

 private:
  friend class LocalListener;
  explicit LocalSocket(int fd) : fd_(fd) {}
  int fd_;
};

class Q7310_OS_API LocalListener {
 public:
  // Listens at path, replacing a stale endpoint file left by a process that
  // died; the parent folder is created. nullptr with the last error set
  // (kErrorInvalidName for a path too long, kErrorAccessDenied otherwise).
  static std::unique_ptr<LocalListener> listen(const std::filesystem::path& path);
  // Stops listening and removes the endpoint file.
  ~LocalListener();
  LocalListener(const LocalListener&) = delete;
  LocalListener& operator=(const LocalListener&) = delete;

  // Waits up to timeoutMs for a client; nullptr on a time-out.
  std::unique_ptr<LocalSocket> accept(uint32_t timeoutMs);
  const std::filesystem::path& path() const { return path_; }

 private:
  LocalListener(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::filesystem::path path_;
};

}  // namespace q7310::os

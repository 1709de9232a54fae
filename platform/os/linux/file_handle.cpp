#include "platform/os/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/os/errors.h"
#include "platform/os/paths.h"

namespace q7310::os {

namespace {

// The descriptor is kept biased by one so that descriptor 0 is not the null handle.
FileHandle toHandle(int fd) { return reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1); }
int toFd(FileHandle file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }

}  // namespace

FileHandle openFileForReading(std::string_view path) {
  auto p = mapPath(path);
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    switch (errno) {
      case ENOENT: setLastError(kErrorFileNotFound); break;
      case ENOTDIR: setLastError(kErrorPathNotFound); break;
      default: setLastError(kErrorAccessDenied); break;
    }
    return kInvalidFileHandle;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    setLastError(kErrorAccessDenied);
    return kInvalidFileHandle;
  }
  return toHandle(fd);
}

std::optional<size_t> readFileAt(FileHandle file, uint64_t offset, std::span<uint8_t> buffer) {
  if (file == kInvalidFileHandle) {
    setLastError(kErrorInvalidHandle);
    return std::nullopt;
  }
  size_t done = 0;
  while (done < buffer.size()) {
    ssize_t n = ::pread(toFd(file), buffer.data() + done, buffer.size() - done,
                        static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      setLastError(errno == EBADF ? kErrorInvalidHandle : kErrorReadFault);
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

std::optional<uint64_t> fileHandleSize(FileHandle file) {
  struct stat st{};
  if (file == kInvalidFileHandle || ::fstat(toFd(file), &st) != 0) {
    setLastError(kErrorInvalidHandle);
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

bool closeFile(FileHandle file) {
  if (file == kInvalidFileHandle || ::close(toFd(file)) != 0) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  return true;
}

}  // namespace q7310::os

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::os {

namespace {

void setErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: setLastError(kErrorFileNotFound); break;
    case ENOTDIR: setLastError(kErrorPathNotFound); break;
    case EACCES:
    case EPERM:
    case EISDIR: setLastError(kErrorAccessDenied); break;
    case EEXIST: setLastError(kErrorFileExists); break;
    case ENOMEM: setLastError(kErrorNotEnoughMemory); break;
    default: setLastError(kErrorGenFailure); break;
  }
}

bool writeAll(int fd, const void* data, size_t size) {
  auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool appendToFile(std::string_view path, std::string_view bytes) {
  fs::path p = mapPath(path);
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    setErrorFromErrno(errno);
    return false;
  }
  bool ok = writeAll(fd, bytes.data(), bytes.size());
  if (!ok) setErrorFromErrno(errno);
  ::close(fd);
  return ok;
}

std::optional<std::vector<uint8_t>> readFile(std::string_view path) {
  fs::path p = mapPath(path);
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    setErrorFromErrno(errno);
    return std::nullopt;
  }
  std::vector<uint8_t> out;
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      setErrorFromErrno(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

std::optional<std::string> readTextFile(std::string_view path) {
  auto bytes = readFile(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

bool writeFileAtomic(std::string_view path, std::span<const uint8_t> bytes) {
  fs::path p = mapPath(path);
  fs::path tmp = p;
  tmp += ".tmp" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    setErrorFromErrno(errno);
    return false;
  }
  bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  int err = errno;
  ::close(fd);
  if (ok && ::rename(tmp.c_str(), p.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    setErrorFromErrno(err);
  }
  return ok;
}

bool writeFileAtomic(std::string_view path, std::string_view text) {
  return writeFileAtomic(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool deleteFile(std::string_view path) {
  fs::path p = mapPath(path);
  if (::unlink(p.c_str()) != 0) {
    setErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool copyFile(std::string_view from, std::string_view to, bool overwrite) {
  std::error_code ec;
  auto options = overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none;
  if (!fs::copy_file(mapPath(from), mapPath(to), options, ec)) {
    setErrorFromErrno(ec ? ec.value() : EEXIST);
    return false;
  }
  return true;
}

bool fileExists(std::string_view path) {
  std::error_code ec;
  return fs::is_regular_file(mapPath(path), ec);
}

bool folderExists(std::string_view path) {
  std::error_code ec;
  return fs::is_directory(mapPath(path), ec);
}

bool createFolder(std::string_view path) {
  std::error_code ec;
  fs::path p = mapPath(path);
  fs::create_directories(p, ec);
  if (fs::is_directory(p)) return true;
  setErrorFromErrno(ec ? ec.value() : ENOTDIR);
  return false;
}

bool removeFolder(std::string_view path) {
  std::error_code ec;
  fs::remove_all(mapPath(path), ec);
  if (ec) {
    setErrorFromErrno(ec.value());
    return false;
  }
  return true;
}

std::vector<std::string> listFolder(std::string_view path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(mapPath(path), ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<uint64_t> fileSize(std::string_view path) {
  std::error_code ec;
  auto size = fs::file_size(mapPath(path), ec);
  if (ec) {
    setErrorFromErrno(ec.value());
    return std::nullopt;
  }
  return size;
}

}  // namespace q7310::os

#include "platform/os/registry.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/os/errors.h"
#include "platform/os/paths.h"

namespace q7310::os {
namespace fs = std::filesystem;

namespace {

// Each value file starts with one type byte, then the data.
constexpr uint8_t kTypeString = 1;
constexpr uint8_t kTypeBinary = 3;
constexpr uint8_t kTypeNumber = 4;

const char* rootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users: return "HKEY_USERS";
  }
  return "HKEY_LOCAL_MACHINE";
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Names become file names: lower case, and bytes that a file name cannot hold
// are written as %XX so that no name reaches outside its key's folder.
std::string fileNameOf(std::string_view name) {
  static const char* hex = "0123456789abcdef";
  std::string out = "v_";
  for (unsigned char c : lower(name)) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == ' ' || c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::optional<fs::path> keyFolder(RegistryRoot root, std::string_view subKey) {
  fs::path folder = os::root() / "registry" / rootName(root);
  size_t start = 0;
  while (start <= subKey.size() && !subKey.empty()) {
    const size_t end = std::min(subKey.find('\\', start), subKey.size());
    const std::string_view part = subKey.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos) return std::nullopt;
    folder /= lower(part);
    start = end + 1;
  }
  return folder;
}

std::optional<std::vector<uint8_t>> readValue(const std::string& folder, std::string_view name, uint8_t type) {
  std::ifstream in(fs::path(folder) / fileNameOf(name), std::ios::binary);
  if (!in) {
    setLastError(kErrorFileNotFound);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty() || bytes[0] != type) {
    setLastError(kErrorInvalidData);
    return std::nullopt;
  }
  bytes.erase(bytes.begin());
  return bytes;
}

bool writeValue(const std::string& folder, std::string_view name, uint8_t type, std::span<const uint8_t> data) {
  const fs::path target = fs::path(folder) / fileNameOf(name);
  const fs::path temporary = fs::path(folder) / (".tmp_" + fileNameOf(name));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.put(static_cast<char>(type));
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      setLastError(kErrorWriteFault);
      return false;
    }
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    setLastError(kErrorWriteFault);
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<RegistryKey> RegistryKey::open(RegistryRoot root, std::string_view subKey) {
  const auto folder = keyFolder(root, subKey);
  if (!folder) {
    setLastError(kErrorInvalidParameter);
    return nullptr;
  }
  std::error_code error;
  if (!fs::is_directory(*folder, error)) {
    setLastError(kErrorFileNotFound);
    return nullptr;
  }
  return std::make_unique<RegistryKey>(folder->string());
}

std::unique_ptr<RegistryKey> RegistryKey::create(RegistryRoot root, std::string_view subKey) {
  const auto folder = keyFolder(root, subKey);
  if (!folder) {
    setLastError(kErrorInvalidParameter);
    return nullptr;
  }
  std::error_code error;
  fs::create_directories(*folder, error);
  if (!fs::is_directory(*folder, error)) {
    setLastError(kErrorAccessDenied);
    return nullptr;
  }
  return std::make_unique<RegistryKey>(folder->string());
}

std::optional<std::string> RegistryKey::readString(std::string_view name) const {
  auto bytes = readValue(folder_, name, kTypeString);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::optional<uint32_t> RegistryKey::readNumber(std::string_view name) const {
  auto bytes = readValue(folder_, name, kTypeNumber);
  if (!bytes) return std::nullopt;
  if (bytes->size() != 4) {
    setLastError(kErrorInvalidData);
    return std::nullopt;
  }
  const auto& b = *bytes;
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

std::optional<std::vector<uint8_t>> RegistryKey::readBinary(std::string_view name) const {
  return readValue(folder_, name, kTypeBinary);
}

bool RegistryKey::writeString(std::string_view name, std::string_view value) {
  if (value.find('\0') != std::string_view::npos) {
    setLastError(kErrorInvalidParameter);
    return false;
  }
  return writeValue(folder_, name, kTypeString,
                    std::span(reinterpret_cast<const uint8_t*>(value.data()), value.size()));
}

bool RegistryKey::writeNumber(std::string_view name, uint32_t value) {
  const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  return writeValue(folder_, name, kTypeNumber, bytes);
}

bool RegistryKey::writeBinary(std::string_view name, std::span<const uint8_t> value) {
  return writeValue(folder_, name, kTypeBinary, value);
}

bool RegistryKey::deleteValue(std::string_view name) {
  std::error_code error;
  if (!fs::remove(fs::path(folder_) / fileNameOf(name), error)) {
    setLastError(kErrorFileNotFound);
    return false;
  }
  return true;
}

}  // namespace q7310::os

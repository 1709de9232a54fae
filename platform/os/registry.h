// The registry: keys under a few predefined roots, each holding named values
// (32-bit numbers, strings, binary blocks). Kept as files below the root
// ("<root>/registry/<ROOT>/<key path>/<value>"), names compared ignoring
// case; every value is written atomically (temporary file, then rename), so a
// reader sees the old or the new value, never a part. Nothing here blocks
// beyond the file system.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/api.h"

namespace q7310::os {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

class Q7310_OS_API RegistryKey {
 public:
  // subKey: backslash-separated ("SOFTWARE\\Tornik"). An empty part or ".."
  // is refused (kErrorInvalidParameter). open: nullptr with
  // kErrorFileNotFound when the key does not exist. create: creates the key
  // and its parents; nullptr with kErrorAccessDenied when it cannot.
  static std::unique_ptr<RegistryKey> open(RegistryRoot root, std::string_view subKey);
  static std::unique_ptr<RegistryKey> create(RegistryRoot root, std::string_view subKey);

  // nullopt with kErrorFileNotFound when the value is absent, kErrorInvalidData
  // when it holds another type.
  std::optional<std::string> readString(std::string_view name) const;
  std::optional<uint32_t> readNumber(std::string_view name) const;
  std::optional<std::vector<uint8_t>> readBinary(std::string_view name) const;

  // false with kErrorWriteFault when the value cannot be stored. A string may
  // not hold a NUL (kErrorInvalidParameter).
  bool writeString(std::string_view name, std::string_view value);
  bool writeNumber(std::string_view name, uint32_t value);
  bool writeBinary(std::string_view name, std::span<const uint8_t> value);
  // false with kErrorFileNotFound when absent.
  bool deleteValue(std::string_view name);

  explicit RegistryKey(std::string folder) : folder_(std::move(folder)) {}

 private:
  std::string folder_;  // native path of the key's folder
};

}  // namespace q7310::os

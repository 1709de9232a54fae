// File operations on Windows paths (mapped into the root) or native paths.
// None of them throws; failures return false / nullopt and set the last error
// (kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/api.h"

namespace q7310::os {

// Opens the file for appending (creating the file, never its folder), writes
// bytes and closes it. Fails when the folder does not exist.
Q7310_OS_API bool appendToFile(std::string_view path, std::string_view bytes);

Q7310_OS_API std::optional<std::vector<uint8_t>> readFile(std::string_view path);
Q7310_OS_API std::optional<std::string> readTextFile(std::string_view path);

// Writes the whole file through a temporary file and a rename, so a reader
// never sees half of it. The folder must exist.
Q7310_OS_API bool writeFileAtomic(std::string_view path, std::span<const uint8_t> bytes);
Q7310_OS_API bool writeFileAtomic(std::string_view path, std::string_view text);

Q7310_OS_API bool deleteFile(std::string_view path);
Q7310_OS_API bool copyFile(std::string_view from, std::string_view to, bool overwrite);
Q7310_OS_API bool fileExists(std::string_view path);
Q7310_OS_API bool folderExists(std::string_view path);
// Creates the folder and any missing parents; true if it exists afterwards.
Q7310_OS_API bool createFolder(std::string_view path);
// Removes the folder and everything below it.
Q7310_OS_API bool removeFolder(std::string_view path);
// The names (not paths) of the entries of a folder, sorted; empty if missing.
Q7310_OS_API std::vector<std::string> listFolder(std::string_view path);
Q7310_OS_API std::optional<uint64_t> fileSize(std::string_view path);

}  // namespace q7310::os

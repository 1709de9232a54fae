// Open files read at explicit positions, for readers that keep a file open
// across calls (ICC profiles). A FileHandle is an opaque, pointer-sized value
// that crosses C interfaces as it is; kInvalidFileHandle is never a valid one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/os/api.h"

namespace q7310::os {

using FileHandle = void*;
inline const FileHandle kInvalidFileHandle = nullptr;

// Opens an existing file (Windows path mapped into the root, or native path)
// for reading; others may read it at the same time. Does not block beyond the
// file system. kInvalidFileHandle on failure, with kErrorFileNotFound,
// kErrorPathNotFound or kErrorAccessDenied.
Q7310_OS_API FileHandle openFileForReading(std::string_view path);

// Reads up to buffer.size() bytes at offset without moving any shared file
// position, so handles may be read from several threads. Returns the number
// of bytes read (less at the end of the file, 0 past it), or nullopt on an
// I/O error or invalid handle (kErrorReadFault, kErrorInvalidHandle).
Q7310_OS_API std::optional<size_t> readFileAt(FileHandle file, uint64_t offset, std::span<uint8_t> buffer);

// The file's current size; nullopt with kErrorInvalidHandle on failure.
Q7310_OS_API std::optional<uint64_t> fileHandleSize(FileHandle file);

// Closes the handle. false with kErrorInvalidHandle for kInvalidFileHandle.
Q7310_OS_API bool closeFile(FileHandle file);

}  // namespace q7310::os

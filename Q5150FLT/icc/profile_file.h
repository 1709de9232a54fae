// Reading ICC profiles straight from their files. A profile handle is the
// platform's file handle; nothing else is kept, so every query re-reads the
// file. Profiles are untrusted: every offset, size and count read from the
// file is checked against the file before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/os/file_handle.h"

namespace q7310::flt::icc {

constexpr uint32_t signature(const char (&s)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) | static_cast<uint8_t>(s[3]);
}

inline constexpr uint32_t kSigRgb = signature("RGB ");
inline constexpr uint32_t kSigCmyk = signature("CMYK");
inline constexpr uint32_t kSigLab = signature("Lab ");
inline constexpr uint32_t kSigXyz = signature("XYZ ");
inline constexpr uint32_t kSigLut16 = signature("mft2");

inline constexpr size_t kHeaderSize = 128;
inline constexpr size_t kTagEntrySize = 12;
// Largest tag the engine loads whole; real profiles stay far below it.
inline constexpr uint32_t kMaxWholeTagSize = 64u << 20;

struct TagEntry {
  uint32_t signature;
  uint32_t offset;
  uint32_t size;
};

// Opens the file and accepts it when its data color space is RGB, CMYK or Lab
// and its PCS is XYZ or Lab. nullopt otherwise (the file is closed again).
std::optional<os::FileHandle> openProfile(std::string_view path);
bool closeProfile(os::FileHandle file);

// The 128 header bytes with the fields of known width turned to host order.
// false when the file is shorter than a header (the buffer keeps what was read).
bool readHeader(os::FileHandle file, std::span<uint8_t, kHeaderSize> header);

// The tag count, cut to the entries the file actually holds.
uint32_t tagCount(os::FileHandle file);
// The count and the entries, in host order, as count × 12 + 4 bytes.
std::vector<uint8_t> tagTableBytes(os::FileHandle file);

// The first entry with the signature whose data lies inside the file.
std::optional<TagEntry> findTag(os::FileHandle file, uint32_t tagSignature);

// Reads up to out.size() bytes of the tag from offset within it; the read
// never leaves the tag. nullopt when the tag is absent, else the bytes read.
std::optional<size_t> readTagPart(os::FileHandle file, const TagEntry& tag, uint32_t offset, std::span<uint8_t> out);

// The whole tag, or nullopt when it is absent, damaged, too large or cannot
// be read completely.
std::optional<std::vector<uint8_t>> loadTag(os::FileHandle file, uint32_t tagSignature);

}  // namespace q7310::flt::icc

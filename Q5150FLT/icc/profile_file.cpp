#include "Q5150FLT/icc/profile_file.h"

#include <algorithm>
#include <new>

#include "common/le.h"

namespace q7310::flt::icc {

namespace {

void toHostU32(std::span<uint8_t> buf, size_t off) {
  uint32_t v = le::be::u32(buf, off);
  std::memcpy(buf.data() + off, &v, 4);
}

void toHostU16(std::span<uint8_t> buf, size_t off) {
  uint16_t v = le::be::u16(buf, off);
  std::memcpy(buf.data() + off, &v, 2);
}

uint64_t fileSizeOf(os::FileHandle file) { return os::fileHandleSize(file).value_or(0); }

}  // namespace

std::optional<os::FileHandle> openProfile(std::string_view path) {
  os::FileHandle file = os::openFileForReading(path);
  if (file == os::kInvalidFileHandle) return std::nullopt;
  uint8_t header[kHeaderSize]{};
  auto got = os::readFileAt(file, 0, header);
  if (got && *got == kHeaderSize) {
    uint32_t space = le::be::u32(header, 16);
    uint32_t pcs = le::be::u32(header, 20);
    if ((space == kSigRgb || space == kSigCmyk || space == kSigLab) && (pcs == kSigXyz || pcs == kSigLab)) {
      return file;
    }
  }
  os::closeFile(file);
  return std::nullopt;
}

bool closeProfile(os::FileHandle file) { return os::closeFile(file); }

bool readHeader(os::FileHandle file, std::span<uint8_t, kHeaderSize> header) {
  auto got = os::readFileAt(file, 0, header);
  // Fields at 0..84 are converted by width; the rest stays as in the file.
  for (size_t off : {0, 4, 8, 12, 16, 20}) toHostU32(header, off);
  for (size_t off = 24; off < 36; off += 2) toHostU16(header, off);
  for (size_t off : {36, 40, 44, 48, 52, 56, 60, 64, 68, 72, 76, 80}) toHostU32(header, off);
  return got && *got == kHeaderSize;
}

uint32_t tagCount(os::FileHandle file) {
  uint8_t raw[4]{};
  auto got = os::readFileAt(file, kHeaderSize, raw);
  if (!got || *got != 4) return 0;
  uint64_t size = fileSizeOf(file);
  uint64_t fits = size > kHeaderSize + 4 ? (size - kHeaderSize - 4) / kTagEntrySize : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(le::be::u32(raw, 0), fits));
}

std::vector<uint8_t> tagTableBytes(os::FileHandle file) {
  uint32_t count = tagCount(file);
  std::vector<uint8_t> table(4 + size_t{count} * kTagEntrySize);
  auto got = os::readFileAt(file, kHeaderSize, table);
  if (!got || *got != table.size()) {
    // The file changed under us: report no tags rather than stale bytes.
    return std::vector<uint8_t>(4, 0);
  }
  le::be::putU32(table, 0, count);
  for (size_t off = 0; off < table.size(); off += 4) toHostU32(table, off);
  return table;
}

std::optional<TagEntry> findTag(os::FileHandle file, uint32_t tagSignature) {
  std::vector<uint8_t> table = tagTableBytes(file);
  uint32_t count;
  std::memcpy(&count, table.data(), 4);
  for (uint32_t i = 0; i < count; ++i) {
    TagEntry e;
    std::memcpy(&e, table.data() + 4 + size_t{i} * kTagEntrySize, kTagEntrySize);
    if (e.signature != tagSignature) continue;
    // A tag whose data runs past the end of the file is damaged: absent.
    if (uint64_t{e.offset} + e.size > fileSizeOf(file)) return std::nullopt;
    return e;
  }
  return std::nullopt;
}

std::optional<size_t> readTagPart(os::FileHandle file, const TagEntry& tag, uint32_t offset, std::span<uint8_t> out) {
  if (offset >= tag.size) return size_t{0};
  size_t want = std::min<size_t>(out.size(), tag.size - offset);
  return os::readFileAt(file, uint64_t{tag.offset} + offset, out.first(want));
}

std::optional<std::vector<uint8_t>> loadTag(os::FileHandle file, uint32_t tagSignature) {
  auto tag = findTag(file, tagSignature);
  if (!tag || tag->size == 0 || tag->size > kMaxWholeTagSize) return std::nullopt;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(tag->size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  auto got = readTagPart(file, *tag, 0, bytes);
  if (!got || *got != bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace q7310::flt::icc

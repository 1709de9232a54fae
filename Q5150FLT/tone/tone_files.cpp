// Tone curve, AMP and .mtf files.
#include "Q5150FLT/tone/tone_files.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>

#include "common/le.h"
#include "platform/os/files.h"

namespace q7310::flt::tone {

const char* fileErrorText(FileError error) {
  switch (error) {
    case FileError::None: return "";
    case FileError::CannotOpen: return "Can not open file.";
    case FileError::CannotCreate: return "Can not create file.";
    case FileError::CannotRead: return "Can not read file.";
    case FileError::CannotWrite: return "Can not write file.";
    case FileError::Unsupported: return "Unsupported file format.";
  }
  return "";
}

namespace {

constexpr size_t kFileHeader = 6;

std::optional<std::vector<uint8_t>> readAll(std::string_view path, FileError& error) {
  if (!os::fileExists(path)) {
    error = FileError::CannotOpen;
    return std::nullopt;
  }
  auto bytes = os::readFile(path);
  error = bytes ? FileError::None : FileError::CannotRead;
  return bytes;
}

FileError writeAll(std::string_view path, std::span<const uint8_t> bytes) {
  return os::writeFileAtomic(path, bytes) ? FileError::None : FileError::CannotCreate;
}

// One pass over a format 2 file with the mode codes read one way. The size
// must come out exact.
std::optional<ToneCurveRecord> parseFormat2(std::span<const uint8_t> b, const ToneCurveRecord& start,
                                            bool codesAreModes) {
  ToneCurveRecord r = start;
  r.orientation = le::be::u16(b, 2);
  size_t at = kFileHeader;
  for (int c = 0; c < kChannels; ++c) {
    if (b.size() - at < 4) return std::nullopt;
    const uint16_t code = le::be::u16(b, at);
    const uint16_t count = le::be::u16(b, at + 2);
    at += 4;
    const int mode = codesAreModes ? code : code + 1;
    if (mode == kModePoints) {
      if (count > kMaxPoints || b.size() - at < size_t{count} * 4) return std::nullopt;
      for (int p = 0; p < count; ++p, at += 4) r.points[c][p] = {le::be::u16(b, at), le::be::u16(b, at + 2)};
      r.pointCount[c] = count;
    } else if (mode == kModeTable) {
      if (b.size() - at < 256) return std::nullopt;
      std::copy_n(b.begin() + at, 256, r.table[c].begin());
      at += 256;
      r.pointCount[c] = 0;
    } else if (mode == kModeGamma) {
      if (b.size() - at < 2) return std::nullopt;
      r.gamma[c] = le::be::u16(b, at);
      at += 2;
      r.pointCount[c] = 0;
    } else {
      return std::nullopt;
    }
    r.mode[c] = static_cast<uint16_t>(mode);
    rebuildChannel(r, c);
  }
  if (at != b.size()) return std::nullopt;
  return r;
}

std::optional<ToneCurveRecord> parseFormat1(std::span<const uint8_t> b, const ToneCurveRecord& start) {
  ToneCurveRecord r = start;
  r.orientation = le::be::u16(b, 2);
  size_t at = kFileHeader;
  for (int c = 0; c < kChannels; ++c) {
    if (b.size() - at < 2) return std::nullopt;
    const uint16_t count = le::be::u16(b, at);
    at += 2;
    if (count > 0) {
      if (count > kMaxPoints || b.size() - at < size_t{count} * 4) return std::nullopt;
      for (int p = 0; p < count; ++p, at += 4) r.points[c][p] = {le::be::u16(b, at), le::be::u16(b, at + 2)};
      r.mode[c] = kModePoints;
      r.pointCount[c] = count;
      rebuildChannel(r, c);
    } else {
      if (b.size() - at < 256) return std::nullopt;
      std::copy_n(b.begin() + at, 256, r.table[c].begin());
      at += 256;
      r.mode[c] = kModeTable;
      r.pointCount[c] = 0;
    }
  }
  return r;
}

}  // namespace

bool parseToneCurveFile(std::span<const uint8_t> b, ToneCurveRecord& record) {
  if (b.size() < kFileHeader || le::be::u16(b, 4) != kChannels) return false;
  std::optional<ToneCurveRecord> r;
  switch (le::be::u16(b, 0)) {
    case 2:
      r = parseFormat2(b, record, false);
      if (!r) r = parseFormat2(b, record, true);
      break;
    case 1:
      r = parseFormat1(b, record);
      break;
    default:
      break;
  }
  if (!r) return false;
  record = *r;
  return true;
}

FileError readToneCurveFile(std::string_view path, ToneCurveRecord& record) {
  FileError error;
  auto bytes = readAll(path, error);
  if (!bytes) return error;
  return parseToneCurveFile(*bytes, record) ? FileError::None : FileError::Unsupported;
}

std::vector<uint8_t> encodeToneCurveFile(const ToneCurveRecord& r, bool modeCodesAsModes) {
  std::vector<uint8_t> out;
  auto put = [&out](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  };
  put(2);
  put(r.orientation);
  put(kChannels);
  for (int c = 0; c < kChannels; ++c) {
    // An unknown mode is saved as a free table, which keeps what the page sees.
    const uint16_t mode = (r.mode[c] >= kModePoints && r.mode[c] <= kModeGamma) ? r.mode[c] : uint16_t{kModeTable};
    const uint16_t count = std::min<uint16_t>(r.pointCount[c], kMaxPoints);
    put(modeCodesAsModes ? mode : static_cast<uint16_t>(mode - 1));
    put(count);
    if (mode == kModePoints) {
      for (int p = 0; p < count; ++p) {
        put(r.points[c][p].output);
        put(r.points[c][p].input);
      }
    } else if (mode == kModeTable) {
      out.insert(out.end(), r.table[c].begin(), r.table[c].end());
    } else {
      put(r.gamma[c]);
    }
  }
  return out;
}

FileError writeToneCurveFile(std::string_view path, const ToneCurveRecord& record, bool modeCodesAsModes) {
  return writeAll(path, encodeToneCurveFile(record, modeCodesAsModes));
}

bool isAmpFileName(std::string_view path) {
  auto dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view ext = path.substr(dot + 1);
  return ext.size() == 3 && std::toupper(static_cast<unsigned char>(ext[0])) == 'A' &&
         std::toupper(static_cast<unsigned char>(ext[1])) == 'M' &&
         std::toupper(static_cast<unsigned char>(ext[2])) == 'P';
}

bool parseAmpFile(std::span<const uint8_t> b, ToneCurveRecord& r) {
  const ToneCurveRecord defaults = defaultToneCurve();
  r = defaults;
  for (int c = 0; c < kChannels; ++c) {
    r.mode[c] = kModeTable;
    r.pointCount[c] = 0;
  }
  if (b.size() == 768) {
    for (int c = 1; c <= 3; ++c) std::copy_n(b.begin() + (c - 1) * 256, 256, r.table[c].begin());
    return true;
  }
  if (b.size() == 1280) {
    for (int c = 0; c <= 3; ++c) std::copy_n(b.begin() + c * 256, 256, r.table[c].begin());
    for (int c = 1; c <= 3; ++c)
      for (auto& v : r.table[c]) v = r.table[0][v];
    r.table[0] = identityTable();
    return true;
  }
  r = defaults;
  return false;
}

FileError readAmpFile(std::string_view path, ToneCurveRecord& record) {
  FileError error;
  auto bytes = readAll(path, error);
  if (!bytes) {
    record = defaultToneCurve();
    return error;
  }
  return parseAmpFile(*bytes, record) ? FileError::None : FileError::Unsupported;
}

bool parseMtfText(std::string_view text, mtf::MtfKernel& kernel) {
  constexpr size_t kMaxRun = 254;
  int32_t values[26];
  size_t found = 0;
  size_t at = 0;
  auto numeric = [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) || ch == '+' || ch == '-'; };
  while (found < 26) {
    while (at < text.size() && !numeric(text[at])) ++at;
    if (at == text.size()) break;
    size_t end = at;
    while (end < text.size() && end - at < kMaxRun && numeric(text[end])) ++end;
    std::string_view run = text.substr(at, end - at);
    at = end;
    // One optional sign, then digits up to the first non-digit; a number too
    // large for 32 bits saturates rather than wrapping.
    bool negative = false;
    size_t i = 0;
    if (i < run.size() && (run[i] == '+' || run[i] == '-')) negative = run[i++] == '-';
    int64_t v = 0;
    for (; i < run.size() && std::isdigit(static_cast<unsigned char>(run[i])); ++i)
      v = std::min<int64_t>(v * 10 + (run[i] - '0'), int64_t{INT32_MAX} + 1);
    if (negative) v = -v;
    values[found++] = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }
  if (found < 26) return false;
  std::copy_n(values, 25, kernel.coefficients.begin());
  kernel.scale = values[25];
  return true;
}

FileError readMtfFile(std::string_view path, mtf::MtfKernel& kernel) {
  FileError error;
  auto bytes = readAll(path, error);
  if (!bytes) return error;
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return parseMtfText(text, kernel) ? FileError::None : FileError::Unsupported;
}

std::string formatMtfText(const mtf::MtfKernel& kernel) {
  std::string out;
  for (int32_t c : kernel.coefficients) out += std::to_string(c) + "\n";
  out += std::to_string(kernel.scale) + "\n";
  return out;
}

FileError writeMtfFile(std::string_view path, const mtf::MtfKernel& kernel) {
  return os::writeFileAtomic(path, formatMtfText(kernel)) ? FileError::None : FileError::CannotCreate;
}

}  // namespace q7310::flt::tone

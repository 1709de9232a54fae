// The files the settings dialogs save and load: tone curve files (binary,
// big-endian), AMP table files and .mtf kernel files (text). Parsers take the
// file's bytes and distrust every count in them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Q5150FLT/mtf/mtf_kernel.h"
#include "Q5150FLT/tone/tone_curve.h"

namespace q7310::flt::tone {

enum class FileError { None, CannotOpen, CannotCreate, CannotRead, CannotWrite, Unsupported };

// The message box text for a file error ("" for None).
const char* fileErrorText(FileError error);

// Tone curve file. Reading accepts format 2 (mode codes as mode − 1, or as
// the modes themselves, whichever makes the size come out exact) and format
// 1; on failure the record is left as it was.
bool parseToneCurveFile(std::span<const uint8_t> bytes, ToneCurveRecord& record);
FileError readToneCurveFile(std::string_view path, ToneCurveRecord& record);
// Format 2; modeCodesAsModes writes the modes 1..3 instead of mode − 1.
std::vector<uint8_t> encodeToneCurveFile(const ToneCurveRecord& record, bool modeCodesAsModes);
FileError writeToneCurveFile(std::string_view path, const ToneCurveRecord& record, bool modeCodesAsModes);

// True when the name's extension is "AMP" in any case.
bool isAmpFileName(std::string_view path);
// 768 bytes: channels 1 to 3; 1280 bytes: master and channels 1 to 3, the
// master folded into the channels. Any other size resets the record to its
// defaults and fails.
bool parseAmpFile(std::span<const uint8_t> bytes, ToneCurveRecord& record);
FileError readAmpFile(std::string_view path, ToneCurveRecord& record);

// .mtf file: 25 coefficients and the scale as decimal numbers. Fewer than 26
// numbers fail and leave the kernel as it was; values are not range-checked.
bool parseMtfText(std::string_view text, mtf::MtfKernel& kernel);
FileError readMtfFile(std::string_view path, mtf::MtfKernel& kernel);
std::string formatMtfText(const mtf::MtfKernel& kernel);
FileError writeMtfFile(std::string_view path, const mtf::MtfKernel& kernel);

}  // namespace q7310::flt::tone

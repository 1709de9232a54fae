// Preference record defaults and codec.
#include "Q5150FLT/pipeline/filter_preference.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "common/le.h"

namespace q7310::flt::pipeline {

namespace off = pref_offset;

FilterPreference defaultPreference(const std::string& engineDirectory) {
  FilterPreference p;
  const std::filesystem::path dir(engineDirectory);
  setFieldText(p.inputProfile, (dir / "A17D50.ICC").string());
  setFieldText(p.outputProfile, (dir / "Q51502.ICC").string());
  return p;
}

std::string fieldText(const PathField& field) {
  const char* end = std::find(field.begin(), field.end(), '\0');
  if (end == field.end()) return {};
  return std::string(field.data(), end);
}

bool setFieldText(PathField& field, std::string_view text) {
  if (text.size() >= kPathField) return false;
  field.fill('\0');
  std::copy(text.begin(), text.end(), field.begin());
  return true;
}

FilterPreference decodePreference(std::span<const uint8_t, kPreferenceSize> b) {
  FilterPreference p;
  p.size = le::u32(b, off::kSize);
  p.signature = le::u32(b, off::kSignature);
  p.iccEnabled = le::u32(b, off::kIccEnabled);
  p.intent = le::u16(b, off::kIntent);
  std::memcpy(p.inputProfile.data(), b.data() + off::kInputProfile, kPathField);
  std::memcpy(p.outputProfile.data(), b.data() + off::kOutputProfile, kPathField);
  p.mtfEnabled = le::u32(b, off::kMtfEnabled);
  p.kernel = mtf::decodeKernel(b.subspan<off::kKernel, mtf::kMtfKernelSize>());
  std::memcpy(p.mtfFileName.data(), b.data() + off::kMtfFileName, kPathField);
  p.inputCurveEnabled = le::u32(b, off::kInputCurveEnabled);
  p.inputCurve = tone::decodeToneCurve(b.subspan<off::kInputCurve, tone::kToneCurveRecordSize>());
  p.outputCurveEnabled = le::u32(b, off::kOutputCurveEnabled);
  p.outputCurve = tone::decodeToneCurve(b.subspan<off::kOutputCurve, tone::kToneCurveRecordSize>());
  p.caskEnabled = le::u32(b, off::kCaskEnabled);
  return p;
}

void encodePreference(const FilterPreference& p, std::span<uint8_t, kPreferenceSize> b) {
  std::fill(b.begin(), b.end(), uint8_t{0});
  le::putU32(b, off::kSize, p.size);
  le::putU32(b, off::kSignature, p.signature);
  le::putU32(b, off::kIccEnabled, p.iccEnabled);
  le::putU16(b, off::kIntent, p.intent);
  std::memcpy(b.data() + off::kInputProfile, p.inputProfile.data(), kPathField);
  std::memcpy(b.data() + off::kOutputProfile, p.outputProfile.data(), kPathField);
  le::putU32(b, off::kMtfEnabled, p.mtfEnabled);
  mtf::encodeKernel(p.kernel, b.subspan<off::kKernel, mtf::kMtfKernelSize>());
  std::memcpy(b.data() + off::kMtfFileName, p.mtfFileName.data(), kPathField);
  le::putU32(b, off::kInputCurveEnabled, p.inputCurveEnabled);
  tone::encodeToneCurve(p.inputCurve, b.subspan<off::kInputCurve, tone::kToneCurveRecordSize>());
  le::putU32(b, off::kOutputCurveEnabled, p.outputCurveEnabled);
  tone::encodeToneCurve(p.outputCurve, b.subspan<off::kOutputCurve, tone::kToneCurveRecordSize>());
  le::putU32(b, off::kCaskEnabled, p.caskEnabled);
}

}  // namespace q7310::flt::pipeline

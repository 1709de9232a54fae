// The engine's settings record: 4340 little-endian bytes that callers read and
// write through the preference function, held decoded in the instance.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "Q5150FLT/mtf/mtf_kernel.h"
#include "Q5150FLT/tone/tone_curve.h"

namespace q7310::flt::pipeline {

inline constexpr uint32_t kPreferenceSize = 4340;
inline constexpr uint32_t kPreferenceSignature = 0x20120717;
inline constexpr size_t kPathField = 260;

using PathField = std::array<char, kPathField>;

struct FilterPreference {
  uint32_t size = kPreferenceSize;
  uint32_t signature = kPreferenceSignature;
  uint32_t iccEnabled = 0;
  uint16_t intent = 0;
  PathField inputProfile{};
  PathField outputProfile{};
  uint32_t mtfEnabled = 0;
  mtf::MtfKernel kernel = mtf::identityKernel();
  PathField mtfFileName{};
  uint32_t inputCurveEnabled = 0;
  tone::ToneCurveRecord inputCurve = tone::defaultToneCurve();
  uint32_t outputCurveEnabled = 0;
  tone::ToneCurveRecord outputCurve = tone::defaultToneCurve();
  uint32_t caskEnabled = 0;

  bool operator==(const FilterPreference&) const = default;
};

namespace pref_offset {
inline constexpr size_t kSize = 0;
inline constexpr size_t kSignature = 4;
inline constexpr size_t kIccEnabled = 8;
inline constexpr size_t kIntent = 12;
inline constexpr size_t kInputProfile = 14;
inline constexpr size_t kOutputProfile = 274;
inline constexpr size_t kMtfEnabled = 536;
inline constexpr size_t kKernel = 540;
inline constexpr size_t kMtfFileName = 644;
inline constexpr size_t kInputCurveEnabled = 904;
inline constexpr size_t kInputCurve = 908;
inline constexpr size_t kOutputCurveEnabled = 2620;
inline constexpr size_t kOutputCurve = 2624;
inline constexpr size_t kCaskEnabled = 4336;
static_assert(kInputProfile + kPathField == kOutputProfile);
static_assert(kOutputProfile + kPathField + 2 == kMtfEnabled);  // two bytes of padding
static_assert(kKernel + mtf::kMtfKernelSize == kMtfFileName);
static_assert(kMtfFileName + kPathField == kInputCurveEnabled);
static_assert(kInputCurve + tone::kToneCurveRecordSize == kOutputCurveEnabled);
static_assert(kOutputCurve + tone::kToneCurveRecordSize == kCaskEnabled);
static_assert(kCaskEnabled + 4 == kPreferenceSize);
}  // namespace pref_offset

// Defaults: everything off, identity kernel and curves, and the engine's
// default profiles in engineDirectory.
FilterPreference defaultPreference(const std::string& engineDirectory);

FilterPreference decodePreference(std::span<const uint8_t, kPreferenceSize> bytes);
void encodePreference(const FilterPreference& preference, std::span<uint8_t, kPreferenceSize> bytes);

// The text of a path field: up to its NUL. A field without a NUL holds no
// usable path and reads as empty.
std::string fieldText(const PathField& field);
// false (field unchanged) when the text does not fit with its NUL.
bool setFieldText(PathField& field, std::string_view text);

}  // namespace q7310::flt::pipeline

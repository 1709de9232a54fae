// Tone curves: per channel a point curve, a free table or a gamma value, kept
// together with the 256-entry table the page stage reads. The record crosses
// the preference block as 1712 little-endian bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace q7310::flt::tone {

inline constexpr int kChannels = 5;     // master, then channels 1 to 4
inline constexpr int kMaxPoints = 20;
inline constexpr size_t kToneCurveRecordSize = 1712;

enum ToneMode : uint16_t { kModePoints = 1, kModeTable = 2, kModeGamma = 3 };
enum ToneOrientation : uint16_t { kOrientationRgb = 1, kOrientationInk = 2 };

struct TonePoint {
  uint16_t output = 0;
  uint16_t input = 0;

  bool operator==(const TonePoint&) const = default;
};

using ToneTable = std::array<uint8_t, 256>;

struct ToneCurveRecord {
  std::array<uint16_t, kChannels> mode{};
  std::array<uint16_t, kChannels> gamma{};       // gamma × 100
  std::array<uint16_t, kChannels> pointCount{};  // 0..20
  std::array<std::array<TonePoint, kMaxPoints>, kChannels> points{};
  std::array<ToneTable, kChannels> table{};
  uint16_t orientation = kOrientationRgb;

  bool operator==(const ToneCurveRecord&) const = default;
};

// Byte offsets of the record's fields.
namespace curve_offset {
inline constexpr size_t kMode = 0;
inline constexpr size_t kGamma = 10;
inline constexpr size_t kPointCount = 20;
inline constexpr size_t kPoints = 30;
inline constexpr size_t kTables = 430;
inline constexpr size_t kOrientation = 1710;
static_assert(kPoints + kChannels * kMaxPoints * 4 == kTables);
static_assert(kTables + kChannels * 256 == kOrientation);
static_assert(kOrientation + 2 == kToneCurveRecordSize);
}  // namespace curve_offset

ToneTable identityTable();
// Every channel a straight point curve (0,0)-(255,255), gamma 1.00, RGB levels.
ToneCurveRecord defaultToneCurve();

ToneCurveRecord decodeToneCurve(std::span<const uint8_t, kToneCurveRecordSize> bytes);
void encodeToneCurve(const ToneCurveRecord& record, std::span<uint8_t, kToneCurveRecordSize> bytes);

// A point curve's table: straight between two points, a natural cubic spline
// through three or more, flat outside the points. Fewer than two points leave
// the table as it is. Points need not be sorted; of several points with the
// same input the first one counts.
void buildPointTable(std::span<const TonePoint> points, ToneTable& table);
// table[i] = trunc(255 × (i/255)^(gamma/100) + 0.5); with ink orientation the
// table is then reversed and inverted.
void buildGammaTable(uint16_t gamma100, uint16_t orientation, ToneTable& table);
// The gamma as stored from a value entered with two decimals.
uint16_t gammaFromValue(double value);
// Brings a channel's table in line with its mode (a free table is kept).
void rebuildChannel(ToneCurveRecord& record, int channel);

// t'[i] = 255 − t[255 − i]: ink orientation to RGB levels and back.
void reverseAndInvert(ToneTable& table);

}  // namespace q7310::flt::tone

// The printer's fixed data: phase timings, media per ribbon, correction data
// and tone curves, error names.
#include <cmath>

#include "common/le.h"
#include "outside/printer/emulator/emulated_printer.h"

namespace q7310::printer {

using namespace protocol;

namespace {

struct ErrorInfo {
  PrinterError error;
  std::string_view name;
  ErrorCode code;
};

constexpr ErrorInfo kErrors[] = {
    {PrinterError::Control, "control", {1, 0}},
    {PrinterError::Mechanical, "mechanical", {2, 0}},
    {PrinterError::Sensor, "sensor", {3, 0}},
    {PrinterError::Temperature, "temperature", {4, 0}},
    {PrinterError::PaperJam, "paper-jam", {5, 0}},
    {PrinterError::CoverOpen, "cover-open", {6, 1}},
    {PrinterError::IncorrectRibbon, "incorrect-ribbon", {6, 2}},
    {PrinterError::RibbonEmpty, "ribbon-empty", {6, 3}},
    {PrinterError::IncorrectPaper, "incorrect-paper", {6, 5}},
    {PrinterError::PaperEmpty, "paper-empty", {6, 6}},
    {PrinterError::TakeOutPaper, "take-out-paper", {6, 9}},
};

// Level 0..255 through a gamma curve to 0..65535.
uint16_t curveValue(int level, double gamma) {
  double v = std::pow(level / 255.0, gamma);
  return static_cast<uint16_t>(std::lround(v * 65535.0));
}

}  // namespace

ErrorCode errorCode(PrinterError error) {
  for (const ErrorInfo& e : kErrors) {
    if (e.error == error) return e.code;
  }
  return {0, 0};
}

std::string_view errorName(PrinterError error) {
  for (const ErrorInfo& e : kErrors) {
    if (e.error == error) return e.name;
  }
  return "";
}

std::optional<PrinterError> parseError(std::string_view name) {
  for (const ErrorInfo& e : kErrors) {
    if (e.name == name) return e.error;
  }
  return std::nullopt;
}

std::vector<Phase> copyPhases(uint16_t length) {
  // Colour passes and the overcoat take time in proportion to the print's
  // length; feeding, warming up and ejecting do not.
  double scale = length / 1240.0;
  auto pass = static_cast<uint32_t>(std::lround(1800 * scale));
  auto coat = static_cast<uint32_t>(std::lround(1200 * scale));
  return {
      {kStateFeeding, 800}, {kStateWarmingUp, 700}, {kStateYellow, 300},   {kStateYellow2, pass},
      {kStateMagenta, 300}, {kStateMagenta2, pass}, {kStateCyan, 300},     {kStateCyan2, pass},
      {kStateOvercoat, 300 + coat}, {kStateEjecting, 700},
  };
}

std::vector<MediaEntry> mediaForRibbon(uint8_t ribbonType) {
  switch (ribbonType) {
    case kRibbon4x6:
      return {{kMedia4x6, 1844, 1240, kMethodNormal},
              {kMedia2x6, 1844, 634, kMethodNormal},
              {kMedia4x6, 1844, 1240, kMethodSplit}};
    case kRibbon6x8:
      return {{kMedia6x8, 1844, 2434, kMethodNormal},
              {kMedia4x6, 1844, 2492, kMethodCombo},
              {kMedia4x6, 1844, 1240, kMethodNormal},
              {kMedia2x6, 1844, 634, kMethodNormal},
              {kMedia4x6, 1844, 1240, kMethodSplit}};
    default:
      return {};
  }
}

std::vector<uint8_t> correctionData(uint8_t requestByte) {
  // Layout (see README): magic, version, request byte, head width, table
  // length, yellow/magenta/cyan/laminate tables, head compensation, checksum.
  constexpr size_t kTables = 4;
  constexpr size_t kEntries = 256;
  constexpr size_t kHeadWidth = 1844;
  constexpr size_t kHeader = 12;
  constexpr size_t kSize = kHeader + kTables * kEntries * 2 + kHeadWidth * 2 + 4;
  std::vector<uint8_t> d(kSize);
  d[0] = 'Q';
  d[1] = '7';
  d[2] = 'C';
  d[3] = 'D';
  le::putU16(d, 4, 1);
  le::putU8(d, 6, requestByte);
  le::putU16(d, 8, kHeadWidth);
  le::putU16(d, 10, kEntries);
  uint8_t laminate = requestByte & 0x07;
  bool fine = (requestByte & kLaminateFineFlag) != 0;
  const double gammas[kTables] = {1.00, 1.05, 0.95, 1.0};
  size_t off = kHeader;
  for (size_t t = 0; t < kTables; ++t) {
    double gamma = gammas[t] + 0.04 * laminate + (fine ? 0.08 : 0.0);
    for (size_t i = 0; i < kEntries; ++i, off += 2) {
      uint16_t v = t < 3 ? curveValue(static_cast<int>(i), gamma)
                         : static_cast<uint16_t>(laminate == 0 ? 0 : (laminate == 1 ? 40000 : 52000));
      le::putU16(d, off, v);
    }
  }
  for (size_t x = 0; x < kHeadWidth; ++x, off += 2) {
    // Dots near the head's ends run a little cooler.
    double edge = std::min(x, kHeadWidth - 1 - x) / 200.0;
    le::putU16(d, off, static_cast<uint16_t>(1024 + std::lround(40 * std::exp(-edge))));
  }
  uint32_t sum = 0;
  for (size_t i = 0; i < off; ++i) sum += d[i];
  le::putU32(d, off, sum);
  return d;
}

std::vector<uint8_t> toneCurve(uint8_t curveNumber) {
  if (curveNumber < 1 || curveNumber > 3) return {};
  const double gamma[] = {1.0, 1.1, 0.9};
  std::vector<uint8_t> d(512);
  for (int i = 0; i < 256; ++i) le::putU16(d, static_cast<size_t>(i) * 2, curveValue(i, gamma[curveNumber - 1]));
  return d;
}

}  // namespace q7310::printer

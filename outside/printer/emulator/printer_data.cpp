// The printer's fixed data: phase timings, media per ribbon, correction data
// and tone curves, error names.
#include <algorithm>
#include <cmath>

#include "common/le.h"
#include "outside/imaging/printer_image_format.h"
#include "outside/printer/dye_model.h"
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
  // The imaging library's format (outside/imaging/printer_image_format.h):
  // tone tables from the head's response in the dye model, and the laminate
  // pattern of the requested finish.
  imaging::CorrectionData d;
  d.requestByte = requestByte;
  for (int level = 0; level < imaging::kToneEntries; ++level) {
    double v = level;
    Triple dyes = dyesFromRgb({v, v, v});  // yellow by blue, magenta by green, cyan by red
    for (size_t c = 0; c < 3; ++c) {
      d.tone[c][static_cast<size_t>(level)] = static_cast<uint16_t>(std::lround(std::clamp(dyes[c], 0.0, 1.0) * 65535));
    }
  }
  uint8_t laminate = requestByte & 0x07;
  for (size_t i = 0; i < d.pattern.size(); ++i) {
    if (laminate == 1) {  // glossy
      d.pattern[i] = 52000;  // an even coat
    } else if (laminate == 2) {  // matte
      // A fine irregular texture that breaks up reflections.
      uint32_t h = static_cast<uint32_t>(i) * 2654435761u;
      d.pattern[i] = static_cast<uint16_t>(36000 + (h >> 20) % 8000);
    }
  }
  return imaging::encodeCorrection(d);
}

std::vector<uint8_t> toneCurve(uint8_t curveNumber) {
  if (curveNumber < 1 || curveNumber > 3) return {};
  const double gamma[] = {1.0, 1.1, 0.9};
  std::vector<uint8_t> d(512);
  for (int i = 0; i < 256; ++i) le::putU16(d, static_cast<size_t>(i) * 2, curveValue(i, gamma[curveNumber - 1]));
  return d;
}

}  // namespace q7310::printer

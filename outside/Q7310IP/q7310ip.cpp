// The imaging library stand-in: tone tables from the printer's correction
// data turn each RGB pixel into yellow, magenta and cyan dye amounts; the
// laminate plane is the data's pattern tiled over the print.
#include "outside/Q7310IP/q7310ip.h"

#include <cstdint>
#include <optional>
#include <span>

#include "outside/imaging/printer_image_format.h"

namespace {

using q7310::imaging::CorrectionData;

std::optional<CorrectionData> correctionFor(int32_t width, int32_t height, const uint8_t* correctionData) {
  if (correctionData == nullptr) return std::nullopt;
  auto data = q7310::imaging::decodeCorrection(std::span(correctionData, q7310::ip::kCorrectionArea));
  if (!data || !data->fits(width, height)) return std::nullopt;
  return data;
}

}  // namespace

int ip_checkIpp(int32_t width, int32_t height, const uint8_t* correctionData) {
  return correctionFor(width, height, correctionData) ? 1 : 0;
}

int ip_getMemorySize(uint32_t* size, int32_t width, int32_t height, const uint8_t* correctionData) {
  if (size == nullptr || !correctionFor(width, height, correctionData)) return 0;
  uint64_t bytes = q7310::imaging::printerImageSize(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
  if (bytes > UINT32_MAX) return 0;
  *size = static_cast<uint32_t>(bytes);
  return 1;
}

int ip_imageProc(uint8_t* outputBuffer, const uint8_t* rgbPixels, int32_t width, int32_t height,
                 const uint8_t* correctionData) {
  using namespace q7310::imaging;
  auto data = correctionFor(width, height, correctionData);
  if (!data || outputBuffer == nullptr || rgbPixels == nullptr) return 0;
  const auto w = static_cast<size_t>(width);
  const auto h = static_cast<size_t>(height);
  std::span<uint8_t> out(outputBuffer, printerImageSize(w, h));
  const auto& [yellow, magenta, cyan] = data->tone;
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* row = rgbPixels + y * w * 3;
    const uint16_t* patternRow = &data->pattern[(y % kPatternSide) * kPatternSide];
    for (size_t x = 0; x < w; ++x) {
      const uint8_t* px = row + x * 3;
      q7310::le::putU16(out, sampleOffset(kYellow, w, h, x, y), yellow[px[2]]);
      q7310::le::putU16(out, sampleOffset(kMagenta, w, h, x, y), magenta[px[1]]);
      q7310::le::putU16(out, sampleOffset(kCyan, w, h, x, y), cyan[px[0]]);
      q7310::le::putU16(out, sampleOffset(kLaminate, w, h, x, y), patternRow[x % kPatternSide]);
    }
  }
  return 1;
}

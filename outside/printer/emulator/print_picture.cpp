#include "outside/printer/emulator/print_picture.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "common/le.h"
#include "outside/imaging/printer_image_format.h"
#include "outside/printer/dye_model.h"
#include "outside/printer/emulator/emulated_printer.h"

namespace q7310::printer {

namespace {

// The dye model is far too slow per pixel; a grid over the three dye amounts
// with trilinear interpolation keeps a 6 x 8 print well under a second.
constexpr int kGrid = 33;

using Rgb = std::array<float, 3>;

double srgbEncode(double linear) {
  linear = std::clamp(linear, 0.0, 1.0);
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// Colour of the dye amounts seen relative to the paper, in sRGB 0..255.
Rgb srgbOfDyes(const Triple& dyes) {
  static const Triple paper = paperXyz();
  Triple xyz = xyzFromDyes(dyes);
  Triple rel;
  for (int c = 0; c < 3; ++c) rel[c] = xyz[c] / paper[c] * kD50[c];
  // Bradford adaptation D50 -> D65, then XYZ -> linear sRGB.
  const double x = 0.9555766 * rel[0] - 0.0230393 * rel[1] + 0.0631636 * rel[2];
  const double y = -0.0282895 * rel[0] + 1.0099416 * rel[1] + 0.0210077 * rel[2];
  const double z = 0.0122982 * rel[0] - 0.0204830 * rel[1] + 1.3299098 * rel[2];
  const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
  const double g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z;
  const double b = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
  return {static_cast<float>(255 * srgbEncode(r)), static_cast<float>(255 * srgbEncode(g)),
          static_cast<float>(255 * srgbEncode(b))};
}

struct DyeGrid {
  std::vector<Rgb> cells;  // [yellow][magenta][cyan]
  DyeGrid() : cells(kGrid * kGrid * kGrid) {
    for (int yi = 0; yi < kGrid; ++yi) {
      for (int mi = 0; mi < kGrid; ++mi) {
        for (int ci = 0; ci < kGrid; ++ci) {
          Triple dyes = {yi / double(kGrid - 1), mi / double(kGrid - 1), ci / double(kGrid - 1)};
          cells[(yi * kGrid + mi) * kGrid + ci] = srgbOfDyes(dyes);
        }
      }
    }
  }
  const Rgb& at(int y, int m, int c) const { return cells[(y * kGrid + m) * kGrid + c]; }

  // Dye amounts 0..65535.
  std::array<uint8_t, 3> colour(uint16_t yellow, uint16_t magenta, uint16_t cyan) const {
    constexpr double kStep = 65535.0 / (kGrid - 1);
    int idx[3];
    double frac[3];
    const uint16_t amounts[3] = {yellow, magenta, cyan};
    for (int k = 0; k < 3; ++k) {
      double pos = amounts[k] / kStep;
      idx[k] = std::min(static_cast<int>(pos), kGrid - 2);
      frac[k] = pos - idx[k];
    }
    std::array<uint8_t, 3> out{};
    for (int ch = 0; ch < 3; ++ch) {
      double v = 0;
      for (int corner = 0; corner < 8; ++corner) {
        double w = 1;
        int i[3];
        for (int k = 0; k < 3; ++k) {
          bool up = (corner >> k) & 1;
          i[k] = idx[k] + (up ? 1 : 0);
          w *= up ? frac[k] : 1 - frac[k];
        }
        v += w * at(i[0], i[1], i[2])[ch];
      }
      out[ch] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    }
    return out;
  }
};

const DyeGrid& dyeGrid() {
  static const DyeGrid grid;
  return grid;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

Picture renderPrint(uint16_t width, uint16_t height, std::span<const uint8_t> image) {
  using namespace imaging;
  Picture p{width, height, std::vector<uint8_t>(size_t{width} * height * 3)};
  const DyeGrid& grid = dyeGrid();
  auto sample = [&](Plane plane, size_t x, size_t y) -> uint16_t {
    size_t off = sampleOffset(plane, width, height, x, y);
    return off + 2 <= image.size() ? le::u16(image, off) : 0;
  };
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) {
      auto c = grid.colour(sample(kYellow, x, y), sample(kMagenta, x, y), sample(kCyan, x, y));
      std::copy(c.begin(), c.end(), p.rgb.begin() + static_cast<ptrdiff_t>((y * width + x) * 3));
    }
  }
  return p;
}

bool writePng(const Picture& picture, const std::filesystem::path& path) {
  if (picture.rgb.size() != size_t{picture.width} * picture.height * 3 || picture.width == 0 || picture.height == 0)
    return false;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // Only volatile locals keep their value across libpng's error jump.
  volatile bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file.get());
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // 300 dpi, as printed.
    png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (uint32_t y = 0; y < picture.height; ++y) {
      png_write_row(png, picture.rgb.data() + size_t{y} * picture.width * 3);
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return ok && std::fflush(file.get()) == 0;
}

std::optional<Picture> readPng(const std::filesystem::path& path) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return std::nullopt;
  }
  Picture p;  // used only when no error jump happened
  volatile bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file.get());
    png_read_info(png, info);
    if (png_get_bit_depth(png, info) == 8 && png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB &&
        png_get_interlace_type(png, info) == PNG_INTERLACE_NONE &&
        uint64_t{png_get_image_width(png, info)} * png_get_image_height(png, info) <= (uint64_t{1} << 26)) {
      p.width = png_get_image_width(png, info);
      p.height = png_get_image_height(png, info);
      p.rgb.resize(size_t{p.width} * p.height * 3);
      for (uint32_t y = 0; y < p.height; ++y) png_read_row(png, p.rgb.data() + size_t{y} * p.width * 3, nullptr);
      ok = true;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return std::nullopt;
  return p;
}

void EmulatedPrinter::savePicture(size_t printIndex) const {
  const ReceivedPrint& print = prints_[printIndex];
  char name[32];
  std::snprintf(name, sizeof name, "print_%04zu.png", printIndex + 1);
  std::error_code ec;
  std::filesystem::create_directories(config_.printFolder, ec);
  Picture picture = renderPrint(print.command.width, print.command.height, print.image);
  if (!writePng(picture, config_.printFolder / name)) {
    std::fprintf(stderr, "q7310-printer: cannot write %s\n", (config_.printFolder / name).c_str());
  }
}

}  // namespace q7310::printer

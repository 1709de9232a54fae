// Pictures of finished prints: the printer image data (the imaging library's
// layout, outside/imaging/printer_image_format.h) decoded into the colours the
// dyes give on paper, through the dye model, and written as PNG files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace q7310::printer {

// 24-bit sRGB, row by row, 3 bytes per pixel (R, G, B).
struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;
};

// The print as it looks, seen relative to the paper (white paper is white).
// Bytes missing at the end of image (a download that was cut off) print as
// bare paper.
Picture renderPrint(uint16_t width, uint16_t height, std::span<const uint8_t> image);

// Writes an 8-bit RGB PNG; false when the file cannot be written.
bool writePng(const Picture& picture, const std::filesystem::path& path);
// Reads an 8-bit RGB PNG as writePng writes them; nullopt for anything else.
std::optional<Picture> readPng(const std::filesystem::path& path);

}  // namespace q7310::printer

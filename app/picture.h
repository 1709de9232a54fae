// Pictures the front end prints: JPEG, PNG and BMP files read into memory as
// 24-bit pixels (blue, green, red; top row first), and PNG files written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace q7310::app {

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;  // width x height x 3, rows back to back
  int32_t stride() const { return width * 3; }
};

// Reads a picture; the kind comes from the file's first bytes, not its name.
// On failure error holds a sentence for the user and the result is empty.
bool loadPicture(const std::string& path, Image& image, std::string& error);
bool savePng(const std::string& path, const Image& image, std::string& error);

}  // namespace q7310::app

#include "app/picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <png.h>

namespace q7310::app {

namespace {

constexpr int64_t kMaxPixels = 200'000'000;  // far beyond any photo; refuses absurd headers

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpegFail(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

bool loadJpeg(FILE* file, Image& image, std::string& error) {
  jpeg_decompress_struct info{};
  JpegError err{};
  info.err = jpeg_std_error(&err.manager);
  err.manager.error_exit = jpegFail;
  if (setjmp(err.jump)) {
    error = std::string("the JPEG picture is damaged (") + err.message + ")";
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  if (static_cast<int64_t>(info.output_width) * info.output_height > kMaxPixels) {
    error = "the JPEG picture is too large";
    jpeg_destroy_decompress(&info);
    return false;
  }
  image.width = static_cast<int32_t>(info.output_width);
  image.height = static_cast<int32_t>(info.output_height);
  image.bgr.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.bgr.data() + static_cast<size_t>(info.output_scanline) * image.stride();
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool loadPng(FILE* file, Image& image, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "out of memory";
    return false;
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "the PNG picture is damaged";
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  if (static_cast<int64_t>(w) * h > kMaxPixels) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "the PNG picture is too large";
    return false;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image.width = static_cast<int32_t>(w);
  image.height = static_cast<int32_t>(h);
  image.bgr.assign(static_cast<size_t>(w) * h * 3, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = image.bgr.data() + static_cast<size_t>(y) * image.stride();
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

uint32_t u32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool loadBmp(FILE* file, Image& image, std::string& error) {
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) data.insert(data.end(), buf, buf + n);
  if (data.size() < 54) {
    error = "the BMP picture is damaged";
    return false;
  }
  uint32_t offset = u32(&data[10]);
  int32_t w = static_cast<int32_t>(u32(&data[18]));
  int32_t h = static_cast<int32_t>(u32(&data[22]));
  uint16_t bits = u16(&data[28]);
  uint32_t compression = u32(&data[30]);
  if (bits != 24 || compression != 0 || w <= 0 || h == 0 || h == INT32_MIN) {
    error = "only uncompressed 24-bit BMP pictures are supported";
    return false;
  }
  bool bottomUp = h > 0;
  int64_t height = bottomUp ? h : -static_cast<int64_t>(h);
  int64_t stride = (static_cast<int64_t>(w) * 3 + 3) & ~int64_t{3};
  if (w * height > kMaxPixels || offset > data.size() || stride * height > static_cast<int64_t>(data.size() - offset)) {
    error = "the BMP picture is damaged";
    return false;
  }
  image.width = w;
  image.height = static_cast<int32_t>(height);
  image.bgr.assign(static_cast<size_t>(w) * height * 3, 0);
  for (int64_t y = 0; y < height; ++y) {
    int64_t src = bottomUp ? height - 1 - y : y;
    std::memcpy(image.bgr.data() + y * image.stride(), data.data() + offset + src * stride,
                static_cast<size_t>(image.stride()));
  }
  return true;
}

}  // namespace

bool loadPicture(const std::string& path, Image& image, std::string& error) {
  image = Image{};
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  uint8_t magic[8] = {};
  size_t got = std::fread(magic, 1, sizeof magic, file.get());
  std::rewind(file.get());
  bool ok;
  if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    ok = loadJpeg(file.get(), image, error);
  } else if (got >= 8 && png_sig_cmp(magic, 0, 8) == 0) {
    ok = loadPng(file.get(), image, error);
  } else if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') {
    ok = loadBmp(file.get(), image, error);
  } else {
    error = path + " is not a JPEG, PNG or BMP picture";
    ok = false;
  }
  if (!ok) {
    error = path + ": " + error;
    image = Image{};
  }
  return ok;
}

bool savePng(const std::string& path, const Image& image, std::string& error) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot write " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_bgr(png);
  png_write_info(png, info);
  for (int32_t y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(image.bgr.data() + static_cast<size_t>(y) * image.stride()));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace q7310::app

// BMP files: what Save writes, the round trip, and damaged files.
#include "Q7310RGB/bitmap/bmp_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "Q7310RGB/tests/picture.h"
#include "common/le.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "testing/temp_root.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

class BmpFile : public q7310::testing::RootTest {
 protected:
  void SetUp() override { ASSERT_TRUE(os::createFolder("C:\\pictures")); }

  static std::vector<uint8_t> readBack(const char* path) { return os::readFile(path).value_or(std::vector<uint8_t>{}); }
  static void write(const char* path, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(os::writeFileAtomic(path, std::span<const uint8_t>(bytes)));
  }
};

TEST_F(BmpFile, SaveWritesHeadersAndRowsInMemoryOrder) {
  Picture picture(5, 3, 20);  // 15 pixel bytes and 5 filler bytes per row
  picture.fillPhotoLike(1);
  ASSERT_TRUE(saveBitmap(picture.record(), "C:\\pictures\\a.bmp"));
  const std::vector<uint8_t> file = readBack("C:\\pictures\\a.bmp");
  ASSERT_EQ(file.size(), 54u + 60u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(le::u32(file, 2), 114u);
  EXPECT_EQ(le::u32(file, 6), 0u);
  EXPECT_EQ(le::u32(file, 10), 54u);
  EXPECT_EQ(le::u32(file, 14), 40u);
  EXPECT_EQ(le::i32(file, 18), 5);
  EXPECT_EQ(le::i32(file, 22), 3);  // positive although row 0 is the top
  EXPECT_EQ(le::u16(file, 26), 1);
  EXPECT_EQ(le::u16(file, 28), 24);
  EXPECT_EQ(le::u32(file, 30), 0u);
  EXPECT_EQ(le::u32(file, 34), 60u);
  for (size_t off = 38; off < 54; off += 4) EXPECT_EQ(le::u32(file, off), 0u) << off;
  // Row 0 first, filler bytes included.
  EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), picture.record().pixels));
}

TEST_F(BmpFile, RoundTripGivesThePictureBack) {
  Picture picture(7, 4, 7 * 3 + 3);
  picture.fillPhotoLike(2);
  ASSERT_TRUE(saveBitmap(picture.record(), "C:\\pictures\\b.bmp"));
  BitmapPtr loaded = loadBitmap("c:\\PICTURES\\B.BMP");  // names ignore case
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->width, 7);
  EXPECT_EQ(loaded->height, 4);
  EXPECT_EQ(loaded->stride, 24);
  EXPECT_EQ(0, std::memcmp(loaded->pixels, picture.record().pixels, 4 * 24));
}

TEST_F(BmpFile, SaveFailures) {
  Picture picture(2, 2);
  EXPECT_FALSE(saveBitmap(picture.record(), "C:\\missing\\a.bmp"));
  RgbBitmap empty{nullptr, 0, 0, 0};
  EXPECT_FALSE(saveBitmap(empty, "C:\\pictures\\empty.bmp"));
  EXPECT_FALSE(os::fileExists("C:\\pictures\\empty.bmp"));
}

// A valid 4 x 3 file with 12-byte rows, as Save writes it.
std::vector<uint8_t> validFile() {
  Picture picture(4, 3, 12);
  picture.fillPhotoLike(3);
  std::vector<uint8_t> file(54 + 36);
  const auto headers = makeBmpHeaders(picture.record());
  std::copy(headers->begin(), headers->end(), file.begin());
  std::copy(picture.record().pixels, picture.record().pixels + 36, file.begin() + 54);
  return file;
}

TEST_F(BmpFile, DamagedFilesGiveNoBitmap) {
  using Edit = std::function<void(std::vector<uint8_t>&)>;
  auto setU32 = [](size_t off, uint32_t v) -> Edit { return [=](std::vector<uint8_t>& f) { le::putU32(f, off, v); }; };
  const std::pair<const char*, Edit> cases[] = {
      {"height 0", setU32(22, 0)},
      {"height INT_MIN", setU32(22, 0x80000000u)},
      {"huge height", setU32(22, 0x7FFFFFFFu)},
      {"width 0", setU32(18, 0)},
      {"negative width", setU32(18, uint32_t(-4))},
      {"huge width", setU32(18, 0x7FFFFFFFu)},
      {"width larger than rows", setU32(18, 5)},
      {"image size past the file", setU32(34, 1000)},
      {"image size 4 GiB", setU32(34, 0xFFFFFFFFu)},
      {"rows shorter than width x 3", setU32(34, 30)},
      {"data offset past the file", setU32(10, 1000)},
      {"data offset inside the headers", setU32(10, 20)},
      {"image after the data offset runs past the file", setU32(10, 60)},
      {"header of 12 bytes", setU32(14, 12)},
      {"32 bits per pixel", [](std::vector<uint8_t>& f) { le::putU16(f, 28, 32); }},
      {"compressed", setU32(30, 1)},
      {"not BM", [](std::vector<uint8_t>& f) { f[0] = 'X'; }},
      {"pixels cut short", [](std::vector<uint8_t>& f) { f.resize(f.size() - 10); }},
      {"headers cut short", [](std::vector<uint8_t>& f) { f.resize(30); }},
      {"empty file", [](std::vector<uint8_t>& f) { f.clear(); }},
  };
  for (const auto& [name, edit] : cases) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> file = validFile();
    edit(file);
    write("C:\\pictures\\damaged.bmp", file);
    os::setLastError(0);
    EXPECT_FALSE(loadBitmap("C:\\pictures\\damaged.bmp"));
    EXPECT_EQ(os::lastError(), os::kErrorInvalidData);
  }
}

TEST_F(BmpFile, AcceptedVariants) {
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> edit;
    int32_t stride;
  } cases[] = {
      {"as saved", [](std::vector<uint8_t>&) {}, 12},
      {"top-down height, rows read as they are", [](std::vector<uint8_t>& f) { le::putI32(f, 22, -3); }, 12},
      {"zero image size means padded rows", [](std::vector<uint8_t>& f) { le::putU32(f, 34, 0); }, 12},
      {"bytes after the pixels", [](std::vector<uint8_t>& f) { f.resize(f.size() + 7, 0xEE); }, 12},
      {"larger header, data offset honoured",
       [](std::vector<uint8_t>& f) {
         f.insert(f.begin() + 54, 16, 0xCC);
         le::putU32(f, 14, 56);
         le::putU32(f, 10, 70);
       },
       12},
  };
  const std::vector<uint8_t> valid = validFile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = valid;
    c.edit(file);
    write("C:\\pictures\\variant.bmp", file);
    BitmapPtr loaded = loadBitmap("C:\\pictures\\variant.bmp");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width, 4);
    EXPECT_EQ(loaded->height, 3);
    EXPECT_EQ(loaded->stride, c.stride);
    EXPECT_TRUE(std::equal(valid.begin() + 54, valid.end(), loaded->pixels));
  }
}

TEST_F(BmpFile, RandomlyDamagedHeadersNeverReadPastTheFile) {
  // Fixed seed: the same damaged files every run. Whatever a damaged file
  // gives, a bitmap must lie inside what was read (the sanitizer build checks
  // the reads), with rows of at least width x 3 bytes.
  const std::vector<uint8_t> valid = validFile();
  uint32_t state = 20261211;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  int accepted = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> file = valid;
    const int edits = 1 + int(next() % 4);
    for (int e = 0; e < edits; ++e) file[10 + next() % 44] = uint8_t(next() >> 24);
    if (next() % 4 == 0) file.resize(next() % file.size());
    write("C:\\pictures\\fuzzed.bmp", file);
    BitmapPtr loaded = loadBitmap("C:\\pictures\\fuzzed.bmp");
    if (!loaded) continue;
    ++accepted;
    SCOPED_TRACE(round);
    ASSERT_GE(loaded->width, 1);
    ASSERT_GE(loaded->height, 1);
    ASSERT_GE(int64_t{loaded->stride}, int64_t{loaded->width} * 3);
    ASSERT_LE(int64_t{loaded->stride} * loaded->height, int64_t(file.size()) - 54);
    volatile uint8_t sink = 0;
    for (int32_t i = 0; i < loaded->stride * loaded->height; ++i) sink = sink + loaded->pixels[i];
  }
  EXPECT_GT(accepted, 10);  // edits of fields a reader may ignore still load
  EXPECT_LT(accepted, 290);
}

TEST_F(BmpFile, MissingFile) {
  EXPECT_FALSE(loadBitmap("C:\\pictures\\none.bmp"));
  EXPECT_EQ(os::lastError(), os::kErrorFileNotFound);
}

}  // namespace
}  // namespace q7310::rgb

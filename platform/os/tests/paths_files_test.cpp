#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "testing/temp_root.h"

namespace fs = std::filesystem;

namespace q7310::os {
namespace {

using testing::RootTest;

TEST(WindowsPaths, MapIntoTheRootRelativeForm) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\zelsoftware.debug\\q7310lm.log", "C/zelsoftware.debug/q7310lm.log"},
      {"c:/Windows/System32/", "C/Windows/System32"},
      {"D:\\a\\.\\b\\..\\c", "D/a/c"},
      {"C:\\..\\..\\x", "C/x"},
      {"C:", "C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    auto mapped = windowsPathToRootRelative(c.in);
    ASSERT_TRUE(mapped.has_value());
    EXPECT_EQ(*mapped, c.out);
  }
  EXPECT_FALSE(windowsPathToRootRelative("/tmp/x").has_value());
  EXPECT_FALSE(windowsPathToRootRelative("\\\\?\\usb#vid_1e4d").has_value());
  EXPECT_FALSE(windowsPathToRootRelative("Q7310YMC.dll").has_value());
}

TEST_F(RootTest, MappingMatchesExistingNamesIgnoringCase) {
  fs::create_directories(root_.path() / "C" / "Windows" / "System32");
  EXPECT_EQ(mapPath("c:\\WINDOWS\\system32\\x.dll"), root_.path() / "C" / "Windows" / "System32" / "x.dll");
  EXPECT_EQ(folderPath(Folder::Color), root_.path() / "C/Windows/System32/spool/drivers/color");
  EXPECT_EQ(mapPath("/etc/hostname"), fs::path("/etc/hostname"));
  EXPECT_TRUE(equalsIgnoreCase("PORT1:", "port1:"));
  EXPECT_FALSE(equalsIgnoreCase("PORT1", "PORT1:"));
}

TEST(Root, ComesFromTheEnvironmentOrTheHomeFolder) {
  const char* old = getenv("Q7310_ROOT");
  std::string saved = old ? old : "";
  std::string home = getenv("HOME") ? getenv("HOME") : "";
  unsetenv("Q7310_ROOT");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(root(), fs::path("/home/someone/.local/share/q7310"));
  setRoot("/tmp/elsewhere");
  EXPECT_EQ(root(), fs::path("/tmp/elsewhere"));
  setenv("HOME", home.c_str(), 1);
  if (old) setRoot(saved); else unsetenv("Q7310_ROOT");
}

TEST_F(RootTest, FileOperationsWorkOnWindowsPaths) {
  const std::string folder = "C:\\Data\\Sub";
  EXPECT_FALSE(appendToFile(folder + "\\a.txt", "x"));  // no folder: nothing created
  EXPECT_FALSE(folderExists(folder));
  ASSERT_TRUE(createFolder(folder));
  EXPECT_TRUE(appendToFile("c:\\data\\sub\\a.txt", "one\n"));
  EXPECT_TRUE(appendToFile(folder + "\\A.TXT", "two\n"));
  EXPECT_EQ(readTextFile(folder + "\\a.txt").value(), "one\ntwo\n");
  ASSERT_TRUE(writeFileAtomic(folder + "\\b.bin", std::string_view("\x01\x02\x03", 3)));
  EXPECT_EQ(fileSize(folder + "\\b.bin").value(), 3u);
  EXPECT_EQ(listFolder(folder), (std::vector<std::string>{"a.txt", "b.bin"}));
  EXPECT_TRUE(copyFile(folder + "\\b.bin", folder + "\\c.bin", false));
  EXPECT_FALSE(copyFile(folder + "\\b.bin", folder + "\\c.bin", false));
  EXPECT_TRUE(deleteFile(folder + "\\b.bin"));
  EXPECT_FALSE(fileExists(folder + "\\b.bin"));
  EXPECT_FALSE(readFile(folder + "\\b.bin").has_value());
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_TRUE(removeFolder("C:\\Data"));
  EXPECT_FALSE(folderExists("C:\\Data"));
}

TEST(LastError, IsKeptPerThread) {
  setLastError(kErrorBusy);
  std::thread other([] {
    EXPECT_EQ(lastError(), kErrorSuccess);
    setLastError(kErrorInvalidParameter);
  });
  other.join();
  EXPECT_EQ(lastError(), kErrorBusy);
}

}  // namespace
}  // namespace q7310::os

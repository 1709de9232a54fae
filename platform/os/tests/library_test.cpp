#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"
#include "testing/temp_root.h"

namespace fs = std::filesystem;

namespace q7310::os {
namespace {

using testing::RootTest;
using IntFn = int (*)();

TEST_F(RootTest, LoadsByPlatformFileNameAndFindsExportsByNameAliasAndOrdinal) {
  auto lib = Library::load("q7310test.DLL");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->path().filename(), "libQ7310TEST.so");
  EXPECT_EQ(lib->function<IntFn>("Q7310Test_Answer")(), 42);
  EXPECT_EQ(lib->function<IntFn>("_Q7310Test_Hidden@8")(), 9);
  EXPECT_EQ(lib->function<IntFn>("Q7310Test_Hidden")(), 9);
  EXPECT_EQ(lib->functionByOrdinal<IntFn>(3)(), 7);
  EXPECT_EQ(lib->functionByOrdinal<IntFn>(1)(), 42);
}

TEST_F(RootTest, MissingLibrariesAndExportsArePlainFailures) {
  EXPECT_EQ(Library::load("NoSuchModule.dll"), nullptr);
  EXPECT_EQ(lastError(), kErrorModNotFound);
  EXPECT_EQ(Library::load(""), nullptr);
  auto lib = Library::load("Q7310TEST.dll");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->symbol("Nothing"), nullptr);
  EXPECT_EQ(lastError(), kErrorProcNotFound);
  EXPECT_EQ(lib->ordinal(99), nullptr);
  EXPECT_EQ(lib->ordinal(0), nullptr);
}

TEST_F(RootTest, APathIsLookedForInItsFolderOnly) {
  // Not in the system folder yet: a full path there fails, a plain name still
  // finds the build's copy.
  EXPECT_EQ(Library::load("C:\\Windows\\System32\\Q7310TEST.dll"), nullptr);
  ASSERT_TRUE(createFolder("C:\\Windows\\System32"));
  fs::copy_file(testing::buildOutputFolder() / "libQ7310TEST.so", folderPath(Folder::System) / "Q7310TEST.dll");
  auto lib = Library::load("C:\\WINDOWS\\system32\\q7310test.dll");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->path(), folderPath(Folder::System) / "Q7310TEST.dll");
  // The system folder comes first for plain names too.
  EXPECT_EQ(Library::load("Q7310TEST.dll")->path(), folderPath(Folder::System) / "Q7310TEST.dll");
}

TEST_F(RootTest, ALoadedLibraryFindsItsOwnFolder) {
  auto lib = Library::load("Q7310TEST.dll");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(moduleFolderOf(lib->symbol("Q7310Test_Answer")), fs::canonical(lib->path()).parent_path());
  EXPECT_EQ(moduleFolderOf(reinterpret_cast<const void*>(&testing::buildOutputFolder)),
            fs::canonical(testing::buildOutputFolder()));
  EXPECT_EQ(moduleFolderOf(nullptr), fs::path{});
}

}  // namespace
}  // namespace q7310::os

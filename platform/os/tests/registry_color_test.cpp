// The registry and color folder stand-ins.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os/color_management.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"
#include "platform/os/registry.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

class Registry : public q7310::testing::RootTest {};

TEST_F(Registry, ValuesPersistPerTypeAndIgnoreCase) {
  EXPECT_EQ(RegistryKey::open(RegistryRoot::Users, ".DEFAULT\\SOFTWARE\\Tornik"), nullptr);
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  {
    auto key = RegistryKey::create(RegistryRoot::Users, ".DEFAULT\\SOFTWARE\\Tornik\\DPX-Q7310\\ICC");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->writeString("LUT", "a b.icc"));
    EXPECT_TRUE(key->writeNumber("Count", 0x12345678u));
    const uint8_t blob[] = {0, 1, 0xFF};
    EXPECT_TRUE(key->writeBinary("Blob", blob));
  }
  auto key = RegistryKey::open(RegistryRoot::Users, ".default\\software\\TORNIK\\dpx-q7310\\icc");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->readString("lut"), "a b.icc");
  EXPECT_EQ(key->readNumber("COUNT"), 0x12345678u);
  EXPECT_EQ(key->readBinary("blob"), (std::vector<uint8_t>{0, 1, 0xFF}));
  // Another type under the name, an absent name, another root.
  EXPECT_FALSE(key->readNumber("LUT"));
  EXPECT_EQ(lastError(), kErrorInvalidData);
  EXPECT_FALSE(key->readString("Profile"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_EQ(RegistryKey::open(RegistryRoot::LocalMachine, ".DEFAULT\\SOFTWARE\\Tornik"), nullptr);
  // Overwrite and delete.
  EXPECT_TRUE(key->writeString("LUT", "other.icc"));
  EXPECT_EQ(key->readString("LUT"), "other.icc");
  EXPECT_TRUE(key->deleteValue("LUT"));
  EXPECT_FALSE(key->deleteValue("LUT"));
  EXPECT_FALSE(key->readString("LUT"));
}

TEST_F(Registry, NamesStayInsideTheirKey) {
  EXPECT_EQ(RegistryKey::create(RegistryRoot::Users, "A\\..\\..\\B"), nullptr);
  EXPECT_EQ(lastError(), kErrorInvalidParameter);
  EXPECT_EQ(RegistryKey::create(RegistryRoot::Users, "A\\\\B"), nullptr);
  auto key = RegistryKey::create(RegistryRoot::Users, "A");
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->writeString("../../escape", "x"));
  EXPECT_EQ(key->readString("../../ESCAPE"), "x");
  EXPECT_FALSE(std::filesystem::exists(root() / "escape"));
  EXPECT_FALSE(std::filesystem::exists(root() / "registry" / "escape"));
  const std::string withNul("a\0b", 3);
  EXPECT_FALSE(key->writeString("Nul", withNul));
}

TEST_F(Registry, ColorDirectoryComesFromTheRootsColorFolder) {
  std::filesystem::remove_all(folderPath(Folder::Color));
  EXPECT_FALSE(getColorDirectory());
  EXPECT_EQ(lastError(), kErrorPathNotFound);
  std::filesystem::create_directories(folderPath(Folder::Color));
  EXPECT_EQ(getColorDirectory(), "C:\\Windows\\System32\\spool\\drivers\\color");
}

}  // namespace
}  // namespace q7310::os

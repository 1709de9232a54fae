#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Q7310UI/tests/ui_library.h"
#include "common/settings/devmode.h"
#include "platform/os/errors.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/printers.h"
#include "testing/temp_root.h"

namespace q7310::ui {
namespace {

using settings::PrintSettings;

class ConvertDevModeTest : public testing::RootTest {
 protected:
  void SetUp() override { ASSERT_TRUE(ui_.complete()); }
  test::UiLibrary ui_;
};

TEST_F(ConvertDevModeTest, DriverDefaultNeedsRoomAndAnInstalledDriver) {
  std::vector<uint8_t> out(416, 0xEE);
  int32_t size = 100;
  EXPECT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), &size, 4), 0);
  EXPECT_EQ(size, 416);
  EXPECT_EQ(os::lastError(), os::kErrorInsufficientBuffer);
  EXPECT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), nullptr, 4), 0);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);

  size = 416;
  EXPECT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), &size, 4), 0);  // no printer
  ASSERT_TRUE(spooler::addPrinter({"DPX-Q7310", "Q7310_001:", "Veltrano DPX-Q7310"}));
  EXPECT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), &size, 4), 0);  // no driver
  ASSERT_TRUE(spooler::addPrinterDriver({3, "Veltrano DPX-Q7310", spooler::kEnvironmentX64, "Q7310DDI.dll", "",
                                         "Q7310UI.dll"}));
  ASSERT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), &size, 4), 1);
  PrintSettings record;
  std::memcpy(&record, out.data(), sizeof record);
  EXPECT_EQ(std::u16string(record.dm.dmDeviceName), u"Veltrano DPX-Q7310");
  EXPECT_EQ(record.dm.dmFields, settings::kDefaultFields);
  EXPECT_EQ(record.priv.signature, settings::kPrivSignature);
  EXPECT_EQ(ui_.convertDevMode(u"DPX-Q7310", nullptr, out.data(), &size, 8), 0);
}

TEST_F(ConvertDevModeTest, ConvertsBetweenLayouts) {
  PrintSettings source = settings::defaultSettings(u"Source", settings::SettingsModule::SettingsUi);
  source.dm.dmCopies = 7;
  // To the 3.51 layout: 188 bytes and the signature.
  std::vector<uint8_t> old(192, 0);
  int32_t size = 191;
  EXPECT_EQ(ui_.convertDevMode(u"P", reinterpret_cast<uint8_t*>(&source), old.data(), &size, 2), 0);
  EXPECT_EQ(size, 192);
  EXPECT_EQ(os::lastError(), os::kErrorInsufficientBuffer);
  ASSERT_EQ(ui_.convertDevMode(u"P", reinterpret_cast<uint8_t*>(&source), old.data(), &size, 2), 1);
  EXPECT_EQ(old[68] | (old[69] << 8), 188);
  EXPECT_EQ(old[64] | (old[65] << 8), 0x0320);
  EXPECT_EQ(old[66] | (old[67] << 8), 0x0350);
  EXPECT_EQ(old[86], 7);
  EXPECT_EQ(std::memcmp(old.data() + 188, "PRIV", 4), 0);

  // Back into a full record.
  PrintSettings full = settings::defaultSettings(u"Dest", settings::SettingsModule::SettingsUi);
  full.dm.dmCopies = 1;
  size = 416;
  ASSERT_EQ(ui_.convertDevMode(u"P", old.data(), reinterpret_cast<uint8_t*>(&full), &size, 1), 1);
  EXPECT_EQ(size, 416);
  EXPECT_EQ(full.dm.dmCopies, 7);
  EXPECT_EQ(full.dm.dmSize, 220);
  size = 415;
  EXPECT_EQ(ui_.convertDevMode(u"P", old.data(), reinterpret_cast<uint8_t*>(&full), &size, 1), 0);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
}

}  // namespace
}  // namespace q7310::ui

#include <gtest/gtest.h>

#include "platform/os/errors.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/forms.h"
#include "platform/spooler/printer_values.h"
#include "platform/spooler/printers.h"
#include "testing/temp_root.h"

namespace q7310::spooler {
namespace {

class SettingsStoreTest : public testing::RootTest {
 protected:
  void SetUp() override { ASSERT_TRUE(addPrinter({"DPX-Q7310", "Q7310_001:", "Veltrano DPX-Q7310"})); }
};

TEST_F(SettingsStoreTest, FormsAreAddedFoundIgnoringCaseAndDeleted) {
  ScopedPrinter printer("dpx-q7310");
  ASSERT_TRUE(printer);
  size_t builtins = enumForms(printer.get())->size();
  FormInfo1 form{kFormPrinter, u"6 x 8 in (152 x 203 mm)", 156130, 206079, 0, 0, 156130, 206079};
  ASSERT_TRUE(addForm(printer.get(), form));
  EXPECT_FALSE(addForm(printer.get(), {kFormUser, u"6 X 8 IN (152 X 203 MM)", 1, 1}));
  EXPECT_EQ(os::lastError(), os::kErrorFileExists);
  EXPECT_FALSE(addForm(printer.get(), {kFormUser, u"", 1, 1}));
  EXPECT_FALSE(addForm(printer.get(), {kFormUser, u"Zero", 0, 1}));
  auto forms = enumForms(printer.get());
  ASSERT_EQ(forms->size(), builtins + 1);
  EXPECT_EQ(forms->back(), form);
  EXPECT_EQ(getForm(printer.get(), u"6 x 8 IN (152 x 203 mm)")->width, 156130);
  EXPECT_FALSE(deleteForm(printer.get(), u"A4"));
  EXPECT_TRUE(deleteForm(printer.get(), u"6 x 8 in (152 x 203 mm)"));
  EXPECT_FALSE(deleteForm(printer.get(), u"6 x 8 in (152 x 203 mm)"));
  EXPECT_FALSE(getForm(printer.get(), u"6 x 8 in (152 x 203 mm)").has_value());
  EXPECT_FALSE(enumForms(nullptr).has_value());
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
}

TEST_F(SettingsStoreTest, PrinterDataNeedsAdministerAccessAndPersists) {
  {
    ScopedPrinter user("DPX-Q7310");
    EXPECT_FALSE(setPrinterDataDword(user.get(), "PrinterDataSize", 1076));
    EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
    EXPECT_FALSE(getPrinterData(user.get(), "PrinterData").has_value());
    EXPECT_EQ(os::lastError(), os::kErrorFileNotFound);
  }
  {
    ScopedPrinter admin("DPX-Q7310", kPrinterAllAccess);
    EXPECT_TRUE(setPrinterDataDword(admin.get(), "PrinterDataSize", 1076));
    EXPECT_TRUE(setPrinterData(admin.get(), "PrinterData", {kRegBinary, {1, 2, 3}}));
    EXPECT_TRUE(setPrinterDefaultDevMode(admin.get(), {9, 8, 7}));
  }
  ScopedPrinter again("DPX-Q7310");
  EXPECT_EQ(getPrinterDataDword(again.get(), "printerdatasize"), 1076u);
  EXPECT_EQ(getPrinterData(again.get(), "PrinterData")->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(getPrinterDataDword(again.get(), "PrinterData").has_value());
  auto info = getPrinterInfo2(again.get());
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->portName, "Q7310_001:");
  EXPECT_EQ(info->driverName, "Veltrano DPX-Q7310");
  EXPECT_EQ(info->devMode, (std::vector<uint8_t>{9, 8, 7}));
}

TEST_F(SettingsStoreTest, DriversAreInstalledPerEnvironmentAndFoundThroughThePrinter) {
  ScopedPrinter printer("DPX-Q7310");
  EXPECT_FALSE(getPrinterDriver(printer.get()).has_value());
  EXPECT_EQ(os::lastError(), 1797u);
  DriverInfo2 x64{3, "Veltrano DPX-Q7310", kEnvironmentX64, "Q7310DDI.dll", "Q7310.ini", "Q7310UI.dll"};
  DriverInfo2 x86 = x64;
  x86.environment = kEnvironmentX86;
  ASSERT_TRUE(addPrinterDriver(x64));
  ASSERT_TRUE(addPrinterDriver(x86));
  EXPECT_EQ(getPrinterDriver(printer.get()), x64);
  EXPECT_EQ(enumPrinterDrivers(kEnvironmentX86).size(), 1u);
  x64.dataFile = "other.ini";
  ASSERT_TRUE(addPrinterDriver(x64));  // replaces
  EXPECT_EQ(enumPrinterDrivers(kEnvironmentX64), std::vector<DriverInfo2>{x64});
  EXPECT_TRUE(deletePrinterDriver("veltrano dpx-q7310", kEnvironmentX64));
  EXPECT_FALSE(deletePrinterDriver("veltrano dpx-q7310", kEnvironmentX64));
  EXPECT_FALSE(addPrinterDriver({3, "bad\tname", kEnvironmentX64, "", "", ""}));
  // Empty file fields, the last one included, survive the store.
  DriverInfo2 sparse{3, "Veltrano DPX-Q7310", kEnvironmentX64, "Q7310DDI.dll", "", ""};
  ASSERT_TRUE(addPrinterDriver(sparse));
  EXPECT_EQ(getPrinterDriver(printer.get()), sparse);
}

}  // namespace
}  // namespace q7310::spooler

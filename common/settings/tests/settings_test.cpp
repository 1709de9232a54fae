#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/debug_log.h"
#include "common/settings/devmode.h"
#include "common/settings/form_table.h"
#include "common/settings/printer_data.h"
#include "common/settings/validate.h"
#include "testing/temp_root.h"

namespace q7310::settings {
namespace {

std::u16string wide(const char16_t (&field)[32]) {
  std::u16string out;
  for (char16_t ch : field) {
    if (ch == 0) break;
    out += ch;
  }
  return out;
}

void setWide(char16_t (&field)[32], std::u16string_view v) {
  std::memset(field, 0, sizeof field);
  std::copy(v.begin(), v.end(), field);
}

// A caller's record: defaults with every field bit cleared, so each case sets
// only the bits it is about.
PrintSettings callerRecord() {
  PrintSettings r = defaultSettings(u"App", SettingsModule::SettingsUi);
  r.dm.dmFields = 0;
  return r;
}

PrintSettings merged(const PrintSettings& source, SettingsModule module = SettingsModule::SettingsUi) {
  PrintSettings dst = defaultSettings(u"Printer", module);
  EXPECT_TRUE(ValidateSetDevMode(dst, bytesOf(source), nullptr));
  return dst;
}

TEST(PrintSettingsDefaults, FillBothPartsAndDifferOnlyInTheIntent) {
  PrintSettings ui = defaultSettings(u"DPX-Q7310", SettingsModule::SettingsUi);
  PrintSettings ddi = defaultSettings(u"DPX-Q7310", SettingsModule::GraphicsDriver);
  EXPECT_EQ(ui.dm.dmFields, 0x0787DF13u);
  EXPECT_EQ(ui.dm.dmSize, 220);
  EXPECT_EQ(ui.dm.dmDriverExtra, 196);
  EXPECT_EQ(ui.dm.dmSpecVersion, 0x0401);
  EXPECT_EQ(ui.dm.dmPaperSize, 257);
  EXPECT_EQ(ui.dm.dmPaperWidth, 1050);
  EXPECT_EQ(ui.dm.dmPaperLength, 1561);
  EXPECT_EQ(wide(ui.dm.dmFormName), u"4 x 6 in (102 x 152 mm)");
  EXPECT_EQ(wide(ui.dm.dmDeviceName), u"DPX-Q7310");
  EXPECT_EQ(ui.priv.signature, kPrivSignature);
  EXPECT_EQ(std::memcmp(&ui.priv, "PRIV", 4), 0);
  EXPECT_EQ(ui.priv.EmphasisKernel[4], 300);
  EXPECT_EQ(ui.priv.sharpenAmount, 175);
  EXPECT_EQ(ui.priv.printFinish, 2u);
  EXPECT_EQ(ui.dm.dmICMIntent, 0u);
  EXPECT_EQ(ddi.dm.dmICMIntent, 2u);
  ddi.dm.dmICMIntent = 0;
  EXPECT_EQ(std::memcmp(&ui, &ddi, sizeof ui), 0);
}

TEST(PrintSettingsDefaults, DeviceNameRule) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"\\\\server\\  DPX-Q7310 ,USB001", u"DPX-Q7310"},
      {u"DPX-Q7310", u"DPX-Q7310"},
      {u",leading comma", u",leading comma"},
      {u"a\\b\\c,d,e", u"c,d"},
      {u"0123456789012345678901234567890123456789", u"0123456789012345678901234567890"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(deviceNameFrom(c.in), c.out);
}

TEST(ValidateSetDevMode, FormRules) {
  {  // dimensions of the 6 x 8 form with paper size 0: row 3, name emptied
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmPaperLength | kDmPaperWidth | kDmFormName;
    s.dm.dmPaperSize = 0;
    s.dm.dmPaperWidth = 1561;
    s.dm.dmPaperLength = 2061;
    PrintSettings d = merged(s);
    EXPECT_EQ(d.dm.dmPaperSize, 259);
    EXPECT_EQ(wide(d.dm.dmFormName), u"");
    EXPECT_EQ(d.dm.dmFields & kDmFormName, 0u);
    EXPECT_EQ(d.dm.dmFields & (kDmPaperSize | kDmPaperLength | kDmPaperWidth),
              kDmPaperSize | kDmPaperLength | kDmPaperWidth);
  }
  {  // paper size code 258
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmPaperSize;
    s.dm.dmPaperSize = 258;
    s.dm.dmPaperWidth = 5;
    s.dm.dmPaperLength = 5;
    PrintSettings d = merged(s);
    EXPECT_EQ(wide(d.dm.dmFormName), u"4 x 6 in split (102 x 152 mm)");
    EXPECT_EQ(d.dm.dmPaperWidth, 1050);
    EXPECT_EQ(d.dm.dmPaperLength, 1561);
    EXPECT_EQ(d.dm.dmFields & (kDmPaperLength | kDmPaperWidth), 0u);
    EXPECT_TRUE(d.dm.dmFields & kDmFormName);
  }
  {  // the form name alone, in other letter case: row 3, name as the caller wrote it
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmFormName;
    setWide(s.dm.dmFormName, u"6 X 8 IN (152 X 203 MM)");
    PrintSettings d = merged(s);
    EXPECT_EQ(d.dm.dmPaperSize, 259);
    EXPECT_EQ(wide(d.dm.dmFormName), u"6 X 8 IN (152 X 203 MM)");
    EXPECT_EQ(d.dm.dmPaperWidth, 1050);  // earlier values stay
  }
  {  // unknown dimensions and an unknown code leave the form alone
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmPaperLength | kDmPaperWidth | kDmPaperSize;
    s.dm.dmPaperSize = 9;
    s.dm.dmPaperWidth = 2100;
    s.dm.dmPaperLength = 2970;
    PrintSettings d = merged(s);
    EXPECT_EQ(d.dm.dmPaperSize, 257);
    EXPECT_EQ(wide(d.dm.dmFormName), u"4 x 6 in (102 x 152 mm)");
  }
}

TEST(ValidateSetDevMode, RangesAndForcedFields) {
  struct Case {
    int16_t copies, scale, orientation;
    int16_t wantCopies, wantScale, wantOrientation;
  } cases[] = {{0, 0, 0, 1, 100, 1},       {10000, 1001, 3, 1, 100, 1}, {9999, 1000, 2, 9999, 1000, 2},
               {1, 1, 1, 1, 1, 1},        {-5, -5, -1, 1, 100, 1}};
  for (const auto& c : cases) {
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmCopies | kDmScale | kDmOrientation | kDmPrintQuality | kDmDuplex | kDmCollate;
    s.dm.dmCopies = c.copies;
    s.dm.dmScale = c.scale;
    s.dm.dmOrientation = c.orientation;
    s.dm.dmPrintQuality = 600;
    s.dm.dmDuplex = 2;
    s.dm.dmCollate = 1;
    PrintSettings d = merged(s);
    EXPECT_EQ(d.dm.dmCopies, c.wantCopies);
    EXPECT_EQ(d.dm.dmScale, c.wantScale);
    EXPECT_EQ(d.dm.dmOrientation, c.wantOrientation);
    EXPECT_EQ(d.dm.dmPrintQuality, 300);
    EXPECT_EQ(d.dm.dmDuplex, 1);
    EXPECT_EQ(d.dm.dmCollate, 0);
  }
}

TEST(ValidateSetDevMode, PrivatePartIsTakenOnlyWithItsSignatureAndClamped) {
  PrintSettings s = callerRecord();
  s.priv.printMode = 7;
  s.priv.printFinish = 5;
  s.priv.gamma = 150;
  EXPECT_EQ(merged(s).priv.printMode, 1u);
  EXPECT_EQ(merged(s).priv.printFinish, 2u);
  EXPECT_EQ(merged(s).priv.gamma, 150);
  s.priv.signature = 0x12345678;
  EXPECT_EQ(merged(s).priv.gamma, 0);
}

TEST(ValidateSetDevMode, IcmReconciliation) {
  struct Case {
    uint32_t method;
    int32_t driverIcm;
    uint32_t wantMethod;
    int32_t wantDriverIcm;
  } cases[] = {{3, 1, 4, 4}, {2, 4, 4, 4}, {2, 1, 2, 1}, {1, 4, 4, 1}, {4, 1, 4, 1}, {4, 4, 4, 4}, {2, 0, 2, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.method << "/" << c.driverIcm);
    PrintSettings s = callerRecord();
    s.dm.dmFields = kDmICMMethod;
    s.dm.dmICMMethod = c.method;
    s.priv.driverIcm = c.driverIcm;
    PrintSettings d = merged(s);
    EXPECT_EQ(d.dm.dmICMMethod, c.wantMethod);
    EXPECT_EQ(d.priv.driverIcm, c.wantDriverIcm);
  }
}

TEST(ValidateSetDevMode, SmallerLayoutsAndBadRecords) {
  // A 3.51-style record: 188 bytes and the signature only.
  std::vector<uint8_t> old(192, 0);
  PrintSettings s = callerRecord();
  s.dm.dmFields = kDmCopies;
  s.dm.dmCopies = 3;
  std::memcpy(old.data(), &s, 188);
  old[68] = 188;
  old[69] = 0;
  old[70] = 4;
  old[71] = 0;
  std::memcpy(old.data() + 188, "PRIV", 4);
  PrintSettings d = defaultSettings(u"P", SettingsModule::SettingsUi);
  d.priv.gamma = 77;
  ASSERT_TRUE(ValidateSetDevMode(d, old, nullptr));
  EXPECT_EQ(d.dm.dmCopies, 3);
  EXPECT_EQ(d.dm.dmSize, 220);
  EXPECT_EQ(d.dm.dmSpecVersion, 0x0401);
  EXPECT_EQ(d.priv.gamma, 77);  // the rest of the private part is the destination's own

  // Unknown size with a zero version, and a record longer than its buffer.
  std::vector<uint8_t> bad(220, 0);
  bad[68] = 100;
  PrintSettings before = d;
  EXPECT_FALSE(ValidateSetDevMode(d, bad, nullptr));
  EXPECT_EQ(std::memcmp(&before, &d, sizeof d), 0);
  std::vector<uint8_t> shortBuffer(bytesOf(s).begin(), bytesOf(s).begin() + 300);
  EXPECT_FALSE(ValidateSetDevMode(d, shortBuffer, nullptr));
  EXPECT_TRUE(ValidateSetDevMode(d, {}, nullptr));
}

TEST(ValidateSetDevMode, TheSettingsUiCopyLogsItsLines) {
  testing::TempRoot root;
  root.enableDebugLog();
  DebugLog log("q7310ui");
  PrintSettings d = defaultSettings(u"P", SettingsModule::SettingsUi);
  ValidateSetDevMode(d, {}, &log);
  PrintSettings s = callerRecord();
  ValidateSetDevMode(d, bytesOf(s), &log);
  std::string text = root.debugLog("q7310ui.log");
  EXPECT_NE(text.find(":: >>>> ValidateSetDevMode\n"), std::string::npos);
  EXPECT_NE(text.find(":: <<<< ValidateSetDevMode -> ( pdmSrc == NULL ) [TRUE]\n"), std::string::npos);
  EXPECT_NE(text.find(":: <<<< ValidateSetDevMode [TRUE]\n"), std::string::npos);
}

// What the settings UI stores is what the graphics driver prints with.
TEST(ValidateSetDevMode, RecordOfTheSettingsUiRoundTripsThroughTheGraphicsDriver) {
  PrintSettings ui = defaultSettings(u"DPX-Q7310", SettingsModule::SettingsUi);
  ui.dm.dmPaperSize = 259;
  ui.dm.dmPaperWidth = 1561;
  ui.dm.dmPaperLength = 2061;
  setWide(ui.dm.dmFormName, u"6 x 8 in (152 x 203 mm)");
  ui.dm.dmOrientation = 2;
  ui.dm.dmCopies = 3;
  ui.dm.dmICMMethod = 2;
  ui.dm.dmICMIntent = 3;
  ui.priv.driverIcm = 1;
  ui.priv.RibbonType = 1;
  ui.priv.gamma = 120;
  ui.priv.sharpen = 1;
  ui.priv.printFinish = 1;
  PrintSettings ddi = buildWorkingRecord(u"DPX-Q7310", SettingsModule::GraphicsDriver, {}, bytesOf(ui), nullptr);
  EXPECT_EQ(std::memcmp(&ddi, &ui, sizeof ui), 0);
  PrintSettings back = buildWorkingRecord(u"DPX-Q7310", SettingsModule::SettingsUi, {}, bytesOf(ddi), nullptr);
  EXPECT_EQ(std::memcmp(&back, &ui, sizeof ui), 0);
}

TEST(CopyDevMode, CopiesBothPartsAndKeepsTheDestinationsHeader) {
  PrintSettings src = defaultSettings(u"Source", SettingsModule::SettingsUi);
  src.priv.gamma = 123;
  std::vector<uint8_t> small(212 + 8, 0xEE);
  small[68] = 212;
  small[69] = 0;
  small[70] = 8;
  small[71] = 0;
  small[66] = 0x99;
  EXPECT_EQ(copyDevMode(bytesOf(src), small), 212 + 8);
  EXPECT_EQ(small[64], 0x00);  // version 0x0400 for 212 bytes
  EXPECT_EQ(small[65], 0x04);
  EXPECT_EQ(small[66], 0x99);
  EXPECT_EQ(std::memcmp(small.data() + 212, "PRIV", 4), 0);
}

TEST(FormTableRows, DifferOnlyInTheSplitPrintMethod) {
  const FormTable& ui = formTable(SettingsModule::SettingsUi);
  const FormTable& ddi = formTable(SettingsModule::GraphicsDriver);
  EXPECT_EQ(ui[2].printMethod, 0u);
  EXPECT_EQ(ddi[2].printMethod, 4u);
  EXPECT_EQ(ddi[3].printerLength, 2434u);
  EXPECT_EQ(ddi[0].mediaSizeCode, 7u);
  EXPECT_EQ(formName(ui[3]), u"6 x 8 in (152 x 203 mm)");
  EXPECT_TRUE(ribbonOffersForm(1, 3));
  EXPECT_FALSE(ribbonOffersForm(0, 3));
  EXPECT_EQ(fallbackFormForRibbon(0), 1);
  EXPECT_EQ(fallbackFormForRibbon(1), 3);
}

TEST(PrinterDataRecord, FreshAndUpgraded) {
  PrinterData fresh = freshPrinterData();
  EXPECT_EQ(fresh[0], 0x00);
  EXPECT_EQ(fresh[1], 0x03);
  EXPECT_EQ(fresh[2] | (fresh[3] << 8), 1076);
  EXPECT_EQ(fresh[40] | (fresh[41] << 8), 10000);
  EXPECT_EQ(fresh[44] | (fresh[45] << 8), 10000);
  std::vector<uint8_t> old(100, 0x11);
  old[0] = 0x00;
  old[1] = 0x02;
  PrinterData up = upgradePrinterData(old);
  EXPECT_EQ(printerDataVersion(up), 0x0300);
  EXPECT_EQ(up[99], 0x11);
  EXPECT_EQ(up[100], 0x00);
}

}  // namespace
}  // namespace q7310::settings

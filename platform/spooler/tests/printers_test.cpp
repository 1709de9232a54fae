#include "platform/spooler/printers.h"

#include <gtest/gtest.h>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "testing/temp_root.h"

namespace q7310::spooler {
namespace {

using PrintersTest = testing::RootTest;

const PrinterInfo kPrinter{"Veltrano DPX-Q7310", "Q7310_001:", "Veltrano DPX-Q7310"};

TEST_F(PrintersTest, AddedPrinterIsFoundInAnyCaseAndKeptInTheRoot) {
  ASSERT_TRUE(addPrinter(kPrinter));
  EXPECT_EQ(findPrinter("VELTRANO dpx-q7310"), kPrinter);
  EXPECT_EQ(enumPrinters(), std::vector<PrinterInfo>{kPrinter});
  // Persisted: a file below the root's spool folder names the printer.
  auto text = os::readTextFile("C:\\Windows\\System32\\spool\\printers\\veltrano dpx-q7310\\printer.txt");
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("Port=Q7310_001:"), std::string::npos);

  EXPECT_FALSE(addPrinter({"veltrano DPX-Q7310", "X:", "Y"}));
  EXPECT_EQ(os::lastError(), os::kErrorPrinterAlreadyExists);
  EXPECT_EQ(findPrinter(kPrinter.name)->port, "Q7310_001:");
}

TEST_F(PrintersTest, RejectsBadNamesAndUnknownPrinters) {
  for (const char* name : {"", "a,b", "a\\b", "line\nfeed"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(addPrinter({name, "P:", "D"}));
    EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterName);
  }
  EXPECT_FALSE(addPrinter({"ok", "P:\nName=evil", "D"}));
  EXPECT_FALSE(findPrinter("nobody"));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterName);
  EXPECT_FALSE(deletePrinter("nobody"));
  EXPECT_FALSE(setPrinter({"nobody", "P:", "D"}));
  EXPECT_TRUE(enumPrinters().empty());
}

TEST_F(PrintersTest, SetAndDeleteChangeTheStore) {
  ASSERT_TRUE(addPrinter(kPrinter));
  ASSERT_TRUE(addPrinter({"Another", "Q7310_002:", "D"}));
  ASSERT_TRUE(setPrinter({"veltrano dpx-q7310", "Q7310_009:", "New driver"}));
  PrinterInfo changed = *findPrinter(kPrinter.name);
  EXPECT_EQ(changed.name, kPrinter.name);  // the stored letter case stays
  EXPECT_EQ(changed.port, "Q7310_009:");
  EXPECT_EQ(changed.driver, "New driver");
  ASSERT_EQ(enumPrinters().size(), 2u);
  EXPECT_EQ(enumPrinters()[0].name, "Another");

  ASSERT_TRUE(deletePrinter("ANOTHER"));
  EXPECT_EQ(enumPrinters(), std::vector<PrinterInfo>{changed});
}

TEST_F(PrintersTest, HandlesOpenByNameAndCloseOnce) {
  ASSERT_TRUE(addPrinter(kPrinter));
  size_t before = openPrinterHandleCount();
  PrinterHandle handle = openPrinter("veltrano dpx-q7310");
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(printerNameOf(handle), kPrinter.name);
  EXPECT_EQ(openPrinterHandleCount(), before + 1);
  EXPECT_TRUE(closePrinter(handle));
  EXPECT_FALSE(closePrinter(handle));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
  EXPECT_FALSE(printerNameOf(handle));
  EXPECT_EQ(openPrinterHandleCount(), before);

  EXPECT_EQ(openPrinter("missing"), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterName);
  {
    ScopedPrinter scoped(kPrinter.name);
    EXPECT_TRUE(scoped);
    EXPECT_EQ(openPrinterHandleCount(), before + 1);
  }
  EXPECT_EQ(openPrinterHandleCount(), before);
}

}  // namespace
}  // namespace q7310::spooler

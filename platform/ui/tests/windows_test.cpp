#include <gtest/gtest.h>

#include "platform/os/errors.h"
#include "platform/os/process.h"
#include "platform/ui/windows.h"
#include "testing/temp_root.h"

namespace q7310::ui {
namespace {

using q7310::testing::RootTest;

uint32_t runChild(const std::string& command, const std::string& className) {
  auto child = os::Process::start((q7310::testing::buildOutputFolder() / "ui_test_child").string(),
                                  {command, className});
  if (!child || child->wait(30000) != os::WaitResult::Signalled) return 99;
  return child->exitCode().value_or(99);
}

TEST_F(RootTest, RegisterFindAndUnregister) {
  EXPECT_FALSE(findTopLevelWindow("PhotoView5_Viewer"));
  const WindowId a = registerTopLevelWindow("PhotoView5_Viewer", "Holiday.jpg");
  const WindowId b = registerTopLevelWindow("Other", "");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_TRUE(findTopLevelWindow("photoview5_viewer"));  // letter case does not matter
  EXPECT_FALSE(findTopLevelWindow("PhotoView6_Viewer"));
  const auto all = topLevelWindows();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].className, "PhotoView5_Viewer");
  EXPECT_EQ(all[0].title, "Holiday.jpg");

  EXPECT_TRUE(unregisterTopLevelWindow(a));
  EXPECT_FALSE(findTopLevelWindow("PhotoView5_Viewer"));
  os::setLastError(0);
  EXPECT_FALSE(unregisterTopLevelWindow(a));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
  EXPECT_TRUE(unregisterTopLevelWindow(b));
}

TEST_F(RootTest, BadClassNamesAreRefused) {
  for (std::string_view name : {std::string_view(""), std::string_view("two\nlines")}) {
    os::setLastError(0);
    EXPECT_EQ(registerTopLevelWindow(name, "t"), 0u);
    EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  }
  EXPECT_EQ(registerTopLevelWindow("Class", "a\nb"), 0u);
  EXPECT_TRUE(topLevelWindows().empty());
}

TEST_F(RootTest, OtherProcessesOfTheRootSeeTheWindow) {
  {
    ScopedWindow window("PhotoView6_Browser", "Browser");
    EXPECT_EQ(runChild("find", "PhotoView6_Browser"), 0u);
    EXPECT_EQ(runChild("find", "PhotoView5_Browser"), 1u);
  }
  EXPECT_EQ(runChild("find", "PhotoView6_Browser"), 1u);
}

TEST_F(RootTest, WindowsOfEndedProcessesNoLongerCount) {
  ASSERT_EQ(runChild("register", "PhotoView5_Viewer"), 0u);
  EXPECT_FALSE(findTopLevelWindow("PhotoView5_Viewer"));
  EXPECT_TRUE(topLevelWindows().empty());
}

TEST(WindowRoots, AnotherRootDoesNotSeeTheWindow) {
  q7310::testing::TempRoot first;
  ScopedWindow window("PhotoView5_Viewer", "x");
  EXPECT_TRUE(findTopLevelWindow("PhotoView5_Viewer"));
  {
    q7310::testing::TempRoot second;
    EXPECT_FALSE(findTopLevelWindow("PhotoView5_Viewer"));
  }
}

}  // namespace
}  // namespace q7310::ui

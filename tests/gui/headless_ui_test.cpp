#include "gui/headless_ui.h"

#include <gtest/gtest.h>

namespace tabulink {

TEST(HeadlessUi, MessageBoxGoesToStandardError) {
  HeadlessUi ui;
  testing::internal::CaptureStderr();
  ui.messageBox("Alert", "Invalid DSN Entry: Sales", MessageIcon::Exclamation);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Alert: Invalid DSN Entry: Sales\n");
}

TEST(HeadlessUi, DialogsThatNeedAPersonDoNotOpen) {
  HeadlessUi ui;
  std::string value = "SELECT 1";
  bool accepted = true;
  EXPECT_EQ(ui.queryPrompt("ODBC SQL Query", "Sql Query", value, accepted),
            DialogOutcome::NoDisplay);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(value, "SELECT 1");
}

}  // namespace tabulink

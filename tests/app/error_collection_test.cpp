#include "app/error_collection.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/run_settings.h"
#include "gui/scripted_ui.h"
#include "support/temp_dir.h"

namespace tabulink {

class ErrorCollection : public ::testing::Test {
 protected:
  ErrorCollection() : scripted(new ScriptedUi), previous(installUi(std::unique_ptr<Ui>(scripted))) {
    runSettings() = RunSettings{};
    resetErrorCollection();
  }
  ~ErrorCollection() override { installUi(std::move(previous)); }

  test::TempDir dir;
  ScriptedUi* scripted;
  std::unique_ptr<Ui> previous;
};

TEST_F(ErrorCollection, WithoutErrorFileEachErrorIsAnAlertBox) {
  ZULERROR("first");
  ZULERROR("");
  ASSERT_EQ(scripted->messages.size(), 2u);
  EXPECT_EQ(scripted->messages[0].title, "Alert");
  EXPECT_EQ(scripted->messages[0].text, "first");
  EXPECT_EQ(scripted->messages[1].text, "");
  EXPECT_TRUE(errorsReported());
  ZULWRITEERRORS();  // nothing to write without a file name
}

TEST_F(ErrorCollection, ErrorFileHoldsDatedEntriesInOrder) {
  runSettings().FileErr = dir.file("err.txt");
  test::writeFile(dir.file("err.txt"), "an older, longer error file from an earlier run\r\n");
  ZULERROR("Invalid DSN Entry: Sales");
  ZULERROR("Class: 42S02\r\nno such table: t");
  ZULERROR("");
  EXPECT_TRUE(scripted->messages.empty());
  EXPECT_EQ(test::readFile(dir.file("err.txt")),  // written once, at the end
            "an older, longer error file from an earlier run\r\n");
  ZULWRITEERRORS();
  const std::string stamp = R"(\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - )";
  std::string text = test::readFile(dir.file("err.txt"));
  // Added after what the file held: another run's entries are never lost.
  EXPECT_TRUE(
      std::regex_match(text, std::regex("an older, longer error file from an earlier run\r\n" +
                                        stamp + "Invalid DSN Entry: Sales\r\n" + stamp +
                                        "Class: 42S02\r\nno such table: t\r\n" + stamp + "\r\n")))
      << text;
}

TEST_F(ErrorCollection, AnUnwritableErrorFileIsSilent) {
  runSettings().FileErr = dir.file("no/such/dir/err.txt");
  ZULERROR("lost");
  ZULWRITEERRORS();
  EXPECT_TRUE(scripted->messages.empty());
  EXPECT_TRUE(errorsReported());
}

}  // namespace tabulink

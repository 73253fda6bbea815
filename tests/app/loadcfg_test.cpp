#include <gtest/gtest.h>

#include "app/run_settings.h"
#include "support/temp_dir.h"

namespace tabulink {

using test::readFile;
using test::TempDir;
using test::writeFile;

class LoadCfg : public ::testing::Test {
 protected:
  void SetUp() override { runSettings() = RunSettings{}; }
  const RunSettings& load(const std::string& content) {
    std::string path = dir.file("job.ini");
    writeFile(path, content);
    LOADCFG(path);
    EXPECT_EQ(readFile(path), content);  // reading never writes
    return runSettings();
  }
  TempDir dir;
};

TEST_F(LoadCfg, MissingFileGivesTheInteractiveDefaults) {
  LOADCFG(dir.file("none.ini"));
  const RunSettings& s = runSettings();
  EXPECT_EQ(s.DSN, "");
  EXPECT_EQ(s.SQL, "");
  EXPECT_FALSE(s.Asyncronous);
  EXPECT_EQ(s.Type, "SCREEN");
  EXPECT_EQ(s.DecChar, ".");
  EXPECT_EQ(s.DecNo, 2);
  EXPECT_EQ(s.FileOut, "tabulink.txt");
  EXPECT_EQ(s.FileErr, "");
  EXPECT_EQ(s.SupportEmail, kBuiltInSupportEmail);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}

TEST_F(LoadCfg, ReadsEveryKey) {
  const RunSettings& s = load(
      "\xEF\xBB\xBF[ODBC]\r\nDSN=Sales\r\nUser=ann\r\nPassword=p;w\r\nSQL=SELECT *\r\nSQL1=FROM "
      "t\r\n"
      "SQL2=  WHERE a = 1\r\nSQL4=ignored\r\nAsyncronous=.t.\r\n"
      "[Output]\r\nType=dbf\r\nDecChar=,\r\nDecNo=3\r\nFileErr=err.txt\r\n"
      "[Options]\r\nSupportEmail=help@example.org\r\n");
  EXPECT_EQ(s.DSN, "Sales");
  EXPECT_EQ(s.User, "ann");
  EXPECT_EQ(s.Password, "p;w");
  EXPECT_EQ(s.SQL, "SELECT * FROM t WHERE a = 1");
  EXPECT_TRUE(s.Asyncronous);
  EXPECT_EQ(s.Type, "DBF");
  EXPECT_EQ(s.DecChar, ",");
  EXPECT_EQ(s.DecNo, 3);
  EXPECT_EQ(s.FileOut, "tabulink.dbf");
  EXPECT_EQ(s.FileErr, "err.txt");
  EXPECT_EQ(s.SupportEmail, "help@example.org");
}

TEST_F(LoadCfg, AsyncronousIsTrueOnlyForDotT) {
  for (const char* value : {"1", "yes", "TRUE", ".F.", ""})
    EXPECT_FALSE(load(std::string("[ODBC]\nAsyncronous=") + value + "\n").Asyncronous) << value;
  EXPECT_TRUE(load("[ODBC]\nAsyncronous=.T.\n").Asyncronous);
}

TEST_F(LoadCfg, TypeAndFileOut) {
  EXPECT_EQ(load("[Output]\nType=Dbf3\n").Type, "DBF3");
  EXPECT_EQ(runSettings().FileOut, "tabulink.dbf");
  EXPECT_EQ(load("[Output]\nType=ascii\n").FileOut, "tabulink.txt");
  EXPECT_EQ(load("[Output]\nType=AsciiTable\nFileOut=out.txt\n").FileOut, "out.txt");
  EXPECT_EQ(runSettings().Type, "ASCIITABLE");
}

TEST_F(LoadCfg, DecNoIsAWholeNumberFrom0To13) {
  const std::pair<const char*, int> cases[] = {{"20", 13}, {"-3", 0},  {"2.9", 2},  {"0", 0},
                                               {"", 2},    {"abc", 0}, {"13", 13},  {"-0.5", 0},
                                               {"nan", 0}, {"inf", 0}, {"1e400", 1}};
  for (auto [text, expected] : cases)
    EXPECT_EQ(load(std::string("[Output]\nDecNo=") + text + "\n").DecNo, expected) << text;
}

TEST_F(LoadCfg, SqlContinuationNeedsSqlAndStopsAtAGap) {
  EXPECT_EQ(load("[ODBC]\nSQL1=a\nSQL2=b\n").SQL, "");
  EXPECT_EQ(load("[ODBC]\nSQL=a\nSQL1=b\nSQL2= \nSQL3=c\n").SQL, "a b");
}

}  // namespace tabulink

#include "app/config/ini_document.h"

#include <gtest/gtest.h>

namespace tabulink {

TEST(IniDocument, SyntaxOfNamesAndValues) {
  IniDocument ini(
      "; comment=1\r\n"
      "orphan=before any section\r\n"
      "[ odbc ]\r\n"
      "  Dsn =  Sales Archive  \r\n"
      "User=\"  ann  \"\r\n"
      "Password='x'\r\n"
      "Half=\"open\r\n"
      "Sql=SELECT a=b FROM t\r\n"
      "Dsn=second wins never\r\n"
      "NoEquals\r\n"
      "[Output]\n"
      "Type=dbf");
  EXPECT_EQ(ini.value("ODBC", "DSN"), "Sales Archive");
  EXPECT_EQ(ini.value("odbc", "user"), "  ann  ");
  EXPECT_EQ(ini.value("ODBC", "Password"), "x");
  EXPECT_EQ(ini.value("ODBC", "Half"), "\"open");
  EXPECT_EQ(ini.value("ODBC", "SQL"), "SELECT a=b FROM t");
  EXPECT_EQ(ini.value("Output", "Type"), "dbf");
  EXPECT_EQ(ini.value("ODBC", "NoEquals"), std::nullopt);
  EXPECT_EQ(ini.value("ODBC", "Type"), std::nullopt);
  EXPECT_EQ(ini.value("Missing", "DSN"), std::nullopt);
  EXPECT_EQ(ini.value("", "orphan"), std::nullopt);
  EXPECT_EQ(ini.sections(), (std::vector<std::string>{"odbc", "Output"}));
}

TEST(IniDocument, FirstOfDuplicateSectionsWins) {
  IniDocument ini("[A]\nk=1\n[A]\nk=2\nj=3\n");
  EXPECT_EQ(ini.value("A", "k"), "1");
  EXPECT_EQ(ini.value("A", "j"), std::nullopt);
}

TEST(IniDocument, ByteOrderMarkIsNoPartOfTheFirstSectionAndIsKept) {
  const std::string marked = "\xEF\xBB\xBF[ODBC]\r\nDSN=Sales\r\n";
  IniDocument ini(marked);
  EXPECT_EQ(ini.value("ODBC", "DSN"), "Sales");
  EXPECT_EQ(ini.sections(), std::vector<std::string>{"ODBC"});
  EXPECT_EQ(ini.content(), marked);
  ini.set("ODBC", "User", "ann");
  EXPECT_EQ(ini.content(), marked + "User=ann\r\n");
  // A mark anywhere else is text like any other.
  EXPECT_EQ(IniDocument("\xEF\xBB\xBF\xEF\xBB\xBF[ODBC]\nDSN=x\n").value("ODBC", "DSN"),
            std::nullopt);
}

TEST(IniDocument, SetChangesOneLineAndKeepsEverythingElse) {
  const std::string original =
      "; settings\r\n[ODBC]\r\nDSN=Sales\r\n; the user\r\nuser = ann\r\n\r\n[Output]\r\nType=DBF";
  IniDocument ini(original);
  EXPECT_EQ(ini.content(), original);

  ini.set("odbc", "USER", "bob");
  EXPECT_EQ(
      ini.content(),
      "; settings\r\n[ODBC]\r\nDSN=Sales\r\n; the user\r\nuser=bob\r\n\r\n[Output]\r\nType=DBF");

  ini.set("ODBC", "Password", "x");  // a new key goes before the blank line
  ini.set("Output", "FileOut", "out.dbf");
  ini.set("Options", "SupportEmail", "a@b");
  EXPECT_EQ(ini.content(),
            "; settings\r\n[ODBC]\r\nDSN=Sales\r\n; the user\r\nuser=bob\r\nPassword=x\r\n\r\n"
            "[Output]\r\nType=DBF\r\nFileOut=out.dbf\r\n[Options]\r\nSupportEmail=a@b\r\n");
}

TEST(IniDocument, RemovesSectionsAndKeys) {
  IniDocument ini("[A]\nk=1\nj=2\n[B]\nk=3\n");
  EXPECT_TRUE(ini.removeKey("a", "K"));
  EXPECT_FALSE(ini.removeKey("A", "k"));
  EXPECT_TRUE(ini.removeSection("B"));
  EXPECT_FALSE(ini.removeSection("B"));
  EXPECT_EQ(ini.content(), "[A]\nj=2\n");
}

TEST(IniDocument, BadInputNeverBreaksReading) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += static_cast<char>((i * 131 + 7) % 256);
  IniDocument binary(garbage);
  binary.value("ODBC", "DSN");
  binary.set("ODBC", "DSN", "x");
  EXPECT_EQ(IniDocument(binary.content()).value("ODBC", "DSN"), "x");

  std::string huge = "[ODBC]\nSQL=" + std::string(10 * 1024 * 1024, 'a') + "\nDSN=s\n";
  IniDocument big(huge);
  EXPECT_EQ(big.value("ODBC", "DSN"), "s");
  EXPECT_EQ(big.value("ODBC", "SQL")->size(), 10u * 1024 * 1024);  // read whole
  EXPECT_EQ(IniDocument("").value("A", "b"), std::nullopt);
  EXPECT_EQ(IniDocument("[").value("", "b"), std::nullopt);
}

}  // namespace tabulink

#include "app/config/tini.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace tabulink {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(TIni, NameWithoutAnyDotGetsIni) {
  EXPECT_EQ(TIni::New("job").cIniFile, "job.ini");
  EXPECT_EQ(TIni::New("dir/job").cIniFile, "dir/job.ini");
  EXPECT_EQ(TIni::New("./job").cIniFile, "./job");
  EXPECT_EQ(TIni::New("my.dir/job").cIniFile, "my.dir/job");
  EXPECT_EQ(TIni::New("job.cfg").cIniFile, "job.cfg");
  EXPECT_EQ(TIni::New().cIniFile, "");
  EXPECT_TRUE(TIni::New("x").lAutoSet);
}

TEST(TIni, ValuesComeInTheKindAsked) {
  TempDir dir;
  std::string path = dir.file("t.ini");
  writeFile(path,
            "[S]\nnum=42abc\nneg=-7\nbad=x1\nyes=.t.\none=1\ntrue=TRUE\nday=03/14/2005\n"
            "text=  hello  \n");
  TIni ini = TIni::New(path);
  ini.lAutoSet = false;
  EXPECT_EQ(ini.Get("S", "num", Value::number(5)), Value::number(42));
  EXPECT_EQ(ini.Get("S", "neg", {}, Value::number(0)), Value::number(-7));
  EXPECT_EQ(ini.Get("S", "bad", Value::number(5)), Value::number(0));
  EXPECT_EQ(ini.Get("S", "missing", Value::number(5)), Value::number(5));
  EXPECT_EQ(ini.Get("S", "yes", {}, Value(false)), Value(true));
  EXPECT_EQ(ini.Get("S", "one", {}, Value(false)), Value(false));
  EXPECT_EQ(ini.Get("S", "true", {}, Value(false)), Value(false));
  EXPECT_EQ(ini.Get("S", "day", {}, Value(Date())), Value(Date::fromYmd(2005, 3, 14)));
  EXPECT_EQ(ini.Get("S", "text", {}, Value("")), Value("hello"));
  EXPECT_EQ(ini.Get("S", "missing", {}, Value("")), Value(""));
  EXPECT_EQ(ini.Get("S", "missing", Value("dflt")), Value("dflt"));
}

TEST(TIni, DefaultsAreWrittenBackOnlyWhenGivenAndReturned) {
  TempDir dir;
  std::string path = dir.file("t.ini");
  const std::string original = "[S]\r\nkey=value\r\n";
  writeFile(path, original);
  TIni ini = TIni::New(path);

  ini.Get("S", "key", {}, Value(""));
  ini.Get("S", "missing", {}, Value(""));
  ini.Get("S", "key", Value("other"));
  EXPECT_EQ(readFile(path), original);

  EXPECT_EQ(ini.Get("S", "count", Value::number(3)), Value::number(3));
  EXPECT_EQ(ini.Get("T", "flag", Value(false)), Value(false));
  EXPECT_EQ(readFile(path), "[S]\r\nkey=value\r\ncount=3\r\n[T]\r\nflag=.F.\r\n");

  ini.lAutoSet = false;
  ini.Get("S", "more", Value("x"));
  EXPECT_EQ(readFile(path), "[S]\r\nkey=value\r\ncount=3\r\n[T]\r\nflag=.F.\r\n");
}

TEST(TIni, SetSectionsAndDeletes) {
  TempDir dir;
  std::string path = dir.file("t.ini");
  TIni ini = TIni::New(path);
  ini.Set("A", "when", Value(Date::fromYmd(2005, 3, 14)));
  ini.Set("A", "amount", Value::number(12.5, 2));
  ini.Set("B", "k", Value("v"));
  EXPECT_EQ(readFile(path), "[A]\nwhen=03/14/2005\namount=12.50\n[B]\nk=v\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"A", "B"}));
  ini.DelEntry("A", "when");
  ini.DelSection("B");
  EXPECT_EQ(readFile(path), "[A]\namount=12.50\n");

  std::string untouched = dir.file("none.ini");
  TIni missing = TIni::New(untouched);
  missing.DelSection("A");
  missing.DelEntry("A", "k");
  EXPECT_FALSE(std::filesystem::exists(untouched));
}

TEST(TIni, EmptyNameUsesThePerUserFile) {
  TempDir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  TIni ini = TIni::New();
  ini.Set("Options", "x", Value("1"));
  EXPECT_EQ(readFile(dir.file("tabulink/tabulink.ini")), "[Options]\nx=1\n");
  EXPECT_EQ(ini.Get("Options", "x", {}, Value("")), Value("1"));
  if (old != nullptr) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace tabulink

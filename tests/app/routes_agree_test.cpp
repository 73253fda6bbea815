// Routes agree: for every column kind and driver, the tab-delimited text, the boxed table, the DBF
// (read back by dbfread, numbers as the text their fields hold) and the grid cell show one text
// for one value. The real binary writes the files; the grid cell comes from the same statement's
// result set in this process.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/export_output.h"
#include "app/run_settings.h"
#include "app/screen_grid.h"
#include "core/text.h"
#include "resultset/cache_reader.h"
#include "resultset/tdbodbcdirect.h"
#include "support/command.h"
#include "support/odbc_sources.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::DataSource;
using test::readFile;

// The data lines of an output split into cells: by "\t" for the tab-delimited text, by "|" for the
// boxed table (its rule lines and name line left out), each cell trimmed.
std::vector<std::vector<std::string>> cells(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> rows;
  bool header = true;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 2;
    if (separator == '|' && !line.starts_with("|")) continue;
    if (header) {
      header = false;
      continue;
    }
    if (separator == '|') line = line.substr(1, line.size() - 2);
    std::vector<std::string> row;
    for (size_t from = 0;;) {
      const size_t next = line.find(separator, from);
      row.emplace_back(trim(line.substr(from, next - from)));
      if (next == std::string::npos) break;
      from = next + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

class RoutesAgree : public ::testing::TestWithParam<DataSource> {
 protected:
  RoutesAgree() { std::filesystem::create_directory(dir.file("tmp")); }

  // Writes `sql` as `type` (with `output` lines more in [Output]) and returns the output and the
  // error file's lines.
  std::string run(const std::string& sql, const std::string& type, std::vector<std::string>& errors,
                  const std::string& output = "") {
    const DataSource& s = GetParam();
    for (const char* name : {"err.txt", "out", "out.dbf", "out.dbt"})
      std::filesystem::remove(dir.file(name));
    test::writeFile(dir.file("job.ini"), std::string("[ODBC]\nDSN=") + s.dsn + "\nUser=" + s.user +
                                             "\nPassword=" + s.password + "\nSQL=" + sql +
                                             "\n[Output]\nType=" + type +
                                             "\nFileOut=out\nFileErr=err.txt\n" + output);
    const std::string temp = dir.file("tmp");
    test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + temp, "TMPDIR=" + temp});
    errors.clear();
    if (std::filesystem::exists(dir.file("err.txt"))) {
      for (const std::string& line : split(readFile(dir.file("err.txt")), "\r\n"))
        if (line.size() > 24) errors.push_back(line.substr(24));  // without date and time
    }
    return readFile(dir.file(type == "DBF" ? "out.dbf" : "out"));
  }
  static std::vector<std::string> split(const std::string& text, const std::string& by) {
    std::vector<std::string> parts;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find(by, at);
      if (end == std::string::npos) end = text.size();
      parts.push_back(text.substr(at, end - at));
      at = end + by.size();
    }
    return parts;
  }

  test::TempDir dir;
};

TEST_P(RoutesAgree, EveryOutputAndTheGridShowTheOneTextOfAValue) {
  const bool pg = GetParam().postgres;
  const std::string table = test::testTable("routes");
  // Per kind: the column, and per row the literal stored and the one text every output shows
  // ("" for NULL). Floats round once from their shortest text at the 2 default decimals; integer
  // and decimal numbers keep every digit; a SQLite number column may hold a text.
  struct Column {
    std::string name, type;
    std::vector<std::string> literals, texts;
  };
  std::vector<Column> columns = {
      {"i", "integer", {"1", "-2147483647", "0", "NULL"}, {"1", "-2147483647", "0", ""}},
      // The SQLite driver writes 15 significant digits of a double.
      {"f",
       pg ? "float8" : "real",
       {"12345678901234.7", "999999999999999.9", "2.675", "-0.004"},
       {"12345678901234.70", pg ? "999999999999999.90" : "1000000000000000.00", "2.68", "0.00"}},
      {"c", "varchar(12)", {"'abc'", "'a b'", "''", "NULL"}, {"abc", "a b", "", ""}},
      {"m", "text", {"'long text'", "'x'", "NULL", "'y'"}, {"long text", "x", "", "y"}},
      {"d",
       "date",
       {"'2020-01-02'", "'1999-12-31'", "NULL", "'0001-01-01'"},
       {"2020-01-02", "1999-12-31", "", "0001-01-01"}}};
  if (pg) {
    columns.push_back({"n",
                       "numeric(18,4)",
                       {"12345678901234.5678", "-0.0001", "1.5", "NULL"},
                       {"12345678901234.5678", "-0.0001", "1.5000", ""}});
  } else {
    columns.push_back({"nt",
                       "integer",
                       {"'EARTH'", "7", "'ETRS89_TO_ETRF89'", "NULL"},
                       {"EARTH", "7", "ETRS89_TO_ETRF89", ""}});
  }
  std::string definition = "id integer", names = "id", rows;
  for (const Column& column : columns) {
    definition += ", " + column.name + " " + column.type;
    names += ", " + column.name;
  }
  for (size_t row = 0; row < 4; ++row) {
    rows += (row > 0 ? ", (" : "(") + std::to_string(row + 1);
    for (const Column& column : columns)
      rows += ", " + column.literals[row];
    rows += ")";
  }
  test::recreateTable(GetParam(), table, definition);
  std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
  test::run(*db, "INSERT INTO " + table + " VALUES " + rows);
  const std::string sql = "SELECT " + names + " FROM " + table + " ORDER BY id";

  // Only a DBF number field cannot hold a text: reported there, and nowhere else.
  std::vector<std::string> dbfErrors;
  if (!pg) {
    dbfErrors = {"Field 'nt' row 1 value: EARTH - Not a number, exported as NULL.",
                 "Field 'nt' row 3 value: ETRS89_TO_ETRF89 - Not a number, exported as NULL."};
  }
  std::vector<std::string> errors;
  const auto tab = cells(run(sql, "Text", errors), '\t');
  EXPECT_EQ(errors, std::vector<std::string>{});
  const auto boxed = cells(run(sql, "AsciiTable", errors), '|');
  EXPECT_EQ(errors, std::vector<std::string>{});
  run(sql, "DBF", errors);
  EXPECT_EQ(errors, dbfErrors);
  // dbfread's lines: "count N", then the records' values joined by "|".
  std::vector<std::vector<std::string>> dbf;
  for (const std::string& line : split(test::dbfreadDump(dir.file("out.dbf"), true), "\n"))
    if (!line.starts_with("count ")) dbf.push_back(split(line + "|", "|"));

  std::unique_ptr<TDbOdbcDirect> rs = db->Query(sql);
  ASSERT_TRUE(rs->Open());
  ASSERT_EQ(rs->RecCount(), 4);
  ASSERT_EQ(tab.size(), 4u);
  ASSERT_EQ(boxed.size(), 4u);
  ASSERT_EQ(dbf.size(), 4u);
  CacheReader grid(*rs);
  for (size_t row = 0; row < 4; ++row) {
    for (size_t k = 0; k < columns.size(); ++k) {
      const Column& column = columns[k];
      const std::string& text = column.texts[row];
      SCOPED_TRACE(column.name + " row " + std::to_string(row + 1));
      EXPECT_EQ(tab[row][k + 1], text);
      EXPECT_EQ(boxed[row][k + 1], text);
      // A blank field but a character one is dbfread's None; a number field holds no text.
      const bool blank = text.empty() || (column.name == "nt" && row != 1);
      const bool none = column.name != "c";
      EXPECT_EQ(dbf[row][k + 1], blank ? (none ? "None" : "") : text);
      // The grid shows dates in the process's date format.
      std::string cell = gridCellText(grid, static_cast<long>(row + 1), static_cast<int>(k + 2));
      if (column.name == "d" && !text.empty())
        cell = cell.substr(6, 4) + "-" + cell.substr(0, 2) + "-" + cell.substr(3, 2);
      EXPECT_EQ(trimRight(cell), text);
    }
  }
}

// With six decimals a double is rounded once from its shortest text: 13123359.58005249 is not
// first cut to 16 digits and rounded again. (The SQLite driver sends 15 significant digits.)
TEST_P(RoutesAgree, SixDecimalsRoundOnce) {
  if (!GetParam().postgres) GTEST_SKIP() << "the SQLite driver rounds doubles to 15 digits";
  const std::string sql =
      "SELECT CAST(1234567890.123 AS float8) AS a, CAST(13123359.58005249 AS float8) AS b, "
      "CAST(0.0000005 AS float8) AS c";
  const std::vector<std::string> texts = {"1234567890.123000", "13123359.580052", "0.000001"};
  std::vector<std::string> errors;
  const auto tab = cells(run(sql, "Text", errors, "DecNo=6\n"), '\t');
  EXPECT_EQ(errors, std::vector<std::string>{});
  const auto boxed = cells(run(sql, "AsciiTable", errors, "DecNo=6\n"), '|');
  run(sql, "DBF", errors, "DecNo=6\n");
  EXPECT_EQ(errors, std::vector<std::string>{});
  const std::vector<std::string> dbf = split(test::dbfreadDump(dir.file("out.dbf"), true), "\n");
  ASSERT_EQ(tab.size(), 1u);
  ASSERT_EQ(boxed.size(), 1u);
  ASSERT_EQ(dbf.size(), 2u);
  EXPECT_EQ(tab[0], texts);
  EXPECT_EQ(boxed[0], texts);
  EXPECT_EQ(dbf[1], texts[0] + "|" + texts[1] + "|" + texts[2]);
}

// A file export goes from the rows read straight to its output, with no cache table: the temporary
// folder is not even written to, and the output's bytes are those the same rows give when they are
// exported from a cache table (as the grid's "save" does).
TEST_P(RoutesAgree, FileExportsSkipTheCacheAndWriteWhatTheCachedRowsGive) {
  const bool pg = GetParam().postgres;
  const std::string table = test::testTable("once");
  test::recreateTable(GetParam(), table,
                      "id integer, f " + std::string(pg ? "float8" : "real") +
                          ", c varchar(12), m text, d date, n " +
                          (pg ? "numeric(9,3)" : "integer"));
  std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
  test::run(*db,
            "INSERT INTO " + table + " VALUES (1, 2.675, 'abcdefgh', '" + std::string(3000, 'x') +
                "', '2020-01-02', " + (pg ? "12.5" : "'EARTH'") +
                "), (2, NULL, NULL, NULL, NULL, NULL), (3, -0.004, 'a b', 'y', '0001-01-01', " +
                "7)");
  const std::string sql = "SELECT * FROM " + table + " ORDER BY id";
  const std::string temp = dir.file("tmp");
  for (const std::string type : {"Text", "Csv", "DBF"}) {
    SCOPED_TRACE(type);
    const auto touched = std::filesystem::last_write_time(temp);
    std::vector<std::string> errors;
    const std::string streamed = run(sql, type, errors);
    const std::string streamedMemo = type == "DBF" ? readFile(dir.file("out.dbt")) : "";
    EXPECT_EQ(std::filesystem::last_write_time(temp), touched);
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    // Only a DBF number field cannot hold SQLite's text in a number column.
    EXPECT_EQ(errors.size(), type == "DBF" && !pg ? 1u : 0u);

    // The same rows through a cache table, set up as an unattended run sets up its result.
    std::unique_ptr<TDbOdbcDirect> rs = db->Query(sql);
    rs->lDateAsStr = type != "DBF";
    rs->textsWhole = type != "DBF";
    ASSERT_TRUE(rs->Open());
    runSettings() = RunSettings{};
    const std::string cached = dir.file("cached");
    exportHeldRows(*rs, type, cached);
    rs->End();
    EXPECT_EQ(streamed, readFile(type == "DBF" ? cached + ".dbf" : cached));
    if (type == "DBF") {
      EXPECT_EQ(streamedMemo, readFile(cached + ".dbt"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, RoutesAgree,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

}  // namespace
}  // namespace tabulink

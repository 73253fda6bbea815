// Values exported whole or reported, end to end: the real binary against SQLite and PostgreSQL,
// one test per family of values (numbers; long and special texts; memos; names and shapes), each
// checking the output, the error file, the exit status and the temporary folder left empty. DBF
// outputs are read back by dbfread and ogrinfo.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "support/command.h"
#include "support/odbc_sources.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::commandOutput;
using test::DataSource;
using test::dbfreadDump;
using test::readFile;
using test::writeFile;

// Field names and types as dbfread and as GDAL see them.
std::string dbfFields(const std::string& path) {
  return commandOutput(
      "/usr/bin/python3 -c \"import dbfread,sys; t=dbfread.DBF(sys.argv[1]); "
      "print(' '.join(f.name + ':' + f.type for f in t.fields))\" '" +
      path + "'");
}
std::string ogrFields(const std::string& path) {
  return commandOutput("ogrinfo -so -al '" + path + "' | grep -E '^[A-Za-z0-9_]+: [A-Za-z]+ \\('");
}

// The lines of an error file without their date and time.
std::vector<std::string> errorLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    lines.push_back(line.size() > 24 ? line.substr(24) : line);
    at = end + 2;
  }
  return lines;
}

// A column of the tab-delimited output (0-based), one entry per data line.
std::vector<std::string> column(const std::string& text, size_t index) {
  std::vector<std::string> cells;
  size_t at = text.find("\r\n") + 2;  // past the name line
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    std::string line = text.substr(at, end - at);
    size_t start = 0;
    for (size_t i = 0; i < index; ++i)
      start = line.find('\t', start) + 1;
    cells.push_back(line.substr(start, line.find('\t', start) - start));
    at = end + 2;
  }
  return cells;
}

class ExportValues : public ::testing::TestWithParam<DataSource> {
 protected:
  ExportValues() { std::filesystem::create_directory(temp()); }
  ~ExportValues() override {
    EXPECT_TRUE(std::filesystem::is_empty(temp())) << "cache files left in " << temp();
  }

  bool pg() const { return GetParam().postgres; }
  std::string temp() const { return dir.file("tmp"); }

  struct Run {
    int exitStatus;
    std::vector<std::string> errors;  // the error file's lines
  };
  // Runs a job with `sql` to the output `type` in "out" (with "out.dbf" for a DBF).
  Run run(const std::string& sql, const std::string& type, const std::string& fileOut = "out") {
    const DataSource& s = GetParam();
    for (const char* name : {"err.txt", "out", "out.dbf", "out.dbt"})
      std::filesystem::remove(dir.file(name));
    writeFile(dir.file("job.ini"), std::string("[ODBC]\nDSN=") + s.dsn + "\nUser=" + s.user +
                                       "\nPassword=" + s.password + "\nSQL=" + sql +
                                       "\n[Output]\nType=" + type + "\nFileOut=" + fileOut +
                                       "\nFileErr=err.txt\n");
    test::ProgramRun r =
        test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + temp(), "TMPDIR=" + temp()});
    std::filesystem::path errors = dir.file("err.txt");
    return {r.exitStatus, std::filesystem::exists(errors) ? errorLines(readFile(errors))
                                                          : std::vector<std::string>{}};
  }
  std::string out(const std::string& name = "out") const { return readFile(dir.file(name)); }
  std::unique_ptr<TOdbc> fill(const std::string& table, const std::string& columns) {
    test::recreateTable(GetParam(), table, columns);
    return test::connectTo(GetParam());
  }

  test::TempDir dir;
};

// Numbers come whole, exponent and all digits included, an integer or decimal one digit for digit
// past what a double holds; what does not fit its field gets the data-width message, what is no
// number is reported and exported as NULL, decimals past the field's are reported, and any scale
// exports.
TEST_P(ExportValues, Numbers) {
  const std::string table = test::testTable("numbers");
  std::unique_ptr<TOdbc> db;
  std::string sql;
  if (pg()) {
    db = fill(table,
              "id int, r real, f float8, m money, n numeric(19,0), b bigint, s numeric(30,18), "
              "big numeric(80,0), e numeric(18,8), g numeric(18,0)");
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, 1234567, 1e15, 12.34, -1234567890123456789, "
                       "-9223372036854775808, 123.456, 15e69, 12.12345678, 123456789012345678), "
                       "(2, 0.5, 1.2345678901234568e+18, NULL, 7, 9223372036854775807, NULL, 3, "
                       "1.5, 7)");
    sql = "SELECT id, r, f, m, n, b, s, big, e, g FROM " + table + " ORDER BY id";
  } else {
    db = fill(table, "id integer, r real, i integer");
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, 1e20, -9223372036854775808), (2, 0.00001, 7), "
                       "(3, 12.5, 123456789012345678)");
    sql = "SELECT id, r, i FROM " + table + " ORDER BY id";
  }

  Run r = run(sql, "Text");
  EXPECT_EQ(r.exitStatus, 2);
  std::vector<std::string> expected;
  if (pg()) {
    EXPECT_EQ(out(),
              "id\tr\tf\tm\tn\tb\ts\tbig\te\tg\r\n"
              "1\t1234567.00\t1000000000000000.00\t$12.34\t0\t-9223372036854775808\t123.456000\t0\t"
              "12.1234568\t123456789012345678\r\n"
              "2\t0.50\t0.00\t\t7\t9223372036854775807 \t\t3\t1.5000000\t7\r\n");
    // Each quoted as the data source sent it: 15e69 read whole (its 71 digits, not the first 63).
    // The money text is written as it came; only a DBF number field cannot hold it.
    expected = {
        "Field 'n' row 1 value: -1234567890123456789 Decimals: 0 - Data Width Error.",
        "Field 'big' row 1 value: 15" + std::string(69, '0') + " Decimals: 0 - Data Width Error.",
        "Field 'e' row 1 - value rounded to 12.1234568 - Data Width Error.",
        "Field 'f' row 2 value: 1.2345678901234568e+18 Decimals: 2 - Data Width Error."};
  } else {
    EXPECT_EQ(out(),
              "id\tr\ti\r\n"
              "1\t0.00\t0\r\n"
              "2\t0.00\t7\r\n"
              "3\t12.50\t123456789012345678\r\n");
    expected = {"Field 'r' row 1 value: 1.0e+20 Decimals: 2 - Data Width Error.",
                "Field 'i' row 1 value: -9223372036854775808 Decimals: 0 - Data Width Error."};
  }
  EXPECT_EQ(r.errors, expected);

  // The same numbers in a table: the reports again, the fields as dbfread and GDAL read them.
  r = run(sql, "DBF");
  EXPECT_EQ(r.exitStatus, 2);
  if (pg())
    expected.insert(expected.end() - 1,
                    "Field 'm' row 1 value: $12.34 - Not a number, exported as NULL.");
  EXPECT_EQ(r.errors, expected);
  if (pg()) {
    EXPECT_EQ(dbfreadDump(dir.file("out.dbf")),
              "count 2\n"
              "1|1234567.0|1000000000000000.0|None|0|-9223372036854775808|123.456|0|12.1234568|"
              "123456789012345678\n"
              "2|0.5|0.0|None|7|9223372036854775807|None|3|1.5|7\n");
    EXPECT_NE(ogrFields(dir.file("out.dbf")).find("S: Real (19.6)"), std::string::npos);
  } else {
    EXPECT_EQ(dbfreadDump(dir.file("out.dbf")),
              "count 3\n1|0.0|0\n2|0.0|7\n3|12.5|123456789012345678\n");
  }

  // A scale of 18 or more no longer ends the run: NULL and 0 fit.
  if (pg()) {
    r = run("SELECT CAST(NULL AS numeric(30,18)) AS z, CAST(0 AS numeric(40,20)) AS y", "Text");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(out(), "z\ty\r\n\t0.000000\r\n");
  }
}

// Dates and timestamps that no date holds are reported with column, row and the text the driver
// sent, never turned into another date; fractions of a second keep the digits the column
// declares, filled up with zeros or rounded (into the next year too). Text outputs take dates as
// the driver's text.
TEST_P(ExportValues, Dates) {
  const std::string table = test::testTable("dates");
  std::unique_ptr<TOdbc> db = fill(table, "id integer, d date, ts timestamp");
  std::vector<std::string> bad;
  std::string text, dbf;
  if (pg()) {
    // psqlODBC's text of -infinity and of year 10000 is 0000-00-00 (reported); it writes
    // infinity as 9999-12-31 23:59:59 and drops the era of BC dates, which no client can tell.
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, '2020-01-02', '2020-01-02 03:04:05.123456'), "
                       "(2, '-infinity', 'infinity'), (3, '0044-03-15 BC', '10000-01-01'), "
                       "(4, NULL, '2020-12-31 23:59:59.9999996'), "  // stored rounded
                       "(5, '2024-02-29', '2024-02-29 23:59:59.9994'), (6, '2024-03-01', "
                       "'2024-03-01'), (7, '2024-03-02', NULL)");
    bad = {"Field 'd' row 2 value: 0000-00-00 - Not a date, exported as NULL.",
           "Field 'ts' row 3 value: 0000-00-00 00:00:00 - Not a date, exported as NULL."};
    text =
        "1\t2020-01-02\t2020-01-02 03:04:05.123456\r\n2\t0000-00-00\t9999-12-31 "
        "23:59:59.000000\r\n3\t0044-03-15\t\r\n4\t\t2021-01-01 00:00:00.000000\r\n"
        "5\t2024-02-29\t2024-02-29 23:59:59.999400\r\n6\t2024-03-01\t2024-03-01 "
        "00:00:00.000000\r\n7\t2024-03-02\t\r\n";
    dbf =
        "count 7\n1|2020-01-02|2020-01-02\n2|None|9999-12-31\n3|0044-03-15|None\n"
        "4|None|2021-01-01\n5|2024-02-29|2024-02-29\n6|2024-03-01|2024-03-01\n"
        "7|2024-03-02|None\n";
  } else {
    test::run(*db,
              "INSERT INTO " + table +
                  " VALUES (1, '2020-01-02', '2020-01-02 03:04:05.123456'), "
                  "(2, '2020-02-30', 'garbage'), (3, '0000-01-01', '10000-01-01 00:00:00'), "
                  "(4, NULL, '2020-12-31 23:59:59.9996'), "
                  "(5, '2024-02-29', '2024-02-29 23:59:59.9994'), "
                  "(6, '2023-02-29', '2023-02-29 10:00:00'), "
                  "(7, '2024-12-31', '2024-12-31 23:59:59.9995'), "
                  "(8, '2024-03-01', '2024-03-01 10:11:12.5'), (9, '2024-03-02', '2024-03-02'), "
                  "(10, '2024-03-03', NULL)");
    bad = {"Field 'd' row 2 value: 2020-02-30 - Not a date, exported as NULL.",
           "Field 'ts' row 2 value: garbage - Not a date, exported as NULL.",
           "Field 'd' row 3 value: 0000-01-01 - Not a date, exported as NULL.",
           "Field 'ts' row 3 value: 10000-01-01 00:00:00 - Not a date, exported as NULL.",
           "Field 'd' row 6 value: 2023-02-29 - Not a date, exported as NULL.",
           "Field 'ts' row 6 value: 2023-02-29 10:00:00 - Not a date, exported as NULL."};
    text =
        "1\t2020-01-02\t2020-01-02 03:04:05.123\r\n2\t2020-02-30\t\r\n3\t0000-01-01\t\r\n"
        "4\t\t2021-01-01 00:00:00.000\r\n5\t2024-02-29\t2024-02-29 23:59:59.999\r\n"
        "6\t2023-02-29\t\r\n7\t2024-12-31\t2025-01-01 00:00:00.000\r\n"
        "8\t2024-03-01\t2024-03-01 10:11:12.500\r\n9\t2024-03-02\t2024-03-02 00:00:00.000\r\n"
        "10\t2024-03-03\t\r\n";
    // A table's date field holds the date of a timestamp, its time not rounded.
    dbf =
        "count 10\n1|2020-01-02|2020-01-02\n2|None|None\n3|None|None\n4|None|2020-12-31\n"
        "5|2024-02-29|2024-02-29\n6|None|None\n7|2024-12-31|2024-12-31\n"
        "8|2024-03-01|2024-03-01\n9|2024-03-02|2024-03-02\n10|2024-03-03|None\n";
  }
  const std::string sql = "SELECT id, d, ts FROM " + table + " ORDER BY id";
  Run r = run(sql, "DBF");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.errors, bad);
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")), dbf);
  r = run(sql, "Text");
  EXPECT_EQ(r.exitStatus, 2);
  std::vector<std::string> timestamps;
  std::copy_if(bad.begin(), bad.end(), std::back_inserter(timestamps),
               [](const std::string& line) { return line.starts_with("Field 'ts'"); });
  EXPECT_EQ(r.errors, timestamps);
  EXPECT_EQ(out(), "id\td\tts\r\n" + text);
}

// Texts longer than their column are cut only at a field's or a cell's width, and reported; the
// tab-delimited text has no cells and writes them whole; memo texts are read whole up to the cap;
// 0x1A, Latin-1 and UTF-8 bytes come out as they went in.
TEST_P(ExportValues, LongAndSpecialTexts) {
  const std::string table = test::testTable("texts");
  std::unique_ptr<TOdbc> db = fill(table, "id integer, t text, v varchar(5), c varchar(3)");
  std::string sql;
  if (pg()) {
    // PostgreSQL keeps to the declared lengths; its expression texts are 255 bytes wide.
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, repeat('x', 10004), 'abcde', NULL), "
                       "(2, repeat('y', 200003), NULL, NULL), "
                       "(3, 'before' || chr(26) || 'after', 'ab', NULL)");
    sql = "SELECT id, t, v, c, repeat('z', 1003)::varchar AS e FROM " + table + " ORDER BY id";
  } else {
    test::run(*db,
              "INSERT INTO " + table +
                  " VALUES (1, printf('%.*c', 10004, 'x'), 'abcdefgh', 'ab' || X'E9' || 'cd'), "
                  "(2, printf('%.*c', 200003, 'y'), NULL, 'a\xE2\x82\xAC'), "
                  "(3, 'before' || char(26) || 'after', 'ab', NULL)");
    sql = "SELECT id, t, v, c, printf('%.*c', 1003, 'z') AS e FROM " + table + " ORDER BY id";
  }
  auto cut = [](const std::string& field, int row, int held, int kept) {
    return "Field '" + field + "' row " + std::to_string(row) + " - value of " +
           std::to_string(held) + " bytes cut to " + std::to_string(kept) + " - Data Width Error.";
  };
  std::vector<std::string> expected;
  if (!pg()) expected = {cut("v", 1, 8, 5), cut("c", 1, 5, 3)};
  expected.push_back(cut("e", 1, 1003, 255));
  expected.push_back(cut("t", 2, 200003, 131072));
  if (!pg()) expected.push_back(cut("c", 2, 4, 3));
  expected.push_back(cut("e", 2, 1003, 255));
  expected.push_back(cut("e", 3, 1003, 255));

  Run r = run(sql, "Text");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.errors, (std::vector<std::string>{cut("t", 2, 200003, 131072)}));
  const std::string text = out();
  EXPECT_EQ(column(text, 1),
            (std::vector<std::string>{std::string(10004, 'x'), std::string(131072, 'y'),
                                      "before\x1A"
                                      "after"}));
  EXPECT_EQ(column(text, 2), (std::vector<std::string>{pg() ? "abcde" : "abcdefgh", "", "ab   "}));
  EXPECT_EQ(column(text, 4)[0], std::string(1003, 'z'));
  if (!pg()) {
    EXPECT_EQ(column(text, 3), (std::vector<std::string>{"ab\xE9"
                                                         "cd",
                                                         "a\xE2\x82\xAC", ""}));
  }

  // The boxed table cuts a cell to its column's length; a memo cell is as wide as the longest
  // text of its column.
  r = run(sql, "AsciiTable");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.errors, expected);

  // In a DBF every reader ends a memo at 0x1A: said in the error file.
  r = run(sql, "DBF");
  EXPECT_EQ(r.exitStatus, 2);
  expected.push_back(
      "Field 't' row 3 - the memo holds the byte 0x1A, where readers of the DBF end it.");
  EXPECT_EQ(r.errors, expected);
  const std::string z(255, 'z');
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")),
            "count 3\n1|" + std::string(10004, 'x') + "|abcde|" + (pg() ? "" : "ab\xC3\xA9") + "|" +
                z + "\n2|" + std::string(131072, 'y') + "||" + (pg() ? "" : "a") + "|" + z +
                "\n3|before|ab||" + z + "\n");
}

// Memo values are stored as the data source holds them: a short text takes one block of the
// memo file, a NULL none. A table that would share its name with its memo file is refused.
TEST_P(ExportValues, Memos) {
  const std::string table = test::testTable("memos");
  std::unique_ptr<TOdbc> db = fill(table, "id integer, t text");
  test::insertSeries(*db, table, 2000, "i, CASE WHEN i % 4 = 0 THEN NULL ELSE 'short' END");
  const std::string sql = "SELECT id, t FROM " + table + " ORDER BY id";

  Run r = run(sql, "DBF");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(std::filesystem::file_size(dir.file("out.dbt")), 512u * (1 + 1500));
  std::string expected = "count 2000\n";
  for (int i = 1; i <= 2000; ++i)
    expected += std::to_string(i) + "|" + (i % 4 == 0 ? "None" : "short") + "\n";
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")), expected);
  EXPECT_NE(ogrFields(dir.file("out.dbf")).find("T: String"), std::string::npos);

  r = run(sql, "DBF", "out.dbt");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.errors, (std::vector<std::string>{
                          "The dbf output file out.dbt has the name of its memo file: give it "
                          "another extension.",
                          "Error opening the dbf output file: out.dbt"}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.dbt")));

  r = run(sql, "Text");
  EXPECT_EQ(r.exitStatus, 0);
  expected = "id\tt\r\n";
  for (int i = 1; i <= 2000; ++i)
    expected += std::to_string(i) + "\t" + (i % 4 == 0 ? "" : "short") + "\r\n";
  EXPECT_EQ(out(), expected);
}

// DBF field names unique within 10 characters, rows wider than a DBF record, and a result with
// no columns.
TEST_P(ExportValues, NamesAndShapes) {
  const std::string table = test::testTable("names");
  std::unique_ptr<TOdbc> db = fill(table,
                                   "customer_name_first varchar(8), customer_name_last varchar(8), "
                                   "customer_1 varchar(8)");
  test::run(*db, "INSERT INTO " + table + " VALUES ('Ann', 'Smith', 'x')");
  Run r = run("SELECT * FROM " + table, "DBF");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(dbfFields(dir.file("out.dbf")), "CUSTOMER_N:C CUSTOMER_1:C CUSTOMER_2:C\n");
  EXPECT_EQ(ogrFields(dir.file("out.dbf")),
            "CUSTOMER_N: String (8.0)\nCUSTOMER_1: String (8.0)\nCUSTOMER_2: String (8.0)\n");
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")), "count 1\nAnn|Smith|x\n");

  // 260 columns of 255 bytes: more than a record holds, so the longest go to the memo file.
  const std::string wide = test::testTable("wide");
  std::string columns, values;
  for (int i = 0; i < 260; ++i) {
    columns += (i > 0 ? ", c" : "c") + std::to_string(i) + " varchar(255)";
    values += (i > 0 ? ", 'v" : "'v") + std::to_string(i) + "'";
  }
  db = fill(wide, columns);
  test::run(*db, "INSERT INTO " + wide + " VALUES (" + values + ")");
  r = run("SELECT * FROM " + wide, "DBF");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.errors.empty());
  // The first four columns went to the memo file, blanks and all; dbfread drops the blanks
  // of character fields.
  std::string expected = "count 1\n";
  for (int i = 0; i < 260; ++i)
    expected += (i > 0 ? "|v" : "v") + std::to_string(i) + std::string(i < 4 ? 253 : 0, ' ');
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")), expected + "\n");
  r = run("SELECT * FROM " + wide, "Text");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(column(out(), 259), (std::vector<std::string>{"v259" + std::string(251, ' ')}));

  // Only PostgreSQL runs a SELECT without columns.
  if (!pg()) return;
  r = run("SELECT FROM " + table, "Text");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(
      r.errors,
      (std::vector<std::string>{"The result of the statement has no columns: nothing to export."}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  r = run("SELECT FROM " + table, "DBF");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.dbf")));
}

// What each output makes of a column's shape: a logical cell shows ".T.", a number cell makes
// room for a long decimal character, a memo cell is as wide as its longest text, a DBF character
// field takes no decimals (a PostgreSQL time) and a column without a name gets FIELD<n>; a
// statement with result columns is exported whatever its first word, one without is only run.
TEST_P(ExportValues, CellsFieldsAndStatementsWithColumns) {
  const std::string table = test::testTable("shapes");
  std::unique_ptr<TOdbc> db =
      fill(table, std::string("id integer, ") + (pg() ? "flag boolean" : "flag bit") +
                      ", amount numeric(18,2), note text, other numeric(18,2)");
  test::run(*db, "INSERT INTO " + table + " VALUES (1, " + (pg() ? "true" : "1") +
                     ", -1234.5, 'short', 8.25), (2, " + (pg() ? "false" : "0") +
                     ", 7, 'a much longer memo', 0), (3, NULL, NULL, NULL, NULL)");
  // Every cell made for a row stays whole until the row is written.
  Run r = run("SELECT flag, amount, note, other FROM " + table + " ORDER BY id",
              "AsciiTable\nDecChar=::");
  EXPECT_EQ(r.exitStatus, 0);
  // psqlODBC delivers booleans as a text of 5 bytes.
  const std::string flagName = pg() ? "flag " : "fla";
  const std::string yes = pg() ? "1    " : ".T.", no = pg() ? "0    " : ".F.";
  const std::string border = "+" + std::string(flagName.size(), '-') + "+" + std::string(20, '-') +
                             "+" + std::string(18, '-') + "+" + std::string(20, '-') + "+\r\n";
  auto line = [&](const std::string& flag, const std::string& amount, const std::string& note,
                  const std::string& other) {
    return "|" + flag + "|" + std::string(20 - amount.size(), ' ') + amount + "|" + note +
           std::string(18 - note.size(), ' ') + "|" + std::string(20 - other.size(), ' ') + other +
           "|\r\n";
  };
  EXPECT_EQ(out(), border + "|" + flagName + "|amount" + std::string(14, ' ') + "|note" +
                       std::string(14, ' ') + "|other" + std::string(15, ' ') + "|\r\n" + border +
                       line(yes, "-1234::50", "short", "8::25") +
                       line(no, "7::00", "a much longer memo", "0::00") +
                       line(std::string(flagName.size(), ' '), "", "", "") + border);

  // Blank names; the time's decimals (its fraction's digits) are no part of a character field.
  r = run(std::string("SELECT 1 AS a, 2 AS \" \", 3 AS field2") +
              (pg() ? ", '03:04:05'::time AS tm" : "") + " FROM " + table + " WHERE id = 1",
          "DBF");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.errors.empty());
  // SQLite describes an expression as a text.
  EXPECT_EQ(dbfFields(dir.file("out.dbf")),
            pg() ? "A:N FIELD2:N FIELD2_1:N TM:C\n" : "A:C FIELD2:C FIELD2_1:C\n");
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")),
            std::string("count 1\n1|2|3") + (pg() ? "|03:04:05" : "") + "\n");
  if (pg()) {
    EXPECT_NE(ogrFields(dir.file("out.dbf")).find("TM: String (8.0)"), std::string::npos);
  }

  // Whatever the first word: a WITH, a comment, blanks; on PostgreSQL also VALUES, TABLE, a
  // parenthesis and a RETURNING clause (the SQLite driver describes no columns for those).
  std::vector<std::pair<std::string, std::string>> statements = {
      {"WITH t AS (SELECT id FROM " + table + " WHERE id = 2) SELECT id FROM t", "id\r\n2\r\n"},
      {"/* first */ SELECT id FROM " + table + " WHERE id = 1", "id\r\n1\r\n"},
      {"\"  SELECT id FROM " + table + " WHERE id = 3\"", "id\r\n3\r\n"},
      {"SELECT\tid FROM " + table + " WHERE id = 3", "id\r\n3\r\n"}};
  if (pg()) {
    statements.push_back({"VALUES (5, 'x')", "column1\tcolumn2\r\n5\tx\r\n"});
    statements.push_back({"(SELECT id FROM " + table + " WHERE id = 2)", "id\r\n2\r\n"});
    statements.push_back(
        {"INSERT INTO " + table + " (id) VALUES (4) RETURNING id * 10 AS ten", "ten\r\n40\r\n"});
    statements.push_back({"TABLE " + table + " ORDER BY id DESC LIMIT 1",
                          "id\tflag\tamount\tnote\tother\r\n4\t\t\t\t\r\n"});
  }
  for (const auto& [sql, text] : statements) {
    r = run(sql, "Text");
    EXPECT_EQ(r.exitStatus, 0) << sql;
    EXPECT_TRUE(r.errors.empty()) << sql;
    EXPECT_EQ(out(), text) << sql;
  }
  // The RETURNING statement ran once; an UPDATE has no columns and is only run.
  r = run("UPDATE " + table + " SET note = 'changed' WHERE id = 3", "Text");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  EXPECT_EQ(trim(CVALTOCHAR(db->QueryData("SELECT count(*) FROM " + table + " WHERE id = 4"))),
            pg() ? "1" : "0");
  EXPECT_EQ(CVALTOCHAR(db->QueryData("SELECT note FROM " + table + " WHERE id = 3")), "changed");

  // Texts past the width the driver described (255 for an expression): whole in the
  // tab-delimited text, shorter ones still filled to it; cut and reported in a DBF's field.
  const std::string wide = pg() ? "repeat('q', 300)::varchar AS w, 'ab'::varchar AS s"
                                : "printf('%.*c', 300, 'q') AS w, 'ab' AS s";
  const std::string sql = "SELECT " + wide + " FROM " + table + " WHERE id = 1";
  r = run(sql, "Text");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(out(), "w\ts\r\n" + std::string(300, 'q') + "\tab" + std::string(253, ' ') + "\r\n");
  r = run(sql, "CSV");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(out(), "w,s\r\n" + std::string(300, 'q') + ",ab\r\n");
  r = run(sql, "DBF");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.errors, (std::vector<std::string>{
                          "Field 'w' row 1 - value of 300 bytes cut to 255 - Data Width Error."}));
  EXPECT_EQ(dbfreadDump(dir.file("out.dbf")), "count 1\n" + std::string(255, 'q') + "|ab\n");
}

INSTANTIATE_TEST_SUITE_P(Sources, ExportValues,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

}  // namespace
}  // namespace tabulink

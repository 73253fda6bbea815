#pragma once
// The real data sources of the test odbc.ini (SQLite, and PostgreSQL through psqlODBC's ANSI and
// Unicode drivers; the PostgreSQL ones need the `postgres` fixture) and helpers to connect a
// TOdbc to them and to create tables that no parallel test shares.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "odbc/todbc.h"

namespace tabulink::test {

struct DataSource {
  const char* label;  // for test names
  const char* dsn;
  const char* user;
  const char* password;
  bool postgres;
};

inline const DataSource kSQLite{"SQLite", "TestSQLite", "", "", false};
inline const DataSource kPgAnsi{"PgAnsi", "TestPgAnsi", "tabulink", "tabulink", true};
inline const DataSource kPgUnicode{"PgUnicode", "TestPgUnicode", "tabulink", "tabulink", true};
// The ANSI driver fetching 30 rows at a time from the server instead of 100.
inline const DataSource kPgFetch30{"PgFetch30", "TestPgFetch30", "tabulink", "tabulink", true};
// A PostgreSQL user whose password no connection string could carry as it is.
inline constexpr const char* kSemicolonUser = "tabulink_semi";
inline constexpr const char* kSemicolonPassword = "se;mi{co}lon";
// PostgreSQL users whose passwords hold what a connection string would decode ("+", "%41"), and
// every printable ASCII character.
inline constexpr const char* kPlusUser = "tabulink_plus";
inline constexpr const char* kPlusPassword = "a+b%41c";
inline constexpr const char* kAsciiUser = "tabulink_ascii";
inline constexpr const char* kAsciiPassword =
    "! "
    "\"#$%&'()*+,-./"
    "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

inline void PrintTo(const DataSource& source, std::ostream* out) {
  *out << source.label;
}

// For INSTANTIATE_TEST_SUITE_P(..., ::testing::Values(kSQLite, kPgAnsi, kPgUnicode), sourceName).
inline std::string sourceName(const ::testing::TestParamInfo<DataSource>& info) {
  return info.param.label;
}

// A connection whose errors are collected, not shown; the test fails when it cannot connect.
inline std::unique_ptr<TOdbc> connectTo(const DataSource& source) {
  auto db = std::make_unique<TOdbc>(source.dsn, source.user, source.password, false);
  EXPECT_TRUE(db->lSuccess()) << source.dsn << " did not connect";
  return db;
}

// `base` made unique to the running test, since the test processes share the databases:
// lower case, so that PostgreSQL's folding leaves it alone.
inline std::string testTable(std::string_view base) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string key = std::string(info->test_suite_name()) + "." + info->name();
  size_t hash = std::hash<std::string>{}(key);
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016zx", hash);
  return std::string(base) + "_" + suffix;
}

// Creates `table` afresh with the column list `columns` ("a integer, b text"), through a
// connection of its own so that the notices of the set-up stay off the test's error list.
inline void recreateTable(const DataSource& source, const std::string& table,
                          const std::string& columns) {
  TOdbc db(source.dsn, source.user, source.password, false);
  db.Execute("DROP TABLE IF EXISTS " + table);
  ASSERT_TRUE(db.Execute("CREATE TABLE " + table + " (" + columns + ")"))
      << (db.IsError() ? db.aErrors().back().message : std::string());
}

// Runs `sql`, failing the test with the driver's message when it does not succeed.
inline void run(TOdbc& db, const std::string& sql) {
  EXPECT_TRUE(db.Execute(sql)) << sql << ": "
                               << (db.IsError() ? db.aErrors().back().message : std::string());
}

// Inserts one row per i = 1..count into `table`, its values the expressions of `select` over i
// ("i, 'name ' || i"); the same statement serves SQLite and PostgreSQL.
inline void insertSeries(TOdbc& db, const std::string& table, int count,
                         const std::string& select) {
  run(db, "INSERT INTO " + table +
              " WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
              std::to_string(count) + ") SELECT " + select + " FROM s");
}

}  // namespace tabulink::test

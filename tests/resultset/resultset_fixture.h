#pragma once
// Shared set-up of the result-set tests: the scripted UI, cache tables in a directory of the
// test's own (TEMP), run-time errors and fill messages recorded, no work area left open.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "failure/error_block.h"
#include "resultset/tdbodbcdirect.h"
#include "support/odbc_env.h"
#include "support/odbc_sources.h"
#include "support/scripted_ui_scope.h"
#include "support/temp_dir.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"

namespace tabulink::test {

class ResultSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousBlock_ = installErrorBlock([this](const RunError& error) {
      runErrors.push_back(ERRORMESSAGE(error));
      return ErrorAnswer::Default;
    });
    installFillReporter([this](std::string_view message) { fillMessages.emplace_back(message); });
  }
  void TearDown() override {
    installFillReporter({});
    WorkAreas::instance().closeAll();
    WorkAreas::instance().select(1);
    installErrorBlock(previousBlock_);
  }

  // The cache table of an opened result set.
  static DbfTable& cacheOf(const TDbOdbcDirect& rs) {
    DbfTable* table = WorkAreas::instance().table(rs.nWorkArea());
    EXPECT_NE(table, nullptr);
    return *table;
  }

  // Names of the files in the cache directory.
  std::vector<std::string> cacheFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ScriptedUiScope ui;
  TempDir temp;
  ScopedEnv tempVariable{"TEMP", temp.path().string()};
  std::vector<std::string> runErrors;
  std::vector<std::string> fillMessages;

 private:
  ErrorBlock previousBlock_;
};

// Over every real data source.
class ResultSetOnSource : public ResultSetTest, public ::testing::WithParamInterface<DataSource> {};

}  // namespace tabulink::test

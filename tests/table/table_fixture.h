#pragma once
// Shared pieces of the table tests: an error block that records every error and answers from a
// queue (Default when empty), a fixture that leaves no work area open, and the independent
// reader of written tables.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "failure/error_block.h"
#include "support/command.h"
#include "support/temp_dir.h"
#include "table/work_areas.h"

namespace tabulink::test {

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = installErrorBlock([this](const RunError& error) {
      errors.push_back(error);
      if (answers.empty()) return ErrorAnswer::Default;
      ErrorAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    WorkAreas::instance().closeAll();
    WorkAreas::instance().select(1);
    installErrorBlock(previous_);
  }

  // The message lines of the errors raised so far.
  std::vector<std::string> messages() const {
    std::vector<std::string> lines;
    for (const RunError& error : errors)
      lines.push_back(ERRORMESSAGE(error));
    return lines;
  }

  TempDir dir;
  std::vector<RunError> errors;
  std::deque<ErrorAnswer> answers;

 private:
  ErrorBlock previous_;
};

inline uint32_t le32At(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
         static_cast<uint8_t>(bytes[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

inline uint16_t le16At(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

}  // namespace tabulink::test

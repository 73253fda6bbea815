#pragma once
// The error handler under test: ERRORDIALOG installed, a scripted UI, a fresh current directory
// for "Error.log", and every hook put back afterwards.

#include <gtest/gtest.h>

#include <memory>

#include "failure/errorsys.h"
#include "failure/neterr.h"
#include "failure/program_end.h"
#include "failure/report_sources.h"
#include "gui/scripted_ui.h"
#include "support/temp_dir.h"

namespace tabulink::test {

class HandlerTest : public ::testing::Test {
 protected:
  HandlerTest() : cwd_(dir_.path()) {
    auto scripted = std::make_unique<ScriptedUi>();
    ui_ = scripted.get();
    oldUi_ = installUi(std::move(scripted));
    ERRORSYS();
    NETERR(false);
  }
  ~HandlerTest() override {
    installErrorBlock(defaultErrorBlock);
    installUi(std::move(oldUi_));
    installWorkAreaSource({});
    installTableDriverSource({});
    installWindowTitleSource({});
    setMainWindowRunning(false);
  }

  std::string logPath() const { return dir_.file("Error.log"); }

  TempDir dir_;
  CurrentDir cwd_;
  ScriptedUi* ui_ = nullptr;

 private:
  std::unique_ptr<Ui> oldUi_;
};

// The error a numeric value too wide for its table field raises.
inline RunError dataWidthError() {
  RunError error;
  error.GENCODE = 34;
  error.SUBSYSTEM = "DBFNTX";
  error.SUBCODE = 1021;
  error.DESCRIPTION = "Data width error";
  error.CANDEFAULT = true;
  return error;
}

}  // namespace tabulink::test

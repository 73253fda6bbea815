#pragma once
// Installs a ScriptedUi for the life of the object and puts the previous backend back afterwards,
// so a test can read every message box and list that the code under test showed.

#include <memory>

#include "gui/scripted_ui.h"

namespace tabulink::test {

class ScriptedUiScope {
 public:
  ScriptedUiScope() : previous_(installUi(std::unique_ptr<Ui>(ui_ = new ScriptedUi))) {}
  ~ScriptedUiScope() { installUi(std::move(previous_)); }
  ScriptedUiScope(const ScriptedUiScope&) = delete;
  ScriptedUiScope& operator=(const ScriptedUiScope&) = delete;

  ScriptedUi& operator*() const { return *ui_; }
  ScriptedUi* operator->() const { return ui_; }

 private:
  ScriptedUi* ui_ = nullptr;  // owned by the installed backend
  std::unique_ptr<Ui> previous_;
};

}  // namespace tabulink::test

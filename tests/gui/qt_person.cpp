#include "qt_person.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <QAbstractButton>
#include <QTest>

#include "gui/qt/qt_ui.h"
#include "gui/ui.h"

namespace tabulink::test {
namespace {

constexpr int kLookIntervalMs = 5;
// A step not taken within about 30 s fails the test and closes every window, so that no modal
// loop is left waiting.
constexpr int kPatienceLooks = 30000 / kLookIntervalMs;

bool isGrid(const QWidget& window) {
  return window.windowTitle().startsWith(QStringLiteral("Tabulink rel."));
}

bool gridOpen() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && isGrid(*window)) return true;
  return false;
}

// The Qt backend on the offscreen platform for the whole test binary.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    previous_ = installUi(createQtUi());
  }
  void TearDown() override { installUi(std::move(previous_)); }

 private:
  std::unique_ptr<Ui> previous_;
};

const bool kRegistered = [] {
  ::testing::AddGlobalTestEnvironment(new QtEnvironment);
  return true;
}();

}  // namespace

QWidget* windowTitled(const QString& title) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle().startsWith(title)) return window;
  return nullptr;
}

Person::Person() {
  timer_.setInterval(kLookIntervalMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
  timer_.start();
}

Person::~Person() {
  EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps not taken, the first on \""
                              << steps_.front().title.toStdString() << "\"";
}

Person& Person::then(const QString& title, std::function<void(QWidget&)> act, bool besideGrid) {
  steps_.push_back({title, std::move(act), besideGrid, {}});
  return *this;
}

Person& Person::thenWhen(const QString& title, std::function<bool(QWidget&)> when,
                         std::function<void(QWidget&)> act) {
  steps_.push_back({title, std::move(act), false, std::move(when)});
  return *this;
}

void Person::look() {
  if (steps_.empty()) return;
  const Step& step = steps_.front();
  QWidget* window = windowTitled(step.title);
  bool ready = window != nullptr;
  if (ready && !isGrid(*window))
    ready = window == QApplication::activeModalWidget() && (step.besideGrid || !gridOpen());
  if (ready && step.when) ready = step.when(*window);
  if (!ready) {
    if (++idleLooks_ > kPatienceLooks) {
      QWidget* modal = QApplication::activeModalWidget();
      ADD_FAILURE() << "no window \"" << step.title.toStdString() << "\" to act on; on top: "
                    << (modal != nullptr ? modal->windowTitle().toStdString() : "nothing");
      steps_.clear();
      for (QWidget* open : QApplication::topLevelWidgets())
        open->close();
    }
    return;
  }
  idleLooks_ = 0;
  // Posted, so that an action that opens a modal loop does not hold up the next look.
  QTimer::singleShot(0, window, [window, act = step.act] { act(*window); });
  steps_.pop_front();
}

void typeInto(QWidget& field, const QString& text) {
  field.setFocus();
  QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&field, Qt::Key_Delete);
  QTest::keyClicks(&field, text);
}

void click(QWidget& window, const QString& name) {
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (button->objectName() == name || button->text() == name) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  }
  ADD_FAILURE() << "no button " << name.toStdString() << " in "
                << window.windowTitle().toStdString();
}

}  // namespace tabulink::test

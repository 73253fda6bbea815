#pragma once
// The Qt tests' person at the desktop: the Qt backend installed on the offscreen platform for the
// whole test binary, and a Person who waits for windows by their title and acts on them from
// inside whatever message loop runs, as a user's keys and clicks would arrive.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

namespace tabulink::test {

// A visible top-level window whose title begins with `title`; null when there is none.
QWidget* windowTitled(const QString& title);

class Person {
 public:
  Person();
  ~Person();
  Person(const Person&) = delete;
  Person& operator=(const Person&) = delete;

  // Acts once on the window whose title begins with `title`, as soon as it is the window on top:
  // the modal dialog that has the input, with no grid window open over it unless
  // `besideGrid`; a grid window ("Tabulink rel.") needs only to be shown.
  Person& then(const QString& title, std::function<void(QWidget&)> act, bool besideGrid = false);
  // The same, once the window also satisfies `when`.
  Person& thenWhen(const QString& title, std::function<bool(QWidget&)> when,
                   std::function<void(QWidget&)> act);

  // Whether every step has run.
  bool done() const { return steps_.empty(); }

 private:
  struct Step {
    QString title;
    std::function<void(QWidget&)> act;
    bool besideGrid;
    std::function<bool(QWidget&)> when;
  };
  void look();

  std::deque<Step> steps_;
  QTimer timer_;
  int idleLooks_ = 0;
};

// Types `text` into `field` as keys, after selecting what it holds.
void typeInto(QWidget& field, const QString& text);
// Clicks the push button named `name` (or labelled `name`) in `window`.
void click(QWidget& window, const QString& name);

}  // namespace tabulink::test

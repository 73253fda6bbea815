#pragma once
// The grid window of the screen output: a top-level window whose grid shows the result through
// the GridWindow's cell reader. Read-only; Ctrl+C copies the selected rows as tab-delimited text
// (the context menu also with headers), Ctrl+A selects every row of the result, Ctrl+F finds a
// text. Closing runs the closing check; a refused close leaves the window open.

#include <QWidget>

#include "gui/ui.h"

class QLineEdit;
class QLabel;

namespace tabulink::qt {

class GridModel;
class GridView;

class GridWindowWidget : public QWidget {
  Q_OBJECT

 public:
  explicit GridWindowWidget(GridWindow window);
  ~GridWindowWidget() override;

  // Takes in rows added to the result since; the view keeps its scroll position and selection.
  void refresh();

 signals:
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The selected rows as tab-delimited lines in UTF-8, each ended by a line feed; with the column
  // names first when `headers`.
  QByteArray selectedText(bool headers) const;
  void copySelection(bool headers);
  // Widens the columns that the rows in view need wider: a number's to every digit, a text's up
  // to the width its field holds; columns never narrow.
  void fitColumns();
  // Saves every row to a file output the user chooses in a file dialog.
  void saveRows();
  // Completes the result, then selects every row.
  void selectAllRows();
  // Moves to the next row after the current one holding `text` (any letter case), wrapping
  // around; false when no row holds it.
  bool findNext(const QString& text);
  void showFindBar();
  // Runs the closing check now, unless it already ran (a window destroyed without closing).
  bool runClosingCheck();

  GridWindow window_;
  GridModel* model_;
  GridView* view_;
  QWidget* findBar_;
  QLineEdit* findField_;
  QLabel* findStatus_;
  bool checked_ = false;  // the closing check has allowed the closing
};

}  // namespace tabulink::qt

#include "gui/qt/grid_window.h"

#include <malloc.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "gui/qt/grid_model.h"
#include "gui/qt/grid_view.h"
#include "gui/qt/qt_text.h"

namespace tabulink::qt {
namespace {

// Rows searched between two looks at the window's messages, so a long search never freezes it.
constexpr int kFindChunk = 2000;
// Rows whose values size the columns, at least, wherever the view stands.
constexpr int kRowsSized = 60;
// The widest a text column grows to fit its values.
constexpr int kTextWidth = 400;
// Room kept ahead of a copy's text as it is made.
constexpr qsizetype kCopyHeadroom = 1 << 20;

QAction* windowAction(QWidget* owner, const QString& text, const QKeySequence& keys) {
  auto* action = new QAction(text, owner);
  action->setShortcut(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  owner->addAction(action);
  return action;
}

}  // namespace

GridWindowWidget::GridWindowWidget(GridWindow window)
    : QWidget(nullptr, Qt::Window),
      window_(std::move(window)),
      model_(new GridModel(window_, this)),
      view_(new GridView(this)),
      findBar_(new QWidget(this)),
      findField_(new QLineEdit(findBar_)),
      findStatus_(new QLabel(findBar_)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(toQString(window_.title));
  setWindowIcon(QIcon(QStringLiteral(":/icons/TABULINK")));
  view_->setModel(model_);
  view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int column = 0; column < model_->columnCount(); ++column)
    view_->setColumnWidth(column, view_->horizontalHeader()->sectionSizeHint(column));
  fitColumns();
  // Rows scrolled into view or newly arrived may hold wider values.
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          &GridWindowWidget::fitColumns);

  auto* findLayout = new QHBoxLayout(findBar_);
  findLayout->setContentsMargins(4, 2, 4, 2);
  findLayout->addWidget(new QLabel(tr("Find:"), findBar_));
  findLayout->addWidget(findField_, 1);
  findLayout->addWidget(findStatus_);
  auto* closeFind = new QToolButton(findBar_);
  closeFind->setText(QStringLiteral("✕"));
  closeFind->setAutoRaise(true);
  findLayout->addWidget(closeFind);
  findBar_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(findBar_);

  QAction* copy = windowAction(this, tr("&Copy"), QKeySequence::Copy);
  QAction* copyHeaders =
      windowAction(this, tr("Copy with &headers"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  QAction* selectAll = windowAction(this, tr("Select &all"), QKeySequence::SelectAll);
  QAction* find = windowAction(this, tr("&Find..."), QKeySequence::Find);
  QAction* save = windowAction(this, tr("&Save as..."), QKeySequence::Save);
  connect(save, &QAction::triggered, this, &GridWindowWidget::saveRows);
  QAction* findAgain = windowAction(this, tr("Find &next"), QKeySequence::FindNext);
  connect(copy, &QAction::triggered, this, [this] { copySelection(false); });
  connect(copyHeaders, &QAction::triggered, this, [this] { copySelection(true); });
  connect(selectAll, &QAction::triggered, this, &GridWindowWidget::selectAllRows);
  connect(find, &QAction::triggered, this, &GridWindowWidget::showFindBar);
  auto searchOn = [this] {
    const QString text = findField_->text();
    if (text.isEmpty()) return;
    findStatus_->setText(findNext(text) ? QString() : tr("Not found"));
  };
  connect(findAgain, &QAction::triggered, this, searchOn);
  connect(findField_, &QLineEdit::returnPressed, this, searchOn);
  auto hideFind = [this] {
    findBar_->hide();
    view_->setFocus();
  };
  connect(closeFind, &QToolButton::clicked, this, hideFind);
  auto* escape = new QAction(findBar_);
  escape->setShortcut(Qt::Key_Escape);
  escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  findBar_->addAction(escape);
  connect(escape, &QAction::triggered, this, hideFind);

  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this, copy, copyHeaders, selectAll, find, save](const QPoint& at) {
            QMenu menu(this);
            menu.addAction(copy);
            menu.addAction(copyHeaders);
            menu.addSeparator();
            menu.addAction(selectAll);
            menu.addAction(find);
            menu.addSeparator();
            menu.addAction(save);
            menu.exec(view_->viewport()->mapToGlobal(at));
          });
  if (model_->rowCount() > 0) view_->selectRow(0);
  view_->setFocus();
}

GridWindowWidget::~GridWindowWidget() {
  runClosingCheck();
}

void GridWindowWidget::refresh() {
  model_->refresh();
  fitColumns();
}

void GridWindowWidget::fitColumns() {
  const int rows = model_->rowCount();
  const QFontMetrics metrics(view_->font());
  const int margin =
      2 * (view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 2);
  // The rows in view, and at least a screenful from the first: the view may not be laid out yet.
  const int first = std::max(view_->rowAt(0), 0);
  const int last = std::max(view_->rowAt(view_->viewport()->height() - 1), first + kRowsSized);
  for (int column = 0; column < model_->columnCount(); ++column) {
    const auto c = static_cast<size_t>(column);
    const bool number = c < window_.numeric.size() && window_.numeric[c];
    const int chars = c < window_.widths.size() ? window_.widths[c] : 0;
    // A number's column shows every digit; a text's grows with its values up to the widest one
    // its field holds, and within reason (a cut text shows whole in its tooltip).
    int limit = number ? INT_MAX : kTextWidth;
    if (!number && chars > 0)
      limit = std::min(limit, metrics.horizontalAdvance(QString(chars, u'W')) + margin);
    int wanted = view_->columnWidth(column);
    if (number && chars > 0)
      wanted = std::max(wanted, metrics.horizontalAdvance(QString(chars, u'9')) + margin);
    for (int row = first; row <= last && row < rows; ++row) {
      const QString text = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
      wanted = std::max(wanted, std::min(limit, metrics.horizontalAdvance(text) + margin));
    }
    if (wanted > view_->columnWidth(column)) view_->setColumnWidth(column, wanted);
  }
}

QByteArray GridWindowWidget::selectedText(bool headers) const {
  // Rows from the selection's ranges, merged into spans in order: a list of every selected index
  // would take more memory than the text of a million rows.
  std::vector<std::pair<int, int>> ranges;  // first and last row
  for (const QItemSelectionRange& range : view_->selectionModel()->selection())
    ranges.emplace_back(range.top(), range.bottom());
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<int, int>> spans;
  long selected = 0;
  for (const auto& [top, bottom] : ranges) {
    if (!spans.empty() && top <= spans.back().second + 1) {
      selected += std::max(bottom - spans.back().second, 0);
      spans.back().second = std::max(spans.back().second, bottom);
    } else {
      selected += bottom - top + 1;
      spans.emplace_back(top, bottom);
    }
  }
  const int columns = model_->columnCount();
  QByteArray text;
  auto appendLine = [&](auto&& cellOf) {
    for (int column = 0; column < columns; ++column) {
      if (column > 0) text += '\t';
      const std::string cell = cellOf(column);
      text.append(cell.data(), static_cast<qsizetype>(cell.size()));
    }
    text += '\n';
  };
  if (headers)
    appendLine([this](int column) { return window_.headers[static_cast<size_t>(column)]; });
  long written = 0;
  for (const auto& [top, bottom] : spans) {
    for (int row = top; row <= bottom; ++row) {
      appendLine([this, row](int column) { return model_->cellText(row, column); });
      // Room for the rest as the rows so far suggest, made before the text runs out of it: a
      // reserve extends the text where it lies, while growing by itself it would be copied.
      if (++written < selected && text.capacity() - text.size() < kCopyHeadroom)
        text.reserve(text.size() + text.size() / written * (selected - written) * 11 / 10 +
                     kCopyHeadroom);
    }
  }
  // Bytes that are no UTF-8 (Latin-1 values) go as the grid shows them, not as they are held.
  if (!QByteArrayView(text).isValidUtf8()) text = QString::fromUtf8(text).toUtf8();
  return text;
}

void GridWindowWidget::copySelection(bool headers) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Held as UTF-8, the form it is pasted in, rather than as a QString of twice the size for as
  // long as the clipboard is the grid's.
  auto* data = new QMimeData;
  data->setData(QStringLiteral("text/plain"), selectedText(headers));
  QApplication::clipboard()->setMimeData(data);
  QApplication::restoreOverrideCursor();
  // The memory of the previous clipboard text, and of this one's making, goes back to the system
  // rather than staying with the process for the rest of the run.
  malloc_trim(0);
}

void GridWindowWidget::saveRows() {
  if (!window_.save || window_.saveTypes.empty()) return;
  QFileDialog dialog(this, tr("Save the grid"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QStringList filters;
  for (const std::string& type : window_.saveTypes)
    filters << toQString(type);
  dialog.setNameFilters(filters);
  QPointer<GridWindowWidget> alive(this);
  if (dialog.exec() != QDialog::Accepted || !alive || dialog.selectedFiles().isEmpty()) return;
  const auto type =
      static_cast<size_t>(std::max<qsizetype>(filters.indexOf(dialog.selectedNameFilter()), 0));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  window_.save(type, fromQString(dialog.selectedFiles().front()));
  QApplication::restoreOverrideCursor();
  refresh();
}

void GridWindowWidget::selectAllRows() {
  if (window_.complete) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    window_.complete();
    QApplication::restoreOverrideCursor();
  }
  refresh();
  view_->selectAll();
}

bool GridWindowWidget::findNext(const QString& text) {
  const int rows = model_->rowCount();
  if (rows == 0 || text.isEmpty()) return false;
  const int columns = model_->columnCount();
  const int start = view_->currentIndex().isValid() ? view_->currentIndex().row() : -1;
  QPointer<GridWindowWidget> alive(this);
  for (int step = 1; step <= rows; ++step) {
    const int row = (start + step) % rows;
    for (int column = 0; column < columns; ++column) {
      if (toQString(model_->cellText(row, column)).contains(text, Qt::CaseInsensitive)) {
        view_->selectRow(row);
        view_->scrollTo(model_->index(row, 0));
        return true;
      }
    }
    if (step % kFindChunk == 0) {
      QCoreApplication::processEvents();
      if (!alive || !isVisible()) return false;
    }
  }
  return false;
}

void GridWindowWidget::showFindBar() {
  findBar_->show();
  findField_->setFocus();
  findField_->selectAll();
}

bool GridWindowWidget::runClosingCheck() {
  if (checked_) return true;
  checked_ = !window_.onClose || window_.onClose();
  return checked_;
}

void GridWindowWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Only a shown view has its style's margins.
  fitColumns();
}

void GridWindowWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A taller window shows more rows.
  fitColumns();
}

void GridWindowWidget::closeEvent(QCloseEvent* event) {
  if (!runClosingCheck()) {
    event->ignore();
    return;
  }
  event->accept();
  emit closed();
}

}  // namespace tabulink::qt

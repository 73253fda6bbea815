#include "gui/qt/error_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/qt/dialog_units.h"
#include "gui/qt/qt_text.h"

namespace tabulink::qt {
namespace {

QListWidget* listOf(const std::vector<std::string>& lines, QWidget* owner) {
  auto* list = new QListWidget(owner);
  for (const std::string& line : lines)
    list->addItem(toQString(line));
  return list;
}

}  // namespace

ErrorDialogWidget::ErrorDialogWidget(const ErrorDialog& error, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(tr("Error"));
  // The template, in dialog units: the logo and the description on top, the log button under
  // the description, the stack list, and a row of buttons whose places depend on which exist.
  // Across, the template is stretched by a half: its widths were made for a narrower font than
  // today's desktops use, and would cut the texts.
  auto place = [](QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left * 3 / 2, top, width * 3 / 2, height);
  };
  auto* logo = new QLabel(this);
  logo->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  logo->setScaledContents(true);
  place(logo, 6, 6, 14, 14);

  const QString text = QStringLiteral("   Error description: ") + toQString(error.message);
  auto* description = new QLabel(text, this);
  description->setObjectName(QStringLiteral("description"));
  description->setWordWrap(true);
  description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description->setTextInteractionFlags(Qt::TextSelectableByMouse);
  description->setToolTip(text);
  place(description, 22, 3, 126, 17);

  auto* seeLog = new QPushButton(tr("See Error.log file"), this);
  seeLog->setObjectName(QStringLiteral("seeLog"));
  seeLog->setAutoDefault(false);
  connect(seeLog, &QPushButton::clicked, this, [this, seeLog, path = toQString(error.logPath)] {
    // A desktop without a viewer for the log says so only through the opener's exit status.
    auto* viewer = new QProcess(this);
    auto noViewer = [seeLog, viewer] {
      seeLog->setText(tr("No viewer for Error.log"));
      viewer->deleteLater();
    };
    connect(viewer, &QProcess::errorOccurred, seeLog, noViewer);
    connect(viewer, &QProcess::finished, seeLog,
            [viewer, noViewer](int code, QProcess::ExitStatus status) {
              if (code != 0 || status != QProcess::NormalExit)
                noViewer();
              else
                viewer->deleteLater();
            });
    viewer->start(QStringLiteral("xdg-open"), {path});
  });
  place(seeLog, 100, 21, 47, 10);

  auto* stackLabel = new QLabel(tr("&Stack List"), this);
  place(stackLabel, 6, 24, 60, 8);
  QListWidget* stack = listOf(error.stack, this);
  stack->setObjectName(QStringLiteral("stack"));
  stackLabel->setBuddy(stack);
  place(stack, 3, 33, 145, 78);

  auto addButton = [&](const QString& label, ErrorChoice choice, int left) {
    auto* button = new QPushButton(label, this);
    connect(button, &QPushButton::clicked, this, [this, choice] {
      choice_ = choice;
      accept();
    });
    place(button, left, 112, 30, 11);
    return button;
  };
  const bool alone = !error.canRetry && !error.canDefault;
  const bool all = error.canRetry && error.canDefault;
  QPushButton* quit = addButton(tr("&Quit"), ErrorChoice::Quit, alone || all ? 60 : 37);
  if (error.canRetry) addButton(tr("&Retry"), ErrorChoice::Retry, error.canDefault ? 13 : 82);
  if (error.canDefault) addButton(tr("&Default"), ErrorChoice::Default, 108);
  quit->setDefault(true);
  quit->setFocus();

  resize(150 * 3 / 2, 125);
  layOutTemplate(*this);
  // A description longer than its two lines (a long file name) grows downwards, and what stands
  // below it moves down with it.
  const int grow = description->heightForWidth(description->width()) - description->height();
  if (grow > 0) {
    const int below = description->geometry().bottom();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (child != description && child->y() >= below) child->move(child->x(), child->y() + grow);
    description->resize(description->width(), description->height() + grow);
    // The template's size is fixed: it is the fixed size that grows.
    setFixedSize(width(), height() + grow);
  }
  if (QScreen* screen = this->screen()) {
    QRect centred = rect();
    centred.moveCenter(screen->availableGeometry().center());
    move(centred.topLeft());
  }
}

ListDialogWidget::ListDialogWidget(const QString& title, const std::vector<std::string>& lines,
                                   QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
  setWindowModality(Qt::WindowModal);
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listOf(lines, this), 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(500, 300);
}

}  // namespace tabulink::qt

#include "gui/qt/error_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

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
  auto* layout = new QVBoxLayout(this);
  auto* description =
      new QLabel(QStringLiteral("   Error description: ") + toQString(error.message), this);
  description->setWordWrap(true);
  description->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(description);

  auto* seeLog = new QPushButton(tr("See Error.log file"), this);
  seeLog->setAutoDefault(false);
  connect(seeLog, &QPushButton::clicked, this, [path = toQString(error.logPath)] {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  });
  layout->addWidget(seeLog, 0, Qt::AlignRight);

  auto* stackLabel = new QLabel(tr("&Stack List"), this);
  QListWidget* stack = listOf(error.stack, this);
  stackLabel->setBuddy(stack);
  layout->addWidget(stackLabel);
  layout->addWidget(stack, 1);

  auto* buttons = new QDialogButtonBox(this);
  auto addButton = [&](const QString& text, ErrorChoice choice) {
    QPushButton* button = buttons->addButton(text, QDialogButtonBox::ActionRole);
    connect(button, &QPushButton::clicked, this, [this, choice] {
      choice_ = choice;
      accept();
    });
    return button;
  };
  if (error.canRetry) addButton(tr("&Retry"), ErrorChoice::Retry);
  QPushButton* quit = addButton(tr("&Quit"), ErrorChoice::Quit);
  if (error.canDefault) addButton(tr("&Default"), ErrorChoice::Default);
  quit->setDefault(true);
  quit->setFocus();
  layout->addWidget(buttons);
  resize(450, 300);
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

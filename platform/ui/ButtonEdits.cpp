#include "ButtonEdits.h"

#include <QCalendarWidget>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include "Glyphs.h"
#include "Guard.h"
#include "Prompter.h"
#include "os/FileSystem.h"
#include "os/System.h"

TCustomButtonEdit::TCustomButtonEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_);
  button_->setText(QStringLiteral("..."));
  setFocusProxy(edit_);
  edit_->installEventFilter(this);
  connect(button_, &QToolButton::clicked, this, [this] { guarded([this] { buttonClick(); }); });
  connect(edit_, &QLineEdit::textChanged, this, [this] { guarded(OnChange); });
}

QString TCustomButtonEdit::text() const { return edit_->text(); }
void TCustomButtonEdit::setText(const QString& text) { edit_->setText(text); }
void TCustomButtonEdit::setHint(const QString& hint) {
  setToolTip(hint);
  edit_->setToolTip(hint);
}
void TCustomButtonEdit::clickButton() { button_->click(); }

bool TCustomButtonEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::FocusOut) guarded(OnExit);
  return QWidget::eventFilter(watched, event);
}

// ---- date edit

TDateEdit::TDateEdit(QWidget* parent) : TCustomButtonEdit(parent) {
  setStandardGlyph(button_, QStyle::SP_ArrowDown);
  setDirectInput(true);
}

TDateEdit::~TDateEdit() { delete popup_; }

void TDateEdit::setDirectInput(bool on) {
  directInput_ = on;
  edit_->setReadOnly(!on);
}

QDate TDateEdit::date() const { return System::parseShortDate(text()); }

void TDateEdit::setDate(const QDate& date) { setText(date.isValid() ? System::shortDateText(date) : QString()); }

void TDateEdit::buttonClick() {
  if (popup_) {
    closeCalendar();
    return;
  }
  popup_ = new QWidget(this, Qt::Popup);
  auto* layout = new QVBoxLayout(popup_);
  layout->setContentsMargins(0, 0, 0, 0);
  calendar_ = new QCalendarWidget(popup_);
  layout->addWidget(calendar_);
  QTextCharFormat weekend;
  weekend.setForeground(Qt::red);
  calendar_->setWeekdayTextFormat(Qt::Saturday, weekend);
  calendar_->setWeekdayTextFormat(Qt::Sunday, weekend);
  const QDate shown = date();
  if (shown.isValid())
    calendar_->setSelectedDate(shown);
  else if (defaultToday)
    calendar_->setSelectedDate(QDate::currentDate());
  connect(calendar_, &QCalendarWidget::activated, this, [this](const QDate& d) {
    guarded([&] {
      setDate(d);
      closeCalendar();
    });
  });
  connect(calendar_, &QCalendarWidget::clicked, this, [this](const QDate& d) {
    guarded([&] {
      setDate(d);
      closeCalendar();
    });
  });
  popup_->move(mapToGlobal(QPoint(0, height())));
  popup_->show();
  calendar_->setFocus();
}

void TDateEdit::closeCalendar() {
  if (!popup_) return;
  QWidget* popup = popup_;
  popup_ = nullptr;
  calendar_ = nullptr;
  popup->hide();
  popup->deleteLater();
}

void TDateEdit::chooseDate(const QDate& date) {
  if (!calendar_) clickButton();
  if (calendar_) emit calendar_->clicked(date);
}

// ---- file and folder edits

TFilenameEdit::TFilenameEdit(QWidget* parent) : TCustomButtonEdit(parent) {
  setStandardGlyph(button_, QStyle::SP_DirOpenIcon);
}

void TFilenameEdit::buttonClick() {
  const QString current = text();
  if (!current.isEmpty()) {
    const QFileInfo info(current);
    if (FileSystem::directoryExists(info.absolutePath())) dialog.initialDir = info.absolutePath();
    dialog.fileName = info.fileName();
  }
  if (dialog.execute()) setText(dialog.fileName);
}

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : TCustomButtonEdit(parent) {
  setStandardGlyph(button_, QStyle::SP_DirIcon);
}

QString TDirectoryEdit::startFolder() const {
  const QString folder = text().isEmpty() ? emptyStartDir : text();
  return FileSystem::directoryExists(folder) ? folder : QDir::rootPath();
}

void TDirectoryEdit::buttonClick() {
  QString chosen;
  if (Prompter::current().chooseFolder(dialogTitle, startFolder(), chosen)) setText(chosen);
}

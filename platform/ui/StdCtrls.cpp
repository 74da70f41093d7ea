#include "StdCtrls.h"

#include <QMouseEvent>
#include <QValidator>

#include "Guard.h"

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

void TLabel::setFocusControl(QWidget* control) {
  setBuddy(control);
  if (!control) return;
  // the edit inside a date edit or a lookup edit is what takes the focus
  for (QLineEdit* inner : control->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
    inner->setAccessibleName(text());
}

void TLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  afterDoubleClick_ = false;
  QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (afterDoubleClick_) {
    afterDoubleClick_ = false;
  } else if (click) {
    clicked_ = true;
    guarded(OnClick);
  }
  QLabel::mouseReleaseEvent(event);
}

void TLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    afterDoubleClick_ = true;
    // a double-click whose first click did not arrive raises that click too
    if (!clicked_) guarded(OnClick);
    clicked_ = false;
    guarded(OnDblClick);
  }
  event->accept();  // not passed on: the base would take it for a press
}

namespace {

// Turns typed letters into the edit's character case.
class CaseValidator : public QValidator {
 public:
  CaseValidator(TEditCharCase charCase, QObject* parent) : QValidator(parent), charCase_(charCase) {}
  State validate(QString& input, int&) const override {
    if (charCase_ == TEditCharCase::ecUpperCase) input = input.toUpper();
    if (charCase_ == TEditCharCase::ecLowerCase) input = input.toLower();
    return Acceptable;
  }

 private:
  TEditCharCase charCase_;
};

}  // namespace

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  QLineEdit::setMaxLength(32767);
  connect(this, &QLineEdit::textChanged, this, [this] { guarded(OnChange); });
}

QString TEdit::cased(const QString& text) const {
  if (charCase_ == TEditCharCase::ecUpperCase) return text.toUpper();
  if (charCase_ == TEditCharCase::ecLowerCase) return text.toLower();
  return text;
}

void TEdit::setText(const QString& text) { QLineEdit::setText(cased(text)); }

void TEdit::setMaxLength(int length) {
  maxLength_ = length;
  QLineEdit::setMaxLength(length > 0 ? length : 32767);
}

void TEdit::setCharCase(TEditCharCase charCase) {
  charCase_ = charCase;
  delete validator();
  setValidator(charCase == TEditCharCase::ecNormal ? nullptr : new CaseValidator(charCase, this));
  QLineEdit::setText(cased(QLineEdit::text()));
}

void TEdit::setPasswordChar(QChar c) {
  passwordChar_ = c;
  if (c.isNull()) {
    setEchoMode(Normal);
    setStyleSheet(QString());
  } else {
    setEchoMode(Password);
    setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(c.unicode()));
  }
}

void TEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  guarded(OnExit);
}

TCheckBox::TCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
  connect(this, &QAbstractButton::toggled, this, [this] {
    if (!settingByProgram_) guarded(OnClick);
  });
}

void TCheckBox::setChecked(bool on) {
  if (on == isChecked()) return;
  settingByProgram_ = true;
  QCheckBox::setChecked(on);
  settingByProgram_ = false;
  if (OnClick) OnClick();
}

TPanel::TPanel(QWidget* parent) : QFrame(parent) { setFrameStyle(QFrame::Panel | QFrame::Raised); }

void TPanel::setColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
  setAutoFillBackground(true);
}

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(false);  // the bar alone, no percentage
}

void TProgressBar::setPosition(int value) {
  if (value == this->value() || !updatesEnabled()) return setValue(value);
  // QProgressBar repaints at once; with updates off it leaves the paint to
  // the update that turning them on again posts.
  setUpdatesEnabled(false);
  setValue(value);
  setUpdatesEnabled(true);
}

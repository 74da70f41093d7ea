#include "Buttons.h"

#include <QEvent>
#include <QStyle>

#include "Form.h"
#include "Glyphs.h"
#include "Guard.h"

TButton::TButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(true);  // Enter on a focused button presses it
  connect(this, &QPushButton::clicked, this, [this] { clicked_(); });
}

TButton::TButton(const QString& caption, QWidget* parent) : TButton(parent) { setText(caption); }

void TButton::clicked_() {
  TForm* form = owningForm(this);
  if (form && modalResult_ != 0) form->setModalResult(modalResult_);
  guarded(OnClick);
  if (closesForm_ && form) form->close();
}

namespace {

void redrawDefault(TButton* button) {
  if (TForm* form = owningForm(button)) form->queueDefaultButtonUpdate();
}

}  // namespace

void TButton::setDefault(bool on) {
  default_ = on;
  redrawDefault(this);
}

void TButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) redrawDefault(this);
}

void TButton::showEvent(QShowEvent* event) {
  QPushButton::showEvent(event);
  redrawDefault(this);
}

void TButton::hideEvent(QHideEvent* event) {
  QPushButton::hideEvent(event);
  redrawDefault(this);
}

TBitBtn::TBitBtn(QWidget* parent) : TButton(parent) {}

TBitBtn::TBitBtn(TBitBtnKind kind, const QString& caption, QWidget* parent) : TButton(parent) {
  setKind(kind);
  setText(caption);
}

void TBitBtn::setKind(TBitBtnKind kind) {
  kind_ = kind;
  closesForm_ = kind == TBitBtnKind::bkClose;
  setDefault(kind == TBitBtnKind::bkOK || kind == TBitBtnKind::bkYes);
  setCancel(kind == TBitBtnKind::bkCancel || kind == TBitBtnKind::bkNo);
  int result = mrNone;
  QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
  switch (kind) {
    case TBitBtnKind::bkOK: result = mrOk, icon = QStyle::SP_DialogOkButton; break;
    case TBitBtnKind::bkCancel: result = mrCancel, icon = QStyle::SP_DialogCancelButton; break;
    case TBitBtnKind::bkYes: result = mrYes, icon = QStyle::SP_DialogYesButton; break;
    case TBitBtnKind::bkNo: result = mrNo, icon = QStyle::SP_DialogNoButton; break;
    case TBitBtnKind::bkAbort: result = mrAbort; break;
    case TBitBtnKind::bkRetry: result = mrRetry, icon = QStyle::SP_BrowserReload; break;
    case TBitBtnKind::bkIgnore: result = mrIgnore; break;
    case TBitBtnKind::bkAll: result = mrAll, icon = QStyle::SP_DialogYesToAllButton; break;
    case TBitBtnKind::bkClose: icon = QStyle::SP_DialogCloseButton; break;
    case TBitBtnKind::bkHelp: icon = QStyle::SP_DialogHelpButton; break;
    case TBitBtnKind::bkCustom: break;
  }
  setModalResult(result);
  // styles without a "to all" picture take the apply one
  setStandardGlyph(this, icon, QStyle::SP_DialogApplyButton);
}

#pragma once

#include <QPushButton>
#include <functional>

#include "Glyphs.h"

// Push button. A button with a modal result sets it on its form before its click
// handler runs. Default: Enter presses it; Cancel: Esc presses it.
class TButton : public QPushButton {
  Q_OBJECT

 public:
  explicit TButton(QWidget* parent = nullptr);
  TButton(const QString& caption, QWidget* parent = nullptr);

  QString caption() const { return text(); }
  void setCaption(const QString& caption) { setText(caption); }

  int modalResult() const { return modalResult_; }
  void setModalResult(int result) { modalResult_ = result; }

  // Enter presses a default button (see TForm::enterButton, which also decides
  // which button is drawn as the default one).
  bool isDefault() const { return default_; }
  void setDefault(bool on);
  bool isCancel() const { return cancel_; }
  void setCancel(bool on) { cancel_ = on; }

  void setHint(const QString& hint) { setToolTip(hint); }

  std::function<void()> OnClick;

 protected:
  virtual void clicked_();
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool closesForm_ = false;

 private:
  int modalResult_ = 0;
  bool default_ = false;
  bool cancel_ = false;
};

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// Button with a kind: bkOK is a default button with result mrOk, bkCancel a cancel
// button with mrCancel, bkAll mrAll, bkRetry mrRetry, bkYes mrYes, bkNo mrNo,
// bkAbort mrAbort, bkIgnore mrIgnore; bkClose closes its form after the click.
class TBitBtn : public TButton {
  Q_OBJECT

 public:
  explicit TBitBtn(QWidget* parent = nullptr);
  TBitBtn(TBitBtnKind kind, const QString& caption, QWidget* parent = nullptr);

  TBitBtnKind kind() const { return kind_; }
  void setKind(TBitBtnKind kind);

 private:
  TBitBtnKind kind_ = TBitBtnKind::bkCustom;
};

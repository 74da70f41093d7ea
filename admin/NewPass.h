#pragma once

#include "ui/Form.h"

class TBitBtn;
class TEdit;
class TLabel;

// The new-password dialog: the password typed twice. "Задать" accepts two
// equal entries as the main form's new password and closes with mrOk; two
// different entries keep the dialog open, silently. Created once: the boxes
// keep their text from one showing to the next.
class TFormPass : public TForm {
  Q_OBJECT

 public:
  TFormPass();
  ~TFormPass() override;

  TLabel* Label3 = nullptr;  // "Пароль:"
  TEdit* edPassword = nullptr;
  TLabel* Label4 = nullptr;  // "Пароль повторно:"
  TEdit* edPasswordAgain = nullptr;
  TBitBtn* BitBtn1 = nullptr;  // "Отменить"
  TBitBtn* BitBtn2 = nullptr;  // "Задать"

  void BitBtn2Click();
  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
};

extern TFormPass* FormPass;

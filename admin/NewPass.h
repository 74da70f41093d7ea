#pragma once

#include "ui/Form.h"

// The new-password dialog: the password typed twice.
class TFormPass : public TForm {
  Q_OBJECT

 public:
  TFormPass();
  ~TFormPass() override;
};

extern TFormPass* FormPass;

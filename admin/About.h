#pragma once

#include "ui/Form.h"

// The About box.
class TAboutBox : public TForm {
  Q_OBJECT

 public:
  TAboutBox();
  ~TAboutBox() override;
};

extern TAboutBox* AboutBox;

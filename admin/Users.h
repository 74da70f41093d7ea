#pragma once

#include "ui/Form.h"

// The manager list: chooses a manager or a profile for the main form.
class TFormSpisUser : public TForm {
  Q_OBJECT

 public:
  TFormSpisUser();
  ~TFormSpisUser() override;

  // Shows the list to choose a manager; answers its modal result.
  int SelectUser();
  // Shows the list to choose a profile; answers its modal result.
  int SelectProfile();
};

extern TFormSpisUser* FormSpisUser;

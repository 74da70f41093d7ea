#include "Users.h"

TFormSpisUser* FormSpisUser = nullptr;

TFormSpisUser::TFormSpisUser() {
  setObjectName(QStringLiteral("FormSpisUser"));
  setCaption(QStringLiteral("Список пользователей Базы"));
  resize(528, 418);
}

TFormSpisUser::~TFormSpisUser() {
  if (FormSpisUser == this) FormSpisUser = nullptr;
}

int TFormSpisUser::SelectUser() { return mrCancel; }

int TFormSpisUser::SelectProfile() { return mrCancel; }

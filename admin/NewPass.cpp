#include "NewPass.h"

TFormPass* FormPass = nullptr;

TFormPass::TFormPass() {
  setObjectName(QStringLiteral("FormPass"));
  setCaption(QStringLiteral("Задание нового пароля доступа"));
}

TFormPass::~TFormPass() {
  if (FormPass == this) FormPass = nullptr;
}

#include "TessanProgram.h"

#include "InitSet.h"
#include "ui/Application.h"

void CreateTessan(TApplication& application) {
  application.setTitle(QString::fromUtf8("Определение привилегий пользователей"));
  application.createForm(FormMirtal);
}

int TessanMain() {
  TApplication::loadQtTranslations();
  TApplication application;
  CreateTessan(application);
  const int code = application.run();
  FormMirtal = nullptr;  // the application destroys its forms
  return code;
}

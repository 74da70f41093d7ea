#include "Program.h"

#include "About.h"
#include "Main.h"
#include "NewPass.h"
#include "Users.h"
#include "ui/Application.h"
#include "ui/Guard.h"

namespace DorvikProgram {

QString title() { return QStringLiteral("Определение привилегий пользователей"); }

void createForms(TApplication& app) {
  app.setTitle(title());
  app.createForm(FormMain);
  app.createForm(FormSpisUser);
  app.createForm(FormPass);
  app.createForm(AboutBox);
  guarded([] { FormMain->FormConnected(); });  // through the guard, as the rest of FormMain's OnCreate
}

void destroyForms() {
  delete AboutBox;
  delete FormPass;
  delete FormSpisUser;
  delete FormMain;
}

int run() {
  TApplication::loadQtTranslations();
  TApplication app;
  return TApplication::runFatalGuarded([&app] {
    createForms(app);
    const int code = app.run();
    destroyForms();
    return code;
  });
}

}  // namespace DorvikProgram

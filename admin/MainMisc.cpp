#include "About.h"
#include "Main.h"

#include "Users.h"
#include "db/IBStoredProc.h"
#include "db/IBTransaction.h"
#include "ui/Prompter.h"
#include "ui/RxLabel.h"

// Deleting a manager's data; the About box.

void TFormMain::buildMisc() {}

void TFormMain::miDelDataUserClick() {
  FormSpisUser->SelectUser();
  if (currentManagerId == -1) return;
  const QString question = QStringLiteral("Удалить данные, занесенные ") + RxLUser->caption() + QStringLiteral(" ?");
  if (!Prompter::current().systemYesNo(question, QStringLiteral("Подтверждение удаления данных"))) return;
  // A refused deletion leaves no transaction behind for the next command.
  runInOwnTransaction([this] {
    IbsDelDanMen->paramByName(QStringLiteral("MEN_ID")).setAsInteger(currentManagerId);
    IbsDelDanMen->execProc();
  });
  Prompter::current().message(QStringLiteral("Удаление данных завершено успешно"));
}

void TFormMain::miAboutClick() { AboutBox->showModal(); }

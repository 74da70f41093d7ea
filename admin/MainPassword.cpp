#include "Main.h"

#include "NewPass.h"
#include "db/IBSecurityService.h"
#include "os/Strings.h"
#include "ui/Prompter.h"

// A new server password for the manager of the rights page. The change lies
// outside the page's transaction: it holds at once and nothing undoes it.

void TFormMain::bnChnPassClick() {
  if (FormPass->showModal() != mrOk) return;
  ChangeServerPassword(currentAccount, newPassword);
}

void TFormMain::ChangeServerPassword(const QString& Account, const QString& NewPassword) {
  srvUsers->setActive(true);
  srvUsers->UserName = Strings::trim(Account);
  srvUsers->Password = Strings::trim(NewPassword);
  srvUsers->modifyUser();
  // A refused change leaves the service attached: the next use runs on it.
  srvUsers->setActive(false);
  Prompter::current().message(QStringLiteral("Операция смены пароля завершилась успешно"));
}

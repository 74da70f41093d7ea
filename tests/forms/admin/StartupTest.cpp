#include "DorvikFixture.h"

#include "Main.h"
#include "db/IBDatabase.h"
#include "db/IBSecurityService.h"
#include "db/IBTransaction.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"

using Kind = ScriptedPrompter::Kind;

TEST_F(DorvikFixture, StartsAsAdministratorFromBaseIni) {
  startAsAdministrator();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_FALSE(FormMain->PageControl1->isVisibleTo(FormMain));
  EXPECT_EQ(FormMain->menu(), FormMain->MainMenu1);
}

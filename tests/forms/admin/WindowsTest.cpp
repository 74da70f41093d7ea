#include "DorvikFixture.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QTest>

#include "About.h"
#include "Main.h"
#include "Users.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

// How dorvik's windows look and what a screen reader finds in them.

namespace {

QString accessibleName(QObject* object) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
  return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

QAccessible::Role accessibleRole(QObject* object) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
  return iface ? iface->role() : QAccessible::NoRole;
}

}  // namespace

// A manager whose full name fills its 60 characters: the rights page shows it
// cut, with the whole name in the tool tip, and the main form keeps its size.
TEST_F(DorvikFixture, LongManagerNameLeavesTheMainFormsSize) {
  const QString longName = ru("Щербаковская-Шереметьевская Жозефина-Шарлотта Ширшовская Щит");
  ASSERT_EQ(longName.size(), 60);
  database().exec(QStringLiteral("INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (77, '%1', 'LONGNAME');")
                      .arg(longName));
  startAsAdministrator();
  FormMain->show();
  QCoreApplication::processEvents();
  const QRect before = FormMain->geometry();
  ASSERT_EQ(before.size(), QSize(675, 489));

  prompter().expectModal(ru("Список пользователей Базы"), [](TForm&) {
    clickManagerInList(QStringLiteral("LONGNAME"));
    if (::testing::Test::HasFatalFailure()) return;
    QTest::mouseClick(FormSpisUser->BnOk, Qt::LeftButton);
  });
  FormMain->OprPriv->click();
  prompter().verifyDone();
  QCoreApplication::processEvents();

  EXPECT_EQ(FormMain->RxLUser->caption(), longName);
  EXPECT_EQ(FormMain->RxLUser->toolTip(), longName);
  EXPECT_EQ(FormMain->geometry(), before);
  EXPECT_LE(FormMain->minimumSizeHint().width(), 675);
  EXPECT_LE(FormMain->minimumWidth(), 675);
  // the name is cut where it does not fit, not laid out beyond the panel
  EXPECT_LE(FormMain->RxLUser->geometry().right(), FormMain->Panel1->width());
  FormMain->BnOtmen->click();
}

#include "DorvikFixture.h"

#include <QAccessible>
#include <QApplication>
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

// The button that Enter presses is the one drawn as the default: the page's,
// the list's or the box's default button, or the focused button itself.
// "Добавить пользователя" stands level with "Главное меню", with a picture.
TEST_F(DorvikFixture, ButtonsAreDrawnAsTheyAct) {
  startAsAdministrator();
  FormMain->show();
  QApplication::setActiveWindow(FormMain);
  auto drawnDefault = [](TButton* b) {
    QCoreApplication::processEvents();  // the look follows once the handler has returned
    return static_cast<QPushButton*>(b)->isDefault();
  };

  FormMain->NewUser->click();
  QCoreApplication::processEvents();
  FormMain->edFamil->setFocus();
  EXPECT_TRUE(drawnDefault(FormMain->BnEditUser));
  EXPECT_FALSE(drawnDefault(FormMain->BitBtn1));
  FormMain->BitBtn1->setFocus();
  EXPECT_FALSE(drawnDefault(FormMain->BnEditUser));
  EXPECT_TRUE(drawnDefault(FormMain->BitBtn1));
  FormMain->edAccount->setFocus();
  EXPECT_TRUE(drawnDefault(FormMain->BnEditUser));
  FormMain->BnEditUser->setEnabled(false);  // Enter then presses nothing
  EXPECT_FALSE(drawnDefault(FormMain->BnEditUser));
  FormMain->BnEditUser->setEnabled(true);
  EXPECT_TRUE(drawnDefault(FormMain->BnEditUser));

  EXPECT_FALSE(FormMain->BnEditUser->icon().isNull());
  EXPECT_EQ(FormMain->BnEditUser->geometry().top(), FormMain->BitBtn1->geometry().top());
  EXPECT_EQ(FormMain->BnEditUser->height(), FormMain->BitBtn1->height());
  FormMain->BitBtn1->click();

  EXPECT_FALSE(FormMain->PbRepl->isTextVisible());

  prompter().expectModal(ru("Список пользователей Базы"), [&](TForm&) {
    FormSpisUser->RxDBGrid1->setFocus();
    EXPECT_TRUE(drawnDefault(FormSpisUser->BnOk));
    for (TButton* b : {FormSpisUser->BnDelUser, FormSpisUser->BitBtn2, FormSpisUser->BtProfil})
      EXPECT_FALSE(drawnDefault(b)) << b->objectName().toStdString();
    FormSpisUser->BitBtn2->click();
  });
  FormMain->OprPriv->click();
  prompter().verifyDone();

  prompter().expectModal(QStringLiteral("About"), [&](TForm&) {
    EXPECT_TRUE(drawnDefault(AboutBox->OKButton));
    AboutBox->OKButton->click();
  });
  FormMain->miAbout->click();
  prompter().verifyDone();
}

#include "DorvikFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QToolButton>

#include "About.h"
#include "Main.h"
#include "NewPass.h"
#include "Users.h"
#include "db/IBQuery.h"
#include "ui/ButtonEdits.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/LookupEdit.h"
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

namespace {

// Whether the object is found going down the accessibility tree from the root.
bool reachable(QAccessibleInterface* root, QObject* target, int depth = 0) {
  if (!root || depth > 12) return false;
  if (root->object() == target) return true;
  for (int i = 0; i < root->childCount(); ++i)
    if (reachable(root->child(i), target, depth + 1)) return true;
  return false;
}

}  // namespace

// The accessibility tree: the forms are a window and dialogs; the new-manager
// page's edits carry their labels' names (the group box's ones too); the
// navigator's buttons their hints; the list's cell editor is reached from the
// window down and named after its column.
TEST_F(DorvikFixture, ScreenReaderFindsNamesRolesAndTheCellEditor) {
  startAsAdministrator();
  FormMain->show();
  QApplication::setActiveWindow(FormMain);
  EXPECT_EQ(accessibleRole(FormMain), QAccessible::Window);
  EXPECT_EQ(accessibleName(FormMain), ru("Определение привилегий пользователей"));
  for (TForm* dialog : {static_cast<TForm*>(FormSpisUser), static_cast<TForm*>(FormPass),
                        static_cast<TForm*>(AboutBox)})
    EXPECT_EQ(accessibleRole(dialog), QAccessible::Dialog) << dialog->objectName().toStdString();
  EXPECT_EQ(accessibleName(AboutBox), QStringLiteral("About"));

  FormMain->NewUser->click();
  const struct {
    QWidget* edit;
    const char* name;
  } edits[] = {
      {FormMain->edAccount, "Идентификатор пользователя"},
      {FormMain->edPassword, "Пароль:"},
      {FormMain->edPasswordAgain, "Пароль повторно:"},
      {FormMain->edFamil, "Фамилия"},
      {FormMain->RxLeName, "Имя"},
      {FormMain->RxLeName->lineEdit(), "Имя"},
      {FormMain->RxLeOtch, "Отчество"},
      {FormMain->RxLeOtch->lineEdit(), "Отчество"},
      {FormMain->DateEdit1->edit(), "Дата поступления на работу"},
  };
  for (const auto& e : edits) EXPECT_EQ(accessibleName(e.edit), ru(e.name)) << e.name;
  EXPECT_EQ(FormMain->lbAccount->buddy(), FormMain->edAccount);
  EXPECT_EQ(FormMain->Label2->buddy(), FormMain->DateEdit1);
  FormMain->BitBtn1->click();

  const struct {
    TNavigateBtn button;
    const char* name;
  } hints[] = {{nbFirst, "Первая запись"},        {nbPrior, "Предыдущая запись"}, {nbNext, "Следующая запись"},
               {nbLast, "Последняя запись"},      {nbEdit, "Редактировать запись"},
               {nbPost, "Запомнить изменения"}, {nbCancel, "Отменить изменения"}};
  for (const auto& h : hints)
    EXPECT_EQ(accessibleName(FormSpisUser->DBNavigator1->button(h.button)), ru(h.name)) << h.name;

  prompter().expectModal(ru("Список пользователей Базы"), [&](TForm& list) {
    TRxDBGrid& grid = *FormSpisUser->RxDBGrid1;
    QApplication::setActiveWindow(&list);
    grid.setFocus();
    const int salary = grid.columnOfField(QStringLiteral("MN_OKLAD"));
    ASSERT_GE(salary, 0);
    grid.setCurrentIndex(grid.model()->index(0, salary));
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(grid.editing());
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(grid.isAncestorOf(editor));
    EXPECT_TRUE(reachable(QAccessible::queryAccessibleInterface(&list), editor));
    EXPECT_EQ(accessibleName(editor), ru("Оклад"));
    // going up from the editor leads to the list's window
    QAccessibleInterface* up = QAccessible::queryAccessibleInterface(editor);
    while (up && up->object() != &list) {
      QAccessibleInterface* parent = up->parent();
      ASSERT_NE(parent, nullptr);
      EXPECT_GE(parent->indexOfChild(up), 0) << up->object()->metaObject()->className();
      up = parent;
    }
    // the cells are still there
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->rowCount(), FormMain->IBQuery1->rowCount());
    QTest::keyClick(editor, Qt::Key_Escape);
    FormSpisUser->BitBtn2->click();
  });
  FormMain->OprPriv->click();
  prompter().verifyDone();
}

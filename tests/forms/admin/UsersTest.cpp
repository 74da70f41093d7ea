#include "DorvikFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QToolButton>

#include "Main.h"
#include "Users.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Guard.h"
#include "ui/RxLabel.h"

namespace {

const int kNameColumn = 0;
const int kSalaryColumn = 1;

// The list driven as a person drives it: rows found by login, cells clicked
// and typed into, buttons pressed by caption, navigator buttons by hint.
class UsersTest : public DorvikFixture {
 protected:
  void SetUp() override { startAsAdministrator(); }

  TFormSpisUser& list() { return *FormSpisUser; }
  TRxDBGrid& grid() { return *FormSpisUser->RxDBGrid1; }
  TIBQuery& rows() { return *FormMain->IBQuery1; }

  // The list's row of the manager with this login (as stored).
  int rowOf(const QString& alias) {
    const int column = rows().fieldByName(QStringLiteral("MN_ALIAS")).index();
    for (int row = 0; row < rows().rowCount(); ++row)
      if (rows().value(row, column).toString() == alias) return row;
    ADD_FAILURE() << "no row for " << alias.toStdString();
    return 0;
  }

  void clickCell(int row, int column) {
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, grid().cellRect(row, column).center());
  }
  void doubleClickCell(int row, int column) {
    clickCell(row, column);
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, grid().cellRect(row, column).center());
  }
  void choose(const QString& alias) { clickCell(rowOf(alias), kNameColumn); }

  // Types into the current cell: the first key opens the cell editor.
  void type(const QString& text) {
    for (int i = 0; i < text.size(); ++i) {
      QWidget* target = i == 0 ? static_cast<QWidget*>(&grid()) : QApplication::focusWidget();
      ASSERT_NE(target, nullptr);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, 1));
      QApplication::sendEvent(target, &press);
      if (i == 0) {
        ASSERT_TRUE(grid().editing()) << "the cell took no typing";
      }
    }
  }

  // The visible button of the list with this caption, clicked with the mouse.
  void press(const QString& caption) {
    for (TButton* b : list().findChildren<TButton*>())
      if (b->caption() == caption && b->isVisible()) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    ADD_FAILURE() << "no visible button " << caption.toStdString();
  }
  void pressNavigator(const QString& hint) {
    for (QToolButton* b : list().DBNavigator1->findChildren<QToolButton*>())
      if (b->toolTip() == hint && b->isVisible()) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    ADD_FAILURE() << "no navigator button " << hint.toStdString();
  }

  // Captions of the visible buttons, left to right.
  QStringList visibleButtons() {
    QStringList out;
    for (TButton* b : {static_cast<TButton*>(list().BnOk), static_cast<TButton*>(list().BtProfil),
                       static_cast<TButton*>(list().BnDelUser), static_cast<TButton*>(list().BitBtn2)})
      if (b->isVisible()) out << b->caption();
    return out;
  }

  void addManager(int id, const QString& nameSql, const QString& aliasSql) {
    database().exec(QStringLiteral("insert into MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) values (%1, %2, %3);")
                        .arg(id)
                        .arg(nameSql, aliasSql));
  }
  double salary(const QString& alias) {
    return database().value(QStringLiteral("select MN_OKLAD from MANAGER where MN_ALIAS = '%1'").arg(alias)).toDouble();
  }
  int managers() { return database().value(QStringLiteral("select count(*) from MANAGER")).toInt(); }
};

}  // namespace

// ---------------------------------------------------------------- choosing

TEST_F(UsersTest, ChoosingStoresNameAsStoredAndLoginTrimmedAndCut) {
  // a login longer than 20 characters needs a wider column than the schema's
  database().exec(QStringLiteral("drop index MANAGER_LOGIN; alter table MANAGER alter MN_ALIAS type varchar(40);"));
  addManager(60, QStringLiteral("'Блинов Борис Борисович   '"), QStringLiteral("'  BLINOV  '"));
  addManager(61, QStringLiteral("'Жуков Иван'"), QStringLiteral("ascii_char(9) || 'ZHUKOV' || ascii_char(13)"));
  addManager(62, QStringLiteral("'Длиннов Семён'"), QStringLiteral("'  ABCDEFGHIJKLMNOPQRSTUVWXYZ '"));
  const struct {
    const char* storedAlias;
    int id;
    const char* name;
    const char* account;
  } cases[] = {
      {"PETROV", 1, "Петров Иван Сергеевич", "PETROV"},
      {"  BLINOV  ", 60, "Блинов Борис Борисович   ", "BLINOV"},
      {"\tZHUKOV\r", 61, "Жуков Иван", "ZHUKOV"},
      {"  ABCDEFGHIJKLMNOPQRSTUVWXYZ ", 62, "Длиннов Семён", "ABCDEFGHIJKLMNOPQRST"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.storedAlias);
    prompter().expectModal(ru("Список пользователей Базы"), [&](TForm&) {
      EXPECT_TRUE(FormMain->IBTrans->inTransaction());
      choose(ru(c.storedAlias));
      press(ru("Выбрать пользователя"));
    });
    EXPECT_EQ(list().SelectUser(), mrOk);
    EXPECT_EQ(FormMain->currentManagerId, c.id);
    EXPECT_EQ(FormMain->RxLUser->caption(), ru(c.name));
    EXPECT_EQ(FormMain->currentAccount.text(), ru(c.account));
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_FALSE(rows().active());
    EXPECT_FALSE(list().isVisible());
  }
}

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
 public:  // the cases of a table drive the list through these
  void SetUp() override { startAsAdministrator(); }

  TFormSpisUser& list() { return *FormSpisUser; }
  TRxDBGrid& grid() { return *FormSpisUser->RxDBGrid1; }
  TIBQuery& rows() { return *FormMain->IBQuery1; }

  // The list's row of the manager with this login (as stored).
  int rowOf(const QString& alias) {
    const int column = rows().fieldByName(QStringLiteral("MN_ALIAS")).index();
    for (int row = 0; row < rows().rowCount(); ++row)
      if (rows().displayText(row, column) == alias) return row;
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

  // Types into the current cell: the first key opens the cell editor, the
  // others go into it (the offscreen platform activates a window only on its
  // first showing, so the editor may hold no application focus).
  void type(const QString& text) {
    for (int i = 0; i < text.size(); ++i) {
      QWidget* target = &grid();
      if (i > 0) target = QApplication::focusWidget() ? QApplication::focusWidget() : grid().viewport()->focusWidget();
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

TEST_F(UsersTest, WaysOfChoosing) {
  const struct {
    const char* way;
    std::function<void(UsersTest&)> act;
  } cases[] = {
      {"button", [](UsersTest& t) { t.press(ru("Выбрать пользователя")); }},
      {"double-click", [](UsersTest& t) { t.doubleClickCell(t.rowOf(QStringLiteral("SIDOROVA")), kNameColumn); }},
      {"Enter", [](UsersTest& t) { QTest::keyClick(&t.grid(), Qt::Key_Return); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.way);
    prompter().expectModal([&](TForm&) {
      choose(QStringLiteral("SIDOROVA"));
      c.act(*this);
    });
    EXPECT_EQ(list().SelectUser(), mrOk);
    EXPECT_EQ(FormMain->currentManagerId, 2);
    EXPECT_EQ(FormMain->currentAccount.text(), QStringLiteral("SIDOROVA"));
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  }
}

TEST_F(UsersTest, LeavingWithoutAChoiceKeepsThePreviousManagerShown) {
  const struct {
    const char* way;
    std::function<void(UsersTest&)> act;
  } cases[] = {
      {"Главное меню", [](UsersTest& t) { t.press(ru("Главное меню")); }},
      {"close box", [](UsersTest& t) { t.list().close(); }},
      {"Esc", [](UsersTest& t) { QTest::keyClick(&t.grid(), Qt::Key_Escape); }},
  };
  prompter().expectModal([&](TForm&) {
    choose(QStringLiteral("KUZNETSOV"));
    press(ru("Выбрать пользователя"));
  });
  list().SelectUser();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.way);
    prompter().expectModal([&](TForm&) {
      choose(QStringLiteral("YOLKIN"));
      c.act(*this);
    });
    EXPECT_EQ(list().SelectUser(), mrCancel);
    EXPECT_EQ(FormMain->currentManagerId, -1);
    EXPECT_EQ(FormMain->RxLUser->caption(), ru("Кузнецов Алексей Петрович"));
    EXPECT_EQ(FormMain->currentAccount.text(), QStringLiteral("KUZNETSOV"));
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_FALSE(rows().active());
  }
}

// ---------------------------------------------------------------- salaries

TEST_F(UsersTest, PostedSalaryLastsOnlyIfTheListCommits) {
  const struct {
    const char* what;
    std::function<void(UsersTest&)> post;
    std::function<void(UsersTest&)> leave;
    double stored;
  } cases[] = {
      {"posted, chosen", [](UsersTest& t) { t.pressNavigator(ru("Запомнить изменения")); },
       [](UsersTest& t) { t.press(ru("Выбрать пользователя")); }, 47000},
      {"posted by leaving the row, chosen", [](UsersTest& t) { t.choose(QStringLiteral("YOLKIN")); },
       [](UsersTest& t) { t.press(ru("Выбрать пользователя")); }, 47000},
      {"posted, Главное меню", [](UsersTest& t) { t.pressNavigator(ru("Запомнить изменения")); },
       [](UsersTest& t) { t.press(ru("Главное меню")); }, 45000},
      {"posted, close box", [](UsersTest& t) { t.pressNavigator(ru("Запомнить изменения")); },
       [](UsersTest& t) { t.list().close(); }, 45000},
      {"written into the row, not posted, chosen",
       [](UsersTest& t) {
         t.grid().commitEdit();
         EXPECT_EQ(t.rows().state(), dsEdit);
       },
       [](UsersTest& t) { t.press(ru("Выбрать пользователя")); }, 45000},
      {"cancelled, posted, chosen",
       [](UsersTest& t) {
         t.pressNavigator(ru("Отменить изменения"));
         t.pressNavigator(ru("Запомнить изменения"));
       },
       [](UsersTest& t) { t.press(ru("Выбрать пользователя")); }, 45000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    database().exec(QStringLiteral("update MANAGER set MN_OKLAD = 45000 where MN_ID = 1;"));
    prompter().expectModal([&](TForm&) {
      clickCell(rowOf(QStringLiteral("PETROV")), kSalaryColumn);
      type(QStringLiteral("47000"));
      c.post(*this);
      c.leave(*this);
    });
    list().SelectUser();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_DOUBLE_EQ(salary(QStringLiteral("PETROV")), c.stored);
  }
}

TEST_F(UsersTest, SalaryThatIsNotANumberIsRefused) {
  prompter().expectModal([&](TForm&) {
    clickCell(rowOf(QStringLiteral("PETROV")), kSalaryColumn);
    type(QStringLiteral("45O00"));
    prompter().expectError(QStringLiteral("'45O00' is not a valid floating point value for field 'MN_OKLAD'"));
    pressNavigator(ru("Запомнить изменения"));
    EXPECT_DOUBLE_EQ(rows().fieldByName(QStringLiteral("MN_OKLAD")).asFloat(), 45000);
    press(ru("Выбрать пользователя"));
  });
  list().SelectUser();
  EXPECT_DOUBLE_EQ(salary(QStringLiteral("PETROV")), 45000);
}

TEST_F(UsersTest, GridShowsNameAndSalaryAndTheNameTakesNoTyping) {
  prompter().expectModal([&](TForm&) {
    ASSERT_EQ(grid().columnCount(), 2);
    EXPECT_EQ(grid().model()->headerData(kNameColumn, Qt::Horizontal).toString(), ru("Ф.И.О. менеджера"));
    EXPECT_EQ(grid().model()->headerData(kSalaryColumn, Qt::Horizontal).toString(), ru("Оклад"));
    EXPECT_GT(grid().columnWidth(kNameColumn), 8 * grid().columnWidth(kSalaryColumn) / 2);
    QStringList names;  // by full name
    for (int row = 0; row < grid().model()->rowCount(); ++row)
      names << grid().model()->index(row, kNameColumn).data().toString();
    EXPECT_EQ(names, database().rows(QStringLiteral("select MN_MANAGER from MANAGER order by MN_MANAGER")));
    const int row = rowOf(QStringLiteral("PETROV"));
    clickCell(row, kNameColumn);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(&grid(), &key);
    EXPECT_FALSE(grid().editing());
    EXPECT_EQ(rows().state(), dsBrowse);
    QStringList hints;
    for (QToolButton* b : list().DBNavigator1->findChildren<QToolButton*>())
      if (b->isVisible()) hints << b->toolTip();
    EXPECT_EQ(hints, (QStringList{ru("Первая запись"), ru("Предыдущая запись"), ru("Следующая запись"),
                                  ru("Последняя запись"), ru("Редактировать запись"), ru("Запомнить изменения"),
                                  ru("Отменить изменения")}));
    press(ru("Главное меню"));
  });
  list().SelectUser();
}

// ---------------------------------------------------------------- deleting

TEST_F(UsersTest, DeletingNothing) {
  const struct {
    const char* alias;
    ConfirmAnswer answer;
  } cases[] = {
      {"PLUMO", ConfirmAnswer::Yes},
      {"SERVICE", ConfirmAnswer::Yes},
      {"SMIRNOVA", ConfirmAnswer::No},
      {"SMIRNOVA", ConfirmAnswer::Cancel},
  };
  const int before = managers();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias);
    prompter().expectModal([&](TForm&) {
      clickCell(rowOf(QStringLiteral("KUZNETSOV")), kSalaryColumn);
      type(QStringLiteral("39000"));
      choose(QString::fromLatin1(c.alias));  // posts the salary
      prompter().expectConfirm(ru("Удалить пользователя из базы данных ?"), c.answer);
      press(ru("Удалить пользователя"));
    });
    EXPECT_EQ(list().SelectUser(), mrOk);
    EXPECT_EQ(FormMain->currentManagerId, -1);
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(managers(), before);
    EXPECT_DOUBLE_EQ(salary(QStringLiteral("KUZNETSOV")), 38000);  // rolled back
  }
}

TEST_F(UsersTest, DeletionIsCommittedAndTheLoginStays) {
  TestLogin login(QStringLiteral("pw12"));
  addManager(70, QStringLiteral("'Удалов Пётр'"), QLatin1Char('\'') + login.name() + QLatin1Char('\''));
  database().exec(QStringLiteral("insert into USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE)"
                                 " select gen_id(GEN_USER_PRIV, 1), 1, 70, OPT_ID from OPIS_TABLE;"));
  // Rights of every kind the login can hold, one of them granted by SYSDBA.
  database().exec(QStringLiteral("CREATE ROLE KASSIR;"
                                 "GRANT SELECT, UPDATE ON CLIENT TO %1;"
                                 "GRANT UPDATE (CL_NAME) ON CLIENT TO %1;"
                                 "GRANT INSERT ON TOVAR TO %1 WITH GRANT OPTION;"
                                 "GRANT EXECUTE ON PROCEDURE ZAKAZ_NEW TO %1;"
                                 "GRANT EXECUTE ON FUNCTION REPL_INT TO %1;"
                                 "GRANT USAGE ON GENERATOR GEN_CLIENT TO %1;"
                                 "GRANT USAGE ON EXCEPTION E_NO_MANAGER TO %1;"
                                 "GRANT KASSIR TO %1;"
                                 "GRANT SELECT ON STATUS TO PUBLIC;")
                      .arg(login.name()));
  database().exec(QStringLiteral("GRANT SELECT ON KURS TO %1;").arg(login.name()), QStringLiteral("SYSDBA"),
                  QStringLiteral("quietfern"));
  const QString rightsOfLogin =
      QStringLiteral("select count(*) from RDB$USER_PRIVILEGES where RDB$USER = '%1'").arg(login.name());
  ASSERT_EQ(database().value(rightsOfLogin), QStringLiteral("10"));
  const QString othersRights =
      QStringLiteral("select count(*) from RDB$USER_PRIVILEGES where RDB$USER <> '%1'").arg(login.name());
  const QString othersBefore = database().value(othersRights);
  const int before = managers();
  prompter().expectModal([&](TForm&) {
    clickCell(rowOf(QStringLiteral("KUZNETSOV")), kSalaryColumn);
    type(QStringLiteral("39000"));
    choose(login.name());
    prompter().expectConfirm(ru("Удалить пользователя из базы данных ?"), ConfirmAnswer::Yes);
    press(ru("Удалить пользователя"));
  });
  EXPECT_EQ(list().SelectUser(), mrOk);
  EXPECT_EQ(FormMain->currentManagerId, -1);
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(managers(), before - 1);
  EXPECT_EQ(database().value(QStringLiteral("select count(*) from MANAGER where MN_ID = 70")), QStringLiteral("0"));
  EXPECT_EQ(database().value(QStringLiteral("select count(*) from USER_PRIV where UPR_MANAGER = 70")),
            QStringLiteral("0"));
  EXPECT_DOUBLE_EQ(salary(QStringLiteral("KUZNETSOV")), 39000);  // committed with it
  EXPECT_TRUE(database().loginExists(login.name()));
  // Every right of the login is revoked with it, nobody else's.
  EXPECT_EQ(database().value(rightsOfLogin), QStringLiteral("0"));
  EXPECT_EQ(database().value(othersRights), othersBefore);
}

TEST_F(UsersTest, RefusedDeletionClosesTheListAndRollsBack) {
  // YOLKIN still has a client of his; his rights stay with him
  database().exec(QStringLiteral("GRANT SELECT ON CLIENT TO YOLKIN;"));
  const int before = managers();
  prompter().expectModal([&](TForm&) {
    choose(QStringLiteral("YOLKIN"));
    prompter().expectConfirm(ru("Удалить пользователя из базы данных ?"), ConfirmAnswer::Yes);
    prompter().expectError(QStringLiteral(
        "violation of FOREIGN KEY constraint \"FK_CLIENT_MANAGER\" on table \"CLIENT\"\n"
        "Foreign key references are present for the record\n"
        "Problematic key value is (\"MN_ID\" = 5)\n"
        "At procedure 'MANEGERDELATE' line: 34, col: 3."));
    press(ru("Удалить пользователя"));
  });
  EXPECT_EQ(list().SelectUser(), mrOk);
  EXPECT_EQ(FormMain->currentManagerId, -1);
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(managers(), before);
  EXPECT_EQ(database().value(QStringLiteral("select count(*) from RDB$USER_PRIVILEGES where RDB$USER = 'YOLKIN'")),
            QStringLiteral("1"));
}

// ---------------------------------------------------------------- profile mode

TEST_F(UsersTest, ProfileModeWorksInsideTheOpenTransaction) {
  const struct {
    const char* what;
    std::function<void(UsersTest&)> choose;
    bool save;
  } cases[] = {
      {"double-click, saved", [](UsersTest& t) { t.doubleClickCell(t.rowOf(QStringLiteral("SIDOROVA")), kNameColumn); },
       true},
      {"button, cancelled",
       [](UsersTest& t) {
         t.choose(QStringLiteral("SIDOROVA"));
         t.press(ru("Выбрать профиль"));
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    prompter().expectModal([&](TForm&) {
      choose(QStringLiteral("KUZNETSOV"));
      press(ru("Выбрать пользователя"));
    });
    list().SelectUser();
    FormMain->IBTrans->startTransaction();  // the rights page's
    prompter().expectModal([&](TForm&) {
      EXPECT_EQ(visibleButtons(), QStringList{ru("Выбрать профиль")});
      clickCell(rowOf(QStringLiteral("PETROV")), kSalaryColumn);
      type(QStringLiteral("47000"));
      pressNavigator(ru("Запомнить изменения"));
      c.choose(*this);
    });
    EXPECT_EQ(list().SelectProfile(), mrOk);
    EXPECT_EQ(FormMain->profileId, 2);
    EXPECT_TRUE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(FormMain->currentManagerId, 3);
    EXPECT_EQ(FormMain->currentAccount.text(), QStringLiteral("KUZNETSOV"));
    EXPECT_EQ(FormMain->RxLUser->caption(), ru("Кузнецов Алексей Петрович"));

    prompter().expectModal([&](TForm&) { list().close(); });
    EXPECT_EQ(list().SelectProfile(), mrCancel);
    EXPECT_EQ(FormMain->profileId, -1);
    ASSERT_TRUE(FormMain->IBTrans->inTransaction());

    if (c.save)
      FormMain->IBTrans->commit();
    else
      FormMain->IBTrans->rollback();
    EXPECT_DOUBLE_EQ(salary(QStringLiteral("PETROV")), c.save ? 47000 : 45000);
    database().exec(QStringLiteral("update MANAGER set MN_OKLAD = 45000 where MN_ID = 1;"));

    // the next user-mode showing has its own buttons again
    prompter().expectModal([&](TForm&) {
      EXPECT_EQ(visibleButtons(),
                (QStringList{ru("Выбрать пользователя"), ru("Удалить пользователя"), ru("Главное меню")}));
      press(ru("Главное меню"));
    });
    list().SelectUser();
  }
}

// ---------------------------------------------------------------- failures

TEST_F(UsersTest, ListRefusedWhileAPageHoldsTheTransaction) {
  FormMain->currentManagerId = 3;
  FormMain->IBTrans->startTransaction();
  prompter().expectError(QStringLiteral("Transaction is active."));
  guarded([] { FormSpisUser->SelectUser(); });
  EXPECT_EQ(FormMain->currentManagerId, -1);
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());  // the page's, untouched
  EXPECT_FALSE(rows().active());
}

TEST_F(UsersTest, FailedOpenLeavesNoTransactionAndTheUserLayout) {
  database().exec(QStringLiteral("alter table MANAGER alter MN_OKLAD to MN_SALARY;"));
  const QString error =
      QStringLiteral("Dynamic SQL Error\nSQL error code = -206\nColumn unknown\nMN_OKLAD\nAt line 1, column 37.");

  prompter().expectError(error);
  guarded([] { FormSpisUser->SelectUser(); });
  EXPECT_EQ(FormMain->currentManagerId, -1);
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  FormMain->IBTrans->startTransaction();
  prompter().expectError(error);
  guarded([] { FormSpisUser->SelectProfile(); });
  EXPECT_EQ(FormMain->profileId, -1);
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());  // the page's
  FormMain->IBTrans->rollback();

  database().exec(QStringLiteral("alter table MANAGER alter MN_SALARY to MN_OKLAD;"));
  prompter().expectModal([&](TForm&) {
    EXPECT_EQ(visibleButtons(),
              (QStringList{ru("Выбрать пользователя"), ru("Удалить пользователя"), ru("Главное меню")}));
    press(ru("Главное меню"));
  });
  list().SelectUser();
  EXPECT_EQ(prompter().texts(ScriptedPrompter::Kind::Modal).size(), 1);
}

TEST_F(UsersTest, EmptyListChoosesAndDeletesNobody) {
  database().exec(QStringLiteral(
      "delete from ZAKAZ; delete from KURS; delete from CLIENT; delete from TOVAR; delete from USER_PRIV;"
      " alter trigger MANAGER_BD inactive; delete from MANAGER;"));
  const struct {
    const char* button;
    bool profile;
  } cases[] = {
      {"Выбрать пользователя", false},
      {"Удалить пользователя", false},
      {"Выбрать профиль", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    if (c.profile) FormMain->IBTrans->startTransaction();
    prompter().expectModal([&](TForm&) {
      EXPECT_EQ(grid().model()->rowCount(), 0);
      press(ru(c.button));
    });
    EXPECT_EQ(c.profile ? list().SelectProfile() : list().SelectUser(), mrOk);
    EXPECT_EQ(c.profile ? FormMain->profileId : FormMain->currentManagerId, -1);
    EXPECT_EQ(FormMain->RxLUser->caption(), QStringLiteral("RxLUser"));
    EXPECT_EQ(FormMain->IBTrans->inTransaction(), c.profile);
    if (c.profile) FormMain->IBTrans->rollback();
  }
}

// ---------------------------------------------------------------- typed salaries

// Run by SalariesAsTypedUnderCAndRussianLocales in the locale it names.
TEST_F(UsersTest, SalariesAsTypedInTheChildsLocale) {
  const QString locale = qEnvironmentVariable("VELTON_CHILD_LOCALE");
  if (locale.isEmpty()) GTEST_SKIP() << "runs as a child only";
  const bool russian = locale.startsWith(QLatin1String("ru"));
  const double refused = -1;
  const struct {
    const char* typed;
    double c, ru;  // stored under C and under ru_RU; refused: the old salary stays
  } cases[] = {
      {"47000", 47000, 47000},
      {" 47000 ", 47000, 47000},
      {"45,000", 45000, 45},        // "," groups under C, is the decimal separator in Russian
      {"0,125", 125, 0.125},
      {"45.000", 45, refused},      // in Russian a point may be a decimal or a German group separator
      {"45,50", refused, 45.5},
      {"45,5", refused, 45.5},
      {"45.5", 45.5, 45.5},         // a point is a decimal separator in Russian too
      {"45 000", refused, 45000},   // a blank groups in Russian
      {"1,234.5", 1234.5, refused},
      {"1.234,5", refused, refused},
      {"4,5000", refused, 4.5},
      {"nan", refused, refused},
      {"NaN", refused, refused},
      {"inf", refused, refused},
      {"-inf", refused, refused},
      {"1e400", refused, refused},
      {"1e3", 1000, 1000},
      {"-12.5", -12.5, -12.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    database().exec(QStringLiteral("update MANAGER set MN_OKLAD = 45000 where MN_ID = 1;"));
    const double expected = russian ? c.ru : c.c;
    const QString typed = QString::fromUtf8(c.typed);
    prompter().expectModal([&](TForm&) {
      clickCell(rowOf(QStringLiteral("PETROV")), kSalaryColumn);
      type(typed);
      if (expected == refused)
        prompter().expectError(QStringLiteral("'%1' is not a valid floating point value for field 'MN_OKLAD'").arg(typed));
      pressNavigator(ru("Запомнить изменения"));
      press(ru("Выбрать пользователя"));
    });
    list().SelectUser();
    prompter().verifyDone();
    EXPECT_DOUBLE_EQ(salary(QStringLiteral("PETROV")), expected == refused ? 45000 : expected);
  }
}

TEST(TypedNumbers, SalariesAsTypedUnderCAndRussianLocales) {
  for (const char* locale : {"C", "ru_RU.UTF-8"}) {
    QString output;
    EXPECT_TRUE(DorvikFixture::runInLocale(QString::fromLatin1(locale),
                                           QStringLiteral("UsersTest.SalariesAsTypedInTheChildsLocale"), output))
        << locale << "\n" << output.toStdString();
  }
}

#include "DorvikFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include "Main.h"
#include "db/IBQuery.h"
#include "db/IBSecurityService.h"
#include "db/IBTransaction.h"
#include "db/Field.h"
#include "os/System.h"
#include "ui/ButtonEdits.h"
#include "ui/Buttons.h"
#include "ui/LookupEdit.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/StdCtrls.h"

using Kind = ScriptedPrompter::Kind;

namespace {

const QString kCaption = ru("Подтверждение изменения данных");
const QString kAskName = ru("Добавить новое имя в список ?");
const QString kAskOtch = ru("Добавить новое отчество в список ?");
const QString kDone = ru("Операция занесения нового пользователя завершилась успешно");
const QString kTaken = ru("Дублируется Идентификатор пользователя");
const QString kNotPlain = ru(
    "Идентификатор пользователя должен начинаться с латинской буквы и содержать только латинские буквы, цифры и "
    "знаки _ и $");
const QString kReserved = ru("Идентификатор пользователя не должен совпадать с зарезервированным словом");
const QString kRole = ru("Идентификатор пользователя не должен совпадать с именем роли");
const QString kServer = QStringLiteral("localhost");
const QString kSysdba = QStringLiteral("Sysdba");
const QString kFactoryPassword = QStringLiteral("quietfern");

class AddUserPage : public DorvikFixture {
 protected:
  // Starts as administrator (Base.ini with or without the server
  // administrator's password), shows the main form and opens the page.
  void openPage(bool servicePasswordInBaseIni = false) {
    QStringList lines = baseIniLines();
    if (servicePasswordInBaseIni) lines[3] = kFactoryPassword;
    writeBaseIni(lines);
    prompter().expectDatabaseLogin(database().connectionString(), QStringLiteral("PLUMO"), QStringLiteral("plumo"));
    createForms();
    ASSERT_NE(FormMain, nullptr);
    ASSERT_EQ(FormMain->rememberedLogin.text(), QStringLiteral("PLUMO"));
    FormMain->show();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    FormMain->NewUser->click();
    ASSERT_TRUE(FormMain->IBTrans->inTransaction());
    ASSERT_TRUE(FormMain->PageControl1->isVisible());
    ASSERT_EQ(FormMain->PageControl1->activePage(), FormMain->AddUser);
    prompter().clearShown();
  }

  // Focuses the edit and replaces its text as a person would: Ctrl+A,
  // Delete, then one key event per character.
  static void type(QWidget* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    for (const QChar c : text) {
      const QString s(c);
      const int key = c.unicode() < 128 ? QKeySequence(s)[0].key() : int(Qt::Key_unknown);
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, s);
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, s);
      QApplication::sendEvent(target, &release);
    }
  }

  // Picks the date in the calendar; the closed calendar leaves the main form
  // inactive on the offscreen platform.
  static void chooseDate(const QDate& date) {
    FormMain->DateEdit1->chooseDate(date);
    QApplication::processEvents();
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
  }

  // Tab in the focused control, then lets queued work run.
  static void tab() {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, Qt::Key_Tab);
    QApplication::processEvents();
  }

  // A value read in the page's own (uncommitted) transaction.
  static QString inPageTransaction(const QString& select) {
    TIBQuery query;
    query.setDatabase(FormMain->MainBase);
    query.setTransaction(FormMain->IBTrans);
    query.SQL = QStringList{select};
    query.open();
    const QString value = query.fieldByName(QStringLiteral("V")).asString();
    query.close();
    return value;
  }

  QString committed(const QString& select) { return database().value(select).trimmed(); }

  // Full name, login, hire date and its time of day of the committed manager
  // with the login.
  QString manager(const QString& alias) {
    const QStringList rows = database().rows(
        QStringLiteral("select '[' || MN_MANAGER || ']', MN_ALIAS, cast(MN_DATE as varchar(30)), "
                       "extract(hour from MN_DATE) || ':' || extract(minute from MN_DATE) from MANAGER "
                       "where MN_ALIAS = '%1'")
            .arg(alias));
    return rows.isEmpty() ? QString() : rows.join(QLatin1Char('/'));
  }

  // "Добавить пользователя" pressed for a registration that goes no further:
  // the page stays with its transaction and both buttons.
  void pressAndExpectThePageKept() {
    TFormMain& f = *FormMain;
    f.BnEditUser->click();
    prompter().verifyDone();
    EXPECT_TRUE(f.PageControl1->isVisible());
    EXPECT_TRUE(f.IBTrans->inTransaction());
    EXPECT_TRUE(f.BnEditUser->isEnabled());
    EXPECT_TRUE(f.BitBtn1->isEnabled());
  }

  QList<Kind> kinds() const {
    QList<Kind> result;
    for (const auto& shown : const_cast<AddUserPage*>(this)->prompter().shown()) result << shown.kind;
    return result;
  }
};

TEST_F(AddUserPage, RegistersManagerWithDefaultPasswordAndRefusesItsLoginAgain) {
  TestLogin login;  // reserved: the page creates it
  openPage(true);
  TFormMain& f = *FormMain;
  EXPECT_TRUE(f.BnEditUser->isEnabled());
  EXPECT_TRUE(f.BitBtn1->isEnabled());
  EXPECT_EQ(f.edPassword->text(), QStringLiteral("Wick7"));
  EXPECT_EQ(f.edPasswordAgain->text(), QStringLiteral("Wick7"));

  type(f.edAccount, login.name().toLower());
  EXPECT_EQ(f.edAccount->text(), login.name());  // typed letters become capitals
  chooseDate(QDate(2023, 3, 14));
  type(f.edFamil, ru("Кузнецов"));
  type(f.RxLeName, ru("Иван"));
  tab();  // in the list: no question
  EXPECT_EQ(QApplication::focusWidget(), f.RxLeOtch);
  type(f.RxLeOtch, ru("Петрович"));
  tab();
  EXPECT_EQ(QApplication::focusWidget(), f.BnEditUser);
  EXPECT_TRUE(prompter().shown().isEmpty());

  prompter().expectServiceLogin(kServer).expectMessage(kDone);
  QTest::keyClick(f.BnEditUser, Qt::Key_Return);
  prompter().verifyDone();
  ASSERT_EQ(prompter().shown().size(), 2);
  EXPECT_EQ(prompter().shown()[0].user, kSysdba);  // pre-filled from the settings
  EXPECT_EQ(prompter().shown()[0].password, kFactoryPassword);

  EXPECT_TRUE(f.PageControl1->isHidden());
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_FALSE(f.BnEditUser->isEnabled());
  EXPECT_FALSE(f.BitBtn1->isEnabled());
  EXPECT_EQ(manager(login.name()), ru("[Кузнецов Иван Петрович]|") + login.name() + ru("|14-MAR-2023|0:0"));
  EXPECT_EQ(committed(QStringLiteral("select count(*) from USER_PRIV join MANAGER on UPR_MANAGER = MN_ID "
                                     "where MN_ALIAS = '%1' and UPR_MASK = 0")
                          .arg(login.name())),
            committed(QStringLiteral("select count(*) from OPIS_TABLE")));
  EXPECT_TRUE(database().loginExists(login.name()));
  EXPECT_EQ(database().value(QStringLiteral("select current_user from rdb$database"), login.name(),
                             QStringLiteral("Wick7")),
            login.name());
  EXPECT_FALSE(f.srvUsers->active());

  // Opened again, the page shows what it held; the same login is taken now.
  prompter().clearShown();
  f.NewUser->click();
  EXPECT_TRUE(f.BnEditUser->isEnabled());
  EXPECT_TRUE(f.BitBtn1->isEnabled());
  EXPECT_EQ(f.edAccount->text(), login.name());
  EXPECT_EQ(f.edFamil->text(), ru("Кузнецов"));
  EXPECT_EQ(f.DateEdit1->text(), System::shortDateText(QDate(2023, 3, 14)));
  prompter().expectMessage(kTaken);
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(f.PageControl1->isVisible());
  EXPECT_TRUE(f.IBTrans->inTransaction());
  f.BitBtn1->click();
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER where MN_ALIAS = '%1'").arg(login.name())),
            QStringLiteral("1"));
}

// Each check in its place: a case that passes the checks under test is
// stopped by the next one, or by declining the patronymic question.
TEST_F(AddUserPage, ChecksAccountAndPasswordsInOrder) {
  openPage();
  TFormMain& f = *FormMain;
  const QString managersBefore = committed(QStringLiteral("select count(*) from MANAGER"));
  const QString accountLength = ru("Длина идентификатора пользователя должна быть больше двух символов");
  const QString unequal = ru("Необходимо дважды ввести одинаковый пароль");
  const QString shortPassword = ru("Длина пароля должна быть больше 3 символов");
  const QString bad = ru("Пароль содержит недопустимые символы!\n\rПовторите ввод паролей");
  const QString empty = ru("Недопустимо вводить пустой пароль!\n\rПовторите ввод паролей");
  enum Outcome { Refused, Asked };
  struct Case {
    const char* account;
    const char* password;
    const char* again;
    Outcome outcome;
    QString message;
  };
  const Case cases[] = {
      {"ab", "Wick7", "Wick7", Refused, accountLength},
      {"abc", "Wick7", "Wick7", Asked, QString()},
      {"abc", "ab", "abc", Refused, unequal},  // unequal comes before short
      {"abc", "Wick7", "wick7", Refused, unequal},
      // three blanks are no login a statement could name
      {"   ", "Wick7", "Wick7", Refused, kNotPlain},
      {"abc", "abc", "abc", Refused, shortPassword},
      {"abc", "ab!z", "ab!z", Asked, QString()},  // codes 33 and 122
      {"abc", "ab 1", "ab 1", Refused, bad},
      {"abc", "abв1", "abв1", Refused, bad},
      {"abc", "ab~1", "ab~1", Refused, bad},
      {"abc", "ab{1", "ab{1", Refused, bad},
      {"abc", "    ", "    ", Refused, empty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("account '") + c.account + "', password '" + c.password + "'");
    type(f.edAccount, ru(c.account));
    type(f.edPassword, ru(c.password));
    type(f.edPasswordAgain, ru(c.again));
    EXPECT_EQ(f.edPassword->text(), ru(c.password));
    // Set without focus: leaving an empty patronymic would ask.
    f.RxLeOtch->setText(QString());
    switch (c.outcome) {
      case Refused: prompter().expectMessage(c.message); break;
      case Asked: prompter().expectYesNo(kAskOtch, kCaption, false); break;
    }
    pressAndExpectThePageKept();
  }
  EXPECT_FALSE(f.srvUsers->active());
  // No check let a row through.
  EXPECT_EQ(inPageTransaction(QStringLiteral("select count(*) V from MANAGER")), managersBefore);
  f.BitBtn1->click();
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER")), managersBefore);
}

// An account that cannot stand unquoted after TO or FROM, or that would name
// every user or a role there, is refused after the password checks like
// them: a plain message, no row, no login. Plain names still pass.
TEST_F(AddUserPage, RefusesAccountsThatAStatementCannotNameSafely) {
  database().exec("CREATE ROLE KASSIR;");
  openPage();
  TFormMain& f = *FormMain;
  const QString managersBefore = committed(QStringLiteral("select count(*) from MANAGER"));
  const struct {
    const char* account;  // as typed (the edit makes capitals)
    QString message;      // empty: passes, the patronymic question comes next
  } cases[] = {
      {"public", kReserved},   {"PUBLIC ", kReserved},  {"select", kReserved}, {"user", kReserved},
      {"kassir", kRole},       {"rdb$admin", kRole},    {"петров", kNotPlain}, {"PETROVЁ", kNotPlain},
      {"1abc", kNotPlain},     {"_abc", kNotPlain},     {"$abc", kNotPlain},   {"a-b", kNotPlain},
      {"ab c", kNotPlain},     {"abc", QString()},      {"a$b_1", QString()},  {" role", QString()},
      {"publicity", QString()}, {"kassir2", QString()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account);
    type(f.edAccount, ru(c.account));
    f.RxLeOtch->setText(QString());
    if (c.message.isEmpty())
      prompter().expectYesNo(kAskOtch, kCaption, false);
    else
      prompter().expectMessage(c.message);
    pressAndExpectThePageKept();
  }
  EXPECT_EQ(inPageTransaction(QStringLiteral("select count(*) V from MANAGER")), managersBefore);
  EXPECT_FALSE(database().loginExists(QStringLiteral("KASSIR")));
  EXPECT_FALSE(database().loginExists(QStringLiteral("PUBLIC")));
  f.BitBtn1->click();
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER")), managersBefore);
}

TEST_F(AddUserPage, KnownPatronymicInOtherCaseIsNotAskedAndDeclinedFirstNameIsKept) {
  TestLogin login;
  openPage();
  TFormMain& f = *FormMain;
  const QString names = committed(QStringLiteral("select count(*) from NAME"));
  const QString patronymics = committed(QStringLiteral("select count(*) from OTCH"));
  type(f.edAccount, login.name());
  type(f.edFamil, ru("Смирнов"));
  type(f.RxLeName, ru("Ярополк"));
  prompter().expectYesNo(kAskName, kCaption, false);
  tab();
  prompter().verifyDone();
  EXPECT_EQ(QApplication::focusWidget(), f.RxLeOtch);  // declined: the focus goes on
  type(f.RxLeOtch, ru("петрович"));
  tab();
  EXPECT_EQ(QApplication::focusWidget(), f.BnEditUser);

  prompter().expectServiceLogin(kServer, kSysdba, kFactoryPassword).expectMessage(kDone);
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_EQ(kinds(), (QList<Kind>{Kind::YesNo, Kind::ServiceLogin, Kind::Message}));
  EXPECT_EQ(prompter().shown()[1].password, QString());  // no password in Base.ini: typed
  const QString startDay =
      QLocale::c().toString(System::parseShortDate(f.DateEdit1->text()), QStringLiteral("dd-MMM-yyyy")).toUpper();
  EXPECT_EQ(manager(login.name()), ru("[Смирнов Ярополк петрович]|") + login.name() + QLatin1Char('|') + startDay +
                                       QStringLiteral("|0:0"));
  EXPECT_EQ(committed(QStringLiteral("select count(*) from NAME")), names);
  EXPECT_EQ(committed(QStringLiteral("select count(*) from OTCH")), patronymics);
  EXPECT_TRUE(database().loginExists(login.name()));
}

TEST_F(AddUserPage, NewPatronymicIsAskedOnLeavingAndAddedOnce) {
  TestLogin login;
  openPage();
  TFormMain& f = *FormMain;
  type(f.edAccount, login.name());
  type(f.edFamil, ru("Ёлкина"));
  type(f.RxLeName, ru("Анна"));
  tab();
  type(f.RxLeOtch, ru("Тарасовна"));
  prompter().expectYesNo(kAskOtch, kCaption, true);
  tab();
  prompter().verifyDone();
  EXPECT_EQ(QApplication::focusWidget(), f.RxLeOtch);  // back into the edit
  EXPECT_EQ(f.RxLeOtch->text(), ru("Тарасовна"));  // shows what was added
  EXPECT_EQ(inPageTransaction(ru("select count(*) V from OTCH where OT_OTCH = 'Тарасовна'")), QStringLiteral("1"));
  tab();  // the added entry is the edit's key now: no second question
  EXPECT_EQ(QApplication::focusWidget(), f.BnEditUser);

  prompter().expectServiceLogin(kServer, kSysdba, kFactoryPassword).expectMessage(kDone);
  QTest::keyClick(f.BnEditUser, Qt::Key_Return);
  prompter().verifyDone();
  EXPECT_EQ(kinds(), (QList<Kind>{Kind::YesNo, Kind::ServiceLogin, Kind::Message}));
  EXPECT_TRUE(manager(login.name()).startsWith(ru("[Ёлкина Анна Тарасовна]|")));
  EXPECT_EQ(committed(ru("select count(*) from OTCH where OT_OTCH = 'Тарасовна'")), QStringLiteral("1"));
}

TEST_F(AddUserPage, EmptyFirstNameAndPatronymicGiveSurnameAndTwoBlanks) {
  TestLogin login;
  openPage();
  TFormMain& f = *FormMain;
  type(f.edAccount, login.name());
  type(f.edFamil, ru("Сидоров"));
  f.RxLeName->setText(QString());
  type(f.RxLeOtch, QString());
  // Enter in the patronymic edit: an empty one has no key, so it is asked
  // about, and Yes adds it; the page closing under the focus asks nothing more.
  prompter().expectYesNo(kAskOtch, kCaption, true)
      .expectServiceLogin(kServer, kSysdba, kFactoryPassword)
      .expectMessage(kDone);
  QTest::keyClick(f.RxLeOtch, Qt::Key_Return);
  prompter().verifyDone();
  EXPECT_EQ(kinds(), (QList<Kind>{Kind::YesNo, Kind::ServiceLogin, Kind::Message}));
  EXPECT_TRUE(manager(login.name()).startsWith(ru("[Сидоров  ]|")));
  EXPECT_EQ(committed(QStringLiteral("select count(*) from OTCH where char_length(OT_OTCH) = 0")), QStringLiteral("1"));
}

TEST_F(AddUserPage, MainMenuTakesBackAnAddedFirstName) {
  openPage();
  TFormMain& f = *FormMain;
  type(f.RxLeName, ru("Ярополк"));
  prompter().expectYesNo(kAskName, kCaption, true);
  tab();
  prompter().verifyDone();
  EXPECT_EQ(QApplication::focusWidget(), f.RxLeName);
  EXPECT_EQ(inPageTransaction(ru("select count(*) V from NAME where NM_NAME = 'Ярополк'")), QStringLiteral("1"));

  QTest::mouseClick(f.BitBtn1, Qt::LeftButton);  // leaves the edit: no second question
  EXPECT_TRUE(f.PageControl1->isHidden());
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_EQ(committed(ru("select count(*) from NAME where NM_NAME = 'Ярополк'")), QStringLiteral("0"));
  EXPECT_EQ(kinds(), QList<Kind>{Kind::YesNo});
}

TEST_F(AddUserPage, TakenAccountKeepsThePageAndItsTransaction) {
  openPage();
  TFormMain& f = *FormMain;
  const QString managers = committed(QStringLiteral("select count(*) from MANAGER"));
  type(f.edAccount, QStringLiteral(" petrov"));  // the database compares logins trimmed
  f.RxLeOtch->setText(ru("Тарасовна"));
  prompter().expectYesNo(kAskOtch, kCaption, true).expectMessage(kTaken);
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(f.PageControl1->isVisible());
  EXPECT_TRUE(f.BnEditUser->isEnabled());
  EXPECT_TRUE(f.BitBtn1->isEnabled());
  ASSERT_TRUE(f.IBTrans->inTransaction());
  EXPECT_EQ(inPageTransaction(ru("select count(*) V from OTCH where OT_OTCH = 'Тарасовна'")), QStringLiteral("1"));
  EXPECT_EQ(inPageTransaction(QStringLiteral("select count(*) V from MANAGER")), managers);
  f.BitBtn1->click();
  EXPECT_EQ(committed(ru("select count(*) from OTCH where OT_OTCH = 'Тарасовна'")), QStringLiteral("0"));
}

TEST_F(AddUserPage, CancelledServiceLoginCommitsNothingAndLeavesTheButtonsUsable) {
  TestLogin first;
  TestLogin second;
  openPage();
  TFormMain& f = *FormMain;
  const QString managers = committed(QStringLiteral("select count(*) from MANAGER"));
  type(f.edAccount, first.name());
  type(f.edFamil, ru("Петров"));
  f.RxLeOtch->setText(ru("Ильич"));
  prompter().expectServiceLoginCancel(kServer).expectError(QStringLiteral("Operation cancelled at user's request."));
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(f.PageControl1->isVisible());
  EXPECT_TRUE(f.IBTrans->inTransaction());
  EXPECT_TRUE(f.BnEditUser->isEnabled());
  EXPECT_TRUE(f.BitBtn1->isEnabled());
  EXPECT_FALSE(f.srvUsers->active());
  EXPECT_FALSE(database().loginExists(first.name()));
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER")), managers);

  // Corrected and tried again: only the second login is registered.
  type(f.edAccount, second.name());
  prompter().expectServiceLogin(kServer, kSysdba, kFactoryPassword).expectMessage(kDone);
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_EQ(manager(first.name()), QString());
  EXPECT_TRUE(manager(second.name()).startsWith(ru("[Петров  Ильич]|")));
  EXPECT_TRUE(database().loginExists(second.name()));
  EXPECT_FALSE(database().loginExists(first.name()));

  // Cancelled again, then "Главное меню": nothing of it stays.
  f.NewUser->click();
  type(f.edAccount, first.name());
  prompter().expectServiceLoginCancel(kServer).expectError(QStringLiteral("Operation cancelled at user's request."));
  f.BnEditUser->click();
  prompter().verifyDone();
  f.BitBtn1->click();
  EXPECT_TRUE(f.PageControl1->isHidden());
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_EQ(manager(first.name()), QString());
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER")), QString::number(managers.toInt() + 1));
}

TEST_F(AddUserPage, OpenedWhileAnotherPageHoldsTheTransactionLeavesThatWorkAlone) {
  openPage();
  TFormMain& f = *FormMain;
  f.BitBtn1->click();
  // The settings page holds the transaction.
  f.miUstan->click();
  ASSERT_TRUE(f.IBTrans->inTransaction());
  ASSERT_EQ(f.PageControl1->activePage(), f.BaseUstan);

  prompter().expectError(QStringLiteral("Transaction is active."));
  f.NewUser->click();
  prompter().verifyDone();
  // The settings page stays in front with its work; the lists stay closed.
  EXPECT_FALSE(f.PageControl1->isHidden());
  EXPECT_EQ(f.PageControl1->activePage(), f.BaseUstan);
  EXPECT_FALSE(f.IBqName->active());
  EXPECT_TRUE(f.IbStatus->active());

  // Its own button still ends it.
  f.BitBtn3->click();
  EXPECT_TRUE(f.PageControl1->isHidden());
  EXPECT_FALSE(f.IBTrans->inTransaction());

  // A transaction held elsewhere is never ended by this page's buttons.
  f.IBTrans->startTransaction();
  prompter().expectError(QStringLiteral("Transaction is active."));
  f.NewUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(f.PageControl1->isHidden());
  f.BitBtn1->click();
  f.BnEditUser->click();
  EXPECT_TRUE(f.IBTrans->inTransaction());
  f.IBTrans->rollback();
}

TEST_F(AddUserPage, FocusOrder) {
  openPage();
  TFormMain& f = *FormMain;
  f.BitBtn1->setFocus();
  QList<QWidget*> order{QApplication::focusWidget()};
  const QList<QWidget*> expected{f.BitBtn1, f.DateEdit1->edit(), f.edFamil,   f.RxLeName,      f.RxLeOtch,
                                 f.BnEditUser, f.edAccount,        f.edPassword, f.edPasswordAgain};
  f.RxLeName->setText(ru("Иван"));  // in the lists: leaving them asks nothing
  f.RxLeOtch->setText(ru("Ильич"));
  for (int i = 1; i < expected.size(); ++i) {
    tab();
    order << QApplication::focusWidget();
  }
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(prompter().shown().isEmpty());
}

}  // namespace

// The commit fails after the login was added: the login is removed again,
// nothing is committed, no success is reported, and the next opening of the
// page works as usual.
TEST_F(AddUserPage, AFailedCommitLeavesNeitherLoginNorRowAndThePageOpensAgain) {
  TestLogin login;
  makeCommitsRefusable();
  openPage();
  TFormMain& f = *FormMain;
  const QString managers = committed(QStringLiteral("select count(*) from MANAGER"));
  type(f.edAccount, login.name());
  type(f.edFamil, ru("Сбоев"));
  f.RxLeOtch->setText(ru("Петрович"));
  refuseCommitOfMainTransaction(true);
  prompter().expectServiceLogin(kServer, kSysdba, kFactoryPassword).expectError(refusedCommitText());
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(prompter().texts(Kind::Message).isEmpty());
  EXPECT_FALSE(database().loginExists(login.name()));
  EXPECT_EQ(manager(login.name()), QString());
  EXPECT_EQ(committed(QStringLiteral("select count(*) from MANAGER")), managers);
  EXPECT_FALSE(f.IBTrans->inTransaction());
  EXPECT_TRUE(f.PageControl1->isHidden());
  EXPECT_FALSE(f.srvUsers->active());

  refuseCommitOfMainTransaction(false);
  prompter().clearShown();
  f.NewUser->click();
  prompter().verifyDone();
  ASSERT_TRUE(f.IBTrans->inTransaction());
  EXPECT_TRUE(f.PageControl1->isVisible());
  EXPECT_TRUE(f.BnEditUser->isEnabled());
  EXPECT_TRUE(f.BitBtn1->isEnabled());
  prompter().expectServiceLogin(kServer, kSysdba, kFactoryPassword).expectMessage(kDone);
  f.BnEditUser->click();
  prompter().verifyDone();
  EXPECT_TRUE(database().loginExists(login.name()));
  EXPECT_TRUE(manager(login.name()).startsWith(ru("[Сбоев  Петрович]|")));
  EXPECT_FALSE(f.IBTrans->inTransaction());
}

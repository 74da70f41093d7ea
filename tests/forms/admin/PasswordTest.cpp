#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "DorvikFixture.h"
#include "Main.h"
#include "ManagerChoice.h"
#include "NewPass.h"
#include "db/DbErrors.h"
#include "db/IBDatabase.h"
#include "db/IBSecurityService.h"
#include "db/IBTransaction.h"
#include "ui/Buttons.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/StdCtrls.h"

namespace {

const char kDialog[] = "Задание нового пароля доступа";
const char kDone[] = "Операция смены пароля завершилась успешно";
const char kOldPassword[] = "Old1pw";

// "Пароль" on the rights page of a manager whose server login belongs to the
// test. The service login dialog is answered as the administrator types it
// (Base.ini holds no server password).
class PasswordTest : public DorvikFixture {
 protected:
  void SetUp() override {
    startAsAdministrator();
    database().exec(QStringLiteral("insert into MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) values (70, 'Тестов Тест', '%1');"
                                   "insert into MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) values (71, 'Без Входа', '%2');")
                        .arg(login.name(), missing.name()));
    openPageFor(login.name());
  }

  // "Определить привилегии пользователя" for the manager with this login.
  void openPageFor(const QString& alias) {
    queueManagerChoice(prompter(), alias);
    FormMain->OprPriv->click();
    prompter().verifyDone();
    ASSERT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
    ASSERT_EQ(FormMain->PageControl1->activePage(), FormMain->Dorvik);
    ASSERT_EQ(FormMain->currentAccount.text(), alias);
  }
  void closePage() { FormMain->BnOtmen->click(); }

  // Logs in to the test database under the manager's login, as a client
  // program on a workstation does.
  bool canLogIn(const QString& password) {
    TIBDatabase db;
    db.DatabaseName = database().connectionString();
    db.LoginPrompt = false;
    db.Params = QStringList{QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("user_name=") + login.name(),
                            QStringLiteral("password=") + password};
    try {
      db.setConnected(true);
      return true;
    } catch (const EIBError&) {
      return false;
    }
  }

  TFormPass& dialog() { return *FormPass; }

  // Replaces the box's text key by key, as a person types (Cyrillic too).
  static void type(TEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (const QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(box, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(box, &release);
    }
  }
  void typeBoth(const QString& first, const QString& again) {
    type(dialog().edPassword, first);
    type(dialog().edPasswordAgain, again);
  }
  void pressSet() { QTest::mouseClick(dialog().BitBtn2, Qt::LeftButton); }
  void pressCancel() { QTest::mouseClick(dialog().BitBtn1, Qt::LeftButton); }

  // The dialog's showing, driven by the action.
  void expectDialog(std::function<void()> action) {
    prompter().expectModal(ru(kDialog), [action](TForm&) { action(); });
  }
  void expectServiceLogin() {
    prompter().expectServiceLogin(QStringLiteral("localhost"), QStringLiteral("Sysdba"), QStringLiteral("quietfern"));
  }

  void pressPassword() { FormMain->bnChnPass->click(); }

  TestLogin login{QString::fromLatin1(kOldPassword)};
  const TestLogin missing;  // a manager whose server login was never created
};

}  // namespace

TEST_F(PasswordTest, FirstShowingSetsWick7AndLaterShowingsKeepTheEntries) {
  expectDialog([&] {
    EXPECT_EQ(dialog().edPassword->text(), QStringLiteral("Wick7"));
    EXPECT_EQ(dialog().edPasswordAgain->text(), QStringLiteral("Wick7"));
    // labels and entries shown in navy bold
    for (QWidget* w : std::initializer_list<QWidget*>{dialog().Label3, dialog().edPassword, dialog().Label4,
                                                      dialog().edPasswordAgain}) {
      EXPECT_TRUE(w->font().bold()) << w->objectName().toStdString();
      EXPECT_EQ(w->fontInfo().weight(), QFont::Bold) << w->objectName().toStdString();
      EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(0, 0, 0x80)) << w->objectName().toStdString();
      EXPECT_EQ(w->palette().color(QPalette::Text), QColor(0, 0, 0x80)) << w->objectName().toStdString();
    }
    pressSet();
  });
  expectServiceLogin();
  prompter().expectMessage(ru(kDone));
  pressPassword();
  prompter().verifyDone();
  // the service login dialog came filled in with the service account
  const auto& shown = prompter().shown();
  const auto serviceLogin = std::find_if(shown.begin(), shown.end(), [](const ScriptedPrompter::Shown& s) {
    return s.kind == ScriptedPrompter::Kind::ServiceLogin;
  });
  ASSERT_NE(serviceLogin, shown.end());
  EXPECT_EQ(serviceLogin->user, QStringLiteral("Sysdba"));
  EXPECT_TRUE(canLogIn(QStringLiteral("Wick7")));
  EXPECT_FALSE(canLogIn(QString::fromLatin1(kOldPassword)));
  EXPECT_FALSE(FormMain->srvUsers->active());

  // A new entry, then a showing that presents it again.
  expectDialog([&] {
    typeBoth(QStringLiteral("Second2"), QStringLiteral("Second2"));
    pressSet();
  });
  expectServiceLogin();
  prompter().expectMessage(ru(kDone));
  pressPassword();
  expectDialog([&] {
    EXPECT_EQ(dialog().edPassword->text(), QStringLiteral("Second2"));
    EXPECT_EQ(dialog().edPasswordAgain->text(), QStringLiteral("Second2"));
    pressCancel();
  });
  pressPassword();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->newPassword.text(), QStringLiteral("Second2"));
  // outside the page's transaction: "Отменить" undoes nothing of it
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  closePage();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_TRUE(canLogIn(QStringLiteral("Second2")));
}

TEST_F(PasswordTest, TheTypedPasswordReachesTheServerTrimmed) {
  const struct {
    const char* typed;
    const char* onServer;
  } cases[] = {
      {"  ab c ", "ab c"},             // blanks around go, blanks inside stay
      {"~{|}!\"#", "~{|}!\"#"},      // outside 33..122: no character rules of the program's own
      {"abcdefghijkl", "abcdefghij"},  // an 11th character is not taken
      {"Пароль №9", "Пароль №9"},    // Cyrillic letters too
  };
  QString previous = QString::fromLatin1(kOldPassword);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    expectDialog([&] {
      typeBoth(ru(c.typed), ru(c.typed));
      QTest::keyClick(dialog().edPassword, Qt::Key_Return);  // Enter presses "Задать"
    });
    expectServiceLogin();
    prompter().expectMessage(ru(kDone));
    pressPassword();
    prompter().verifyDone();
    EXPECT_TRUE(canLogIn(ru(c.onServer)));
    EXPECT_FALSE(canLogIn(previous));
    previous = ru(c.onServer);
  }
}

TEST_F(PasswordTest, EmptyEntriesAskTheServerForAnEmptyPassword) {
  expectDialog([&] {
    typeBoth(QString(), QString());
    pressSet();
  });
  expectServiceLogin();
  prompter().expectMessage(ru(kDone));
  pressPassword();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->newPassword.text(), QString());
  EXPECT_FALSE(canLogIn(QString::fromLatin1(kOldPassword)));
}

TEST_F(PasswordTest, DifferentEntriesAreRefusedSilentlyAndCancelChangesNothing) {
  const struct {
    const char* first;
    const char* again;
  } refused[] = {
      {"Abc1", "abc1"},   // letter case
      {"Abc1", "Abc1 "},  // a trailing blank
      {"Abc1", ""},
  };
  FormMain->newPassword = QStringLiteral("Kept1");
  // "Отменить" and Esc end the dialog after the refusals
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Esc" : "Отменить");
    expectDialog([&] {
      for (const auto& c : refused) {
        typeBoth(ru(c.first), ru(c.again));
        pressSet();
        EXPECT_EQ(dialog().modalResult(), mrNone) << c.first << " / " << c.again;
        EXPECT_EQ(dialog().edPassword->text(), ru(c.first));
        EXPECT_EQ(dialog().edPasswordAgain->text(), ru(c.again));
      }
      if (escape)
        QTest::keyClick(dialog().edPassword, Qt::Key_Escape);
      else
        pressCancel();
    });
    pressPassword();
    prompter().verifyDone();
  }
  EXPECT_EQ(FormMain->newPassword.text(), QStringLiteral("Kept1"));
  EXPECT_TRUE(canLogIn(QString::fromLatin1(kOldPassword)));
  EXPECT_FALSE(FormMain->srvUsers->active());
}

TEST_F(PasswordTest, FailedServiceLoginChangesNothingAndLeavesTheServiceDetached) {
  const struct {
    bool cancel;
    const char* error;
  } cases[] = {
      {true, "Operation cancelled at user's request."},
      {false, "Your user name and password are not defined. Ask your database administrator to set up a Firebird login."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    expectDialog([&] {
      typeBoth(QStringLiteral("New1pw"), QStringLiteral("New1pw"));
      pressSet();
    });
    if (c.cancel)
      prompter().expectServiceLoginCancel(QStringLiteral("localhost"));
    else
      prompter().expectServiceLogin(QStringLiteral("localhost"), QStringLiteral("Sysdba"), QStringLiteral("wrong"));
    prompter().expectError(ru(c.error));
    pressPassword();
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->srvUsers->active());
    EXPECT_TRUE(canLogIn(QString::fromLatin1(kOldPassword)));
  }
  // detached: the next use asks again
  expectDialog([&] { pressSet(); });
  expectServiceLogin();
  prompter().expectMessage(ru(kDone));
  pressPassword();
  prompter().verifyDone();
  EXPECT_TRUE(canLogIn(QStringLiteral("New1pw")));
}

TEST_F(PasswordTest, RefusedChangeLeavesTheServiceAttachedForTheNextUse) {
  const struct {
    QString alias;
    const char* password;
    const char* error;
  } cases[] = {
      {missing.name(), "New1pw", "The user name specified was not found in the security database."},
      // what a Windows-1251 workstation cannot type is refused before the server is asked
      {login.name(), "Пароль中",
       "Character \"中\" (U+4E2D) cannot be represented in the Windows-1251 code page."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    closePage();
    openPageFor(c.alias);
    expectDialog([&] {
      typeBoth(ru(c.password), ru(c.password));
      pressSet();
    });
    expectServiceLogin();
    prompter().expectError(ru(c.error));
    pressPassword();
    prompter().verifyDone();
    EXPECT_EQ(FormMain->newPassword.text(), ru(c.password));
    EXPECT_TRUE(FormMain->srvUsers->active());
    EXPECT_FALSE(TestLogin::exists(missing.name()));
    EXPECT_TRUE(canLogIn(QString::fromLatin1(kOldPassword)));

    // no login dialog now; the change runs on the attachment and detaches
    closePage();
    openPageFor(login.name());
    expectDialog([&] {
      typeBoth(QStringLiteral("New1pw"), QStringLiteral("New1pw"));
      pressSet();
    });
    prompter().expectMessage(ru(kDone));
    pressPassword();
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->srvUsers->active());
    EXPECT_TRUE(canLogIn(QStringLiteral("New1pw")));
    EXPECT_FALSE(canLogIn(QString::fromLatin1(kOldPassword)));
    // back to the old password for the next case
    TestLogin::drop(login.name());
    TestLogin::create(login.name(), QString::fromLatin1(kOldPassword));
  }
}

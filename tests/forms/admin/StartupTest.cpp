#include "DorvikFixture.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include "About.h"
#include "Main.h"
#include "NewPass.h"
#include "Program.h"
#include "Users.h"
#include "db/ClientLibrary.h"
#include "db/IBDatabase.h"
#include "db/IBSQL.h"
#include "db/IBSecurityService.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/System.h"
#include "ui/ButtonEdits.h"
#include "ui/Dialogs.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"

using Kind = ScriptedPrompter::Kind;

namespace {

const QString kAdminMessage = QString::fromUtf8("Для входа требуется учетная запись администратора !!!");
const QString kCancelled = QStringLiteral("Operation cancelled at user's request.");

QList<Kind> kinds(const ScriptedPrompter& prompter) {
  QList<Kind> result;
  for (const auto& shown : prompter.shown()) result << shown.kind;
  return result;
}

}  // namespace

TEST_F(DorvikFixture, StartsAsAdministratorFromBaseIni) {
  startAsAdministrator();

  EXPECT_EQ(app().title(), ru("Определение привилегий пользователей"));
  ASSERT_EQ(prompter().shown().size(), 1);
  EXPECT_EQ(prompter().shown()[0].text, database().connectionString());
  EXPECT_EQ(prompter().shown()[0].user, QString());  // the dialog comes empty
  EXPECT_EQ(prompter().shown()[0].password, QString());

  // The state the pages rely on.
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_TRUE(FormMain->PageControl1->isHidden());
  EXPECT_EQ(FormMain->menu(), FormMain->MainMenu1);
  EXPECT_EQ(FormMain->srvUsers->ServerName, QStringLiteral("localhost"));
  EXPECT_EQ(FormMain->srvUsers->Params, QStringList{QStringLiteral("user_name=Sysdba")});
  EXPECT_EQ(FormMain->srvUsers->Protocol, TCP);
  EXPECT_FALSE(FormMain->srvUsers->active());
  EXPECT_EQ(FormMain->OpenSQLDialog->initialDir, workDir() + QLatin1Char('/'));
  EXPECT_EQ(FormMain->DateEdit1->text(), System::currentDateText());
  EXPECT_FALSE(FormMain->exportBusy);

  // The four forms, in their order; only the main form will be shown.
  EXPECT_EQ(app().mainForm(), FormMain);
  ASSERT_NE(FormSpisUser, nullptr);
  ASSERT_NE(FormPass, nullptr);
  ASSERT_NE(AboutBox, nullptr);
  EXPECT_EQ(FormSpisUser->caption(), ru("Список пользователей Базы"));
  EXPECT_EQ(FormPass->caption(), ru("Задание нового пароля доступа"));
  EXPECT_EQ(AboutBox->caption(), QStringLiteral("About"));
  for (TForm* form : {static_cast<TForm*>(FormMain), static_cast<TForm*>(FormSpisUser),
                      static_cast<TForm*>(FormPass), static_cast<TForm*>(AboutBox)})
    EXPECT_FALSE(form->isVisible()) << form->caption().toStdString();
}

// Lines 1 and 2 are taken as they stand, 3 and 4 trimmed; a missing line reads
// as empty; lines after the fourth are not read. The login dialog is cancelled,
// so no server is needed; the steps before the connection have all run.
TEST_F(DorvikFixture, ReadsBaseIniLinesAsTheyStand) {
  const struct {
    const char* name;
    QByteArray bytes;
    QString databaseName, scriptFolder, serverName;
    QStringList serviceParams;
  } cases[] = {
      {"two lines", "srv:/d/x.fdb\r\n/scripts/\r\n", "srv:/d/x.fdb", "/scripts/", "", {"user_name=Sysdba"}},
      {"blanks on every line", "  srv:/d/x.fdb \r\n  /s p/ \r\n\t localhost  \r\n  Secret1 \r\n\r\n",
       "  srv:/d/x.fdb ", "  /s p/ ", "localhost", {"password=Secret1", "user_name=Sysdba"}},
      {"a line 4 of blanks", "a:b\r\nc\r\nd\r\n  \t \r\n", "a:b", "c", "d", {"user_name=Sysdba"}},
      {"LF line ends, Windows-1251, more lines",
       Cp1251::encode(ru("a:/база.fdb\n/Папка/\nhost\nпароль\nuser_name=X\n")), ru("a:/база.fdb"), ru("/Папка/"),
       "host", {ru("password=пароль"), "user_name=Sysdba"}},
      {"one line without a line end", "host:/x.fdb", "host:/x.fdb", "", "", {"user_name=Sysdba"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    writeBaseIniBytes(c.bytes);
    prompter().clearShown();
    prompter().expectDatabaseLoginCancel(c.databaseName).expectError(kCancelled);
    createForms();
    prompter().verifyDone();
    ASSERT_NE(FormMain, nullptr);
    ASSERT_EQ(prompter().shown().size(), 2);
    EXPECT_EQ(prompter().shown()[0].user, QString());
    EXPECT_EQ(prompter().shown()[0].password, QString());

    EXPECT_EQ(FormMain->MainBase->DatabaseName, c.databaseName);
    EXPECT_TRUE(FormMain->MainBase->LoginPrompt);
    EXPECT_EQ(FormMain->MainBase->Params, QStringList{QStringLiteral("lc_ctype=WIN1251")});
    EXPECT_EQ(FormMain->OpenSQLDialog->initialDir, c.scriptFolder);
    EXPECT_EQ(FormMain->srvUsers->ServerName, c.serverName);
    EXPECT_EQ(FormMain->srvUsers->Params, c.serviceParams);
    EXPECT_EQ(FormMain->srvUsers->Protocol, TCP);
    EXPECT_EQ(FormMain->DateEdit1->text(), System::currentDateText());

    // Stopped at the connection: no login, no menu, the pages as described.
    EXPECT_FALSE(FormMain->MainBase->connected());
    EXPECT_TRUE(FormMain->rememberedLogin.isEmpty());
    EXPECT_EQ(FormMain->menu(), nullptr);
    EXPECT_FALSE(FormMain->PageControl1->isHidden());
    EXPECT_EQ(FormMain->PageControl1->activePage(), FormMain->AddUser);
    // The other forms are made all the same.
    EXPECT_NE(FormSpisUser, nullptr);
    EXPECT_NE(FormPass, nullptr);
    EXPECT_NE(AboutBox, nullptr);
  }
}

// An error in the start-up is shown, the main form comes up without a menu and
// the administrator check ends the program.
TEST_F(DorvikFixture, StartUpErrorThenAdministratorMessageThenEnd) {
  enum Answer { NoDialog, Cancel, WrongPassword };
  const struct {
    const char* name;
    Answer answer;
    const char* error;
  } cases[] = {
      {"empty Base.ini", NoDialog, "Database name is missing."},
      {"Cancel in the login dialog", Cancel, "Operation cancelled at user's request."},
      {"wrong password", WrongPassword,
       "Your user name and password are not defined. Ask your database administrator to set up a Firebird login."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    prompter().clearShown();
    if (c.answer == NoDialog) {
      writeBaseIniBytes(QByteArray());
    } else {
      writeBaseIni(baseIniLines());
      if (c.answer == Cancel)
        prompter().expectDatabaseLoginCancel(database().connectionString());
      else
        prompter().expectDatabaseLogin(database().connectionString(), QStringLiteral("PLUMO"),
                                       QStringLiteral("wrong"));
    }
    prompter().expectError(QString::fromUtf8(c.error));
    createForms();
    prompter().expectMessage(kAdminMessage);
    EXPECT_EQ(runUntilClosed(), 0);
    prompter().verifyDone();
    EXPECT_TRUE(app().terminated());
    EXPECT_EQ(prompter().shown().back().caption, ru("Определение привилегий пользователей"));
  }
}

TEST_F(DorvikFixture, AdministratorTypedInLowerCaseWithBlanksIsAdmitted) {
  writeBaseIni(baseIniLines());
  prompter().expectDatabaseLogin(database().connectionString(), QStringLiteral("  plumo\t"), QStringLiteral("plumo"));
  createForms();
  ASSERT_TRUE(FormMain->MainBase->connected());
  EXPECT_EQ(FormMain->rememberedLogin.text(), QStringLiteral("PLUMO"));

  // Painted several times, the check passes silently; "Выход" ends the program.
  QTimer::singleShot(300, FormMain, [] {
    FormMain->repaint();
    QTest::qWait(50);
    FormMain->N1->click();
  });
  EXPECT_EQ(runUntilClosed(), 0);
  EXPECT_FALSE(FormMain->MainBase->connected());
  EXPECT_EQ(kinds(prompter()), QList<Kind>{Kind::DatabaseLogin});
}

// Another login connects, then the first paint refuses it and the program ends.
TEST_F(DorvikFixture, OtherLoginConnectsThenIsRefused) {
  TestLogin manager(QStringLiteral("mgr4pw"));
  // A login longer than 20 characters is remembered cut to 20.
  const QString longName = (manager.name() + QStringLiteral("LONGERTHANTWENTY")).left(28);
  TestLogin::create(longName, QStringLiteral("long4pw"));
  struct Drop {
    QString name;
    ~Drop() { TestLogin::drop(name); }
  } dropLong{longName};

  const struct {
    QString typed, password, remembered;
  } cases[] = {
      {manager.name().toLower(), manager.password(), manager.name()},
      {longName.toLower(), QStringLiteral("long4pw"), longName.left(20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    restartApplication();
    prompter().clearShown();
    writeBaseIni(baseIniLines());
    prompter().expectDatabaseLogin(database().connectionString(), c.typed, c.password);
    createForms();
    ASSERT_TRUE(FormMain->MainBase->connected());
    EXPECT_EQ(FormMain->rememberedLogin.text(), c.remembered);
    EXPECT_EQ(FormMain->menu(), FormMain->MainMenu1);

    prompter().expectMessage(kAdminMessage);
    EXPECT_EQ(runUntilClosed(), 0);
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->MainBase->connected());
  }
}

namespace {

// Repaints the main form while the administrator message is open.
class RepaintingPrompter : public ScriptedPrompter {
 public:
  void message(const QString& text) override {
    ++messages;
    if (FormMain && messages == 1) {
      for (int i = 0; i < 5; ++i) {
        FormMain->repaint();
        FormMain->update();
        QTest::qWait(20);
      }
    }
    ScriptedPrompter::message(text);
  }
  int messages = 0;
};

}  // namespace

TEST_F(DorvikFixture, AdministratorMessageDoesNotStackUpOnRepaint) {
  RepaintingPrompter repainting;
  writeBaseIniBytes(QByteArray());
  repainting.expectError(QStringLiteral("Database name is missing.")).expectMessage(kAdminMessage);
  createForms();
  EXPECT_EQ(runUntilClosed(), 0);
  EXPECT_EQ(repainting.messages, 1);
}

TEST_F(DorvikFixture, ClosingRollsBackAnOpenTransactionAndDisconnects) {
  const struct {
    const char* name;
    bool leaveOpen;
    bool byMenu;
  } cases[] = {
      {"open transaction, Выход", true, true},
      {"open transaction, close box", true, false},
      {"no transaction, Выход", false, true},
  };
  int value = 90;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    startAsAdministrator();
    FormMain->show();
    FormMain->IBTrans->startTransaction();
    execInMainTransaction(QStringLiteral("update STATUS set ST_PERIOD = %1").arg(value + 1));
    if (!c.leaveOpen) {
      FormMain->IBTrans->commit();
      ++value;
    }
    if (c.byMenu)
      FormMain->N1->click();
    else
      FormMain->close();
    EXPECT_TRUE(app().terminated());
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_FALSE(FormMain->MainBase->connected());
    EXPECT_EQ(database().value(QStringLiteral("select ST_PERIOD from STATUS")), QString::number(value));
  }
}

// An error while closing is shown and keeps the form open; closing again ends
// the program.
TEST_F(DorvikFixture, ErrorWhileClosingKeepsTheFormOpen) {
  startAsAdministrator();
  FormMain->show();
  FormMain->IBTrans->startTransaction();
  database().exec(QStringLiteral("delete from mon$attachments where mon$attachment_id <> current_connection;"),
                  QStringLiteral("SYSDBA"), QStringLiteral("quietfern"));
  prompter().expectError(QStringLiteral("connection shutdown\n") + TIBDatabase::connectionLostLine() + QLatin1Char('.'));
  FormMain->N1->click();
  prompter().verifyDone();
  EXPECT_TRUE(FormMain->isVisible());
  EXPECT_FALSE(app().terminated());

  FormMain->N1->click();
  EXPECT_TRUE(app().terminated());
  EXPECT_FALSE(FormMain->MainBase->connected());
}

TEST_F(DorvikFixture, MissingClientLibraryIsFatalBeforeAnyForm) {
  const QString library = ClientLibrary::libraryName();
  ClientLibrary::setLibraryName(QStringLiteral("libvelton-no-such-client.so"));
  struct Restore {
    QString name;
    ~Restore() { ClientLibrary::setLibraryName(name); }
  } restore{library};

  prompter().expectFatal(QStringLiteral("Application Error"),
                         QStringLiteral("InterBase library gds32.dll not found in the path. Please install "
                                        "InterBase to use this functionality"));
  EXPECT_EQ(DorvikProgram::run(), 1);
  EXPECT_EQ(FormMain, nullptr);
  EXPECT_EQ(FormSpisUser, nullptr);
  EXPECT_EQ(kinds(prompter()), QList<Kind>{Kind::Fatal});
}

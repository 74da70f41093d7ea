#include "DorvikFixture.h"

#include "InitSet.h"
#include "Main.h"
#include "db/IBDatabase.h"
#include "db/IBSecurityService.h"
#include "ui/Dialogs.h"

// What the generator writes, the administration program reads back: the
// connection string, the script folder, the server and the SYSDBA password.
TEST_F(DorvikFixture, ReadsTheBaseIniTheGeneratorWrites) {
  const QString connection = database().connectionString();
  const int colon = connection.indexOf(QLatin1Char(':'));
  const QString server = connection.left(colon);
  const QString file = connection.mid(colon + 1);
  const QString folder = workDir() + QLatin1Char('/');

  const struct {
    const char* name;
    QString server;
    QString password;
    QStringList serviceParams;
  } cases[] = {
      {"factory password", server, QStringLiteral("quietfern"), {QStringLiteral("user_name=Sysdba")}},
      {"own password, blanks around the server", QStringLiteral(" ") + server + QStringLiteral(" "),
       QStringLiteral("Quietfern"), {QStringLiteral("password=Quietfern"), QStringLiteral("user_name=Sysdba")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    WriteBaseIni(folder, c.server, file, c.password);
    const QString expectedConnection = c.server + QLatin1Char(':') + file;
    if (c.server == server) {
      prompter().expectDatabaseLogin(expectedConnection, QStringLiteral("PLUMO"), QStringLiteral("plumo"));
    } else {
      // The connection string keeps the blanks; only the service's server is trimmed.
      prompter().expectDatabaseLoginCancel(expectedConnection).expectError(
          QStringLiteral("Operation cancelled at user's request."));
    }
    createForms();
    prompter().verifyDone();
    ASSERT_NE(FormMain, nullptr);
    EXPECT_EQ(FormMain->MainBase->DatabaseName, expectedConnection);
    EXPECT_EQ(FormMain->OpenSQLDialog->initialDir, folder);
    EXPECT_EQ(FormMain->srvUsers->ServerName, server);
    EXPECT_EQ(FormMain->srvUsers->Params, c.serviceParams);
    if (c.server == server) {
      EXPECT_TRUE(FormMain->MainBase->connected());
      EXPECT_EQ(FormMain->rememberedLogin.text(), QStringLiteral("PLUMO"));
    }
  }
}

// The start-up looks at the running program's own file and folder: these tests
// start copies of this binary under other names and in other folders. Each copy
// runs DorvikFixture.ChildStartUp, which reads its case from the environment
// and is skipped in an ordinary run.

#include "DorvikFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <functional>
#include <sys/stat.h>

#include "Main.h"
#include "db/IBDatabase.h"
#include "db/IBSecurityService.h"
#include "db/IBTransaction.h"
#include "os/System.h"
#include "ui/ButtonEdits.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"

namespace {

const char kCaseVariable[] = "DORVIK_CHILD_CASE";
const char kFolderVariable[] = "DORVIK_CHILD_PROGRAM_FOLDER";
const char kChildTest[] = "DorvikFixture.ChildStartUp";

const QString kAdminMessage = QString::fromUtf8("Для входа требуется учетная запись администратора !!!");

QProcessEnvironment childEnvironment(const QString& childCase, const QString& programFolder = QString()) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kCaseVariable), childCase);
  if (!programFolder.isEmpty()) env.insert(QString::fromLatin1(kFolderVariable), programFolder);
  return env;
}

bool childPassed(const DorvikFixture::ChildRun& run) {
  return run.exitCode == 0 && run.output.contains(QStringLiteral("[       OK ] ") + QLatin1String(kChildTest)) &&
         !run.output.contains(QStringLiteral("SKIPPED"));
}

}  // namespace

TEST_F(DorvikFixture, ChildStartUp) {
  const QString childCase = qEnvironmentVariable(kCaseVariable);
  if (childCase.isEmpty()) GTEST_SKIP() << "runs only in a copy started by the program file tests";

  if (childCase == QLatin1String("kit")) {
    // Under a kit program name nothing is read, set up or connected: an empty
    // Base.ini, if read, would stop the start-up with an error.
    writeBaseIniBytes(QByteArray());
    createForms();
    ASSERT_NE(FormMain, nullptr);
    EXPECT_TRUE(prompter().shown().isEmpty());
    EXPECT_FALSE(FormMain->MainBase->connected());
    EXPECT_EQ(FormMain->MainBase->DatabaseName, QString());
    EXPECT_EQ(FormMain->MainBase->Params, QStringList{QStringLiteral("lc_ctype=WIN1251")});
    EXPECT_TRUE(FormMain->MainBase->LoginPrompt);
    EXPECT_TRUE(FormMain->srvUsers->Params.isEmpty());
    EXPECT_EQ(FormMain->srvUsers->ServerName, QString());
    EXPECT_EQ(FormMain->srvUsers->Protocol, Local);
    EXPECT_EQ(FormMain->OpenSQLDialog->initialDir, QString());
    EXPECT_EQ(FormMain->DateEdit1->text(), QString());
    EXPECT_TRUE(FormMain->rememberedLogin.isEmpty());
    EXPECT_EQ(FormMain->menu(), nullptr);
    EXPECT_FALSE(FormMain->PageControl1->isHidden());
    // Shown without a menu, the administrator message, the end.
    prompter().expectMessage(kAdminMessage);
    EXPECT_EQ(runUntilClosed(), 0);
  } else if (childCase == QLatin1String("other name")) {
    writeBaseIniBytes(QByteArray());
    prompter().expectError(QStringLiteral("Database name is missing."));
    createForms();
    ASSERT_NE(FormMain, nullptr);
    EXPECT_EQ(FormMain->srvUsers->paramValue(QStringLiteral("user_name")), QStringLiteral("Sysdba"));
    EXPECT_EQ(FormMain->DateEdit1->text(), System::currentDateText());
  } else if (childCase == QLatin1String("defaults")) {
    // Only a file is a settings file: a folder, a pipe or a device named
    // Base.ini is not, and the start-up takes the defaults as without one. The
    // program folder's Base.ini is not looked at.
    const QString name = workDir() + QStringLiteral("/Base.ini");
    const std::function<bool()> notFiles[] = {
        [&] { return QDir(workDir()).mkdir(QStringLiteral("Base.ini")); },
        [&] { return ::mkfifo(QFile::encodeName(name).constData(), 0644) == 0; },
        [&] { return QFile::link(QStringLiteral("/dev/zero"), name); },
    };
    auto checkDefaults = [&] {
      const QString programFolder = qEnvironmentVariable(kFolderVariable);
      createForms();
      ASSERT_NE(FormMain, nullptr);
      EXPECT_TRUE(prompter().shown().isEmpty());  // no login dialog
      ASSERT_TRUE(FormMain->MainBase->connected());
      EXPECT_EQ(FormMain->MainBase->DatabaseName, programFolder + QStringLiteral("/RIDOVEZ.FDB"));
      EXPECT_FALSE(FormMain->MainBase->LoginPrompt);
      EXPECT_EQ(FormMain->MainBase->Params,
                (QStringList{QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("user_name=PLUMO"),
                             QStringLiteral("password=plumo")}));
      EXPECT_EQ(FormMain->srvUsers->ServerName, QStringLiteral("127.0.0.1"));
      EXPECT_EQ(FormMain->srvUsers->Params,
                (QStringList{QStringLiteral("password=quietfern"), QStringLiteral("user_name=Sysdba")}));
      EXPECT_EQ(FormMain->srvUsers->Protocol, TCP);
      EXPECT_EQ(FormMain->OpenSQLDialog->initialDir, programFolder);
      EXPECT_EQ(FormMain->rememberedLogin.text(), QStringLiteral("PLUMO"));
      EXPECT_EQ(FormMain->menu(), FormMain->MainMenu1);
      EXPECT_TRUE(FormMain->PageControl1->isHidden());
      EXPECT_FALSE(FormMain->IBTrans->inTransaction());
      FormMain->FormPaint();  // the check passes silently
      FormMain->ExitProgr();
      EXPECT_FALSE(FormMain->MainBase->connected());
    };
    int kind = 0;
    for (const auto& makeNotAFile : notFiles) {
      SCOPED_TRACE(kind++);
      restartApplication();
      QDir(workDir()).rmdir(QStringLiteral("Base.ini"));
      QFile::remove(name);
      ASSERT_TRUE(makeNotAFile());
      prompter().clearShown();
      checkDefaults();
    }
  } else {
    FAIL() << "unknown case " << childCase.toStdString();
  }
}

// The kit test upper-cases the ASCII letters of the whole file name and
// compares it exactly.
TEST(ProgramFile, KitProgramNamesSetNothingUp) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const struct {
    const char* fileName;
    bool kit;
  } cases[] = {
      {"orlane.exe", true},      {"Quiven.Exe", true},     {"MIRTAL.EXE", true},
      {"orlane.exe1", false},    {"orlane.exe.bak", false}, {"xorlane.exe", false},
      {"orlane.ex", false},      {"orlane", false},         {"quiven.exe ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileName);
    const auto run = DorvikFixture::runCopy(folder.path(), QString::fromUtf8(c.fileName), QLatin1String(kChildTest),
                                            childEnvironment(c.kit ? "kit" : "other name"), folder.path());
    EXPECT_TRUE(childPassed(run)) << run.output.toStdString();
  }
}

// Without Base.ini in the working folder the program opens RIDOVEZ.FDB in its
// own folder as PLUMO, whatever the working folder, even with a Base.ini lying
// next to the program and in a folder named in Russian.
TEST(ProgramFile, WithoutBaseIniOpensTheDatabaseInTheProgramFolder) {
  QTemporaryDir programDir(QDir::tempPath() + QStringLiteral("/Программа Вельтон-XXXXXX"));
  QTemporaryDir workingDir;
  ASSERT_TRUE(programDir.isValid() && workingDir.isValid());
  const QString programFolder = QFileInfo(programDir.path()).canonicalFilePath();

  QProcess create;
  create.setProcessChannelMode(QProcess::MergedChannels);
  create.start(QStringLiteral("bash"), {TestDatabase::sourceDir() + QStringLiteral("/database/create-db.sh"),
                                        programFolder + QStringLiteral("/RIDOVEZ.FDB")});
  ASSERT_TRUE(create.waitForFinished(120000));
  ASSERT_EQ(create.exitCode(), 0) << create.readAll().toStdString();
  {
    QFile other(programFolder + QStringLiteral("/Base.ini"));  // empty: reading it would fail
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  }

  const auto run = DorvikFixture::runCopy(programFolder, QStringLiteral("dorvik"), QLatin1String(kChildTest),
                                          childEnvironment(QStringLiteral("defaults"), programFolder),
                                          workingDir.path());
  EXPECT_TRUE(childPassed(run)) << run.output.toStdString();
}

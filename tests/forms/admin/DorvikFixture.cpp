#include "DorvikFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "Main.h"
#include "Program.h"
#include "Users.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/FileSystem.h"
#include "ui/DataControls.h"

DorvikFixture::DorvikFixture() : previousDir_(QDir::currentPath()) {
  if (!workDir_.isValid()) throw std::runtime_error("no temporary folder");
  QDir::setCurrent(workDir_.path());
  prompter_ = std::make_unique<ScriptedPrompter>();
  app_ = std::make_unique<TApplication>();
}

DorvikFixture::~DorvikFixture() {
  destroyForms();
  app_.reset();
  prompter_.reset();
  QDir::setCurrent(previousDir_);
  database_.reset();
}

TestDatabase& DorvikFixture::database() {
  if (!database_) database_ = std::make_unique<TestDatabase>(TestDatabase::WithDemo);
  return *database_;
}

void DorvikFixture::writeBaseIni(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += Cp1251::encode(line) + "\r\n";
  writeBaseIniBytes(bytes);
}

void DorvikFixture::writeBaseIniBytes(const QByteArray& bytes) {
  QFile file(workDir() + QStringLiteral("/Base.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList DorvikFixture::baseIniLines() {
  return {database().connectionString(), workDir() + QLatin1Char('/'), QStringLiteral("localhost"), QString()};
}

void DorvikFixture::createForms() { DorvikProgram::createForms(*app_); }

void DorvikFixture::startAsAdministrator() {
  writeBaseIni(baseIniLines());
  prompter().expectDatabaseLogin(database().connectionString(), QStringLiteral("PLUMO"), QStringLiteral("plumo"));
  createForms();
  ASSERT_NE(FormMain, nullptr);
  ASSERT_TRUE(FormMain->MainBase->connected());
  ASSERT_EQ(FormMain->rememberedLogin.text(), QStringLiteral("PLUMO"));
}

int DorvikFixture::runUntilClosed(int timeoutMs) {
  bool timedOut = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    timedOut = true;
    app_->terminate();
  });
  timer.start(timeoutMs);
  const int code = app_->run();
  EXPECT_FALSE(timedOut) << "the main form did not close";
  return code;
}

void DorvikFixture::destroyForms() { DorvikProgram::destroyForms(); }

void DorvikFixture::restartApplication() {
  destroyForms();
  app_.reset();
  app_ = std::make_unique<TApplication>();
}

DorvikFixture::ChildRun DorvikFixture::runCopy(const QString& folder, const QString& fileName,
                                               const QString& gtestFilter, const QProcessEnvironment& env,
                                               const QString& workingFolder) {
  ChildRun result;
  const QString copy = folder + QLatin1Char('/') + fileName;
  QFile::remove(copy);
  if (!QFile::copy(FileSystem::programPath(), copy)) {
    result.output = QStringLiteral("cannot copy the test binary to ") + copy;
    return result;
  }
  QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
  QProcess child;
  QProcessEnvironment childEnv = env;
  childEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(childEnv);
  child.setWorkingDirectory(workingFolder);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(copy, {QStringLiteral("--gtest_filter=") + gtestFilter});
  if (!child.waitForFinished(120000)) {
    child.kill();
    child.waitForFinished();
  }
  result.output = QString::fromLocal8Bit(child.readAll());
  result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  return result;
}

bool DorvikFixture::runInLocale(const QString& locale, const QString& test, QString& output) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), locale);
  env.insert(QStringLiteral("LANG"), locale);
  env.insert(QStringLiteral("VELTON_CHILD_LOCALE"), locale);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(FileSystem::programPath(), {QStringLiteral("--gtest_filter=") + test});
  if (!child.waitForFinished(240000)) {
    child.kill();
    child.waitForFinished();
  }
  output = QString::fromLocal8Bit(child.readAll());
  return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
         output.contains(QStringLiteral("[       OK ] ") + test) && !output.contains(QStringLiteral("SKIPPED"));
}

void execInMainTransaction(const QString& sql) {
  TIBSQL statement;
  statement.setDatabase(FormMain->MainBase);
  statement.setTransaction(FormMain->IBTrans);
  statement.SQL = QStringList{sql};
  statement.execQuery();
}

void clickManagerInList(const QString& alias) {
  TIBQuery& rows = *FormMain->IBQuery1;
  TRxDBGrid& grid = *FormSpisUser->RxDBGrid1;
  const int column = rows.fieldByName(QStringLiteral("MN_ALIAS")).index();
  int row = 0;
  while (row < rows.rowCount() && rows.value(row, column).toString() != alias) ++row;
  ASSERT_LT(row, rows.rowCount()) << "no manager " << alias.toStdString();
  grid.scrollTo(grid.model()->index(row, 0));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(row, 0).center());
  ASSERT_EQ(rows.recNo(), row);
}

QString DorvikFixture::refusedCommitText() {
  return QStringLiteral("exception 4\nE_COMMIT_REFUSED\ncommit refused by the test\nAt trigger 'COMMIT_REFUSED' line: 1, col: 171.");
}

void DorvikFixture::makeCommitsRefusable() {
  database().exec(
      "CREATE TABLE REFUSED_COMMITS (TRANSACTION_ID INTEGER);"
      "CREATE EXCEPTION E_COMMIT_REFUSED 'commit refused by the test';"
      "SET TERM ^ ;"
      "CREATE TRIGGER COMMIT_REFUSED ACTIVE ON TRANSACTION COMMIT POSITION 0 AS BEGIN "
      "IF (EXISTS(SELECT 1 FROM REFUSED_COMMITS WHERE TRANSACTION_ID = CURRENT_TRANSACTION)) "
      "THEN EXCEPTION E_COMMIT_REFUSED; END^"
      "SET TERM ; ^");
}

void DorvikFixture::refuseCommitOfMainTransaction(bool refuse) {
  QString id = QStringLiteral("0");
  if (refuse) {
    TIBQuery transaction;
    transaction.setDatabase(FormMain->MainBase);
    transaction.setTransaction(FormMain->IBTrans);
    transaction.SQL = QStringList{QStringLiteral("select CURRENT_TRANSACTION from RDB$DATABASE")};
    transaction.open();
    id = transaction.value(0, 0).toString();
  }
  database().exec(refuse ? QStringLiteral("INSERT INTO REFUSED_COMMITS VALUES (%1);").arg(id)
                         : QStringLiteral("DELETE FROM REFUSED_COMMITS;"));
}

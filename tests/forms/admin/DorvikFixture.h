#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "support/ScriptedPrompter.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"

class TFormMain;

// A test of dorvik's forms: a working folder of its own (the current folder
// while the test runs, with or without a Base.ini), the scripted prompter, the
// application object and the program's four forms made by the program body's
// own code; a fresh database on the local server on first use. The forms are
// destroyed, the working folder restored and the database dropped when the
// test ends.
//
//   TEST_F(DorvikFixture, Something) {
//     startAsAdministrator();           // connected as PLUMO, menu attached
//     prompter().expectMessage(...);
//     FormMain->miUstan->click();
//   }
class DorvikFixture : public ::testing::Test {
 protected:
  DorvikFixture();
  ~DorvikFixture() override;

  // The test's database (with the demo rows), made on first use.
  TestDatabase& database();
  ScriptedPrompter& prompter() { return *prompter_; }
  TApplication& app() { return *app_; }
  // The working folder (no trailing "/").
  QString workDir() const { return workDir_.path(); }

  // Base.ini in the working folder: each line followed by CR LF, in Windows-1251.
  void writeBaseIni(const QStringList& lines);
  void writeBaseIniBytes(const QByteArray& bytes);
  // The lines the generator writes for the test database with the factory
  // password: connection string, script folder (the working folder with "/"),
  // "localhost", an empty line.
  QStringList baseIniLines();

  // Title and the four forms, as the program body makes them; the main form's
  // start-up runs inside, so the test queues its dialogs first.
  void createForms();
  // Base.ini for the test database, the login dialog answered PLUMO/plumo, the
  // forms made; fails the test unless the start-up connected as PLUMO.
  void startAsAdministrator();
  // Shows the main form and runs the message loop until the main form has
  // closed; fails the test when that takes longer than the timeout. Answers the
  // exit code.
  int runUntilClosed(int timeoutMs = 20000);
  // A database trigger on commit that fails the commits of the transactions
  // marked by refuseCommitOfMainTransaction. A connection sees it only when
  // it attaches after this. The error text such a commit shows, as the error
  // box shows it: refusedCommitText().
  void makeCommitsRefusable();
  static QString refusedCommitText();
  // Makes the commit of the main form's active transaction fail, or lets
  // commits pass again.
  void refuseCommitOfMainTransaction(bool refuse);

  // Destroys the forms (the destructor does it too).
  void destroyForms();
  // Destroys the forms and starts again with a new application object, so that
  // one test can start the program several times.
  void restartApplication();


 public:
  // A copy of this test binary, started under another file name in a folder
  // of its own, running only the given tests. The child reads its case from
  // the environment.
  struct ChildRun {
    int exitCode = -1;
    QString output;
  };
  static ChildRun runCopy(const QString& folder, const QString& fileName, const QString& gtestFilter,
                          const QProcessEnvironment& env, const QString& workingFolder);
  // This test binary run again under a locale (LC_ALL and LANG), running only
  // the given test with VELTON_CHILD_LOCALE set to the locale; the child's
  // test reads it and is skipped in an ordinary run. Passed: the test ran and
  // passed.
  static bool runInLocale(const QString& locale, const QString& test, QString& output);

 private:
  QTemporaryDir workDir_;
  QString previousDir_;
  std::unique_ptr<TestDatabase> database_;
  std::unique_ptr<ScriptedPrompter> prompter_;
  std::unique_ptr<TApplication> app_;
};

// Shorthand for Russian texts in tests.
inline QString ru(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs a statement in the main form's transaction, as a page would.
void execInMainTransaction(const QString& sql);

// In the users list shown modally, clicks the row of the manager with this
// login as stored; fails the test when there is none or the click does not
// make it current.
void clickManagerInList(const QString& alias);

#include <QAccessible>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMovie>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

#include "InitSet.h"
#include "TessanProgram.h"
#include "db/ClientLibrary.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/System.h"
#include "support/ScriptedPrompter.h"
#include "ui/Application.h"
#include "ui/Guard.h"

namespace {

const QString kTitle = QString::fromUtf8("Определение привилегий пользователей");
const QString kNoDatabaseFile = QString::fromUtf8("Не найден файл базы данных");
const QString kNotSysdba = QString::fromUtf8("С заданными параметрами не удалось подключиться к серверу БД");

QByteArray readFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll();
}

void writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
  f.write(bytes);
}

// What the error box shows when the service cannot be attached this way: the
// server's or the connection's own text, asked independently of the form.
QString attachError(const QString& server, const QString& password) {
  TIBSecurityService service;
  service.LoginPrompt = false;
  service.ServerName = server;
  service.Protocol = TCP;
  service.setParamValue(QStringLiteral("user_name"), QStringLiteral("Sysdba"));
  service.setParamValue(QStringLiteral("password"), password);
  try {
    service.setActive(true);
  } catch (const Exception& e) {
    return errorBoxText(e.message());
  }
  return QStringLiteral("<attached>");
}

// Runs in the working folder given, and goes back.
class WorkingFolder {
 public:
  explicit WorkingFolder(const QString& folder) : previous_(QDir::currentPath()) { QDir::setCurrent(folder); }
  ~WorkingFolder() { QDir::setCurrent(previous_); }

 private:
  QString previous_;
};

class Generator : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateTessan(app_);
    form = FormMirtal;
    ASSERT_TRUE(form);
    ASSERT_FALSE(app_.terminated());
    database = path("base.fdb");
    writeFile(database, "not really a database: the check only looks for the file");
    form->FilenameEdit1->setText(database);
    form->ServIP->setText(QStringLiteral("localhost"));
    form->DirectoryEdit1->setText(path("velton"));
  }
  void TearDown() override { FormMirtal = nullptr; }

  QString path(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
  void press() { form->bn1str->click(); }
  // The first page as it was: nothing written, "Далее" still there.
  void expectFirstPage() {
    EXPECT_EQ(form->PageControl1->activePage(), form->ts1);
    EXPECT_TRUE(form->bn1str->isEnabled());
    EXPECT_FALSE(form->IBS.active());
  }
  void passFirstPage() {
    press();
    ASSERT_EQ(form->PageControl1->activePage(), form->tsEnd);
  }

  ScriptedPrompter prompter;
  TApplication app_;
  QTemporaryDir dir_;
  TFormMirtal* form = nullptr;
  QString database;
};

}  // namespace

TEST_F(Generator, FormStartsWithItsDefaultsAndTheComputersName) {
  EXPECT_EQ(app_.title(), kTitle);
  EXPECT_EQ(app_.mainForm(), form);
  EXPECT_EQ(form->caption(), QString::fromUtf8("Генерация конфигурационного файла"));
  EXPECT_EQ(form->size(), QSize(701, 293));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_FALSE(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));

  TApplication other;
  CreateTessan(other);
  TFormMirtal* fresh = FormMirtal;
  EXPECT_EQ(fresh->ServIP->text(), System::computerName());
  EXPECT_EQ(fresh->FilenameEdit1->text(), QStringLiteral("BaseFile"));
  EXPECT_EQ(fresh->DirectoryEdit1->text(), QStringLiteral("/opt/velton"));
  EXPECT_EQ(fresh->PasSYSDBA->text(), QStringLiteral("quietfern"));
  EXPECT_EQ(fresh->PasSYSDBA->echoMode(), QLineEdit::Password);
  EXPECT_EQ(fresh->PasSYSDBA->passwordChar(), QLatin1Char('#'));
  EXPECT_EQ(fresh->PageControl1->activePage(), fresh->ts1);
  EXPECT_FALSE(fresh->IBS.LoginPrompt);
  EXPECT_TRUE(fresh->findChildren<QTabBar*>().isEmpty());

  // tab order of the first page
  QWidget* expected[] = {fresh->bn1str, fresh->PasSYSDBA, fresh->ServIP, fresh->FilenameEdit1->edit(),
                         fresh->DirectoryEdit1->edit()};
  for (size_t i = 0; i + 1 < std::size(expected); ++i) {
    QWidget* next = expected[i]->nextInFocusChain();
    while (next && (next->focusPolicy() & Qt::TabFocus) != Qt::TabFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, expected[i + 1]) << i;
  }

  // what a screen reader finds: a dialog, and each edit named after its label
  EXPECT_EQ(QAccessible::queryAccessibleInterface(fresh)->role(), QAccessible::Dialog);
  const std::pair<QWidget*, QLabel*> named[] = {{fresh->PasSYSDBA, fresh->RxLabel4},
                                                {fresh->ServIP, fresh->Label2},
                                                {fresh->FilenameEdit1->edit(), fresh->Label3},
                                                {fresh->DirectoryEdit1->edit(), fresh->Label1}};
  for (const auto& [edit, label] : named)
    EXPECT_EQ(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name), label->text());
  FormMirtal = form;
}

TEST(GeneratorStart, WithoutAUsableClientLibraryTheProgramEndsBeforeShowingTheForm) {
  const QString library = ClientLibrary::libraryName();
  for (const char* bogus : {"/nonexistent/libfbclient.so.2", "libc.so.6"}) {
    ScriptedPrompter prompter;
    prompter.expectMessage(QStringLiteral("Interbase Client not installed, aborting"));
    ClientLibrary::setLibraryName(QString::fromLatin1(bogus));
    {
      TApplication app;
      CreateTessan(app);
      EXPECT_TRUE(app.terminated()) << bogus;
      EXPECT_EQ(app.run(), 0);
      EXPECT_FALSE(FormMirtal->isVisible());
      EXPECT_EQ(FormMirtal->ServIP->text(), QStringLiteral("127.0.0.1"));
    }
    prompter.verifyDone();
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.shown().first().caption, kTitle);
  }
  // the whole program body returns at once too
  {
    ScriptedPrompter prompter;
    prompter.expectMessage(QStringLiteral("Interbase Client not installed, aborting"));
    EXPECT_EQ(TessanMain(), 0);
  }
  ClientLibrary::setLibraryName(library);
  FormMirtal = nullptr;
}

TEST_F(Generator, MissingDatabaseFileIsReportedBeforeTheServerIsAsked) {
  form->ServIP->setText(QStringLiteral("nonexistent.invalid"));
  WorkingFolder cwd(dir_.path());
  const QString names[] = {QStringLiteral("BaseFile"), path("missing.fdb"), dir_.path(), QString()};
  for (const QString& name : names) {
    form->FilenameEdit1->setText(name);
    prompter.expectMessage(kNoDatabaseFile);
    press();
    prompter.verifyDone();
    EXPECT_EQ(prompter.shown().last().caption, kTitle);
    expectFirstPage();
  }
  // "BaseFile" names a file in the working folder; with it there the server is asked
  writeFile(path("BaseFile"), "x");
  form->FilenameEdit1->setText(QStringLiteral("BaseFile"));
  const QString unreachable = attachError(QStringLiteral("nonexistent.invalid"), QStringLiteral("quietfern"));
  EXPECT_TRUE(unreachable.contains(QStringLiteral("nonexistent.invalid"))) << unreachable.toStdString();
  prompter.expectError(unreachable);
  press();
  prompter.verifyDone();
  expectFirstPage();
  EXPECT_FALSE(QFileInfo::exists(path("velton")));
}

TEST_F(Generator, WrongPasswordShowsTheServersOwnMessage) {
  form->PasSYSDBA->setText(QStringLiteral("not-the-password"));
  const QString refused = attachError(QStringLiteral("localhost"), QStringLiteral("not-the-password"));
  EXPECT_TRUE(refused.contains(QStringLiteral("password"))) << refused.toStdString();
  prompter.expectError(refused);
  press();
  prompter.verifyDone();
  expectFirstPage();
  EXPECT_FALSE(QFileInfo::exists(path("velton")));

  // corrected, the same form goes on
  form->PasSYSDBA->setText(QStringLiteral("quietfern"));
  passFirstPage();
  EXPECT_TRUE(prompter.texts(ScriptedPrompter::Kind::Message).isEmpty());
}

TEST_F(Generator, NextWritesBaseIniWithTheServerAsTypedAndShowsTheLastPage) {
  form->ServIP->setText(QStringLiteral("  localhost  "));
  passFirstPage();
  const QString folder = path("velton/");
  EXPECT_EQ(form->installationFolder(), folder);
  EXPECT_EQ(readFile(path("velton/Base.ini")), "  localhost  :" + Cp1251::encode(database) + "\r\n" +
                                                   Cp1251::encode(folder) + "\r\n  localhost  \r\n\r\n");
  EXPECT_FALSE(form->bn1str->isEnabled());
  EXPECT_FALSE(form->IBS.active());
  EXPECT_TRUE(prompter.shown().isEmpty());

  // nothing leads back: the first page's button is off and no tab can be chosen
  form->BitBtn2->setFocus();
  QTest::keyClick(form, Qt::Key_Tab, Qt::ControlModifier);
  QTest::keyClick(form, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(form->PageControl1->activePage(), form->tsEnd);
  press();
  EXPECT_EQ(form->PageControl1->activePage(), form->tsEnd);
}

TEST_F(Generator, ThePasswordLineIsWrittenOnlyForAnotherPassword) {
  const QString folder = path("velton/");
  const QByteArray head = Cp1251::encode("localhost:" + database + "\r\n" + folder + "\r\nlocalhost\r\n");
  const struct {
    QString password;
    QByteArray line;
  } cases[] = {
      {"quietfern", ""},
      {"Quietfern", "Quietfern\r\n"},
      {"quietfern ", "quietfern \r\n"},
      {"", "\r\n"},
      {"masterkey", "masterkey\r\n"},
  };
  for (const auto& c : cases) {
    form->PasSYSDBA->setText(c.password);
    form->WriteBaseIni(folder);
    EXPECT_EQ(readFile(path("velton/Base.ini")), head + c.line + "\r\n") << c.password.toStdString();
  }
}

TEST_F(Generator, AFolderThatCannotBeCreatedLeavesNextEnabledToTryAgain) {
  writeFile(path("file"), "x");
  const struct {
    QString folder, error;
  } cases[] = {
      {path("missing/velton"), "Cannot create " + path("missing/velton") + "."},
      {path("missing/velton/"), "Cannot create " + path("missing/velton") + "."},
      {path("file"), "Cannot create " + path("file") + "."},
      {QString(), "Cannot create "},
  };
  for (const auto& c : cases) {
    form->DirectoryEdit1->setText(c.folder);
    prompter.expectError(c.error);
    press();
    prompter.verifyDone();
    expectFirstPage();
  }
  EXPECT_FALSE(QFileInfo::exists(path("missing")));
  EXPECT_EQ(readFile(path("file")), QByteArray("x"));

  form->DirectoryEdit1->setText(path("velton"));
  passFirstPage();
  EXPECT_TRUE(QFileInfo::exists(path("velton/Base.ini")));
}

TEST_F(Generator, ChosenDatabasePathIsTakenWithoutQuotes) {
  const QString spaced = path("my base.fdb");
  writeFile(spaced, "x");
  prompter.expectOpenFile(spaced);
  form->FilenameEdit1->clickButton();
  prompter.verifyDone();
  EXPECT_EQ(prompter.shown().last().file.filter, QString::fromUtf8("Файлы баз данных|*.fdb"));
  EXPECT_EQ(form->FilenameEdit1->text(), spaced);
  passFirstPage();
  EXPECT_TRUE(readFile(path("velton/Base.ini")).startsWith(Cp1251::encode("localhost:" + spaced + "\r\n")));
}

TEST_F(Generator, FolderDialogStartsAtTheDefaultFolderWhenTheEditIsEmpty) {
  form->DirectoryEdit1->setText(QString());
  const QString start = QFileInfo(QStringLiteral("/opt/velton")).isDir() ? QStringLiteral("/opt/velton") : QDir::rootPath();
  prompter.expectFolder(path("chosen"));
  form->DirectoryEdit1->clickButton();
  prompter.verifyDone();
  EXPECT_EQ(prompter.shown().last().text, start);
  EXPECT_EQ(form->DirectoryEdit1->text(), path("chosen"));
}

TEST_F(Generator, CopyReplacesTheChosenFileAndCanBeRepeated) {
  passFirstPage();
  const QByteArray written = readFile(path("velton/Base.ini"));

  prompter.expectSaveFileCancel();
  form->BitBtn2->click();
  prompter.verifyDone();
  const FileDialogRequest asked = prompter.shown().last().file;
  EXPECT_EQ(asked.title, QString::fromUtf8("Скопировать файл установок"));
  EXPECT_EQ(asked.fileName, QStringLiteral("base.ini"));
  EXPECT_TRUE(asked.filter.isEmpty());
  EXPECT_TRUE(asked.defaultExt.isEmpty());
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"base.fdb"}));

  const QString copy = path("copy.ini");
  writeFile(copy, QByteArray(5000, 'o'));
  prompter.expectSaveFile(copy);
  form->BitBtn2->click();
  prompter.verifyDone();
  EXPECT_EQ(readFile(copy), written);

  // again: the dialog proposes the name chosen last; a failure keeps the page
  prompter.expectSaveFile(path("nofolder/copy.ini")).expectError(QStringLiteral("Path not found."));
  form->BitBtn2->click();
  prompter.verifyDone();
  EXPECT_EQ(prompter.shown().at(prompter.shown().size() - 2).file.fileName, copy);
  EXPECT_EQ(form->PageControl1->activePage(), form->tsEnd);
  EXPECT_TRUE(form->BitBtn2->isEnabled());

  // "Выход" ends the program
  form->BitBtn1->click();
  EXPECT_TRUE(app_.terminated());
}

// A copy that the file system stops short (a file-size limit here; the
// program ignores SIGXFSZ) says so in the error box with the file system's
// text; the old file stays and no partial copy is left.
TEST_F(Generator, ACopyStoppedShortSaysSoAndLeavesTheOldFile) {
  passFirstPage();
  const QString copy = path("copy.ini");
  writeFile(copy, "old");
  {
    struct Limit {
      rlimit previous{};
      Limit() {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit small = previous;
        small.rlim_cur = 10;
        ::setrlimit(RLIMIT_FSIZE, &small);
      }
      ~Limit() { ::setrlimit(RLIMIT_FSIZE, &previous); }
    } limit;
    prompter.expectSaveFile(copy).expectError(QString::fromLocal8Bit(std::strerror(EFBIG)) + QLatin1Char('.'));
    form->BitBtn2->click();
    prompter.verifyDone();
  }
  EXPECT_EQ(readFile(copy), QByteArray("old"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"base.fdb", "copy.ini"}));
  EXPECT_EQ(form->PageControl1->activePage(), form->tsEnd);
  prompter.expectSaveFile(copy);
  form->BitBtn2->click();
  prompter.verifyDone();
  EXPECT_EQ(readFile(copy), readFile(path("velton/Base.ini")));
}

TEST_F(Generator, EscapeEndsTheProgramOnTheFirstPage) {
  form->show();
  QTest::keyClick(form->ServIP, Qt::Key_Escape);
  EXPECT_TRUE(app_.terminated());
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Generator, TheLogoPlaysAndOpensTheProductPage) {
  EXPECT_EQ(form->FirmLogo->size(), QSize(119, 70));
  EXPECT_EQ(form->FirmLogo->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(form->FirmLogo->movie());  // made when the form is first shown
  form->show();
  ASSERT_TRUE(form->FirmLogo->movie());
  EXPECT_GT(form->FirmLogo->frameCount(), 1);
  EXPECT_EQ(form->FirmLogo->movie()->state(), QMovie::Running);
  EXPECT_LT(qstrlen(kProductPage), 80u);

  prompter.expectUrl(QString::fromLatin1(kProductPage));
  QTest::mouseClick(form->FirmLogo, Qt::LeftButton);
  prompter.verifyDone();
}

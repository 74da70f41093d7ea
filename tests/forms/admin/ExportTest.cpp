#include "DorvikFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMap>
#include <functional>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Main.h"
#include "db/Field.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/FileSystem.h"
#include "os/System.h"
#include "ui/Dialogs.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

using Kind = ScriptedPrompter::Kind;

namespace {

const QString kSuccess = QString::fromUtf8("Репликация данных выполнена успешно");

QDateTime firstMoment() { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); }
QDateTime secondMoment() { return QDateTime(QDate(2024, 3, 5), QTime(14, 8, 30)); }
QDateTime midnight() { return QDateTime(QDate(2024, 12, 31), QTime(0, 0)); }

// A clock that gives the first moment, then the second one.
int clockCalls = 0;
QDateTime steppingClock() { return clockCalls++ == 0 ? firstMoment() : secondMoment(); }

QByteArray headerText(const QString& dateTime) {
  return Cp1251::encode(QString::fromUtf8("/* Репликация от ") + dateTime + QStringLiteral(" */")) +
         "\r\nSET NAMES WIN1251;\r\n";
}
QByteArray header(const QDateTime& at) { return headerText(System::dateTimeText(at)); }

QByteArray script(const QDateTime& at, const QList<QByteArray>& rows) {
  QByteArray bytes = header(at);
  for (const QByteArray& row : rows) bytes += row + "\r\n";
  return bytes;
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<no file>");
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// What the export shows each time it lets pending events run: a posted event
// records the export's state and posts itself again while the export runs.
// Within one run it may be delivered more than once; equal states count once.
class EventRuns : public QObject {
 public:
  struct Run {
    int position;
    int maximum;
    bool barShown;
    QByteArray current;  // ITOG of the query's current row, "<eof>" past the last
    bool operator==(const Run& o) const {
      return position == o.position && maximum == o.maximum && barShown == o.barShown && current == o.current;
    }
  };

  explicit EventRuns(std::function<void(int run)> onRun = {}) : onRun_(std::move(onRun)) { post(); }

  QList<Run> runs;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != type()) return QObject::event(e);
    if (!FormMain || !FormMain->exportBusy) return true;
    TIBQuery& query = *FormMain->IBQRepl;
    const Run run{FormMain->PbRepl->position(), FormMain->PbRepl->max(), !FormMain->PbRepl->isHidden(),
                  !query.active() ? QByteArray("<closed>")
                  : query.eof()   ? QByteArray("<eof>")
                                  : query.fieldByName(QStringLiteral("ITOG")).asBytes()};
    if (runs.isEmpty() || !(runs.last() == run)) {
      runs << run;
      if (onRun_) onRun_(int(runs.size()));
    }
    post();
    return true;
  }

 private:
  static QEvent::Type type() {
    static const auto t = QEvent::Type(QEvent::registerEventType());
    return t;
  }
  void post() { QCoreApplication::postEvent(this, new QEvent(type())); }

  std::function<void(int)> onRun_;
};

class ExportTest : public DorvikFixture {
 protected:
  void SetUp() override {
    startAsAdministrator();
    FormMain->exportClock = &firstMoment;
    prompter().clearShown();
  }

  QString file(const char* name) const { return workDir() + QLatin1Char('/') + QLatin1String(name); }

  // Every file of the working folder, hidden ones included.
  QStringList folder() const {
    return QDir(workDir()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }

  // Replaces the log by n rows, ids 1 to n; ITOG of row :i as an SQL expression.
  void setLog(int n, const QString& itogOfI = QStringLiteral("'row ' || :i")) {
    database().exec(QStringLiteral("DELETE FROM REPLBASE;\n"
                                   "SET TERM ^;\n"
                                   "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN\n"
                                   "  WHILE (i <= %1) DO BEGIN\n"
                                   "    INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (:i, %2);\n"
                                   "    i = i + 1;\n"
                                   "  END\n"
                                   "END^\n"
                                   "SET TERM ;^")
                        .arg(n)
                        .arg(itogOfI));
  }

  // The expected lines in the order in which the server returns the rows.
  QList<QByteArray> inServerOrder(const std::function<QByteArray(int id)>& itogOf) {
    QList<QByteArray> lines;
    for (const QString& id : database().rows(QStringLiteral("select RB_ID from REPLBASE")))
      lines << itogOf(id.trimmed().toInt());
    return lines;
  }
  QList<QByteArray> numberedRows() {
    return inServerOrder([](int id) { return QByteArray("row ") + QByteArray::number(id); });
  }

  // Chooses the file (and Yes when it asks to overwrite), expects the success.
  void exportTo(const QString& path, bool exists = false) {
    prompter().expectSaveFile(path);
    if (exists)
      prompter().expectConfirm(QString::fromUtf8("Файл %1 существует. Переписать?").arg(QFileInfo(path).fileName()),
                               ConfirmAnswer::Yes);
    prompter().expectMessage(kSuccess);
    FormMain->N5->click();
    prompter().verifyDone();
  }

  // Nothing of an export is left running.
  void expectReleased() {
    EXPECT_FALSE(FormMain->exportBusy);
    EXPECT_TRUE(FormMain->PbRepl->isHidden());
    EXPECT_FALSE(FormMain->IBQRepl->active());
  }
};

}  // namespace

TEST_F(ExportTest, EmptyLogGivesExactlyTheTwoHeaderLines) {
  database().exec(QStringLiteral("DELETE FROM REPLBASE;"));
  FormMain->exportClock = &QDateTime::currentDateTime;
  EventRuns events;
  const QDateTime before = QDateTime::currentDateTime();
  exportTo(file("Repl.sql"));
  const QDateTime after = QDateTime::currentDateTime();

  ASSERT_EQ(prompter().shown().size(), 2);
  const FileDialogRequest& dialog = prompter().shown()[0].file;
  EXPECT_EQ(dialog.fileName, QStringLiteral("Repl"));
  EXPECT_EQ(dialog.defaultExt, QStringLiteral(".sql"));
  EXPECT_EQ(dialog.filter, QString::fromUtf8("Скрипты|*.sql"));
  EXPECT_EQ(dialog.initialDir, QString());

  // Line 1 carries the moment of the export.
  QList<QByteArray> candidates;
  for (QDateTime t = before; t <= after.addSecs(1); t = t.addSecs(1)) candidates << header(t);
  candidates << header(after);
  EXPECT_TRUE(candidates.contains(fileBytes(file("Repl.sql")))) << fileBytes(file("Repl.sql")).toStdString();

  EXPECT_TRUE(events.runs.isEmpty());
  EXPECT_EQ(FormMain->PbRepl->position(), 0);
  EXPECT_EQ(FormMain->PbRepl->max(), 0);
  expectReleased();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
  // The log is only read.
  EXPECT_EQ(database().value(QStringLiteral("select count(*) from REPLBASE")).trimmed(), QStringLiteral("0"));
}

TEST_F(ExportTest, HeaderAtMidnightHasTheDateAlone) {
  setLog(1);
  FormMain->exportClock = &midnight;
  exportTo(file("Repl.sql"));
  EXPECT_EQ(fileBytes(file("Repl.sql")), headerText(System::shortDateText(QDate(2024, 12, 31))) + "row 1\r\n");
}

// Events run after every 100th row only, once the query has moved past it; the
// bar is set after them. Every export starts its bar at 0.
TEST_F(ExportTest, EventsRunAndTheBarMovesAfterEvery100thRow) {
  const struct {
    int rows;
    QList<std::pair<int, int>> runs;  // bar position, 0-based current row (-1: past the last)
    int finalPosition;
  } cases[] = {
      {250, {{0, 100}, {100, 200}}, 200},
      {99, {}, 0},
      {100, {{0, -1}}, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    setLog(c.rows);
    const QList<QByteArray> rows = numberedRows();
    ASSERT_EQ(rows.size(), c.rows);
    const QString path = workDir() + QStringLiteral("/log%1.sql").arg(c.rows);
    EventRuns events;
    exportTo(path);

    EXPECT_EQ(fileBytes(path), script(firstMoment(), rows));
    QList<EventRuns::Run> expected;
    for (const auto& [position, row] : c.runs)
      expected << EventRuns::Run{position, c.rows, true, row < 0 ? QByteArray("<eof>") : rows[row]};
    EXPECT_EQ(events.runs.size(), expected.size());
    for (int i = 0; i < std::min(events.runs.size(), expected.size()); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(events.runs[i].position, expected[i].position);
      EXPECT_EQ(events.runs[i].maximum, expected[i].maximum);
      EXPECT_TRUE(events.runs[i].barShown);
      EXPECT_EQ(events.runs[i].current, expected[i].current);
    }
    EXPECT_EQ(FormMain->PbRepl->position(), c.finalPosition);
    EXPECT_EQ(FormMain->PbRepl->max(), c.rows);
    expectReleased();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  }
}

TEST_F(ExportTest, RowsAreWrittenAsTheConnectionDeliversTheirBytes) {
  const QMap<int, QByteArray> expected{
      {1, Cp1251::encode(QString::fromUtf8("INSERT INTO CLIENT (CL_NAME) VALUES ('Петров Иван');"))},
      {2, QByteArray()},
      {3, "first line\r\nsecond line"},
      {4, "  blanks around  "},
      {5, QByteArray()},
      {6, Cp1251::encode(QString::fromUtf8("Ёлка №5 — ёж «ЪЫЬ»"))},
      {7, "a\nb"},
  };
  database().exec(QString::fromUtf8(
      "DELETE FROM REPLBASE;\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (1, 'INSERT INTO CLIENT (CL_NAME) VALUES (''Петров Иван'');');\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (2, NULL);\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (3, 'first line' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'second line');\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (4, '  blanks around  ');\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (5, '');\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (6, 'Ёлка №5 — ёж «ЪЫЬ»');\n"
      "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (7, 'a' || ASCII_CHAR(10) || 'b');\n"));
  const QList<QByteArray> rows = inServerOrder([&](int id) { return expected.value(id, "<unexpected row>"); });
  ASSERT_EQ(rows.size(), expected.size());
  exportTo(file("Repl.sql"));
  EXPECT_EQ(fileBytes(file("Repl.sql")), script(firstMoment(), rows));
}

// The demo log, filled by the database's triggers, as another client reads it.
TEST_F(ExportTest, DemoLogMatchesWhatAnotherClientReads) {
  QList<QByteArray> rows;
  for (const QString& itog : database().rows(QStringLiteral("select ITOG from REPLBASE")))
    rows << Cp1251::encode(itog);
  ASSERT_EQ(rows.size(), 14);
  exportTo(file("Repl.sql"));
  EXPECT_EQ(fileBytes(file("Repl.sql")), script(firstMoment(), rows));
}

TEST_F(ExportTest, DeclinedDialogOrQuestionChangesNothing) {
  const QString path = file("Repl.sql");
  writeFile(path, "old script");
  const QString question = QString::fromUtf8("Файл Repl.sql существует. Переписать?");
  const struct {
    const char* name;
    std::function<void()> expect;
  } cases[] = {
      {"dialog cancelled", [&] { prompter().expectSaveFileCancel(); }},
      {"question answered No", [&] { prompter().expectSaveFile(path).expectConfirm(question, ConfirmAnswer::No); }},
      {"question closed", [&] { prompter().expectSaveFile(path).expectConfirm(question, ConfirmAnswer::Cancel); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.expect();
    FormMain->N5->click();
    prompter().verifyDone();
    EXPECT_EQ(fileBytes(path), QByteArray("old script"));
    EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
    expectReleased();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  }
}

// The replaced script keeps its permissions, and its owner and group where
// the program may set them (root here).
TEST_F(ExportTest, OverwritingKeepsTheFilesPermissions) {
  setLog(2);
  const QString path = file("Repl.sql");
  writeFile(path, QByteArray(10000, 'o'));
  ::chmod(QFile::encodeName(path).constData(), 0604);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 4321, 4322), 0);
  }
  exportTo(path, true);
  EXPECT_EQ(fileBytes(path), script(firstMoment(), numberedRows()));
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));

  // A name as long as the file system takes: the new file beside it fits too.
  const QString longName = workDir() + QLatin1Char('/') + QString(251, QLatin1Char('r')) + QStringLiteral(".sql");
  writeFile(longName, "old script");
  exportTo(longName, true);
  EXPECT_EQ(fileBytes(longName), script(firstMoment(), numberedRows()));
}

// The script may be written but no new file made beside it (the folder is
// immutable): the error says so, and the old script stays.
TEST_F(ExportTest, NewFileThatCannotBeMadeBesideTheScriptSaysWhy) {
  QDir(workDir()).mkdir(QStringLiteral("locked"));
  const QString lockedFolder = file("locked");
  const QString path = lockedFolder + QStringLiteral("/Repl.sql");
  writeFile(path, "old script");
  auto setImmutable = [&](bool on) {
    const int fd = ::open(QFile::encodeName(lockedFolder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  };
  if (!setImmutable(true)) GTEST_SKIP() << "no immutable folders here";
  prompter()
      .expectSaveFile(path)
      .expectConfirm(QString::fromUtf8("Файл Repl.sql существует. Переписать?"), ConfirmAnswer::Yes)
      .expectError(QStringLiteral("Cannot create the new file beside ") + path + QStringLiteral(": File access denied."));
  FormMain->N5->click();
  prompter().verifyDone();
  setImmutable(false);
  EXPECT_EQ(fileBytes(path), QByteArray("old script"));
  EXPECT_EQ(QDir(lockedFolder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("Repl.sql")});
  expectReleased();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
}

TEST_F(ExportTest, ClickWhileBusyDoesNothing) {
  // The flag alone: nothing is shown, nothing written.
  FormMain->exportBusy = true;
  FormMain->N5->click();
  EXPECT_TRUE(prompter().shown().isEmpty());
  FormMain->exportBusy = false;

  // A click from inside the running export.
  setLog(250);
  qsizetype shownAtClick = -1;
  qsizetype shownAfterClick = -1;
  EventRuns events([&](int run) {
    if (run != 1) return;
    shownAtClick = prompter().shown().size();
    FormMain->N5->click();
    shownAfterClick = prompter().shown().size();
  });
  exportTo(file("Repl.sql"));
  EXPECT_EQ(events.runs.size(), 2);
  EXPECT_EQ(shownAtClick, 1);  // the save dialog
  EXPECT_EQ(shownAfterClick, shownAtClick);
  EXPECT_EQ(fileBytes(file("Repl.sql")), script(firstMoment(), numberedRows()));
}

// While the export runs, the chosen file keeps its old content; with a page
// open the export is refused and the old file stays as it was.
TEST_F(ExportTest, OpenPageRefusesTheExportAndTheOldFileStays) {
  setLog(250);
  const QString path = file("Repl.sql");
  writeFile(path, "old script");
  QByteArray duringExport;
  EventRuns events([&](int run) {
    if (run == 1) duringExport = fileBytes(path);
  });
  FormMain->IBTrans->startTransaction();  // as an open page holds it
  const QString question = QString::fromUtf8("Файл Repl.sql существует. Переписать?");
  prompter()
      .expectSaveFile(path)
      .expectConfirm(question, ConfirmAnswer::Yes)
      .expectError(QStringLiteral("Transaction is active."));
  FormMain->N5->click();
  prompter().verifyDone();
  EXPECT_EQ(fileBytes(path), QByteArray("old script"));
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());  // the page's, not ended
  expectReleased();

  // The page closed, the export runs.
  FormMain->IBTrans->rollback();
  exportTo(path, true);
  EXPECT_EQ(duringExport, QByteArray("old script"));
  EXPECT_EQ(fileBytes(path), script(firstMoment(), numberedRows()));
}

TEST_F(ExportTest, FailedExportRemovesItsFileAndRollsBackItsTransaction) {
  const QString path = file("Repl.sql");
  writeFile(path, "old script");
  const QString question = QString::fromUtf8("Файл Repl.sql существует. Переписать?");

  // The file cannot be made: nothing else happens.
  prompter().expectSaveFile(workDir() + QStringLiteral("/missing/Repl.sql")).expectError(QStringLiteral("Path not found."));
  FormMain->N5->click();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  expectReleased();

  // A log without the column fails at its first row, after the header.
  FormMain->IBQRepl->SQL = QStringList{QStringLiteral("select RB_ID from ReplBase")};
  prompter().expectSaveFile(path).expectConfirm(question, ConfirmAnswer::Yes).expectError(QStringLiteral("Field 'ITOG' not found."));
  FormMain->N5->click();
  prompter().verifyDone();
  EXPECT_EQ(fileBytes(path), QByteArray("old script"));
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  expectReleased();

  // The next export is not held up.
  FormMain->IBQRepl->SQL = QStringList{QStringLiteral("select * from ReplBase")};
  setLog(3);
  exportTo(path, true);
  EXPECT_EQ(fileBytes(path), script(firstMoment(), numberedRows()));
}

TEST_F(ExportTest, ClosingTheWindowEndsTheExportQuietly) {
  setLog(250);
  const QString path = file("Repl.sql");
  writeFile(path, "old script");
  FormMain->show();
  EventRuns events([&](int run) {
    if (run == 1) FormMain->close();
  });
  prompter()
      .expectSaveFile(path)
      .expectConfirm(QString::fromUtf8("Файл Repl.sql существует. Переписать?"), ConfirmAnswer::Yes);
  FormMain->N5->click();
  prompter().verifyDone();  // no message, no error
  EXPECT_TRUE(app().terminated());
  EXPECT_FALSE(FormMain->MainBase->connected());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(fileBytes(path), QByteArray("old script"));
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
  expectReleased();
}

TEST_F(ExportTest, TwoExportsInARow) {
  setLog(3);
  FormMain->exportClock = &steppingClock;
  clockCalls = 0;
  const QString path = file("Repl.sql");
  exportTo(path);
  EXPECT_EQ(fileBytes(path), script(firstMoment(), numberedRows()));

  database().exec(QStringLiteral("INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (4, 'row 4');"
                                 "INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (5, 'row 5');"));
  exportTo(path, true);
  EXPECT_EQ(fileBytes(path), script(secondMoment(), numberedRows()));
  // The dialog proposes the file chosen last.
  const QList<ScriptedPrompter::Shown>& shown = prompter().shown();
  ASSERT_EQ(shown.size(), 5);
  EXPECT_EQ(shown[0].file.fileName, QStringLiteral("Repl"));
  EXPECT_EQ(shown[2].kind, Kind::SaveFile);
  EXPECT_EQ(shown[2].file.fileName, path);
  EXPECT_EQ(clockCalls, 2);
}

// A failure part-way through the rows: the server ends the connection while
// events run (rows long enough that the client holds only some of them).
TEST_F(ExportTest, FailurePartWayLeavesNoScriptBehind) {
  setLog(2000, QStringLiteral("'row ' || :i || RPAD('', 1000, 'x')"));
  const QString path = file("Repl.sql");
  writeFile(path, "old script");
  EventRuns events([&](int run) {
    if (run == 1)
      database().exec(QStringLiteral("delete from mon$attachments where mon$attachment_id <> current_connection;"),
                      QStringLiteral("SYSDBA"), QStringLiteral("quietfern"));
  });
  prompter()
      .expectSaveFile(path)
      .expectConfirm(QString::fromUtf8("Файл Repl.sql существует. Переписать?"), ConfirmAnswer::Yes)
      .expectError(QStringLiteral("connection shutdown\n") + TIBDatabase::connectionLostLine() + QLatin1Char('.'));
  FormMain->N5->click();
  prompter().verifyDone();
  EXPECT_GE(events.runs.size(), 1);
  EXPECT_EQ(fileBytes(path), QByteArray("old script"));
  EXPECT_EQ(folder(), (QStringList{QStringLiteral("Base.ini"), QStringLiteral("Repl.sql")}));
  expectReleased();
}

// Another connection commits transactions of 100 rows while the export runs:
// the file and the bar's maximum are the log as it stood when the export
// began, and no transaction reaches the file in part.
TEST_F(ExportTest, RowsCommittedDuringTheExportStayOutOfIt) {
  setLog(2000);
  const QList<QByteArray> before = numberedRows();
  int batches = 0;
  EventRuns events([&](int) {
    if (batches == 10) return;
    ++batches;
    database().exec(QStringLiteral("SET TERM ^;\n"
                                   "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN\n"
                                   "  WHILE (i < 100) DO BEGIN\n"
                                   "    INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (%1 + :i, 'batch %2 row ' || :i);\n"
                                   "    i = i + 1;\n"
                                   "  END\n"
                                   "END^\n"
                                   "SET TERM ;^")
                        .arg(100000 + batches * 100)
                        .arg(batches));
  });
  exportTo(file("Repl.sql"));
  ASSERT_EQ(batches, 10);

  QList<QByteArray> lines = fileBytes(file("Repl.sql")).split('\n');
  ASSERT_GE(lines.size(), 3);
  lines = lines.mid(2, lines.size() - 3);  // past the header, before the empty end
  QMap<QByteArray, int> perBatch;
  QList<QByteArray> logRows;
  for (QByteArray line : lines) {
    line.chop(1);  // CR
    if (line.startsWith("batch "))
      ++perBatch[line.left(line.indexOf(" row "))];
    else
      logRows << line;
  }
  for (auto i = perBatch.cbegin(); i != perBatch.cend(); ++i)
    EXPECT_EQ(i.value(), 100) << i.key().toStdString() << " reached the file in part";
  EXPECT_TRUE(perBatch.isEmpty()) << perBatch.size() << " transactions committed during the export are in it";
  EXPECT_EQ(logRows, before);
  EXPECT_EQ(FormMain->PbRepl->max(), 2000);
  EXPECT_EQ(database().value(QStringLiteral("select count(*) from REPLBASE")).trimmed().toInt(), 2000 + batches * 100);
}

// Run only as the child of HeaderLineUnderFixedLocales: exports into the file
// it names, under the locale the child was started with.
TEST_F(ExportTest, HeaderLineInTheChildsLocale) {
  const QString path = qEnvironmentVariable("VELTON_HEADER_SCRIPT");
  if (path.isEmpty()) GTEST_SKIP() << "runs as a child only";
  database().exec(QStringLiteral("DELETE FROM REPLBASE;"));
  exportTo(path);
}

// The system locale comes from the environment at start: each locale runs the
// export in a child process, and line 1 is compared byte for byte.
TEST(ExportHeader, HeaderLineUnderFixedLocales) {
  const QByteArray replication = "\xd0\xe5\xef\xeb\xe8\xea\xe0\xf6\xe8\xff \xee\xf2 ";  // "Репликация от "
  const struct {
    const char* locale;
    QByteArray dateTime;
  } cases[] = {
      {"C", "5 Mar 2024 14:07:09"},
      {"ru_RU.UTF-8", "05.03.2024 14:07:09"},
      {"en_US.UTF-8", "3/5/24 2:07:09 PM"},
      // "5/3/24 2:07:09 μ.μ.": Greek letters, so digits
      {"el_GR.UTF-8", "05.03.2024 14:07:09"},
      {"ja_JP.UTF-8", "05.03.2024 14:07:09"},
      {"ar_EG.UTF-8", "05.03.2024 14:07:09"},
  };
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    const QString path = folder.filePath(QString::fromLatin1(c.locale) + QStringLiteral(".sql"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(c.locale));
    env.insert(QStringLiteral("VELTON_HEADER_SCRIPT"), path);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(FileSystem::programPath(), {QStringLiteral("--gtest_filter=ExportTest.HeaderLineInTheChildsLocale")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_EQ(fileBytes(path), "/* " + replication + c.dateTime + " */\r\nSET NAMES WIN1251;\r\n");
  }
}

#include "DorvikFixture.h"

#include <QDateTime>
#include <QFile>

#include "Main.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/System.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Menus.h"

namespace {

const QString kDone = QString::fromUtf8("Скрипт выполнен");
const QString kBadFormat = QString::fromUtf8("Неверный формат файла");

QByteArray cp(const char* utf8) { return Cp1251::encode(QString::fromUtf8(utf8)); }

// The two lines the export begins a script with.
QByteArray header() {
  return Cp1251::encode(QString::fromUtf8("/* Репликация от ") + System::dateTimeText(QDateTime::currentDateTime()) +
                        QStringLiteral(" */\r\nSET NAMES WIN1251;\r\n"));
}

// Each line in Windows-1251, followed by CR LF.
QByteArray lines(const QStringList& text) {
  QByteArray out;
  for (const QString& line : text) out += Cp1251::encode(line) + "\r\n";
  return out;
}

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

struct ScriptTest : DorvikFixture {
  QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("Repl.sql")) {
    const QString path = workDir() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
  }
  // The menu command; the test has queued the file to choose and what follows.
  void run() { FormMain->sbExecute->click(); }
  int period() { return database().value(QStringLiteral("select ST_PERIOD from STATUS")).toInt(); }
  int kursRows() { return database().value(QStringLiteral("select count(*) from KURS")).toInt(); }
  // What the server answers to the statement, run on its own.
  QString serverError(const QString& sql) {
    TIBTransaction tr;
    tr.setDefaultDatabase(FormMain->MainBase);
    tr.Params = QStringList{QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")};
    tr.startTransaction();
    TIBSQL statement;
    statement.setDatabase(FormMain->MainBase);
    statement.setTransaction(&tr);
    statement.SQL = QStringList{sql};
    try {
      statement.execImmediate();
    } catch (const Exception& e) {
      return e.message();
    }
    ADD_FAILURE() << "the server took " << sql.toStdString();
    return QString();
  }
};

TEST_F(ScriptTest, ExportedScriptReproducesTheChangesOnAnotherDatabase) {
  // The demo rows of one database logged their changes; the other one lacks them.
  TestDatabase source;
  const QStringList log = source.rows(QStringLiteral("select ITOG from REPLBASE order by RB_ID"));
  ASSERT_EQ(log.size(), 14);
  database().exec(QStringLiteral("DELETE FROM ZAKAZ; DELETE FROM KURS; DELETE FROM CLIENT; DELETE FROM TOVAR;"));
  const QString path = writeFile(header() + lines(log));
  startAsAdministrator();

  prompter().expectOpenFile(path).expectMessage(kDone);
  run();
  prompter().verifyDone();

  const FileDialogRequest& dialog = prompter().shown()[1].file;
  EXPECT_EQ(dialog.defaultExt, QStringLiteral("sql"));
  EXPECT_EQ(dialog.filter, ru("SQL скрипты|*.SQL"));
  EXPECT_EQ(dialog.initialDir, workDir() + QLatin1Char('/'));
  EXPECT_EQ(dialog.fileName, QString());
  EXPECT_EQ(FormMain->OpenSQLDialog->fileName, path);  // proposed next time
  EXPECT_EQ(FormMain->scriptHeaderLine1, ru("/* Репликация от"));
  EXPECT_EQ(FormMain->scriptHeaderLine2, QStringLiteral("SET NAMES"));
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  for (const char* select : {"select TV_ID, TV_NAME, TV_UNIT, TV_PRICE, TV_MANAGER from TOVAR order by 1",
                             "select CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS, CL_DATE, CL_MANAGER from CLIENT order by 1",
                             "select ZK_ID, ZK_DATE, ZK_CLIENT, ZK_TOVAR, ZK_KOLVO, ZK_SUMMA, ZK_MANAGER from ZAKAZ order by 1",
                             "select KR_ID, KR_DATE, KR_VALUE, KR_MANAGER from KURS order by 1",
                             // the Cyrillic texts as bytes
                             "select cast(CL_NAME as varchar(60) character set octets),"
                             " cast(CL_ADDRESS as varchar(100) character set octets) from CLIENT order by CL_ID"}) {
    SCOPED_TRACE(select);
    const QStringList expected = source.rows(QString::fromLatin1(select));
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_EQ(database().rows(QString::fromLatin1(select)), expected);
  }
  EXPECT_EQ(database().value(QStringLiteral("select cast(CL_NAME as varchar(60) character set octets) "
                                            "from CLIENT where CL_ID = 4")),
            hex(cp("Кафе \"У Ёлки\"")));
}

TEST_F(ScriptTest, HeaderLines) {
  const QByteArray body = "UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 1;\r\n";
  const QByteArray line2 = "SET NAMES WIN1251;\r\n";
  const QByteArray commentEnd = " 01.02.2024 */\r\n";
  struct Case {
    const char* name;
    QByteArray file;
    QString message;  // plain message, or
    QString error;    // the error box
  };
  const Case cases[] = {
      {"as the export writes it", header() + body, kDone, {}},
      {"header only", header(), kDone, {}},
      {"line feeds alone", cp("/* Репликация от 01.02.2024 */\nSET NAMES WIN1251;\n") + "UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 1;\n", kDone, {}},
      {"nothing after the 16 characters but the comment's end", cp("/* Репликация от*/\r\n") + line2 + body, kDone, {}},
      {"SET NAMES alone", cp("/* Репликация от") + commentEnd + "SET NAMES\r\n;\r\n" + body, kDone, {}},
      {"line 1 of the 16 characters alone", cp("/* Репликация от\r\n") + line2 + body, {},
       ru("Комментарий не закрыт\nСтрока 1 файла скрипта.")},
      {"another character set", cp("/* Репликация от") + commentEnd + "SET NAMES UTF8;\r\n" + body, {},
       ru("Набор символов UTF8 не поддерживается, ожидается WIN1251\nСтрока 2 файла скрипта.")},
      {"leading blank", cp(" /* Репликация от") + commentEnd + line2 + body, kBadFormat, {}},
      {"byte-order mark", "\xEF\xBB\xBF" + cp("/* Репликация от") + commentEnd + line2 + body, kBadFormat, {}},
      {"other letter case", cp("/* репликация от") + commentEnd + line2 + body, kBadFormat, {}},
      {"UTF-8", QByteArray("/* Репликация от") + commentEnd + line2 + body, kBadFormat, {}},
      {"line 2 in lower case", cp("/* Репликация от") + commentEnd + "set names WIN1251;\r\n" + body, kBadFormat, {}},
      {"line 1 too short", cp("/* Репликация */\r\n") + line2 + body, kBadFormat, {}},
      {"lines swapped", line2 + cp("/* Репликация от") + commentEnd + body, kBadFormat, {}},
      {"one line", cp("/* Репликация от") + commentEnd, kBadFormat, {}},
      {"empty file", QByteArray(), kBadFormat, {}},
  };
  startAsAdministrator();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = period();
    const QString path = writeFile(c.file);
    prompter().expectOpenFile(path);
    if (!c.message.isEmpty()) prompter().expectMessage(c.message);
    if (!c.error.isEmpty()) prompter().expectError(c.error);
    run();
    prompter().verifyDone();

    const bool ran = c.message == kDone && c.file.contains("UPDATE");
    EXPECT_EQ(period(), before + (ran ? 1 : 0));
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_FALSE(FormMain->formTextFile.isOpen());
    EXPECT_EQ(Cp1251::encode(FormMain->scriptHeaderLine1), c.file.split('\n').value(0).left(16).replace('\r', ""));
  }
}

TEST_F(ScriptTest, CancelledDialogDoesNothing) {
  startAsAdministrator();
  prompter().expectOpenFileCancel();
  run();
  prompter().verifyDone();
  EXPECT_EQ(prompter().shown().size(), 2);  // the login and the dialog
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(FormMain->scriptHeaderLine1, QString());
}

// Strings, quoted texts and comments keep their ";", quotes and line breaks;
// the bytes arrive unchanged.
TEST_F(ScriptTest, StatementsReachTheServerAsTheyStand) {
  const QByteArray name1 = cp("Точка; запятая -- /* не комментарий */");
  const QByteArray name2 = cp("Кавычка ' внутри");
  const QByteArray name3 = cp("Ёлка \"№1\"");
  const QByteArray address = cp("строка 1\nстрока 2\r\nстрока 3");
  const QByteArray script =
      header() +
      cp("INSERT INTO CLIENT (CL_ID, CL_NAME, CL_MANAGER) VALUES (101, 'Точка; запятая -- /* не комментарий */', 1);\r\n"
         "/* между операторами; */ -- и здесь ;\r\n"
         "INSERT INTO CLIENT (CL_ID, CL_NAME, CL_ADDRESS, CL_MANAGER)\r\n"
         "  VALUES (102, 'Кавычка '' внутри', 'строка 1\nстрока 2\r\nстрока 3', 1);\r\n"
         "INSERT INTO CLIENT (CL_ID, CL_NAME, CL_MANAGER) VALUES (103, \"Ёлка \"\"№1\"\"\", 1) -- конец ;\r\n"
         ";\r\n");
  startAsAdministrator();
  prompter().expectOpenFile(writeFile(script)).expectMessage(kDone);
  run();
  prompter().verifyDone();

  EXPECT_EQ(database().rows(QStringLiteral("select CL_ID, cast(CL_NAME as varchar(60) character set octets) "
                                           "from CLIENT where CL_ID > 100 order by CL_ID")),
            (QStringList{QStringLiteral("101|") + hex(name1), QStringLiteral("102|") + hex(name2),
                         QStringLiteral("103|") + hex(name3)}));
  EXPECT_EQ(database().value(QStringLiteral("select cast(CL_ADDRESS as varchar(100) character set octets) "
                                            "from CLIENT where CL_ID = 102")),
            hex(address));
}

// A script that cannot run to its end changes nothing: it is checked whole
// before it runs, and a statement the server refuses rolls back the ones
// before it. The error names the statement's line.
TEST_F(ScriptTest, FailingScriptLeavesNothingBehind) {
  const QString kursLeft = QStringLiteral("DELETE FROM KURS;");
  struct Case {
    const char* name;
    QStringList tail;  // from line 4, after a statement that would change STATUS
    QString error;     // empty: the server's text for line 4
  };
  const Case cases[] = {
      {"unknown table", {QStringLiteral("INSERT INTO NOWHERE VALUES (1);"), kursLeft}, {}},
      {"key violation", {ru("INSERT INTO CLIENT (CL_ID, CL_NAME, CL_MANAGER) VALUES (1, 'Дубль', 1);"), kursLeft}, {}},
      {"no terminator", {QStringLiteral("DELETE FROM KURS")}, ru("Оператор не завершен символом \";\"")},
      {"open quote", {QStringLiteral("DELETE FROM KURS WHERE KR_ID = 'x;"), kursLeft},
       ru("Оператор не завершен символом \";\"")},
      {"open comment", {QStringLiteral("/* DELETE FROM KURS;"), kursLeft}, ru("Комментарий не закрыт")},
      {"commit", {kursLeft + QStringLiteral(" COMMIT;")}, ru("Оператор COMMIT в скрипте не допускается")},
      {"rollback", {QStringLiteral("rollback work;"), kursLeft}, ru("Оператор ROLLBACK в скрипте не допускается")},
  };
  startAsAdministrator();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = period();
    QString error = c.error;
    if (error.isEmpty()) error = serverError(c.tail[0].chopped(1));
    const QString path = writeFile(
        header() + lines(QStringList{QStringLiteral("UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 1;")} + c.tail));
    prompter().expectOpenFile(path).expectError(errorBoxText(error + ru("\nСтрока 4 файла скрипта")));
    run();
    prompter().verifyDone();
    EXPECT_EQ(period(), before);
    EXPECT_EQ(kursRows(), 2);
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  }
}

TEST_F(ScriptTest, OpenPageKeepsItsTransaction) {
  startAsAdministrator();
  const QString path = writeFile(header() + "UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 1;\r\n");
  // A page holds the transaction with work not yet saved.
  FormMain->IBTrans->startTransaction();
  TIBSQL pageWork;
  pageWork.setDatabase(FormMain->MainBase);
  pageWork.setTransaction(FormMain->IBTrans);
  pageWork.SQL = QStringList{QStringLiteral("UPDATE STATUS SET ST_PERIOD = 7")};
  pageWork.execQuery();

  prompter().expectOpenFile(path).expectError(QStringLiteral("Transaction is active."));
  run();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->scriptHeaderLine2, QStringLiteral("SET NAMES"));  // the header was read first
  ASSERT_TRUE(FormMain->IBTrans->inTransaction());
  FormMain->IBTrans->commit();
  EXPECT_EQ(period(), 7);

  // Once the page is closed the script runs.
  prompter().expectOpenFile(path).expectMessage(kDone);
  run();
  prompter().verifyDone();
  EXPECT_EQ(period(), 8);
}

TEST(ScriptStatements, SplitsAtTerminatorsAndKeepsLines) {
  const QByteArray script =
      "/* header;\r\n */\r\nSET NAMES WIN1251;\r\n\r\n"
      "  insert into T values ('a;\nb', \"c;\"\"\");  -- note;\r\n"
      "update T\r\n  set A = 1 /* ; */\r\n;;\r\n"
      "delete from T;";
  const auto statements = TFormMain::scriptStatements(script);
  ASSERT_EQ(statements.size(), 4u);
  const std::pair<int, QByteArray> expected[] = {
      {3, "SET NAMES WIN1251"},
      {5, "insert into T values ('a;\nb', \"c;\"\"\")"},
      {7, "update T\r\n  set A = 1 /* ; */"},
      {10, "delete from T"},
  };
  for (size_t i = 0; i < statements.size(); ++i) {
    EXPECT_EQ(statements[i].line, expected[i].first) << i;
    EXPECT_EQ(statements[i].text, expected[i].second) << i;
  }
  EXPECT_TRUE(TFormMain::scriptStatements("-- only a comment\r\n/* and another */").empty());
}

}  // namespace

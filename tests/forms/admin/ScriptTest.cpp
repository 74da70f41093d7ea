#include "DorvikFixture.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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
const QString kRowsRefused = QString::fromUtf8("Оператор, возвращающий данные, в скрипте не допускается");

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
  // The server's own script tool on the file: its exit code (0 when every
  // statement ran; -bail stops at the first failure and keeps nothing).
  static int isql(const TestDatabase& db, const QString& path) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-bail"), QStringLiteral("-ch"),
                                        QStringLiteral("WIN1251"), QStringLiteral("-user"), QStringLiteral("PLUMO"),
                                        QStringLiteral("-password"), QStringLiteral("plumo"), db.connectionString(),
                                        QStringLiteral("-i"), path});
    EXPECT_TRUE(p.waitForFinished(120000));
    const QByteArray output = p.readAll();
    if (p.exitCode() != 0) std::fprintf(stderr, "isql-fb: %s\n", output.constData());
    return p.exitCode();
  }
  // What the script cases below may change.
  static QStringList state(const TestDatabase& db) {
    return db.rows(QStringLiteral("select TV_ID, cast(TV_NAME as varchar(60) character set octets), TV_UNIT "
                                  "from TOVAR order by 1")) +
           db.rows(QStringLiteral("select trim(RDB$PROCEDURE_NAME) from RDB$PROCEDURES "
                                  "where RDB$PROCEDURE_NAME starting with 'SCRIPT_' union all "
                                  "select trim(RDB$TRIGGER_NAME) from RDB$TRIGGERS "
                                  "where RDB$TRIGGER_NAME starting with 'SCRIPT_' order by 1"));
  }
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
                             "select ZK_ID, cast(ZK_DATE as varchar(30)), ZK_CLIENT, ZK_TOVAR, ZK_KOLVO, ZK_SUMMA, ZK_MANAGER from ZAKAZ order by 1",
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

// As a user moves changes: the export of one database, executed on another.
// Texts with quotes, terminators and line breaks, NULLs, dates with fractions
// of a second and doubles that 16 digits do not pin down come back exactly.
TEST_F(ScriptTest, ExportThenExecutionOnAnotherDatabaseGivesTheSameValues) {
  database().exec(ru(
      "INSERT INTO TOVAR (TV_ID, TV_NAME, TV_UNIT, TV_PRICE, TV_MANAGER)\n"
      "  VALUES (10, 'Д''Артаньян; -- не /* комментарий */', NULL, 0.1e0 * 3, 3);\n"
      "INSERT INTO TOVAR (TV_ID, TV_NAME, TV_UNIT, TV_PRICE, TV_MANAGER)\n"
      "  VALUES (11, 'Шина \"Зимняя\"', 'шт', 1e0 / 3 * 1000, 3);\n"
      "UPDATE TOVAR SET TV_PRICE = TV_PRICE * 1.1e0 WHERE TV_ID = 11;\n"
      "INSERT INTO CLIENT (CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS, CL_DATE, CL_MANAGER)\n"
      "  VALUES (10, 'ООО ''Ромашка''', NULL, 'Москва,' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'ул. Тверская; 1',\n"
      "          '2024-03-12 13:45:56.1234', 1);\n"
      "INSERT INTO ZAKAZ (ZK_ID, ZK_DATE, ZK_CLIENT, ZK_TOVAR, ZK_KOLVO, ZK_SUMMA, ZK_MANAGER)\n"
      "  VALUES (10, '2024-12-31 23:59:59.9999', 10, 10, 7, 7 * 0.1e0 * 3, 1);\n"
      "INSERT INTO KURS (KR_ID, KR_DATE, KR_VALUE, KR_MANAGER) VALUES (10, '2025-01-01', 1e0 / 7, 2);\n"
      "UPDATE KURS SET KR_VALUE = -KR_VALUE * 1e-20 WHERE KR_ID = 1;\n"
      "UPDATE CLIENT SET CL_PHONE = NULL, CL_DATE = NULL WHERE CL_ID = 1;\n"
      "DELETE FROM KURS WHERE KR_ID = 2;"));
  startAsAdministrator();
  const QString path = workDir() + QStringLiteral("/Repl.sql");
  prompter().expectSaveFile(path).expectMessage(ru("Репликация данных выполнена успешно"));
  FormMain->N5->click();
  prompter().verifyDone();

  TestDatabase target;
  target.exec(QStringLiteral("DELETE FROM ZAKAZ; DELETE FROM KURS; DELETE FROM CLIENT; DELETE FROM TOVAR;"));
  restartApplication();
  QStringList ini = baseIniLines();
  ini[0] = target.connectionString();
  writeBaseIni(ini);
  prompter().expectDatabaseLogin(target.connectionString(), QStringLiteral("PLUMO"), QStringLiteral("plumo"));
  createForms();
  prompter().expectOpenFile(path).expectMessage(kDone);
  run();
  prompter().verifyDone();
  destroyForms();  // the target is dropped before the fixture ends

  // A double as its 16-digit text and the rest that text misses: equal pairs
  // are equal values.
  const auto exact = [](const char* column) {
    return QStringLiteral("%1, %1 - cast(cast(%1 as varchar(32)) as double precision)").arg(QLatin1String(column));
  };
  const QString selects[] = {
      QStringLiteral("select TV_ID, cast(TV_NAME as varchar(60) character set octets), TV_UNIT, %1, TV_MANAGER "
                     "from TOVAR order by 1")
          .arg(exact("TV_PRICE")),
      QStringLiteral("select CL_ID, cast(CL_NAME as varchar(60) character set octets), CL_PHONE, "
                     "cast(CL_ADDRESS as varchar(100) character set octets), cast(CL_DATE as varchar(30)), CL_MANAGER "
                     "from CLIENT order by 1"),
      QStringLiteral("select ZK_ID, cast(ZK_DATE as varchar(30)), ZK_CLIENT, ZK_TOVAR, %1, %2, ZK_MANAGER from ZAKAZ order by 1")
          .arg(exact("ZK_KOLVO"), exact("ZK_SUMMA")),
      QStringLiteral("select KR_ID, cast(KR_DATE as varchar(30)), %1, KR_MANAGER from KURS order by 1").arg(exact("KR_VALUE")),
  };
  for (const QString& select : selects) {
    SCOPED_TRACE(select.toStdString());
    const QStringList expected = database().rows(select);
    EXPECT_GE(expected.size(), 2);
    EXPECT_EQ(target.rows(select), expected);
  }
  EXPECT_EQ(target.value(QStringLiteral("select count(*) from TOVAR where TV_ID = 10 and TV_PRICE = 0.1e0 * 3"))
                .trimmed(),
            QStringLiteral("1"));
  EXPECT_EQ(target.value(QStringLiteral("select cast(CL_DATE as varchar(30)) from CLIENT where CL_ID = 10")),
            QStringLiteral("12-MAR-2024 13:45:56.1234"));
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

// A script that cannot run to its end changes nothing: a statement refused
// or failing rolls back the ones before it. The error names the line where
// the statement begins.
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
      {"create database",
       {QStringLiteral("create database '%1/script-made.fdb' user 'PLUMO' password 'plumo';")
            .arg(TestDatabase::testDir()),
        kursLeft},
       ru("Оператор CREATE DATABASE в скрипте не допускается")},
      {"select", {QStringLiteral("SELECT * FROM KURS;"), kursLeft}, kRowsRefused},
      {"select with a q-string", {QStringLiteral("select q'{;}' from RDB$DATABASE;"), kursLeft}, kRowsRefused},
      {"selectable block",
       {QStringLiteral("SET TERM ^ ;EXECUTE BLOCK RETURNS (X INTEGER) AS BEGIN X = 1; SUSPEND; END^"),
        QStringLiteral("SET TERM ;^"), kursLeft},
       kRowsRefused},
      {"another character set", {QStringLiteral("SET NAMES UTF8;"), kursLeft},
       ru("Набор символов UTF8 не поддерживается, ожидается WIN1251")},
      {"another dialect", {QStringLiteral("SET SQL DIALECT 3;"), kursLeft},
       ru("Диалект SQL 3 не поддерживается, ожидается 1")},
      {"SET TERM without a terminator", {QStringLiteral("SET TERM;"), kursLeft},
       ru("Команде SET TERM нужен один новый терминатор")},
      {"no terminator after SET TERM", {QStringLiteral("SET TERM ^ ; DELETE FROM KURS;")},
       ru("Оператор не завершен символом \"^\"")},
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
  EXPECT_FALSE(QFileInfo::exists(TestDatabase::testDir() + QStringLiteral("/script-made.fdb")));
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

// The same files through the menu command and through the server's own tool
// (isql-fb -i) on a twin database: both end with the same rows, or both fail
// and keep nothing. (Line breaks inside strings differ on purpose: the tool
// sends LF for CR LF, the execution sends the file's bytes as they stand.)
TEST_F(ScriptTest, ScriptsRunAsTheServersOwnToolRunsThem) {
  const auto terminatorsInside = [](int id) {
    return QStringList{
        ru("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (%1, 'а;б -- в /* г */', 0); -- д;").arg(id),
        QStringLiteral("/* e; */ INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (%1, 'it''s;', /* ; */ 0);")
            .arg(id + 1),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_UNIT, TV_MANAGER)"),
        QStringLiteral("  VALUES (%1, \"x\"\"\", '--;', 0)").arg(id + 2),
        QStringLiteral(";"),
    };
  };
  struct Case {
    const char* name;
    QStringList body;     // after the header
    bool lineFeeds;       // LF alone, else CR LF
    qint64 failingLine;   // 0: the script runs whole
  };
  const Case cases[] = {
      {"terminators inside strings and comments", terminatorsInside(201), false, 0},
      {"line feeds alone", terminatorsInside(205), true, 0},
      {"SET TERM blocks",
       {QStringLiteral("SET TERM ^ ;"),
        QStringLiteral("CREATE PROCEDURE SCRIPT_P (N INTEGER) AS"),
        QStringLiteral("BEGIN"),
        QStringLiteral("  INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (:N, 'p;', 0);"),
        QStringLiteral("END^"),
        QStringLiteral("CREATE TRIGGER SCRIPT_T FOR TOVAR BEFORE INSERT AS"),
        QStringLiteral("BEGIN"),
        QStringLiteral("  IF (NEW.TV_ID < 0) THEN NEW.TV_UNIT = 'tr;';"),
        QStringLiteral("END^"),
        QStringLiteral("SET TERM !! ^"),
        QStringLiteral("EXECUTE BLOCK AS"),
        QStringLiteral("DECLARE I INTEGER = 211;"),
        QStringLiteral("BEGIN"),
        QStringLiteral("  WHILE (I < 214) DO BEGIN"),
        QStringLiteral("    INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (:I, 'eb^;!', 0);"),
        QStringLiteral("    I = I + 1;"),
        QStringLiteral("  END"),
        QStringLiteral("END!!"),
        QStringLiteral("SET TERM ;!!"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (215, 'after', 0);")},
       false, 0},
      {"q-strings",
       {QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (221, q'{a;'b}', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (222, Q'(;'))', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (223, q'[;]', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (224, q'<'>;>', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (225, q'!it's;!', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (226, q' ; ', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (227, q'';'', 0);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (228, q'x;x', 0);")},
       false, 0},
      {"SET NAMES with an alias, SQL dialect 1",
       {QStringLiteral("SET NAMES WIN_1251;"), QStringLiteral("set sql dialect 1;"),
        ru("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (231, 'Ёлка', 0);")},
       false, 0},
      {"a failing statement in the middle",
       {QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (241, 'a', 0);"),
        QStringLiteral(""),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER)"),
        QStringLiteral("  VALUES (242, 'b', 99999);"),
        QStringLiteral("INSERT INTO TOVAR (TV_ID, TV_NAME, TV_MANAGER) VALUES (243, 'c', 0);")},
       false, 5},
  };
  TestDatabase twin;
  startAsAdministrator();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray file = header() + lines(c.body);
    if (c.lineFeeds) file.replace("\r\n", "\n");
    const QString path = writeFile(file);
    const QStringList before = state(database());
    ASSERT_EQ(state(twin), before);

    prompter().expectOpenFile(path);
    if (c.failingLine == 0) {
      prompter().expectMessage(kDone);
    } else {
      const QString failing = c.body.mid(int(c.failingLine) - 3, 2).join(QStringLiteral("\r\n")).chopped(1);
      prompter().expectError(errorBoxText(serverError(failing) + scriptLineNote(c.failingLine)));
    }
    run();
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());

    EXPECT_EQ(isql(twin, path) == 0, c.failingLine == 0);
    const QStringList after = state(database());
    EXPECT_EQ(after, state(twin));
    if (c.failingLine == 0)
      EXPECT_NE(after, before);
    else
      EXPECT_EQ(after, before);
  }
}

// Offsets past 2^31 and 2^32 bytes: a header line longer than 2 GiB, then
// a script of over 4 GiB whose statements around and after the boundary all
// run. The bulk is a comment of real text, written as a file of that size.
TEST_F(ScriptTest, ScriptsPastTwoAndFourGibibytesRunWhole) {
  struct Case {
    const char* name;
    qint64 boundary;
    bool oneLine;  // the bulk is line 1 (the header comment), else lines of its own
  };
  const Case cases[] = {
      {"a header line past 2^31", qint64(1) << 31, true},
      {"a script past 2^32", qint64(1) << 32, false},
  };
  startAsAdministrator();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = workDir() + QStringLiteral("/Big.sql");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray start = c.oneLine ? cp("/* Репликация от ")
                                 : header() + "UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 1;\r\n/*\r\n";
    ASSERT_EQ(file.write(start), start.size());
    // The bulk ends 40 bytes before the boundary; the next statement spans it.
    const QByteArray block = c.oneLine ? QByteArray(1 << 20, 'x') : QByteArray(62, 'x').append("\r\n").repeated(1 << 14);
    qint64 left = c.boundary - 40 - start.size();
    while (left > 0) {
      const qint64 n = std::min<qint64>(left, block.size());
      ASSERT_EQ(file.write(block.constData(), n), n);
      left -= n;
    }
    QByteArray tail = c.oneLine ? QByteArray(" */\r\nSET NAMES WIN1251;\r\n") : QByteArray("*/\r\n");
    tail += "INSERT INTO KURS (KR_ID, KR_DATE, KR_VALUE, KR_MANAGER) VALUES (31, '2025-01-01', 1, 0);\r\n"
            "UPDATE STATUS SET ST_PERIOD = ST_PERIOD + 10;\r\n";
    ASSERT_EQ(file.write(tail), tail.size());
    file.close();
    ASSERT_GT(QFileInfo(path).size(), c.boundary);

    const int before = period();
    prompter().expectOpenFile(path).expectMessage(kDone);
    run();
    prompter().verifyDone();
    QFile::remove(path);
    EXPECT_EQ(period(), before + (c.oneLine ? 10 : 11));
    EXPECT_EQ(database().value(QStringLiteral("select count(*) from KURS where KR_ID = 31")).trimmed(),
              QStringLiteral("1"));
    EXPECT_EQ(FormMain->scriptHeaderLine1, ru("/* Репликация от"));
    database().exec(QStringLiteral("DELETE FROM KURS WHERE KR_ID = 31;"));
  }
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

namespace {

TEST(ScriptStatements, SetTermQStringsAndLinesAsTheServersToolReadsThem) {
  const QByteArray script =
      "SET TERM ^ ;\n"
      "CREATE PROCEDURE P AS BEGIN\n  X = 'a^'; -- ^\nEND^\n"
      "set term GO^\n"
      "EXECUTE BLOCK AS BEGIN Y = q'{go;^}'; END go GO\n"
      "SET TERMINATOR ; GO\n"
      "insert into T values (q'(a);)', Q'<;>', q'!;!', q' ; ', q'';'', q'x;x', q'\n;\n');\n"
      "select aq'{x;' from T;\n"
      "select 'x' from T;";
  const auto statements = TFormMain::scriptStatements(script);
  const std::pair<qint64, QByteArray> expected[] = {
      {2, "CREATE PROCEDURE P AS BEGIN\n  X = 'a^'; -- ^\nEND"},
      {6, "EXECUTE BLOCK AS BEGIN Y = q'{go;^}'; END go"},
      {8, "insert into T values (q'(a);)', Q'<;>', q'!;!', q' ; ', q'';'', q'x;x', q'\n;\n')"},
      {11, "select aq'{x;' from T"},  // a name ending in q begins no q-string
      {12, "select 'x' from T"},
  };
  ASSERT_EQ(statements.size(), std::size(expected));
  for (size_t i = 0; i < statements.size(); ++i) {
    EXPECT_EQ(statements[i].line, expected[i].first) << i;
    EXPECT_EQ(statements[i].text, expected[i].second) << i;
  }
  EXPECT_TRUE(statements[2].hasQString);
  EXPECT_FALSE(statements[0].hasQString);
}

TEST(ScriptStatements, ErrorsNameTheLine) {
  const struct {
    const char* name;
    QByteArray script;
    QString error;
  } cases[] = {
      {"statement without its terminator", "a;\n\nb\nc", ru("Оператор не завершен символом \";\"\nСтрока 3 файла скрипта")},
      {"open string", "a;\n'b;\n", ru("Оператор не завершен символом \";\"\nСтрока 2 файла скрипта")},
      {"open q-string", "a;\nx q'{b;}\n;", ru("Оператор не завершен символом \";\"\nСтрока 2 файла скрипта")},
      {"open comment", "a;\n\n/* b;", ru("Комментарий не закрыт\nСтрока 3 файла скрипта")},
      {"other terminator", "SET TERM ^;\nb;", ru("Оператор не завершен символом \"^\"\nСтрока 2 файла скрипта")},
      {"SET TERM alone", "\nSET TERM;", ru("Команде SET TERM нужен один новый терминатор\nСтрока 2 файла скрипта")},
      {"terminator too long", "SET TERM " + QByteArray(33, '#') + ";",
       ru("Терминатор длиннее 32 байт\nСтрока 1 файла скрипта")},
      {"statement too long", "a;\nb" + QByteArray(ScriptReader::kMaxStatement, ' ') + "c;",
       ru("Оператор длиннее 10485760 байт\nСтрока 2 файла скрипта")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      TFormMain::scriptStatements(c.script);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.message(), c.error);
    }
  }
}

}  // namespace

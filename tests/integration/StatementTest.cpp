#include <gtest/gtest.h>

#include "ScratchDatabase.h"
#include "db/DbErrors.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBStoredProc.h"
#include "os/Cp1251.h"

namespace {

const char kSchema[] =
    "CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(40), CODE CHAR(5), AMOUNT NUMERIC(9,2),\n"
    "  RATIO DOUBLE PRECISION, SMALL SMALLINT, DAY_AT DATE, NOTE BLOB SUB_TYPE TEXT, LINE VARCHAR(2000));\n"
    "CREATE TABLE LOG (N INTEGER, ITOG BLOB SUB_TYPE TEXT);\n"
    "SET TERM ^ ;\n"
    "CREATE PROCEDURE ADD_ONE (X INTEGER, S VARCHAR(20)) RETURNS (Y INTEGER, U VARCHAR(40)) AS\n"
    "BEGIN Y = X + 1; U = UPPER(S) || '!'; END^\n"
    "CREATE PROCEDURE FILL_LOG (N INTEGER) AS DECLARE I INTEGER = 0;\n"
    "BEGIN WHILE (I < N) DO BEGIN I = I + 1; INSERT INTO LOG VALUES (:I, 'line ' || :I); END END^\n"
    "SET TERM ; ^\n";

struct StatementTest : ::testing::Test {
  ScratchDatabase s{QString::fromLatin1(kSchema)};
  void SetUp() override { s.tr.startTransaction(); }

  void exec(const QStringList& lines) {
    TIBSQL sql;
    sql.setDatabase(&s.db);
    sql.SQL = lines;
    sql.execQuery();
  }

  int count(const QString& select) {
    TIBQuery q;
    q.setDatabase(&s.db);
    q.SQL << select;
    q.open();
    return q.fields()[0]->asInteger();
  }
};

TEST_F(StatementTest, GrantThroughTIBSQLIsCommittedOrRolledBackWithTheTransaction) {
  const QString granted =
      "select count(*) from RDB$USER_PRIVILEGES where RDB$USER = 'PETROV' and RDB$RELATION_NAME = 'T' "
      "and RDB$PRIVILEGE = '%1'";
  exec({"GRANT", "SELECT ON", "T", " TO ", "PETROV"});
  s.tr.commit();
  s.tr.startTransaction();
  EXPECT_EQ(count(granted.arg("S")), 1);

  exec({"GRANT", "INSERT ON", "T", " TO ", "PETROV"});
  EXPECT_EQ(count(granted.arg("I")), 1);
  s.tr.rollback();
  s.tr.startTransaction();
  EXPECT_EQ(count(granted.arg("I")), 0);
  EXPECT_EQ(count(granted.arg("S")), 1);
}

TEST_F(StatementTest, TIBSQLNeedsAnActiveTransactionAndLeavesItOpen) {
  exec({"insert into T (ID) values (1)"});
  EXPECT_TRUE(s.tr.inTransaction());
  s.tr.rollback();
  EXPECT_THROW(exec({"insert into T (ID) values (2)"}), EDatabaseError);
}

TEST_F(StatementTest, QueryExecSqlRunsAStatementWithParametersInTheOpenTransaction) {
  TIBQuery q;
  q.setDatabase(&s.db);
  q.SQL << "insert into T (ID, NAME)" << "values (:Id, :Name)";
  q.paramByName("id").setAsInteger(7);
  q.paramByName("NAME").setAsString("seven");
  q.ExecSQL();
  EXPECT_TRUE(s.tr.inTransaction());
  EXPECT_EQ(count("select count(*) from T where ID = 7 and NAME = 'seven'"), 1);
  q.SQL = QStringList{"GRANT", "SELECT ON", "T", " TO ", "PETROV"};
  q.ExecSQL();
  EXPECT_EQ(count("select count(*) from RDB$USER_PRIVILEGES where RDB$USER = 'PETROV' and RDB$RELATION_NAME = 'T'"), 1);
  s.tr.rollback();
  EXPECT_THROW(q.ExecSQL(), EDatabaseError);
}

TEST_F(StatementTest, ParamCheckOffSendsTheTextAsItStands) {
  TIBSQL sql;
  sql.setDatabase(&s.db);
  sql.ParamCheck = false;
  sql.SQL << "execute block as declare x integer = 1; begin insert into T (ID) values (:x); end";
  sql.execQuery();
  EXPECT_EQ(count("select count(*) from T where ID = 1"), 1);
}

TEST_F(StatementTest, StoredProcedureParametersByNameAndOutputsAfterExec) {
  TIBStoredProc sp;
  sp.setDatabase(&s.db);
  sp.setStoredProcName("ADD_ONE");
  EXPECT_EQ(sp.inputNames(), (QStringList{"X", "S"}));
  sp.paramByName("x").setAsInteger(41);
  sp.paramByName("S").setAsString("ёжик");
  sp.execProc();
  EXPECT_EQ(sp.paramByName("y").asInteger(), 42);
  EXPECT_EQ(sp.paramByName("U").asString(), "ЁЖИК!");
  EXPECT_TRUE(s.tr.inTransaction());
}

TEST_F(StatementTest, ServerErrorCarriesTheServerText) {
  try {
    exec({"select * from NO_SUCH_TABLE"});
    FAIL() << "no error";
  } catch (const EIBError& e) {
    const QString text = e.message();
    EXPECT_TRUE(text.contains("Table unknown")) << text.toStdString();
    EXPECT_TRUE(text.contains("NO_SUCH_TABLE")) << text.toStdString();
    EXPECT_TRUE(text.contains('\n')) << text.toStdString();
    EXPECT_EQ(e.sqlCode(), -204);
  }
}

TEST_F(StatementTest, CyrillicRoundTripAndUnencodableTextIsRefused) {
  const QString name = "Пётр Ёлкин — «тест»";
  TIBSQL ins;
  ins.setDatabase(&s.db);
  ins.SQL << "insert into T (ID, NAME, CODE) values (:ID, :NAME, :CODE)";
  ins.paramByName("ID").setAsInteger(1);
  ins.paramByName("NAME").setAsString(name);
  ins.paramByName("CODE").setAsString("Яя");
  ins.execQuery();

  TIBQuery q;
  q.setDatabase(&s.db);
  q.SQL << "select NAME, CODE from T where NAME = :NAME";
  q.paramByName("name").setAsString(name);
  q.open();
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName("NAME").asString(), name);
  EXPECT_EQ(q.fieldByName("NAME").asBytes(), Cp1251::encode(name));
  EXPECT_EQ(q.fieldByName("CODE").asString(), "Яя   ");  // CHAR keeps its padding
  EXPECT_EQ(q.fieldByName("CODE").dataType(), ftFixedChar);
  q.close();

  ins.paramByName("ID").setAsInteger(2);
  ins.paramByName("NAME").setAsString("check ✓");
  try {
    ins.execQuery();
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.message().contains("U+2713")) << e.message().toStdString();
  }
  EXPECT_EQ(count("select count(*) from T where ID = 2"), 0);
}

TEST_F(StatementTest, ColumnTypesOfDialectOne) {
  QString longNote;
  for (int i = 0; i < 5000; ++i) longNote += QStringLiteral("строка %1;").arg(i);  // several blob segments
  TIBSQL ins;
  ins.setDatabase(&s.db);
  ins.SQL << "insert into T (ID, AMOUNT, RATIO, SMALL, DAY_AT, NOTE) values (:ID, :AMOUNT, :RATIO, :SMALL, :DAY_AT, :NOTE)";
  const QDateTime day(QDate(2024, 2, 29), QTime(13, 45, 30));
  ins.paramByName("ID").setAsInteger(7);
  ins.paramByName("AMOUNT").setAsFloat(1234.56);
  ins.paramByName("RATIO").setAsFloat(0.125);
  ins.paramByName("SMALL").setAsInteger(-3);
  ins.paramByName("DAY_AT").setAsDateTime(day);
  ins.paramByName("NOTE").setAsString(longNote);
  ins.execQuery();

  TIBQuery q;
  q.setDatabase(&s.db);
  q.SQL << "select * from T";
  q.open();
  EXPECT_EQ(q.fieldByName("ID").asInteger(), 7);
  EXPECT_DOUBLE_EQ(q.fieldByName("AMOUNT").asFloat(), 1234.56);
  EXPECT_EQ(q.fieldByName("AMOUNT").dataType(), ftBCD);
  EXPECT_DOUBLE_EQ(q.fieldByName("RATIO").asFloat(), 0.125);
  EXPECT_EQ(q.fieldByName("SMALL").asInteger(), -3);
  EXPECT_EQ(q.fieldByName("DAY_AT").dataType(), ftDateTime);
  EXPECT_EQ(q.fieldByName("DAY_AT").asDateTime(), day);
  EXPECT_EQ(q.fieldByName("NOTE").dataType(), ftMemo);
  EXPECT_EQ(q.fieldByName("NOTE").asString(), longNote);
  EXPECT_TRUE(q.fieldByName("NAME").isNull());
  EXPECT_EQ(q.fieldByName("NAME").asString(), "");
  EXPECT_EQ(q.fieldByName("NAME").asInteger(), 0);
}

TEST_F(StatementTest, UniDirectionalKeepsOneRowAndStillCountsTheResult) {
  TIBStoredProc fill;
  fill.setDatabase(&s.db);
  fill.setStoredProcName("FILL_LOG");
  fill.paramByName("N").setAsInteger(250);
  fill.execProc();

  TIBQuery q;
  q.setDatabase(&s.db);
  q.setUniDirectional(true);
  q.SQL << "select ITOG from LOG where N > :FROM_N order by N";
  q.paramByName("FROM_N").setAsInteger(0);
  q.open();
  EXPECT_EQ(q.recordCount(), 250);
  int rows = 0;
  QString lastLine;
  while (!q.eof()) {
    ++rows;
    lastLine = q.fieldByName("ITOG").asString();
    EXPECT_EQ(q.rowCount(), 1);
    q.next();
  }
  EXPECT_EQ(rows, 250);
  EXPECT_EQ(lastLine, "line 250");
  EXPECT_THROW(q.first(), EDatabaseError);
}

TEST_F(StatementTest, ExecuteImmediateRunsAWholeText) {
  TIBSQL script;
  script.setDatabase(&s.db);
  script.SQL << "/* a comment: with a colon */" << "insert into T (ID, NAME) values (5, 'Имя: пять')";
  script.execImmediate();
  EXPECT_EQ(count("select count(*) from T where ID = 5 and NAME = 'Имя: пять'"), 1);
  script.SQL = QStringList{"insert into NOWHERE values (1)"};
  EXPECT_THROW(script.execImmediate(), EIBError);
}

TEST_F(StatementTest, StatementsWithoutParametersRunWhetherOrNotTheyReturnRows) {
  // Run at once; one that returns rows is prepared instead and its rows left unread.
  TIBSQL sql;
  sql.setDatabase(&s.db);
  TIBQuery q;
  q.setDatabase(&s.db);
  const QStringList texts{"insert into T (ID) values (11)", "select count(*) from T",
                          "execute procedure ADD_ONE 1, 'x'", "execute procedure FILL_LOG 3"};
  for (const QString& text : texts) {
    sql.SQL = QStringList{text};
    EXPECT_EQ(errorText([&] { sql.execQuery(); }), "(no error)") << text.toStdString();
    q.SQL = QStringList{text};
    EXPECT_EQ(errorText([&] { q.ExecSQL(); }), "(no error)") << text.toStdString();
  }
  EXPECT_EQ(count("select count(*) from T where ID = 11"), 2);
  EXPECT_EQ(count("select count(*) from LOG"), 6);

  for (const bool viaQuery : {false, true}) {
    try {
      const QStringList refused{"GRANT", "SELECT ON", "NO_SUCH_TABLE", " TO ", "PETROV"};
      sql.SQL = refused;
      q.SQL = refused;
      viaQuery ? q.ExecSQL() : sql.execQuery();
      FAIL() << "no error";
    } catch (const EIBError& e) {
      EXPECT_TRUE(e.message().contains("NO_SUCH_TABLE")) << e.message().toStdString();
    }
  }
  EXPECT_TRUE(s.tr.inTransaction());
  s.tr.rollback();
  EXPECT_EQ(errorText([&] { q.ExecSQL(); }), "Transaction is not active");
  EXPECT_EQ(errorText([&] { sql.execQuery(); }), "Transaction is not active");
}

TEST_F(StatementTest, DateParametersWithoutADateAreNull) {
  TIBSQL ins;
  ins.setDatabase(&s.db);
  ins.SQL << "insert into T (ID, DAY_AT) values (:ID, :DAY_AT)";
  const QVariant cases[] = {QDateTime(), QDate(), QTime(), QDateTime(QDate(), QTime(10, 0))};
  int id = 0;
  for (const QVariant& v : cases) {
    ins.paramByName("ID").setAsInteger(++id);
    ins.paramByName("DAY_AT").setValue(v);
    ins.execQuery();
  }
  EXPECT_EQ(count("select count(*) from T where DAY_AT is null"), id);
}

TEST_F(StatementTest, ServerErrorsNameCyrillicObjectsReadably) {
  try {
    exec({"select * from \"ТАБЛИЦА\""});
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_TRUE(e.message().contains("ТАБЛИЦА")) << e.message().toStdString();
  }
}

}  // namespace

// Texts the server cannot be given whole are refused, never cut.
TEST_F(StatementTest, OverlongTextsAreRefusedNotCut) {
  TIBQuery q;
  q.setDatabase(&s.db);
  q.SQL << "select count(*) from T where NAME = :NAME";
  q.paramByName("NAME").setAsString(QString(32768, QLatin1Char('a')));
  try {
    q.open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Parameter value is too long: 32768 bytes, at most 32767");
  }

  TIBDatabase db;
  db.DatabaseName = s.connectionString();
  db.Params = ScratchDatabase::params("SYSDBA", QString(256, QLatin1Char('q')));
  db.LoginPrompt = false;
  try {
    db.setConnected(true);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Connection parameter is too long: 256 bytes, at most 255");
  }
  EXPECT_FALSE(db.connected());
}

// Statements past the 16-bit length the library takes run whole; one that
// could only be passed cut at a zero byte is refused.
TEST_F(StatementTest, StatementsPastSixtyFourKibibytesRunWholeOrAreRefused) {
  const QString padding = QStringLiteral("/*") + QString(70000, QLatin1Char(' ')) + QStringLiteral("*/");
  TIBSQL immediate;
  immediate.setDatabase(&s.db);
  immediate.SQL = QStringList{"insert into T (ID, NAME) values (71, 'long') " + padding};
  immediate.execImmediate();
  TIBSQL prepared;
  prepared.setDatabase(&s.db);
  prepared.ParamCheck = false;
  prepared.SQL = QStringList{"insert into T (ID, NAME) values (72, 'long') " + padding};
  prepared.execQuery();
  EXPECT_EQ(count("select count(*) from T where NAME = 'long'"), 2);

  const QString withZero = "insert into T (ID, NAME) values (73, 'zero') /*" + QString(70000, QLatin1Char(' ')) +
                           QChar(0) + "*/";
  const QString refused = "Statement text of 70052 bytes holds a zero byte: it cannot be passed whole";
  immediate.SQL = QStringList{withZero};
  EXPECT_EQ(errorText([&] { immediate.execImmediate(); }), refused);
  prepared.SQL = QStringList{withZero};
  EXPECT_EQ(errorText([&] { prepared.execQuery(); }), refused);
  EXPECT_EQ(count("select count(*) from T where NAME = 'zero'"), 0);
}

// A zero byte in a database name, which would end the name early, is refused.
TEST_F(StatementTest, DatabaseNameWithAZeroByteIsRefused) {
  TIBDatabase db;
  db.Params = ScratchDatabase::params();
  db.LoginPrompt = false;
  db.DatabaseName = s.connectionString() + QChar(0) + QStringLiteral("x");
  EXPECT_EQ(errorText([&] { db.setConnected(true); }), "Database name holds a zero byte");
  EXPECT_FALSE(db.connected());
}

#include <gtest/gtest.h>

#include "ScratchDatabase.h"
#include "db/DbErrors.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"

namespace {

const char kThreeRows[] =
    "CREATE TABLE ITEM (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40));\n"
    "INSERT INTO ITEM VALUES (1, 'one');\n"
    "INSERT INTO ITEM VALUES (2, 'two');\n"
    "INSERT INTO ITEM VALUES (3, 'three');\n";

// Records the scroll events as "B<id>" / "A<id>" (the current row's ID).
struct ScrollLog {
  QStringList events;
  void attach(TIBCustomDataSet& ds) {
    ds.BeforeScroll = [this](TIBCustomDataSet& d) { events << QStringLiteral("B%1").arg(d.fieldByName("id").asInteger()); };
    ds.AfterScroll = [this](TIBCustomDataSet& d) { events << QStringLiteral("A%1").arg(d.fieldByName("ID").asInteger()); };
  }
  QString take() {
    const QString s = events.join(QLatin1Char(' '));
    events.clear();
    return s;
  }
};

struct DataSetTest : ::testing::Test {
  ScratchDatabase s{QString::fromLatin1(kThreeRows)};
  TIBQuery q;
  TIBUpdateSQL upd;
  ScrollLog log;

  void SetUp() override {
    q.setDatabase(&s.db);
    q.setTransaction(&s.tr);
    q.SQL << "select ID, NAME from ITEM" << "where ID >= :MinId" << "order by ID";
    upd.ModifySQL << "update ITEM set NAME = :name where ID = :OLD_ID";
    q.setUpdateObject(&upd);
    log.attach(q);
    s.tr.startTransaction();
  }

  QString nameInDatabase(int id) {
    TIBQuery check;
    check.setDatabase(&s.db);
    check.SQL << "select NAME from ITEM where ID = :ID";
    check.paramByName("id").setAsInteger(id);
    check.open();
    return check.fieldByName("NAME").asString();
  }
};

TEST_F(DataSetTest, ScrollEventsFollowEveryMove) {
  q.paramByName("minid").setAsInteger(0);
  q.open();
  EXPECT_EQ(log.take(), "A1");
  EXPECT_TRUE(q.bof());

  struct Step {
    const char* op;
    const char* events;
    int recNo;
    bool eof;
  };
  const Step steps[] = {
      {"prior", "B1", 0, false},     // at the start already: BeforeScroll only
      {"next", "B1 A2", 1, false},
      {"next", "B2 A3", 2, false},
      {"next", "B3 A3", 2, true},    // the last row: both for that same row
      {"next", "B3", 2, true},       // at the end: BeforeScroll only
      {"first", "B3 A1", 0, false},
      {"last", "B1 A3", 2, true},
      {"prior", "B3 A2", 1, false},
      {"moveTo0", "B2 A1", 0, false},
      {"moveTo0", "", 0, false},     // the current row: no move
  };
  for (const Step& step : steps) {
    const QString op = QString::fromLatin1(step.op);
    if (op == "next") q.next();
    else if (op == "prior") q.prior();
    else if (op == "first") q.first();
    else if (op == "last") q.last();
    else q.moveTo(0);
    EXPECT_EQ(log.take(), QString::fromLatin1(step.events)) << step.op;
    EXPECT_EQ(q.recNo(), step.recNo) << step.op;
    EXPECT_EQ(q.eof(), step.eof) << step.op;
  }
  q.close();
  EXPECT_EQ(log.take(), "");
}

TEST_F(DataSetTest, OpeningWithoutRowsRaisesNothingAndIsAtTheEnd) {
  q.paramByName("MINID").setAsInteger(100);
  q.open();
  EXPECT_EQ(log.take(), "");
  EXPECT_TRUE(q.eof());
  EXPECT_TRUE(q.bof());
  EXPECT_EQ(q.recordCount(), 0);
  EXPECT_EQ(q.recNo(), -1);
  EXPECT_TRUE(q.fieldByName("NAME").isNull());
  q.close();
  EXPECT_EQ(log.take(), "");
}

TEST_F(DataSetTest, BeforeScrollErrorCancelsTheMove) {
  q.paramByName("MinId").setAsInteger(0);
  q.open();
  q.BeforeScroll = [](TIBCustomDataSet&) { throw EDatabaseError("refused"); };
  EXPECT_THROW(q.next(), EDatabaseError);
  EXPECT_EQ(q.recNo(), 0);
  EXPECT_EQ(q.fieldByName("ID").asInteger(), 1);
}

TEST_F(DataSetTest, PostRunsTheModifyStatementAtOnceAndMovingPostsFirst) {
  q.paramByName("MinId").setAsInteger(0);
  q.open();
  q.edit();
  EXPECT_EQ(q.state(), dsEdit);
  q.fieldByName("name").setAsString("uno");
  EXPECT_EQ(q.value(0, 1).toString(), "uno");  // the grid sees the edit buffer
  q.post();
  EXPECT_EQ(q.state(), dsBrowse);
  EXPECT_EQ(nameInDatabase(1), "uno");

  log.take();
  q.next();
  q.edit();
  q.fieldByName("NAME").setAsString("dos");
  QString seenInBeforeScroll;
  q.BeforeScroll = [&](TIBCustomDataSet&) { seenInBeforeScroll = nameInDatabase(2); };
  q.next();  // posts, then BeforeScroll
  EXPECT_EQ(seenInBeforeScroll, "dos");
  EXPECT_EQ(q.state(), dsBrowse);

  q.edit();
  q.fieldByName("NAME").setAsString("dropped");
  q.cancel();
  EXPECT_EQ(q.fieldByName("NAME").asString(), "three");
  EXPECT_EQ(nameInDatabase(3), "three");
}

TEST_F(DataSetTest, CommitAndRollbackCloseDataSetsAndDropAnUnpostedEdit) {
  for (const bool commit : {true, false}) {
    if (!s.tr.inTransaction()) s.tr.startTransaction();
    q.paramByName("MinId").setAsInteger(0);
    q.open();
    q.edit();
    q.fieldByName("NAME").setAsString("posted");
    q.post();
    q.next();
    q.edit();
    q.fieldByName("NAME").setAsString("never posted");
    log.take();
    commit ? s.tr.commit() : s.tr.rollback();
    EXPECT_FALSE(q.active());
    EXPECT_EQ(q.state(), dsInactive);
    EXPECT_FALSE(s.tr.inTransaction());
    EXPECT_EQ(log.take(), "");

    s.tr.startTransaction();
    EXPECT_EQ(nameInDatabase(1), commit ? "posted" : "one") << commit;
    EXPECT_EQ(nameInDatabase(2), "two") << commit;
    TIBSQL reset;
    reset.setDatabase(&s.db);
    reset.SQL << "update ITEM set NAME = 'one' where ID = 1";
    reset.execQuery();
    s.tr.commit();
  }
}

// Ids of the statements this connection holds prepared whose text starts so,
// read in a transaction of their own (the monitoring tables are a snapshot
// per transaction).
QStringList preparedStatements(ScratchDatabase& s, const QString& textStart) {
  TIBTransaction look;
  look.setDefaultDatabase(&s.db);
  look.Params << "read_committed" << "rec_version" << "nowait";
  look.startTransaction();
  TIBQuery q;
  q.setDatabase(&s.db);
  q.setTransaction(&look);
  q.SQL << "select MON$STATEMENT_ID from MON$STATEMENTS"
        << "where MON$ATTACHMENT_ID = CURRENT_CONNECTION and MON$SQL_TEXT starting with :Start";
  q.paramByName("Start").setAsString(textStart);
  q.open();
  QStringList ids;
  for (int row = 0; row < q.rowCount(); ++row) ids << q.value(row, 0).toString();
  look.commit();
  return ids;
}

TEST_F(DataSetTest, RepeatedStatementsStayPreparedWhileTheirTransactionLives) {
  // Posting: the update object's statement is prepared once for every post.
  q.paramByName("MinId").setAsInteger(0);
  q.open();
  q.edit();
  q.fieldByName("NAME").setAsString("uno");
  q.post();
  const QStringList modify = preparedStatements(s, "update ITEM set NAME");
  ASSERT_EQ(modify.size(), 1);
  q.next();
  q.edit();
  q.fieldByName("NAME").setAsString("dos");
  q.post();
  EXPECT_EQ(preparedStatements(s, "update ITEM set NAME"), modify);
  EXPECT_EQ(nameInDatabase(1), "uno");
  EXPECT_EQ(nameInDatabase(2), "dos");

  // Reopening runs the same select again: it stays prepared too.
  const QStringList select = preparedStatements(s, "select ID, NAME from ITEM");
  ASSERT_EQ(select.size(), 1);
  q.close();
  q.paramByName("MinId").setAsInteger(2);
  q.open();
  EXPECT_EQ(q.rowCount(), 2);
  EXPECT_EQ(q.fieldByName("NAME").asString(), "dos");
  EXPECT_EQ(preparedStatements(s, "select ID, NAME from ITEM"), select);

  // A statement run with new parameters, through a query and through TIBSQL.
  TIBQuery run;
  run.setDatabase(&s.db);
  run.SQL << "update ITEM set ID = ID + 0 where ID = :Id";
  TIBSQL sql;
  sql.setDatabase(&s.db);
  sql.SQL << "update ITEM set NAME = NAME where ID = :Id";
  for (int id = 1; id <= 3; ++id) {
    run.paramByName("Id").setAsInteger(id);
    run.ExecSQL();
    sql.paramByName("Id").setAsInteger(id);
    sql.execQuery();
  }
  const QStringList runs = preparedStatements(s, "update ITEM set ID");
  EXPECT_EQ(runs.size(), 1);
  EXPECT_EQ(preparedStatements(s, "update ITEM set NAME = NAME").size(), 1);

  // A new text is prepared anew, the old one freed.
  run.SQL = QStringList{"update ITEM set ID = ID - 0 where ID = :Id"};
  run.paramByName("Id").setAsInteger(1);
  run.ExecSQL();
  EXPECT_TRUE(preparedStatements(s, "update ITEM set ID = ID +").isEmpty());
  EXPECT_EQ(preparedStatements(s, "update ITEM set ID = ID -").size(), 1);

  // The end of the transaction frees them all; the next one prepares anew.
  s.tr.commit();
  EXPECT_TRUE(preparedStatements(s, "update ITEM").isEmpty());
  EXPECT_TRUE(preparedStatements(s, "select ID, NAME from ITEM").isEmpty());
  EXPECT_THROW(run.ExecSQL(), EDatabaseError);  // no transaction
  s.tr.startTransaction();
  EXPECT_EQ(nameInDatabase(2), "dos");
  run.ExecSQL();
  q.open();
  q.edit();
  q.fieldByName("NAME").setAsString("one");
  q.post();
  EXPECT_EQ(preparedStatements(s, "update ITEM set NAME").size(), 1);
  s.tr.rollback();
  EXPECT_TRUE(preparedStatements(s, "update ITEM").isEmpty());
}

TEST_F(DataSetTest, StartingAnActiveTransactionIsRefused) {
  try {
    s.tr.startTransaction();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Transaction is active");
  }
  EXPECT_TRUE(s.tr.inTransaction());
}

TEST_F(DataSetTest, FieldsByNameIgnoreCaseAndUnknownOnesAreNamed) {
  q.paramByName("MinId").setAsInteger(2);
  q.open();
  ASSERT_EQ(q.fieldCount(), 2);
  EXPECT_EQ(q.fields()[0]->fieldName(), "ID");
  EXPECT_EQ(q.fieldByName("nAmE").asString(), "two");
  EXPECT_EQ(q.fieldByName("NAME").dataType(), ftString);
  EXPECT_EQ(q.fieldByName("NAME").size(), 40);
  EXPECT_TRUE(q.fieldByName("ID").Required);
  try {
    q.fieldByName("NOPE");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Field 'NOPE' not found");
  }
  EXPECT_THROW(q.paramByName("nope"), EDatabaseError);
}

TEST_F(DataSetTest, DisplaySettingsSurviveReopening) {
  q.paramByName("MinId").setAsInteger(0);
  q.addField("NAME").DisplayLabel = "Название";
  q.fieldByName("NAME").DisplayWidth = 24;
  q.open();
  q.close();
  q.open();
  EXPECT_EQ(q.fields()[1]->DisplayLabel, "Название");
  EXPECT_EQ(q.fields()[1]->DisplayWidth, 24);
  EXPECT_EQ(q.fields()[0]->DisplayLabel, "ID");
}

// A unidirectional dataset converts a column when it is read: whatever is read
// and whenever, each row reads as fetched, and past the last row the last one
// still does; an edit holds the whole row.
TEST_F(DataSetTest, UnidirectionalRowsReadAsFetchedWhicheverColumnsAreRead) {
  q.SQL = QStringList{"select ID, NAME, cast('2024-03-0' || ID || ' 14:07:09' as timestamp) as MOMENT from ITEM order by ID"};
  q.setUniDirectional(true);
  q.BeforeScroll = nullptr;
  q.AfterScroll = nullptr;
  q.open();
  EXPECT_EQ(q.fieldByName("NAME").asString(), "one");
  q.next();  // row 2: only the date is read
  EXPECT_EQ(q.fieldByName("MOMENT").asDateTime(), QDateTime(QDate(2024, 3, 2), QTime(14, 7, 9)));
  q.next();  // row 3: nothing read before the end
  q.next();
  EXPECT_TRUE(q.eof());
  EXPECT_EQ(q.fieldByName("ID").asInteger(), 3);
  EXPECT_EQ(q.fieldByName("NAME").asString(), "three");
  EXPECT_EQ(q.fieldByName("MOMENT").asDateTime(), QDateTime(QDate(2024, 3, 3), QTime(14, 7, 9)));
  EXPECT_EQ(q.displayText(0, 1), "three");
  q.close();

  q.SQL = QStringList{"select ID, NAME from ITEM order by ID"};
  q.open();
  q.next();
  q.edit();  // row 2, none of it read before
  EXPECT_EQ(q.fieldByName("ID").asInteger(), 2);
  q.fieldByName("NAME").setAsString("deux");
  q.post();
  EXPECT_EQ(q.fieldByName("NAME").asString(), "deux");
  s.tr.commit();
  s.tr.startTransaction();
  EXPECT_EQ(nameInDatabase(2), "deux");
}

TEST(StatementText, LinesEachEndWithCrLf) {
  TIBQuery q;
  q.SQL << "GRANT" << "SELECT ON" << " TO ";
  EXPECT_EQ(q.sqlText(), "GRANT\r\nSELECT ON\r\n TO \r\n");
}

TEST(StatementText, ParametersInsideLiteralsAndCommentsStayText) {
  TIBQuery q;
  q.SQL << "select ':NotA' || \":Nor\" from T /* :NorThis */ -- :Nor_this" << "where A = :A and B = :b and C = :a";
  QStringList names;
  for (int i = 0; i < q.params().count(); ++i) names << q.params()[i].name();
  EXPECT_EQ(names, (QStringList{"A", "b"}));
}

}  // namespace

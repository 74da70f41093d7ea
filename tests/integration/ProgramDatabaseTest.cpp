#include <QDateTime>
#include <gtest/gtest.h>

#include "support/TestDatabase.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBStoredProc.h"
#include "db/IBTransaction.h"

namespace {

// The layer against the programs' own database, as PLUMO.
struct ProgramDatabaseTest : ::testing::Test {
  TestDatabase fresh;
  TIBDatabase db;
  TIBTransaction tr;

  void SetUp() override {
    db.DatabaseName = fresh.connectionString();
    db.Params = QStringList{"user_name=PLUMO", "password=plumo", "lc_ctype=WIN1251"};
    db.LoginPrompt = false;
    db.setDefaultTransaction(&tr);
    tr.Params = QStringList{"read_committed", "rec_version", "nowait"};
    db.setConnected(true);
    tr.startTransaction();
  }
};

TEST_F(ProgramDatabaseTest, RightsListPostsItsMaskThroughTheUpdateObject) {
  const QString id = fresh.value("select MN_ID from MANAGER where MN_ALIAS = 'PETROV'");
  TIBQuery q;
  TIBUpdateSQL upd;
  q.setDatabase(&db);
  q.SQL << "select UPR_ID, UPR_MASK, OPT_OPIS, OPT_MASK, OPT_ISXNAME" << "from USER_PRIV,  OPIS_TABLE "
        << "where ( UPR_MANAGER = :Mened ) and" << "(OPT_ID= UPR_OPIS_TABLE)" << "order by OPT_OPIS";
  upd.ModifySQL << "update  USER_PRIV set UPR_Mask = :UPR_Mask where UPR_id = :UPR_id";
  q.setUpdateObject(&upd);
  q.paramByName("Mened").setAsInteger(id.toInt());
  q.open();
  ASSERT_GT(q.recordCount(), 1);
  q.next();
  const int uprId = q.fieldByName("UPR_ID").asInteger();
  EXPECT_FALSE(q.fieldByName("OPT_IsxName").asString().isEmpty());
  q.edit();
  q.fieldByName("UPR_Mask").setAsInteger(5);
  q.post();
  EXPECT_EQ(q.fieldByName("UPR_MASK").asInteger(), 5);
  q.close();
  tr.commit();
  EXPECT_EQ(fresh.value(QStringLiteral("select UPR_MASK from USER_PRIV where UPR_ID = %1").arg(uprId)), "5");
}

TEST_F(ProgramDatabaseTest, SettingsTableAndNewManagerProcedure) {
  TIBTable status;
  TIBUpdateSQL upd;
  status.setDatabase(&db);
  status.TableName = "STATUS";
  upd.ModifySQL << "update STATUS set ST_PERIOD = :ST_PERIOD, ST_TIMECOPY = :ST_TIMECOPY";
  status.setUpdateObject(&upd);
  status.open();
  EXPECT_EQ(status.fieldByName("ST_PERIOD").asInteger(), 90);
  EXPECT_EQ(status.fieldByName("ST_TIMECOPY").asDateTime(), QDateTime(QDate(2024, 12, 1), QTime(0, 0)));
  status.edit();
  status.fieldByName("ST_PERIOD").setAsInteger(30);
  status.fieldByName("ST_TIMECOPY").setAsDateTime(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
  status.post();

  TIBStoredProc sp;
  sp.setDatabase(&db);
  sp.setStoredProcName("NEW_USER_PRIV");
  sp.paramByName("manager_name").setAsString("Орлова Мария Ивановна");
  sp.paramByName("MANAGER_ALIAS").setAsString("ORLOVA");
  sp.paramByName("MANAGER_DAY").setAsDateTime(QDateTime(QDate(2025, 3, 1), QTime(0, 0)));
  sp.paramByName("KEY_MNG").setAsInteger(0);
  sp.execProc();
  const int newId = sp.paramByName("NEW_ID").asInteger();
  EXPECT_GT(newId, 0);
  sp.execProc();
  EXPECT_EQ(sp.paramByName("NEW_ID").asInteger(), -1);  // the login is taken
  tr.commit();

  EXPECT_EQ(fresh.value("select ST_PERIOD || '|' || ST_TIMECOPY from STATUS").toStdString(), "30|02-JAN-2025 3:04:05.0000");
  EXPECT_EQ(fresh.value(QStringLiteral("select MN_MANAGER from MANAGER where MN_ID = %1").arg(newId)),
            "Орлова Мария Ивановна");
}

}  // namespace

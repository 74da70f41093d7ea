// What the administration program relies on in the database that database/
// builds: the staff procedures, the replication log and PLUMO's grants.
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

std::string s(const QStringList& list) { return list.join(QLatin1Char('\n')).toStdString(); }

} // namespace

TEST(Schema, IsDialectOneWin1251AndStoresCyrillicAsOneBytePerLetter) {
  TestDatabase db;
  EXPECT_EQ(db.value("select MON$SQL_DIALECT from MON$DATABASE"), "1");
  EXPECT_EQ(db.value("select trim(RDB$CHARACTER_SET_NAME) from RDB$DATABASE"), "WIN1251");
  // 21 letters, 21 bytes: stored in WIN1251, not in the script's UTF-8
  EXPECT_EQ(db.value("select MN_MANAGER || '|' || octet_length(MN_MANAGER) from MANAGER "
                     "where MN_ALIAS = 'PETROV'"),
            q("Петров Иван Сергеевич|21"));
  EXPECT_EQ(db.value("select MN_ALIAS from MANAGER where MN_ID = 0"), "PLUMO");
  EXPECT_EQ(db.value("select count(*) from MANAGER where MN_ID = 100100"), "1");
  EXPECT_EQ(db.value("select count(*) from STATUS"), "1");
  // every manager has a rights row for every object
  EXPECT_EQ(db.value("select count(*) from MANAGER m, OPIS_TABLE o where not exists "
                     "(select 1 from USER_PRIV where UPR_MANAGER = m.MN_ID and "
                     "UPR_OPIS_TABLE = o.OPT_ID)"),
            "0");
}

TEST(Schema, NewUserPrivCreatesTheManagerWithAZeroRowPerObject) {
  TestDatabase db(TestDatabase::SchemaOnly);
  const QString id = db.value(q("execute procedure NEW_USER_PRIV "
                                "'Иванова Мария Петровна ', 'IVANOVA', '15-JAN-2024', 0"));
  ASSERT_NE(id, "-1");
  EXPECT_EQ(db.rows("select MN_ID, MN_MANAGER, MN_ALIAS, MN_OKLAD, MN_DATE from MANAGER"),
            QStringList{id + q("|Иванова Мария Петровна |IVANOVA|<null>|15-JAN-2024")});
  EXPECT_EQ(db.rows("select o.OPT_ISXNAME, p.UPR_MASK from OPIS_TABLE o left join USER_PRIV p "
                    "on p.UPR_OPIS_TABLE = o.OPT_ID and p.UPR_MANAGER = " + id +
                    " order by o.OPT_ID"),
            (QStringList{"CLIENT|0", "TOVAR|0", "ZAKAZ|0", "KURS|0", "ZAKAZ_NEW|0",
                         "CLIENT_ITOG|0", "STATUS|0"}));
  EXPECT_EQ(db.value("select count(*) from USER_PRIV"), "7");
}

TEST(Schema, NewUserPrivRefusesATakenLogin) {
  TestDatabase db;
  for (const char* login : {"PETROV", " PETROV  ", "Petrov", "plumo"}) {
    SCOPED_TRACE(login);
    EXPECT_EQ(db.value(QStringLiteral("execute procedure NEW_USER_PRIV 'X', '%1', "
                                      "'15-JAN-2024', 0").arg(login)),
              "-1");
  }
  EXPECT_EQ(db.value("select count(*) from MANAGER where MN_MANAGER = 'X'"), "0");
}

TEST(Schema, NewNameAndNewOtchAddOnceAndAnswerTheKey) {
  TestDatabase db;
  const QString before = db.value("select count(*) from NAME");
  const QString id = db.value(q("execute procedure NEW_NAME 'Святослав'"));
  EXPECT_EQ(db.value("select NM_NAME from NAME where NM_ID = " + id), q("Святослав"));
  EXPECT_EQ(db.value(q("execute procedure NEW_NAME 'СВЯТОСЛАВ'")), id);
  EXPECT_EQ(db.value("select count(*) from NAME"), QString::number(before.toInt() + 1));
  const QString otch = db.value(q("execute procedure NEW_OTCH 'Ярославович'"));
  EXPECT_EQ(db.value("select OT_OTCH from OTCH where OT_ID = " + otch), q("Ярославович"));
}

TEST(Schema, ManegerDelateRemovesTheManagerAndItsRightsOnly) {
  TestDatabase db;
  const QString id = db.value("select MN_ID from MANAGER where MN_ALIAS = 'SMIRNOVA'");
  const QString others = db.value("select count(*) from USER_PRIV where UPR_MANAGER <> " + id);
  db.exec("execute procedure MANEGERDELATE " + id + ";");
  EXPECT_EQ(db.value("select count(*) from MANAGER where MN_ID = " + id), "0");
  EXPECT_EQ(db.value("select count(*) from USER_PRIV where UPR_MANAGER = " + id), "0");
  EXPECT_EQ(db.value("select count(*) from USER_PRIV"), others);
}

// A manager whose login names every user, a role, the server's administrator
// or the database's owner: its rows go, and the rights of that name are
// nobody's to revoke here.
TEST(Schema, ManegerDelateRevokesNothingForANameNotTheManagersOwn) {
  TestDatabase db(TestDatabase::SchemaOnly);
  db.exec("CREATE ROLE KASSIR;"
          "GRANT SELECT ON STATUS TO PUBLIC;"
          "GRANT SELECT ON CLIENT TO ROLE KASSIR;"
          "GRANT SELECT ON CLIENT TO SYSDBA;"
          "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (61, 'Public', 'PUBLIC');"
          "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (62, 'Role', 'kassir');"
          "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (63, 'Admin', 'SYSDBA');"
          "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (64, 'Owner', 'plumo ');");
  const QString rights = "select count(*) from RDB$USER_PRIVILEGES"
                         " where RDB$USER in ('PUBLIC', 'KASSIR', 'SYSDBA', 'PLUMO')";
  const QString before = db.value(rights);
  ASSERT_GE(before.toInt(), 5);
  db.exec("execute procedure MANEGERDELATE 61; execute procedure MANEGERDELATE 62;"
          "execute procedure MANEGERDELATE 63; execute procedure MANEGERDELATE 64;");
  EXPECT_EQ(db.value("select count(*) from MANAGER where MN_ID between 61 and 64"), "0");
  EXPECT_EQ(db.value(rights), before);
}

TEST(Schema, ManegerDelateIsRefusedForProtectedManagersAndOnesWithData) {
  TestDatabase db;
  const QString petrov = db.value("select MN_ID from MANAGER where MN_ALIAS = 'PETROV'");
  for (const QString& id : {QStringLiteral("0"), QStringLiteral("100100"), petrov}) {
    SCOPED_TRACE(id.toStdString());
    EXPECT_THROW(db.exec("execute procedure MANEGERDELATE " + id + ";"), std::runtime_error);
    EXPECT_EQ(db.value("select count(*) from MANAGER where MN_ID = " + id), "1");
    EXPECT_EQ(db.value("select count(*) from USER_PRIV where UPR_MANAGER = " + id), "7");
  }
}

TEST(Schema, DelDanMenEdDeletesWhatTheManagerEnteredAndLogsIt) {
  TestDatabase db;
  const QString petrov = db.value("select MN_ID from MANAGER where MN_ALIAS = 'PETROV'");
  const QString logged = db.value("select count(*) from REPLBASE");
  const QStringList othersBefore =
      db.rows("select CL_ID from CLIENT where CL_MANAGER <> " + petrov + " order by CL_ID");
  ASSERT_NE(db.value("select count(*) from CLIENT where CL_MANAGER = " + petrov), "0");

  db.exec("execute procedure DELDANMENED " + petrov + ";");

  for (const char* table : {"CLIENT where CL_MANAGER", "ZAKAZ where ZK_MANAGER",
                            "TOVAR where TV_MANAGER", "KURS where KR_MANAGER"})
    EXPECT_EQ(db.value(QStringLiteral("select count(*) from %1 = %2").arg(table, petrov)), "0")
        << table;
  EXPECT_EQ(db.rows("select CL_ID from CLIENT order by CL_ID"), othersBefore);
  EXPECT_EQ(db.value("select count(*) from MANAGER where MN_ID = " + petrov), "1");
  const QStringList deletes =
      db.rows("select ITOG from REPLBASE where RB_ID > " + logged + " order by RB_ID");
  EXPECT_FALSE(deletes.isEmpty());
  for (const QString& line : deletes) EXPECT_TRUE(line.startsWith("DELETE FROM ")) << s(deletes);
}

// A manager working under a login of its own: PLUMO grants, the manager
// inserts and changes rows, and the log replays them on another database.
TEST(Schema, PlumoGrantsAndTheLogReplaysAManagersChanges) {
  TestLogin login("pw1234");
  TestDatabase db(TestDatabase::SchemaOnly);
  const QString manager = db.value(
      q("execute procedure NEW_USER_PRIV 'Тестов Тест', '%1', '01-FEB-2024', 0").arg(login.name()));
  db.exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE ON CLIENT TO %1;\n"
                         "GRANT EXECUTE ON PROCEDURE CLIENT_ITOG TO %1;")
              .arg(login.name()));
  EXPECT_EQ(db.rows("select trim(RDB$PRIVILEGE) || trim(RDB$RELATION_NAME) || RDB$OBJECT_TYPE "
                    "|| trim(RDB$GRANTOR) from RDB$USER_PRIVILEGES where RDB$USER = '" +
                    login.name() + "' order by 1"),
            (QStringList{"ICLIENT0PLUMO", "SCLIENT0PLUMO", "UCLIENT0PLUMO",
                         "XCLIENT_ITOG5PLUMO"}));

  db.exec(q("insert into CLIENT (CL_NAME, CL_PHONE, CL_DATE) "
            "values ('ООО \"Ёж\" и О''Нил', NULL, '05-MAR-2024');\n"
            "update CLIENT set CL_PHONE = '12-34' where CL_NAME starting with 'ООО';\n"
            "execute procedure CLIENT_ITOG 1;"),
          login.name(), login.password());
  EXPECT_THROW(db.exec("delete from CLIENT;", login.name(), login.password()), std::runtime_error);

  const QStringList log = db.rows("select ITOG from REPLBASE order by RB_ID");
  ASSERT_EQ(log.size(), 2) << s(log);
  EXPECT_EQ(log[0], q("INSERT INTO CLIENT (CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS, CL_DATE, "
                      "CL_MANAGER) VALUES (1, 'ООО \"Ёж\" и О''Нил', NULL, NULL, "
                      "'05-MAR-2024', %1);").arg(manager));
  EXPECT_TRUE(log[1].startsWith("UPDATE CLIENT SET CL_ID = 1, ")) << s(log);

  TestDatabase replica(TestDatabase::SchemaOnly);
  replica.exec(q("execute procedure NEW_USER_PRIV 'Тестов Тест', '%1', '01-FEB-2024', 0;\n")
                   .arg(login.name()) +
               log.join(QLatin1Char('\n')));
  const char* row = "select CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS, CL_DATE, CL_MANAGER from CLIENT";
  EXPECT_EQ(replica.rows(row), db.rows(row));
  EXPECT_EQ(replica.rows("select ITOG from REPLBASE order by RB_ID"), log);
}

TEST(TestLoginFixture, CreatesAndRemovesItsLogin) {
  TestDatabase db(TestDatabase::SchemaOnly);
  QString name;
  {
    TestLogin login("pw1234");
    name = login.name();
    EXPECT_TRUE(TestLogin::exists(name));
    EXPECT_TRUE(db.loginExists(name));
    EXPECT_EQ(db.value("select CURRENT_USER from RDB$DATABASE", name, "pw1234"), name);
  }
  EXPECT_FALSE(TestLogin::exists(name));
  EXPECT_FALSE(db.loginExists(name));
  EXPECT_TRUE(db.loginExists("PLUMO"));
}

// Names sort as a Russian reader expects: Ё beside Е, letter case aside.
TEST(Schema, NamesSortInRussianOrder) {
  TestDatabase db(TestDatabase::SchemaOnly);
  int login = 0;
  for (const char* name : {"Ёлкин", "Жуков", "ежов", "Елисеев", "Яковлев", "Абрамов"})
    db.value(q("execute procedure NEW_USER_PRIV '%1', 'M%2', '15-JAN-2024', 0").arg(q(name)).arg(++login));
  EXPECT_EQ(db.rows("select MN_MANAGER from MANAGER order by MN_MANAGER"),
            (QStringList{q("Абрамов"), q("ежов"), q("Елисеев"), q("Ёлкин"), q("Жуков"), q("Яковлев")}));
  for (const char* name : {"Ёжик", "Жанна", "Елена"}) db.value(q("execute procedure NEW_NAME '%1'").arg(q(name)));
  EXPECT_EQ(db.rows("select NM_NAME from NAME order by NM_NAME"), (QStringList{q("Елена"), q("Ёжик"), q("Жанна")}));
}

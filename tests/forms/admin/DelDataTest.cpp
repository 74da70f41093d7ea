#include "DorvikFixture.h"
#include "ManagerChoice.h"

#include "Main.h"
#include "db/IBTransaction.h"
#include "ui/Menus.h"
#include "ui/RxLabel.h"

namespace {

const char kCaption[] = "Подтверждение удаления данных";
const char kDone[] = "Удаление данных завершено успешно";

// "Удалить данные пользователя" driven from the menu; the business rows read
// back through isql.
class DelDataTest : public DorvikFixture {
 protected:
  void SetUp() override { startAsAdministrator(); }

  QString question(const QString& name) { return ru("Удалить данные, занесенные ") + name + ru(" ?"); }

  // The business rows of every manager, "TABLE:manager:count" per table and manager.
  QStringList businessRows() {
    return database().rows(QStringLiteral(
        "select 'CLIENT:' || CL_MANAGER || ':' || count(*) from CLIENT group by CL_MANAGER union all "
        "select 'TOVAR:' || TV_MANAGER || ':' || count(*) from TOVAR group by TV_MANAGER union all "
        "select 'ZAKAZ:' || ZK_MANAGER || ':' || count(*) from ZAKAZ group by ZK_MANAGER union all "
        "select 'KURS:' || KR_MANAGER || ':' || count(*) from KURS group by KR_MANAGER"));
  }
  static QStringList without(QStringList rows, int manager) {
    const QString tag = QStringLiteral(":%1:").arg(manager);
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const QString& r) { return r.contains(tag); }), rows.end());
    return rows;
  }
  int replicationLines() { return database().value(QStringLiteral("select count(*) from REPLBASE")).toInt(); }

  void deleteData() { FormMain->miDelDataUser->click(); }
};

}  // namespace

TEST_F(DelDataTest, YesDeletesWhatTheManagerEnteredAndNothingElse) {
  const struct {
    const char* alias;
    int id;
    const char* name;
  } cases[] = {
      {"PETROV", 1, "Петров Иван Сергеевич"},  // clients with their orders
      {"SIDOROVA", 2, "Сидорова Анна Викторовна"},  // a client, an order, rates
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias);
    const QStringList before = businessRows();
    ASSERT_NE(without(before, c.id), before) << "the case needs business rows";
    queueManagerChoice(prompter(), QString::fromLatin1(c.alias));
    prompter().expectYesNo(question(ru(c.name)), ru(kCaption), true).expectMessage(ru(kDone));
    deleteData();
    prompter().verifyDone();
    EXPECT_EQ(businessRows(), without(before, c.id));
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    // the choice stays
    EXPECT_EQ(FormMain->currentManagerId, c.id);
    EXPECT_EQ(FormMain->RxLUser->caption(), ru(c.name));
    EXPECT_EQ(FormMain->currentAccount.text(), QString::fromLatin1(c.alias));
  }
}

TEST_F(DelDataTest, NoAnswerOrNoChoiceDeletesNothing) {
  const QStringList before = businessRows();
  // "No" to the question
  queueManagerChoice(prompter(), QStringLiteral("PETROV"));
  prompter().expectYesNo(question(ru("Петров Иван Сергеевич")), ru(kCaption), false);
  deleteData();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->currentManagerId, 1);
  // the list left with "Главное меню": no question
  queueManagerChoice(prompter(), QString());
  deleteData();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->currentManagerId, -1);

  EXPECT_EQ(businessRows(), before);
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
}

TEST_F(DelDataTest, QuestionNamesTheStoredNameAndNoIdIsRefused) {
  // The administrator and the service account are protected from deletion in
  // the list, not here.
  database().exec(QStringLiteral(
      "update MANAGER set MN_MANAGER = 'Администратор системы   ' where MN_ID = 0;"
      "update MANAGER set MN_MANAGER = '' where MN_ID = 100100;"
      "insert into KURS (KR_ID, KR_DATE, KR_VALUE, KR_MANAGER) values (50, '03-DEC-2024', 101, 0);"
      "insert into KURS (KR_ID, KR_DATE, KR_VALUE, KR_MANAGER) values (51, '03-DEC-2024', 102, 100100);"));
  const struct {
    const char* alias;
    int id;
    const char* question;
  } cases[] = {
      {"PLUMO", 0, "Удалить данные, занесенные Администратор системы    ?"},
      {"SERVICE", 100100, "Удалить данные, занесенные  ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias);
    const QStringList before = businessRows();
    queueManagerChoice(prompter(), QString::fromLatin1(c.alias));
    prompter().expectYesNo(ru(c.question), ru(kCaption), true).expectMessage(ru(kDone));
    deleteData();
    prompter().verifyDone();
    EXPECT_EQ(businessRows(), without(before, c.id));
    EXPECT_NE(businessRows(), before);
  }
}

TEST_F(DelDataTest, RefusalShowsTheServersTextAndLeavesEverythingAsItWas) {
  // KUZNETSOV's goods are in other managers' orders: the procedure removes
  // his rate first, then stops at the goods.
  database().exec(QStringLiteral(
      "insert into KURS (KR_ID, KR_DATE, KR_VALUE, KR_MANAGER) values (50, '03-DEC-2024', 101, 3);"));
  const QStringList before = businessRows();
  const int logged = replicationLines();
  queueManagerChoice(prompter(), QStringLiteral("KUZNETSOV"));
  prompter()
      .expectYesNo(question(ru("Кузнецов Алексей Петрович")), ru(kCaption), true)
      .expectError(ru("violation of FOREIGN KEY constraint \"FK_ZAKAZ_TOVAR\" on table \"ZAKAZ\"\n"
                      "Foreign key references are present for the record\n"
                      "Problematic key value is (\"TV_ID\" = 1)\n"
                      "At procedure 'DELDANMENED' line: 7, col: 3."));
  deleteData();
  prompter().verifyDone();
  EXPECT_EQ(businessRows(), before);
  EXPECT_EQ(replicationLines(), logged);
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  // the next command starts its transaction as usual
  queueManagerChoice(prompter(), QStringLiteral("YOLKIN"));
  prompter().expectYesNo(question(ru("Ёлкин Фёдор Ильич")), ru(kCaption), true).expectMessage(ru(kDone));
  deleteData();
  prompter().verifyDone();
  EXPECT_EQ(businessRows(), without(before, 5));
}

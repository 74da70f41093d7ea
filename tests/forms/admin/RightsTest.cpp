#include "DorvikFixture.h"

#include <QCoreApplication>
#include <QTest>
#include <vector>

#include "Main.h"
#include "RightStatement.h"
#include "Users.h"
#include "db/DbErrors.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "db/SqlText.h"
#include "os/Errors.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"
#include "support/TcpRelay.h"

using Kind = ScriptedPrompter::Kind;

namespace {

const QString kTransactionIsActive = QStringLiteral("Transaction is active.");

QString badName(const QString& name) {
  return ru("Недопустимое имя объекта или пользователя: \"%1\"").arg(name);
}

// The five boxes in bit order.
std::vector<TCheckBox*> boxes() {
  return {FormMain->CbRead, FormMain->CbInsert, FormMain->CbDelete, FormMain->CbUpdate, FormMain->CbExecute};
}

// The bits of the ticked (or enabled) boxes.
int ticked() {
  int mask = 0;
  for (TCheckBox* b : boxes())
    if (b->checked()) mask |= b->tag;
  return mask;
}

int enabled() {
  int mask = 0;
  for (TCheckBox* b : boxes())
    if (b->isEnabled()) mask |= b->tag;
  return mask;
}

QString rightsRowSql(const QString& alias, const QString& object) {
  return QStringLiteral(
             "from USER_PRIV join MANAGER on MN_ID = UPR_MANAGER join OPIS_TABLE on OPT_ID = UPR_OPIS_TABLE "
             "where MN_ALIAS = '%1' and OPT_ISXNAME = '%2'")
      .arg(alias, object);
}

QString rightsSql(const QString& alias, const QString& object) {
  return QStringLiteral(
             "select trim(RDB$PRIVILEGE) from RDB$USER_PRIVILEGES where RDB$USER = '%1' and "
             "RDB$RELATION_NAME = '%2' order by 1")
      .arg(alias, object.trimmed());
}

// Rows of a select run in the main form's transaction, first column only.
QStringList inPage(const QString& select) {
  TIBQuery q;
  q.setDatabase(FormMain->MainBase);
  q.setTransaction(FormMain->IBTrans);
  q.SQL = QStringList{select};
  q.open();
  QStringList out;
  for (int row = 0; row < q.rowCount(); ++row) out << q.value(row, 0).toString().trimmed();
  return out;
}

}  // namespace

class RightsTest : public DorvikFixture {
 protected:
  void SetUp() override { startAsAdministrator(); }

  // The menu command: the manager is chosen in the list ("Выбрать пользователя")
  // and the page opens.
  void openPageFor(const QString& alias) {
    prompter().expectModal(ru("Список пользователей Базы"), [alias](TForm&) {
      clickManagerInList(alias);
      if (::testing::Test::HasFatalFailure()) return;
      QTest::mouseClick(FormSpisUser->BnOk, Qt::LeftButton);
    });
    FormMain->OprPriv->click();
    prompter().verifyDone();
  }

  // Moves the grid to the object's row, as a click on the row does.
  void goTo(const QString& object) {
    TIBQuery* q = FormMain->IBqDorvik;
    const int column = q->fieldByName(QStringLiteral("OPT_ISXNAME")).index();
    for (int row = 0; row < q->rowCount(); ++row)
      if (q->value(row, column).toString() == object) {
        FormMain->RxDBGrid1->setCurrentIndex(FormMain->RxDBGrid1->model()->index(row, 0));
        QCoreApplication::processEvents();  // a refused move puts the grid back
        return;
      }
    ADD_FAILURE() << "no row for " << object.toStdString();
  }
  QString currentObject() { return FormMain->IBqDorvik->fieldByName(QStringLiteral("OPT_ISXNAME")).asString(); }

  // What the server holds committed, read by isql.
  QString committedMask(const QString& alias, const QString& object) {
    return database().value(QStringLiteral("select UPR_MASK ") + rightsRowSql(alias, object));
  }
  QString committedRights(const QString& alias, const QString& object) {
    return database().rows(rightsSql(alias, object)).join(QString());
  }
  // The same inside the page's transaction.
  QString pageMask(const QString& alias, const QString& object) {
    return inPage(QStringLiteral("select UPR_MASK ") + rightsRowSql(alias, object)).join(QString());
  }
  QString pageRights(const QString& alias, const QString& object) {
    return inPage(rightsSql(alias, object)).join(QString());
  }
  // Whether the page's transaction has written the row's mask (a row it only
  // locked keeps its mask).
  bool writtenInPage(const QString& alias, const QString& object) {
    return pageMask(alias, object) != committedMask(alias, object);
  }

  // The program started again, its connection running through the relay.
  void startThrough(const TcpRelay& relay) {
    restartApplication();
    QStringList lines = baseIniLines();
    lines[0] = relay.serverName() + QLatin1Char(':') + database().path();
    writeBaseIni(lines);
    prompter().expectDatabaseLogin(lines[0], QStringLiteral("PLUMO"), QStringLiteral("plumo"));
    createForms();
  }

  void expectPageClosed() {
    EXPECT_TRUE(FormMain->PageControl1->isHidden());
    EXPECT_FALSE(FormMain->IBqDorvik->active());
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  }
};

TEST(RightStatementText, LinesOfGrantsAndRevokes) {
  const struct {
    bool grant;
    const char* right;
    bool procedure;
    const char* object;
    const char* login;
    const char* text;
  } cases[] = {
      {true, "SELECT", false, "CLIENT", "PETROV", "GRANT\r\nSELECT ON\r\nCLIENT\r\n TO \r\nPETROV\r\n"},
      {false, "EXECUTE", true, "ZAKAZ_NEW", "PETROV",
       "REVOKE\r\nEXECUTE ON\r\nPROCEDURE\r\nZAKAZ_NEW\r\n FROM \r\nPETROV\r\n"},
      {true, "UPDATE", true, "CLIENT_ITOG", "X", "GRANT\r\nUPDATE ON\r\nPROCEDURE\r\nCLIENT_ITOG\r\n TO \r\nX\r\n"},
      {false, "DELETE", false, "OTCH  ", "A$1", "REVOKE\r\nDELETE ON\r\nOTCH  \r\n FROM \r\nA$1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SqlText::join(rightStatementLines(c.grant, c.right, c.procedure, c.object, c.login)),
              QString::fromLatin1(c.text));
  }
}

TEST(RightStatementText, OnlyPlainIdentifiersPass) {
  for (const char* name : {"CLIENT", "client_2$", "X", "OTCH   ", "A$B_C9"})
    EXPECT_TRUE(isPlainIdentifier(QString::fromLatin1(name))) << name;
  for (const char* name : {"", "   ", " CLIENT", "2CLIENT", "_X", "$X", "CLI ENT", "CLIENT;", "\"CLIENT\"",
                           "CLIENT TO PUBLIC", "CLIENT\t", "A-B", "PUBLIC\r\n"})
    EXPECT_FALSE(isPlainIdentifier(QString::fromLatin1(name))) << name;
  EXPECT_FALSE(isPlainIdentifier(ru("КЛИЕНТ")));
  EXPECT_FALSE(isPlainIdentifier(ru("CLIENTЁ")));
}

TEST_F(RightsTest, PageShowsTheManagersRowsAndTheFirstRowsRights) {
  openPageFor(QStringLiteral("PETROV"));

  EXPECT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
  EXPECT_EQ(FormMain->PageControl1->activePage(), FormMain->Dorvik);
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(FormMain->RxLUser->caption(), ru("Петров Иван Сергеевич"));
  EXPECT_EQ(FormMain->Label1->caption(), ru("Пользователь:"));

  // Buttons and boxes as the page describes them.
  const struct {
    TBitBtn* button;
    const char* caption;
    TBitBtnKind kind;
    const char* hint;
  } buttons[] = {
      {FormMain->BnOtmen, "Отменить", TBitBtnKind::bkCancel, "Отменить все изменения"},
      {FormMain->BnZap, "Запомнить", TBitBtnKind::bkOK, "Принять все изменения"},
      {FormMain->BnProfil, "Профиль", TBitBtnKind::bkAll, "Скопировать права доступа другого пользователя"},
      {FormMain->bnChnPass, "Пароль", TBitBtnKind::bkRetry, "Смена пароля пользователя"},
  };
  for (const auto& b : buttons) {
    EXPECT_EQ(b.button->caption(), ru(b.caption));
    EXPECT_EQ(b.button->kind(), b.kind) << b.caption;
    EXPECT_EQ(b.button->toolTip(), ru(b.hint));
  }
  const char* captions[] = {"Чтение", "Вставка", "Удаление", "Модификация", "Выполнение"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(boxes()[size_t(i)]->caption(), ru(captions[i]));
    EXPECT_EQ(boxes()[size_t(i)]->tag, 1 << i);
  }

  // The grid: three columns, whole rows, nothing to type into; sorted by description.
  TRxDBGrid* grid = FormMain->RxDBGrid1;
  ASSERT_EQ(grid->columnCount(), 3);
  const struct {
    const char* field;
    const char* title;
    int width;
  } columns[] = {{"OPT_OPIS", "Описание объекта", 60}, {"OPT_ISXNAME", "Объект", 24}, {"UPR_MASK", "Право", 5}};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(grid->columnField(c)->fieldName(), QString::fromLatin1(columns[c].field));
    EXPECT_EQ(grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), ru(columns[c].title));
    EXPECT_EQ(grid->columnField(c)->DisplayWidth, columns[c].width);
  }
  EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 2)) & Qt::ItemIsEditable);
  QStringList objects;
  for (int row = 0; row < grid->model()->rowCount(); ++row)
    objects << grid->model()->index(row, 1).data().toString();
  EXPECT_EQ(objects, (QStringList{"ZAKAZ", "CLIENT_ITOG", "CLIENT", "KURS", "ZAKAZ_NEW", "TOVAR", "STATUS"}));
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), ru("Заказы"));
  EXPECT_EQ(grid->model()->index(0, 2).data().toString(), QStringLiteral("15"));

  // The first row (ZAKAZ, allowed 15, granted 15) is loaded.
  EXPECT_EQ(currentObject(), QStringLiteral("ZAKAZ"));
  EXPECT_EQ(enabled(), 15);
  EXPECT_EQ(ticked(), 15);
  EXPECT_EQ(FormMain->allowedMask, 15);
  EXPECT_EQ(FormMain->grantedMask, 15);
  EXPECT_EQ(FormMain->editedMask, 15);
  EXPECT_FALSE(FormMain->loadingRow);
  prompter().verifyDone();
}

// Loading a row enables the boxes its object allows and ticks those granted,
// running nothing: a right granted but not allowed is ticked and disabled.
TEST_F(RightsTest, LoadingARowSetsTheBoxesAndRunsNothing) {
  const struct {
    const char* alias;
    const char* object;
    int enabled, ticked;
  } cases[] = {
      {"SMIRNOVA", "STATUS", 0, 1},        // granted, not allowed
      {"SIDOROVA", "KURS", 9, 9},
      {"SIDOROVA", "CLIENT", 15, 3},
      {"KUZNETSOV", "CLIENT_ITOG", 16, 16},  // bit 32 has no box
      {"KUZNETSOV", "STATUS", 0, 0},
      {"PETROV", "ZAKAZ_NEW", 16, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.alias) + " " + c.object);
    openPageFor(QString::fromLatin1(c.alias));
    goTo(QString::fromLatin1(c.object));
    EXPECT_EQ(enabled(), c.enabled);
    EXPECT_EQ(ticked(), c.ticked);
    EXPECT_EQ(FormMain->editedMask, FormMain->grantedMask);
    EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());
    FormMain->BnOtmen->click();
  }
  prompter().verifyDone();
}

// One click runs its statement at once in the page's transaction; leaving the
// row writes the mask there; "Запомнить" commits both.
TEST_F(RightsTest, AClickGrantsOrRevokesAtOnceAndLeavingTheRowWritesTheMask) {
  const struct {
    const char* alias;
    const char* object;
    int box;  // index in bit order
    const char* statement;
    const char* rightsBefore;
    const char* rightsAfter;
    const char* maskBefore;
    const char* maskAfter;
  } cases[] = {
      {"YOLKIN", "CLIENT", 0, "GRANT\r\nSELECT ON\r\nCLIENT\r\n TO \r\nYOLKIN\r\n", "", "S", "0", "1"},
      {"PETROV", "TOVAR", 1, "GRANT\r\nINSERT ON\r\nTOVAR\r\n TO \r\nPETROV\r\n", "S", "IS", "1", "3"},
      {"PETROV", "CLIENT", 3, "REVOKE\r\nUPDATE ON\r\nCLIENT\r\n FROM \r\nPETROV\r\n", "DISU", "DIS", "15", "7"},
      {"PETROV", "ZAKAZ_NEW", 4, "REVOKE\r\nEXECUTE ON\r\nPROCEDURE\r\nZAKAZ_NEW\r\n FROM \r\nPETROV\r\n", "X", "",
       "16", "0"},
      // the bit beyond 16 stays
      {"KUZNETSOV", "CLIENT_ITOG", 4, "REVOKE\r\nEXECUTE ON\r\nPROCEDURE\r\nCLIENT_ITOG\r\n FROM \r\nKUZNETSOV\r\n", "X",
       "", "48", "32"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.alias) + " " + c.object);
    const QString alias = QString::fromLatin1(c.alias), object = QString::fromLatin1(c.object);
    const QString other = object == QLatin1String("KURS") ? QStringLiteral("TOVAR") : QStringLiteral("KURS");
    EXPECT_EQ(committedRights(alias, object), QString::fromLatin1(c.rightsBefore));
    openPageFor(alias);
    goTo(object);
    TCheckBox* box = boxes()[size_t(c.box)];
    const bool wasTicked = box->checked();
    box->click();

    EXPECT_EQ(box->checked(), !wasTicked);
    EXPECT_EQ(FormMain->IBqGrant->sqlText(), QString::fromLatin1(c.statement));
    EXPECT_EQ(pageRights(alias, object), QString::fromLatin1(c.rightsAfter));
    EXPECT_EQ(FormMain->editedMask, QString::fromLatin1(c.maskAfter).toInt());
    EXPECT_EQ(FormMain->grantedMask, QString::fromLatin1(c.maskBefore).toInt());
    EXPECT_EQ(pageMask(alias, object), QString::fromLatin1(c.maskBefore));  // not written yet

    goTo(other);
    EXPECT_EQ(currentObject(), other);
    EXPECT_EQ(pageMask(alias, object), QString::fromLatin1(c.maskAfter));
    EXPECT_FALSE(writtenInPage(alias, other));
    // nothing is committed on the way
    EXPECT_EQ(committedMask(alias, object), QString::fromLatin1(c.maskBefore));
    EXPECT_EQ(committedRights(alias, object), QString::fromLatin1(c.rightsBefore));

    FormMain->BnZap->click();
    expectPageClosed();
    EXPECT_EQ(committedMask(alias, object), QString::fromLatin1(c.maskAfter));
    EXPECT_EQ(committedRights(alias, object), QString::fromLatin1(c.rightsAfter));
  }
  prompter().verifyDone();
}

TEST_F(RightsTest, TickAndUntickOnOneRowRunBothAndWriteNothing) {
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbDelete->click();
  EXPECT_EQ(FormMain->IBqGrant->sqlText(), QStringLiteral("GRANT\r\nDELETE ON\r\nTOVAR\r\n TO \r\nPETROV\r\n"));
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("DS"));
  FormMain->CbDelete->click();
  EXPECT_EQ(FormMain->IBqGrant->sqlText(), QStringLiteral("REVOKE\r\nDELETE ON\r\nTOVAR\r\n FROM \r\nPETROV\r\n"));
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("S"));
  EXPECT_EQ(FormMain->editedMask, FormMain->grantedMask);

  goTo(QStringLiteral("KURS"));
  EXPECT_FALSE(writtenInPage("PETROV", "TOVAR"));
  // leaving a row without a change writes nothing either
  goTo(QStringLiteral("ZAKAZ"));
  EXPECT_FALSE(writtenInPage("PETROV", "KURS"));
  FormMain->BnZap->click();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("1"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("S"));
  prompter().verifyDone();
}

// Changes on several rows, the last one not yet written: "Запомнить" writes it
// and commits everything; "Отменить" undoes everything.
TEST_F(RightsTest, SaveCommitsAndCancelRollsBackStatementsAndMasksTogether) {
  for (const bool save : {true, false}) {
    SCOPED_TRACE(save ? "save" : "cancel");
    restartApplication();
    startAsAdministrator();
    const QString before[][2] = {{committedMask("SIDOROVA", "CLIENT"), committedRights("SIDOROVA", "CLIENT")},
                                 {committedMask("SIDOROVA", "KURS"), committedRights("SIDOROVA", "KURS")},
                                 {committedMask("SIDOROVA", "ZAKAZ_NEW"), committedRights("SIDOROVA", "ZAKAZ_NEW")}};
    openPageFor(QStringLiteral("SIDOROVA"));
    goTo(QStringLiteral("CLIENT"));  // 3: SELECT, INSERT
    FormMain->CbRead->click();
    FormMain->CbUpdate->click();
    goTo(QStringLiteral("KURS"));  // 9: SELECT, UPDATE
    FormMain->CbUpdate->click();
    goTo(QStringLiteral("ZAKAZ_NEW"));  // 0
    FormMain->CbExecute->click();
    EXPECT_TRUE(writtenInPage("SIDOROVA", "CLIENT"));
    EXPECT_FALSE(writtenInPage("SIDOROVA", "ZAKAZ_NEW"));

    (save ? FormMain->BnZap : FormMain->BnOtmen)->click();
    expectPageClosed();
    if (save) {
      EXPECT_EQ(committedMask("SIDOROVA", "CLIENT"), QStringLiteral("10"));
      EXPECT_EQ(committedRights("SIDOROVA", "CLIENT"), QStringLiteral("IU"));
      EXPECT_EQ(committedMask("SIDOROVA", "KURS"), QStringLiteral("1"));
      EXPECT_EQ(committedRights("SIDOROVA", "KURS"), QStringLiteral("S"));
      EXPECT_EQ(committedMask("SIDOROVA", "ZAKAZ_NEW"), QStringLiteral("16"));
      EXPECT_EQ(committedRights("SIDOROVA", "ZAKAZ_NEW"), QStringLiteral("X"));
    } else {
      const char* objects[] = {"CLIENT", "KURS", "ZAKAZ_NEW"};
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(committedMask("SIDOROVA", objects[i]), before[i][0]) << objects[i];
        EXPECT_EQ(committedRights("SIDOROVA", objects[i]), before[i][1]) << objects[i];
      }
    }
    prompter().verifyDone();
  }
}

// A statement the server refuses changes neither the box nor the mask: the
// error is shown, the page goes on in its transaction with what was done before.
TEST_F(RightsTest, ARefusedStatementLeavesBoxAndMaskAsTheyWere) {
  database().exec(
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (50, 'Nothing', 15, 'NO_SUCH_TABLE');"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) "
      "  SELECT 5000, 2, MN_ID, 50 FROM MANAGER WHERE MN_ALIAS = 'PETROV';");
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbInsert->click();  // granted: stays granted
  goTo(QStringLiteral("NO_SUCH_TABLE"));
  ASSERT_EQ(ticked(), 2);

  for (TCheckBox* box : {FormMain->CbRead, FormMain->CbInsert}) {
    SCOPED_TRACE(box->caption().toStdString());
    const bool wasTicked = box->checked();
    prompter().expectError(QStringLiteral("unsuccessful metadata update\n%1 failed\nTable NO_SUCH_TABLE does not exist.")
                               .arg(wasTicked ? "REVOKE" : "GRANT"));
    box->click();
    prompter().verifyDone();
    EXPECT_EQ(box->checked(), wasTicked);
    EXPECT_EQ(ticked(), 2);
    EXPECT_EQ(FormMain->editedMask, 2);
    EXPECT_FALSE(FormMain->loadingRow);
    EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  }
  goTo(QStringLiteral("KURS"));
  EXPECT_FALSE(writtenInPage("PETROV", "NO_SUCH_TABLE"));
  goTo(QStringLiteral("NO_SUCH_TABLE"));
  FormMain->BnZap->click();
  expectPageClosed();
  EXPECT_EQ(committedMask("PETROV", "NO_SUCH_TABLE"), QStringLiteral("2"));
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("3"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("IS"));
}

// Names that are not plain identifiers never reach a statement; a name with
// trailing blanks does, as it stands.
TEST_F(RightsTest, NamesThatAreNotPlainIdentifiersAreRefusedBeforeAnyStatement) {
  database().exec(
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (51, 'A', 15, 'CLIENT TO PUBLIC');"
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (52, 'B', 15, '\"CLIENT\"');"
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (53, 'C', 15, 'OTCH   ');"
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (60, 'Bad login', 'A-B');"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) "
      "  SELECT 5000 + OPT_ID, 0, MN_ID, OPT_ID FROM MANAGER, OPIS_TABLE "
      "   WHERE (MN_ALIAS = 'PETROV' AND OPT_ID > 50) OR (MN_ALIAS = 'A-B' AND OPT_ID = 1);");
  const struct {
    const char* alias;
    const char* object;
    const char* shownName;  // empty: accepted
  } cases[] = {
      {"PETROV", "CLIENT TO PUBLIC", "CLIENT TO PUBLIC"},
      {"PETROV", "\"CLIENT\"", "\"CLIENT\""},
      {"A-B", "CLIENT", "A-B"},
      {"PETROV", "OTCH   ", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.alias) + " " + c.object);
    const QString alias = QString::fromLatin1(c.alias), object = QString::fromLatin1(c.object);
    const bool refused = *c.shownName != 0;
    openPageFor(alias);
    goTo(object);
    FormMain->IBqGrant->SQL.clear();
    if (refused) prompter().expectError(badName(QString::fromLatin1(c.shownName)));
    FormMain->CbRead->click();
    prompter().verifyDone();
    EXPECT_EQ(FormMain->CbRead->checked(), !refused);
    EXPECT_EQ(FormMain->editedMask, refused ? 0 : 1);
    if (refused) {
      EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());
    } else {
      EXPECT_EQ(FormMain->IBqGrant->sqlText(), QStringLiteral("GRANT\r\nSELECT ON\r\nOTCH   \r\n TO \r\nPETROV\r\n"));
      EXPECT_EQ(pageRights(alias, object), QStringLiteral("S"));
    }
    FormMain->BnZap->click();
    EXPECT_EQ(committedMask(alias, object), refused ? QStringLiteral("0") : QStringLiteral("1"));
  }
  EXPECT_EQ(committedRights("PUBLIC", "CLIENT"), QString());
}

TEST_F(RightsTest, LeavingTheListWithoutAChoiceOpensNothing) {
  prompter().expectModal(ru("Список пользователей Базы"),
                         [](TForm&) { QTest::mouseClick(FormSpisUser->BitBtn2, Qt::LeftButton); });
  FormMain->OprPriv->click();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->currentManagerId, -1);
  EXPECT_TRUE(FormMain->PageControl1->isHidden());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
  EXPECT_FALSE(FormMain->IBqDorvik->active());
}

TEST_F(RightsTest, TheAdministratorsRowsOpenLikeAnyOther) {
  openPageFor(QStringLiteral("PLUMO"));
  EXPECT_EQ(FormMain->currentManagerId, 0);
  ASSERT_TRUE(FormMain->IBqDorvik->active());
  EXPECT_EQ(FormMain->IBqDorvik->rowCount(), 7);
  EXPECT_EQ(currentObject(), QStringLiteral("ZAKAZ"));
  EXPECT_EQ(enabled(), 15);
  FormMain->CbRead->click();
  EXPECT_EQ(FormMain->IBqGrant->sqlText(), QStringLiteral("GRANT\r\nSELECT ON\r\nZAKAZ\r\n TO \r\nPLUMO\r\n"));
  FormMain->BnZap->click();
  EXPECT_EQ(committedMask("PLUMO", "ZAKAZ"), QStringLiteral("1"));
  prompter().verifyDone();
}

// No rows: every box disabled and unticked whatever an earlier opening left;
// a box set by program is refused; the buttons end the page writing nothing.
TEST_F(RightsTest, AManagerWithoutRowsShowsNoRights) {
  database().exec("INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (70, 'No rows', 'NOROWS');");
  for (TBitBtn* end : {FormMain->BnZap, FormMain->BnOtmen}) {
    SCOPED_TRACE(end->caption().toStdString());
    openPageFor(QStringLiteral("PETROV"));
    goTo(QStringLiteral("CLIENT"));
    FormMain->CbUpdate->click();  // edited 7, granted 15
    FormMain->BnOtmen->click();
    ASSERT_EQ(ticked(), 7);

    openPageFor(QStringLiteral("NOROWS"));
    EXPECT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
    EXPECT_TRUE(FormMain->IBqDorvik->active());
    EXPECT_EQ(FormMain->RxDBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(enabled(), 0);
    EXPECT_EQ(ticked(), 0);
    EXPECT_EQ(FormMain->editedMask, FormMain->grantedMask);
    // as a profile copy would set it: no object, no statement
    FormMain->IBqGrant->SQL.clear();
    try {
      FormMain->CbRead->setChecked(true);
      ADD_FAILURE() << "a box without a row was accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(e.message(), badName(QString()));
    }
    EXPECT_FALSE(FormMain->CbRead->checked());
    EXPECT_EQ(FormMain->editedMask, FormMain->grantedMask);
    EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());

    end->click();
    expectPageClosed();
  }
  EXPECT_EQ(committedMask("PETROV", "CLIENT"), QStringLiteral("15"));
  EXPECT_EQ(committedRights("NOROWS", "CLIENT"), QString());
  prompter().verifyDone();
}

TEST_F(RightsTest, OpeningThePageTwiceIsRefusedAndThePageGoesOn) {
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbInsert->click();
  prompter().expectError(kTransactionIsActive);
  FormMain->OprPriv->click();
  prompter().verifyDone();

  EXPECT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
  EXPECT_EQ(FormMain->editedMask, 3);
  FormMain->CbUpdate->click();
  EXPECT_EQ(FormMain->IBqGrant->sqlText(), QStringLiteral("GRANT\r\nUPDATE ON\r\nTOVAR\r\n TO \r\nPETROV\r\n"));
  FormMain->BnZap->click();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("11"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("ISU"));
}

TEST_F(RightsTest, EnterSavesAndEscCancels) {
  const struct {
    Qt::Key key;
    const char* mask;
  } cases[] = {{Qt::Key_Return, "3"},   // INSERT ticked and saved
               {Qt::Key_Enter, "7"},    // DELETE ticked and saved
               {Qt::Key_Escape, "7"}};  // INSERT unticked and undone
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    openPageFor(QStringLiteral("PETROV"));
    goTo(QStringLiteral("TOVAR"));
    (c.key == Qt::Key_Enter ? FormMain->CbDelete : FormMain->CbInsert)->click();
    FormMain->RxDBGrid1->setFocus();
    QTest::keyClick(FormMain->RxDBGrid1, c.key);
    expectPageClosed();
    EXPECT_EQ(committedMask("PETROV", "TOVAR"), QString::fromLatin1(c.mask));
  }
  prompter().verifyDone();
}

// A row locked by another connection: a click on it is refused at once (the
// transaction does not wait), box and mask as they were; once the lock is
// gone the click goes through.
TEST_F(RightsTest, ARowLockedElsewhereRefusesTheClick) {
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));

  TIBDatabase other;
  TIBTransaction otherTransaction;
  other.DatabaseName = database().connectionString();
  other.Params = QStringList{"user_name=PLUMO", "password=plumo", "lc_ctype=WIN1251"};
  other.LoginPrompt = false;
  other.setDefaultTransaction(&otherTransaction);
  otherTransaction.Params = QStringList{"read_committed", "rec_version", "nowait"};
  other.setConnected(true);
  otherTransaction.startTransaction();
  TIBQuery lock;
  lock.setDatabase(&other);
  lock.SQL = QStringList{QStringLiteral("update USER_PRIV set UPR_MASK = UPR_MASK where UPR_ID = ") +
                         database().value(QStringLiteral("select UPR_ID ") + rightsRowSql("PETROV", "TOVAR"))};
  lock.ExecSQL();
  TIBQuery number;
  number.setDatabase(&other);
  number.SQL = QStringList{QStringLiteral("select CURRENT_TRANSACTION from RDB$DATABASE")};
  number.open();
  FormMain->IBqGrant->SQL.clear();
  prompter().expectError(
      QStringLiteral("deadlock\nupdate conflicts with concurrent update\nconcurrent transaction number is %1.")
          .arg(number.fields()[0]->asString()));
  FormMain->CbInsert->click();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain->CbInsert->checked());
  EXPECT_EQ(FormMain->editedMask, 1);
  EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("S"));
  otherTransaction.rollback();

  FormMain->CbInsert->click();
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("IS"));
  FormMain->BnZap->click();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("3"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("IS"));
}

// A mask the server refuses to write: the move does not happen, and the next
// move writes it.
TEST_F(RightsTest, ARefusedMaskUpdateKeepsTheRowAndIsWrittenByTheNextMove) {
  database().exec(
      "CREATE TABLE REFUSE_MASK (X INTEGER);"
      "CREATE EXCEPTION E_REFUSE_MASK 'mask refused';"
      "SET TERM ^ ;"
      "CREATE TRIGGER USER_PRIV_REFUSE FOR USER_PRIV ACTIVE BEFORE UPDATE POSITION 0 AS "
      "BEGIN IF (EXISTS(SELECT 1 FROM REFUSE_MASK)) THEN EXCEPTION E_REFUSE_MASK; END^"
      "SET TERM ; ^"
      "INSERT INTO REFUSE_MASK VALUES (1);");
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbInsert->click();

  prompter().expectError(
      QStringLiteral("exception 4\nE_REFUSE_MASK\nmask refused\nAt trigger 'USER_PRIV_REFUSE' line: 1, col: 132."));
  goTo(QStringLiteral("KURS"));
  prompter().verifyDone();
  EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
  EXPECT_EQ(FormMain->editedMask, 3);
  EXPECT_EQ(FormMain->IBqDorvik->state(), dsBrowse);
  database().exec("DELETE FROM REFUSE_MASK;");

  goTo(QStringLiteral("KURS"));
  EXPECT_EQ(currentObject(), QStringLiteral("KURS"));
  EXPECT_EQ(pageMask("PETROV", "TOVAR"), QStringLiteral("3"));
  FormMain->BnZap->click();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("3"));
}

// The profile list's moves run the page's handlers on the page's row.
TEST_F(RightsTest, ProfileListMovesWriteAndLoadThePagesRow) {
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->IBqCopyPriv->paramByName("Mened").setAsInteger(
      database().value("select MN_ID from MANAGER where MN_ALIAS = 'SIDOROVA'").toInt());
  FormMain->IBqCopyPriv->open();  // loads the page's row
  EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
  EXPECT_EQ(FormMain->grantedMask, 1);
  FormMain->CbDelete->click();
  FormMain->IBqCopyPriv->next();  // writes the page's row, then loads it
  EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
  EXPECT_EQ(pageMask("PETROV", "TOVAR"), QStringLiteral("5"));
  EXPECT_EQ(FormMain->grantedMask, 5);
  EXPECT_EQ(ticked(), 5);
  FormMain->BnOtmen->click();
  EXPECT_FALSE(FormMain->IBqCopyPriv->active());
  prompter().verifyDone();
}

namespace {

// The mask bits the server's rights letters stand for.
int maskOf(const QString& letters) {
  int mask = 0;
  for (const QChar c : letters) mask |= c == 'S' ? 1 : c == 'I' ? 2 : c == 'D' ? 4 : c == 'U' ? 8 : c == 'X' ? 16 : 0;
  return mask;
}

// The objects of a manager whose committed UPR_MASK (its five right bits)
// differs from the rights the server holds for the login; empty when all agree.
QStringList disagreeing(TestDatabase& db, const QString& alias) {
  QStringList out;
  const QStringList rows = db.rows(QStringLiteral(
      "select OPT_ISXNAME, UPR_MASK, coalesce((select cast(list(trim(RDB$PRIVILEGE), '') as varchar(40)) "
      "  from RDB$USER_PRIVILEGES where RDB$USER = MN_ALIAS and RDB$RELATION_NAME = OPT_ISXNAME "
      "  and RDB$USER_TYPE = 8), '') "
      "from USER_PRIV join MANAGER on MN_ID = UPR_MANAGER join OPIS_TABLE on OPT_ID = UPR_OPIS_TABLE "
      "where MN_ALIAS = '%1'").arg(alias));
  for (const QString& row : rows) {
    const QStringList c = row.split(QLatin1Char('|'));
    if ((c[1].toInt() & 31) != maskOf(c[2])) out << c[0].trimmed() + QLatin1Char(' ') + c[1] + QLatin1Char(' ') + c[2];
  }
  return out;
}

// A second administrator on a connection of its own, doing on one row what
// another copy of the program does: the row's mask as its page loaded it,
// the row's lock before the first statement, the statement, the mask written
// on saving, the commit.
class SecondAdministrator {
 public:
  SecondAdministrator(const QString& connectionString, const QString& alias, const QString& object)
      : alias_(alias), object_(object) {
    db_.DatabaseName = connectionString;
    db_.Params = QStringList{"user_name=PLUMO", "password=plumo", "lc_ctype=WIN1251"};
    db_.LoginPrompt = false;
    db_.setDefaultTransaction(&tr_);
    tr_.Params = QStringList{"read_committed", "rec_version", "nowait"};
    db_.setConnected(true);
    tr_.startTransaction();
    TIBQuery row;
    row.setDatabase(&db_);
    row.SQL = QStringList{QStringLiteral("select UPR_ID, UPR_MASK ") + rightsRowSql(alias, object)};
    row.open();
    id_ = row.value(0, 0).toInt();
    loaded_ = edited_ = row.value(0, 1).toInt();
  }

  // Throws what the server or the stale check refuses.
  void change(int bit, const QString& right, bool grant) {
    if (!locked_) {
      TIBQuery lock;
      lock.setDatabase(&db_);
      lock.SQL = rightsRowLockLines();
      lock.paramByName(QStringLiteral("UPR_ID")).setAsInteger(id_);
      lock.open();
      if (lock.value(0, 0).toInt() != loaded_) throw Exception(staleRightsText(object_));
      locked_ = true;
    }
    TIBQuery statement;
    statement.setDatabase(&db_);
    statement.SQL = rightStatementLines(grant, right, false, object_, alias_);
    statement.ExecSQL();
    edited_ = grant ? edited_ | bit : edited_ & ~bit;
  }
  void save() {
    TIBQuery write;
    write.setDatabase(&db_);
    write.SQL = QStringList{QStringLiteral("update USER_PRIV set UPR_MASK = %1 where UPR_ID = %2").arg(edited_).arg(id_)};
    write.ExecSQL();
    tr_.commit();
  }
  void cancel() { tr_.rollback(); }

 private:
  TIBDatabase db_;
  TIBTransaction tr_;
  QString alias_, object_;
  int id_ = 0, loaded_ = 0, edited_ = 0;
  bool locked_ = false;
};

}  // namespace

// Two administrators on one manager, in both orders: the one whose page was
// loaded before the other's change was committed is refused with a message,
// never writing over it; the masks agree with the server's rights after
// every step.
TEST_F(RightsTest, TwoAdministratorsNeverWriteOverEachOther) {
  const QString staleTovar = staleRightsText(QStringLiteral("TOVAR")) + QLatin1Char('.');
  // PETROV on TOVAR: mask 1, SELECT.
  ASSERT_EQ(disagreeing(database(), "PETROV"), QStringList());

  // The other administrator first: a page loaded before its commit is stale.
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  {
    SecondAdministrator other(database().connectionString(), "PETROV", "TOVAR");
    other.change(2, QStringLiteral("INSERT"), true);
    other.save();
  }
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("3"));
  EXPECT_EQ(disagreeing(database(), "PETROV"), QStringList());
  FormMain->IBqGrant->SQL.clear();
  prompter().expectError(staleTovar);
  FormMain->CbDelete->click();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain->CbDelete->checked());
  EXPECT_EQ(FormMain->editedMask, 1);
  EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("IS"));
  prompter().expectError(staleTovar);  // the untick of a right the other kept is refused too
  FormMain->CbRead->click();
  prompter().verifyDone();
  EXPECT_TRUE(FormMain->CbRead->checked());
  FormMain->BnZap->click();
  expectPageClosed();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("3"));
  EXPECT_EQ(disagreeing(database(), "PETROV"), QStringList());

  // Opened again, the page shows the other's change and works on it.
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  EXPECT_EQ(ticked(), 3);
  FormMain->CbDelete->click();
  EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("DIS"));

  // The page first: its row is locked until it is saved; the other
  // administrator is refused meanwhile, and afterwards its view is stale.
  SecondAdministrator other(database().connectionString(), "PETROV", "TOVAR");
  try {
    other.change(8, QStringLiteral("UPDATE"), true);
    ADD_FAILURE() << "a row locked by the page was changed";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("update conflicts with concurrent update"))) << e.message().toStdString();
  }
  FormMain->BnZap->click();
  expectPageClosed();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("7"));
  EXPECT_EQ(disagreeing(database(), "PETROV"), QStringList());
  try {
    other.change(8, QStringLiteral("UPDATE"), true);
    ADD_FAILURE() << "a stale mask was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), staleRightsText(QStringLiteral("TOVAR")));
  }
  other.cancel();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("7"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("DIS"));
  EXPECT_EQ(disagreeing(database(), "PETROV"), QStringList());
  prompter().verifyDone();
}

// A manager written by another program under a login that would name every
// user or a role, or that is a reserved word: no statement is ever sent for
// it, on the page or by a profile copy.
TEST_F(RightsTest, LoginsThatNameEveryUserOrARoleAreRefused) {
  database().exec(
      "CREATE ROLE KASSIR;"
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (61, 'Public', 'PUBLIC');"
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (62, 'Role', 'kassir');"
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (63, 'Admin role', 'RDB$ADMIN');"
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (64, 'Reserved', 'USER');"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) "
      "  SELECT 6000 + MN_ID * 10 + OPT_ID, 0, MN_ID, OPT_ID FROM MANAGER, OPIS_TABLE WHERE MN_ID BETWEEN 61 AND 64;");
  for (const char* alias : {"PUBLIC", "kassir", "RDB$ADMIN", "USER"}) {
    SCOPED_TRACE(alias);
    openPageFor(QString::fromLatin1(alias));
    goTo(QStringLiteral("CLIENT"));
    FormMain->IBqGrant->SQL.clear();
    prompter().expectError(badName(QString::fromLatin1(alias)));
    FormMain->CbRead->click();
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->CbRead->checked());
    EXPECT_EQ(FormMain->editedMask, 0);
    EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());

    // The copy of PETROV's rights stops at the first statement.
    prompter().expectModal(ru("Список пользователей Базы"), [](TForm&) {
      clickManagerInList(QStringLiteral("PETROV"));
      QTest::mouseClick(FormSpisUser->BtProfil, Qt::LeftButton);
    });
    prompter().expectError(badName(QString::fromLatin1(alias)));
    FormMain->BnProfil->click();
    prompter().verifyDone();
    EXPECT_TRUE(FormMain->IBqGrant->SQL.isEmpty());
    FormMain->BnZap->click();
    expectPageClosed();
  }
  EXPECT_EQ(database().value("select count(*) from RDB$USER_PRIVILEGES where RDB$USER in "
                             "('PUBLIC', 'KASSIR', 'RDB$ADMIN', 'USER') and RDB$RELATION_NAME in "
                             "(select OPT_ISXNAME from OPIS_TABLE)"),
            QStringLiteral("0"));
  EXPECT_EQ(database().value("select sum(UPR_MASK) from USER_PRIV where UPR_MANAGER between 61 and 64"), QStringLiteral("0"));
}

// Every word the list holds as reserved is refused by the server as a
// grantee; the keywords it leaves out are taken as a user's name.
TEST_F(RightsTest, ReservedWordsAreTheServersOwn) {
  auto grantTo = [this](const QString& name) {
    try {
      execInMainTransaction(QStringLiteral("GRANT SELECT ON CLIENT TO ") + name);
    } catch (const Exception&) {
      return QStringLiteral("refused");
    }
    return inPage(QStringLiteral("select RDB$USER_TYPE from RDB$USER_PRIVILEGES where RDB$USER = '%1' "
                                 "and RDB$RELATION_NAME = 'CLIENT'")
                      .arg(name))
        .join(QLatin1Char(','));
  };
  prompter().expectModal(ru("Список пользователей Базы"), [](TForm&) {
    clickManagerInList(QStringLiteral("PETROV"));
    QTest::mouseClick(FormSpisUser->BnOk, Qt::LeftButton);
  });
  FormMain->OprPriv->click();  // the page's transaction, rolled back at the end
  prompter().verifyDone();
  ASSERT_GT(reservedWords().size(), 190);
  for (const QString& word : reservedWords()) {
    EXPECT_TRUE(isReservedWord(word)) << word.toStdString();
    EXPECT_EQ(grantTo(word), QStringLiteral("refused")) << word.toStdString();
  }
  for (const char* word : {"ROLE", "PACKAGE", "GENERATOR", "SEQUENCE", "DOMAIN", "EXCEPTION", "KEY", "NAME",
                           "FIRST", "SKIP", "PASSWORD", "TYPE", "LIST", "WEEK", "USAGE"}) {
    EXPECT_FALSE(isReservedWord(QString::fromLatin1(word))) << word;
    EXPECT_EQ(grantTo(QString::fromLatin1(word)), QStringLiteral("8")) << word;
  }
  EXPECT_TRUE(isReservedWord(QStringLiteral("select  ")));
  EXPECT_FALSE(isPlainLogin(QStringLiteral("Public")));
  EXPECT_TRUE(isPlainLogin(QStringLiteral("PUBLICITY")));
  FormMain->BnOtmen->click();
}

// A commit of "Запомнить" that fails leaves the page shown on its row with
// its transaction: "Запомнить" again commits, "Отменить" undoes everything.
TEST_F(RightsTest, AFailedSaveKeepsThePageAndItsTransaction) {
  makeCommitsRefusable();
  restartApplication();
  startAsAdministrator();
  for (const bool saveAgain : {true, false}) {
    SCOPED_TRACE(saveAgain ? "saved again" : "cancelled");
    openPageFor(QStringLiteral("PETROV"));
    goTo(QStringLiteral("TOVAR"));
    FormMain->CbInsert->click();
    refuseCommitOfMainTransaction(true);
    prompter().expectError(refusedCommitText());
    FormMain->BnZap->click();
    prompter().verifyDone();
    EXPECT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
    EXPECT_EQ(FormMain->PageControl1->activePage(), FormMain->Dorvik);
    ASSERT_TRUE(FormMain->IBTrans->inTransaction());
    ASSERT_TRUE(FormMain->IBqDorvik->active());
    EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
    EXPECT_EQ(ticked(), 3);
    EXPECT_EQ(pageMask("PETROV", "TOVAR"), QStringLiteral("3"));
    EXPECT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("IS"));
    EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("1"));
    refuseCommitOfMainTransaction(false);

    (saveAgain ? FormMain->BnZap : FormMain->BnOtmen)->click();
    expectPageClosed();
    EXPECT_EQ(committedMask("PETROV", "TOVAR"), saveAgain ? QStringLiteral("3") : QStringLiteral("1"));
    EXPECT_EQ(committedRights("PETROV", "TOVAR"), saveAgain ? QStringLiteral("IS") : QStringLiteral("S"));
    if (saveAgain) {  // back to where it was for the second round
      openPageFor(QStringLiteral("PETROV"));
      goTo(QStringLiteral("TOVAR"));
      FormMain->CbInsert->click();
      FormMain->BnZap->click();
    }
  }
  prompter().verifyDone();
}

// The network to the server goes away while the page is open: the click
// that finds it out and every later command show the server's error and that
// the program must be restarted, never "Transaction is active"; the program
// still closes.
TEST_F(RightsTest, ALostConnectionIsNamedByEveryLaterCommand) {
  TcpRelay relay;
  startThrough(relay);
  ASSERT_TRUE(FormMain->MainBase->connected());
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbInsert->click();
  ASSERT_EQ(pageRights("PETROV", "TOVAR"), QStringLiteral("IS"));

  relay.stop();
  prompter().clearShown();
  prompter().expectAnyError();
  FormMain->CbDelete->click();
  prompter().verifyDone();
  ASSERT_EQ(prompter().shown().size(), 1);
  const QString lost = prompter().shown()[0].text;
  EXPECT_TRUE(lost == QStringLiteral("Error reading data from the connection.\n") + TIBDatabase::connectionLostLine() + '.' ||
              lost == QStringLiteral("Error writing data to the connection.\n") + TIBDatabase::connectionLostLine() + '.')
      << lost.toStdString();
  EXPECT_FALSE(FormMain->CbDelete->checked());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  for (TMenuItem* command : {FormMain->OprPriv, FormMain->NewUser, FormMain->miUstan}) {
    SCOPED_TRACE(command->caption().toStdString());
    prompter().expectError(lost);
    command->click();
    prompter().verifyDone();
  }
  prompter().expectError(lost);
  FormMain->BnOtmen->click();
  prompter().verifyDone();
  EXPECT_TRUE(FormMain->PageControl1->isHidden());
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("1"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("S"));

  FormMain->close();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain && FormMain->MainBase->connected());
}

// The network goes away while the page is open and nothing has run on it
// since: the next command finds the loss out itself and names it, never
// "Transaction is active"; so does every later one, and the program closes at
// the first try.
TEST_F(RightsTest, ALostConnectionFoundByTheNextCommandIsNamed) {
  TcpRelay relay;
  startThrough(relay);
  ASSERT_TRUE(FormMain->MainBase->connected());
  openPageFor(QStringLiteral("PETROV"));
  goTo(QStringLiteral("TOVAR"));
  FormMain->CbInsert->click();

  relay.stop();
  prompter().clearShown();
  prompter().expectAnyError();
  FormMain->OprPriv->click();
  prompter().verifyDone();
  ASSERT_EQ(prompter().shown().size(), 1);
  const QString lost = prompter().shown()[0].text;
  EXPECT_TRUE(lost.endsWith(QLatin1Char('\n') + TIBDatabase::connectionLostLine() + '.')) << lost.toStdString();
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  for (TMenuItem* command : {FormMain->NewUser, FormMain->miUstan, FormMain->miDelDataUser}) {
    SCOPED_TRACE(command->caption().toStdString());
    prompter().expectError(lost);
    command->click();
    prompter().verifyDone();
  }
  prompter().expectSaveFile(workDir() + QStringLiteral("/lost.sql")).expectError(lost);
  FormMain->N5->click();  // the export
  prompter().verifyDone();
  EXPECT_EQ(committedMask("PETROV", "TOVAR"), QStringLiteral("1"));
  EXPECT_EQ(committedRights("PETROV", "TOVAR"), QStringLiteral("S"));

  FormMain->close();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain && FormMain->MainBase->connected());
}


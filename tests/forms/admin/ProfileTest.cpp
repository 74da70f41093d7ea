#include "DorvikFixture.h"

#include <QCoreApplication>
#include <QMap>
#include <QTest>
#include <algorithm>

#include "Main.h"
#include "Users.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/StdCtrls.h"

namespace {

const QString kListCaption = QString::fromUtf8("Список пользователей Базы");

// One USER_PRIV row of a manager, with its object.
struct Listed {
  int mask = 0;
  int allowed = 0;
  QString rights;  // the server's rights of the manager on the object, sorted letters
  bool operator==(const Listed& o) const { return mask == o.mask && allowed == o.allowed && rights == o.rights; }
};
using Listing = QMap<QString, Listed>;

void PrintTo(const Listing& l, std::ostream* os) {
  for (auto row = l.begin(); row != l.end(); ++row)
    *os << "\n  " << row.key().toStdString() << " mask " << row->mask << " allowed " << row->allowed << " rights \""
        << row->rights.toStdString() << '"';
}

// The rights letters RDB$USER_PRIVILEGES holds for the five bits.
QString letters(int mask) {
  QString out;
  for (const auto& [bit, letter] : {std::pair{4, 'D'}, {2, 'I'}, {1, 'S'}, {8, 'U'}, {16, 'X'}})
    if (mask & bit) out += QLatin1Char(letter);
  return out;
}

QString listingSql(const QString& alias) {
  return QStringLiteral(
             "select OPT_ISXNAME, UPR_MASK, OPT_MASK, "
             "(select cast(list(trim(RDB$PRIVILEGE), '') as varchar(20)) from "
             "  (select distinct RDB$PRIVILEGE from RDB$USER_PRIVILEGES "
             "   where RDB$USER = MN_ALIAS and RDB$RELATION_NAME = OPT_ISXNAME)) "
             "from USER_PRIV join MANAGER on MN_ID = UPR_MANAGER join OPIS_TABLE on OPT_ID = UPR_OPIS_TABLE "
             "where MN_ALIAS = '%1'")
      .arg(alias);
}

Listing toListing(const QStringList& rows) {
  Listing out;
  for (const QString& row : rows) {
    const QStringList c = row.split(QLatin1Char('|'));
    QString rights = c[3] == QLatin1String("<null>") ? QString() : c[3];
    std::sort(rights.begin(), rights.end());
    out.insert(c[0].trimmed(), Listed{c[1].toInt(), c[2].toInt(), rights});
  }
  return out;
}

// Rows of a select run in the main form's transaction, columns joined by "|".
QStringList inPage(const QString& select) {
  TIBQuery q;
  q.setDatabase(FormMain->MainBase);
  q.setTransaction(FormMain->IBTrans);
  q.SQL = QStringList{select};
  q.open();
  QStringList out;
  for (int row = 0; row < q.rowCount(); ++row) {
    QStringList columns;
    for (int c = 0; c < q.fieldCount(); ++c)
      columns << (q.value(row, c).isNull() ? QStringLiteral("<null>") : q.value(row, c).toString().trimmed());
    out << columns.join(QLatin1Char('|'));
  }
  return out;
}

int ticked() {
  int mask = 0;
  for (TCheckBox* b :
       {FormMain->CbRead, FormMain->CbInsert, FormMain->CbDelete, FormMain->CbUpdate, FormMain->CbExecute})
    if (b->checked()) mask |= b->tag;
  return mask;
}

// A manager's rows after copying the profile's: on every object listed for
// both, the profile's five bits with the manager's other bits, and the
// server's rights of those bits. The objects whose mask changes go into written.
Listing afterCopy(const Listing& manager, const Listing& profile, QStringList* written = nullptr) {
  Listing out = manager;
  for (auto row = out.begin(); row != out.end(); ++row) {
    if (!profile.contains(row.key())) continue;
    const int mask = (row->mask & ~31) | (profile[row.key()].mask & 31);
    if (written && mask != row->mask) *written << row.key();
    row->mask = mask;
    row->rights = letters(mask);
  }
  if (written) written->sort();
  return out;
}

class ProfileTest : public DorvikFixture {
 protected:
  void SetUp() override { startAsAdministrator(); }

  void openPageFor(const QString& alias) {
    prompter().expectModal(kListCaption, [alias](TForm&) {
      clickManagerInList(alias);
      QTest::mouseClick(FormSpisUser->BnOk, Qt::LeftButton);
    });
    FormMain->OprPriv->click();
    prompter().verifyDone();
    ASSERT_TRUE(FormMain->IBqDorvik->active());
  }

  // "Профиль", the profile chosen in the list ("Выбрать профиль"); or, with an
  // empty alias, the list closed by its close box. The message and the error
  // box, if any, are expected after the list.
  void copyFrom(const QString& alias, const QString& message = QString(), const QString& error = QString()) {
    prompter().expectModal(kListCaption, [alias](TForm& form) {
      EXPECT_TRUE(FormSpisUser->BtProfil->isVisible());
      if (alias.isEmpty()) {
        form.close();
        return;
      }
      clickManagerInList(alias);
      QTest::mouseClick(FormSpisUser->BtProfil, Qt::LeftButton);
    });
    if (!message.isEmpty()) prompter().expectMessage(message);
    if (!error.isEmpty()) prompter().expectError(error);
    FormMain->BnProfil->click();
  }

  void goTo(const QString& object) {
    TIBQuery* q = FormMain->IBqDorvik;
    const int column = q->fieldByName(QStringLiteral("OPT_ISXNAME")).index();
    for (int row = 0; row < q->rowCount(); ++row)
      if (q->value(row, column).toString() == object) {
        FormMain->RxDBGrid1->setCurrentIndex(FormMain->RxDBGrid1->model()->index(row, 0));
        QCoreApplication::processEvents();
        return;
      }
    ADD_FAILURE() << "no row for " << object.toStdString();
  }
  QString currentObject() { return FormMain->IBqDorvik->fieldByName(QStringLiteral("OPT_ISXNAME")).asString(); }

  // A manager's rows, masks and server rights: committed (read by isql) or as
  // the page's transaction sees them.
  Listing committed(const QString& alias) { return toListing(database().rows(listingSql(alias))); }
  Listing seenByPage(const QString& alias) { return toListing(inPage(listingSql(alias))); }
  // The manager's objects whose mask the page's transaction has written (a row
  // it only locked keeps its mask).
  QStringList writtenByPage(const QString& alias) {
    const Listing page = seenByPage(alias), before = committed(alias);
    QStringList out;
    for (auto row = page.begin(); row != page.end(); ++row)
      if (row->mask != before.value(row.key()).mask) out << row.key();
    out.sort();
    return out;
  }
};

// After a copy: the page on its first row, the profile's list closed, no
// message, the transaction still open.
void expectCopyEnded() {
  EXPECT_EQ(FormMain->IBqDorvik->recNo(), 0);
  EXPECT_FALSE(FormMain->IBqDorvik->eof());
  EXPECT_FALSE(FormMain->IBqCopyPriv->active());
  EXPECT_EQ(ticked(), FormMain->IBqDorvik->fieldByName(QStringLiteral("UPR_MASK")).asInteger() & 31);
  EXPECT_EQ(FormMain->editedMask, FormMain->grantedMask);
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  EXPECT_TRUE(FormMain->PageControl1->isVisibleTo(FormMain));
}

}  // namespace

// Every object listed for both managers gets the profile's five rights, as
// masks and as the server's rights; its other bits stay; objects listed for one
// of them only are left alone; rows whose rights agreed are not written.
// Nothing is seen by other connections until "Запомнить"; "Отменить" undoes it.
TEST_F(ProfileTest, CopyGivesEveryCommonObjectTheProfilesRights) {
  database().exec(
      // bits beyond 16: PETROV's own 64 on KURS, KUZNETSOV's 32 on CLIENT_ITOG
      "UPDATE USER_PRIV SET UPR_MASK = 64 WHERE UPR_MANAGER = 1 AND UPR_OPIS_TABLE = 4;"
      // objects listed for one manager only, in between the others
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (40, 'Имена', 15, 'NAME');"
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) VALUES (41, 'Отчества', 15, 'OTCH');"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) VALUES (4000, 1, 2, 40);"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) VALUES (4001, 3, 1, 41);"
      "GRANT SELECT ON NAME TO SIDOROVA;"
      "GRANT SELECT, INSERT ON OTCH TO PETROV;"
      // a manager without rows
      "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS) VALUES (70, 'Пустов', 'PUSTOV');");
  const struct {
    const char* profile;
    const char* manager;
    bool save;
    bool serverRights;  // PLUMO owns every object: its rights are not the mask's
    const char* object;  // one row's outcome, spelled out
    int mask;
    const char* rights;
  } cases[] = {
      // grants and revokes; NAME and OTCH are listed for one of them only
      {"PETROV", "SIDOROVA", true, true, "KURS", 0, ""},
      // EXECUTE on a procedure; bits beyond 16 kept, not copied
      {"KUZNETSOV", "PETROV", false, true, "CLIENT_ITOG", 16, "X"},
      // STATUS allows nothing: granted all the same
      {"SMIRNOVA", "YOLKIN", true, true, "STATUS", 1, "S"},
      // everything revoked but OTCH, which the profile is not listed for
      {"YOLKIN", "PETROV", false, true, "OTCH", 3, "IS"},
      // its own profile: nothing to do
      {"PETROV", "PETROV", false, true, "ZAKAZ", 15, "DISU"},
      // a profile without rows
      {"PUSTOV", "KUZNETSOV", false, true, "TOVAR", 15, "DISU"},
      // the administrator may receive a profile (SIDOROVA's are PETROV's by now)
      {"SIDOROVA", "PLUMO", false, false, "CLIENT", 15, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " onto " + c.manager);
    const QString profile = QString::fromLatin1(c.profile), manager = QString::fromLatin1(c.manager);
    const Listing profileRows = committed(profile), before = committed(manager);
    QStringList written;
    const Listing expected = afterCopy(before, profileRows, &written);
    auto shown = [&](Listing l) {
      if (!c.serverRights)
        for (Listed& row : l) row.rights.clear();
      return l;
    };

    openPageFor(manager);
    goTo(QStringLiteral("TOVAR"));
    copyFrom(profile);
    prompter().verifyDone();
    expectCopyEnded();
    EXPECT_EQ(shown(seenByPage(manager)), shown(expected));
    EXPECT_EQ(shown(expected).value(QString::fromLatin1(c.object)),
              (Listed{c.mask, before.value(QString::fromLatin1(c.object)).allowed, QString::fromLatin1(c.rights)}));
    EXPECT_EQ(writtenByPage(manager), written);
    EXPECT_EQ(shown(committed(manager)), shown(before));
    EXPECT_EQ(committed(profile), profileRows);

    (c.save ? FormMain->BnZap : FormMain->BnOtmen)->click();
    prompter().verifyDone();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(shown(committed(manager)), shown(c.save ? expected : before));
  }
}

// A change made on the page's row just before "Профиль" is written first, so
// that its mask and the server's right still agree after the copy, also when
// the manager is its own profile.
TEST_F(ProfileTest, AChangeMadeBeforeTheCopyIsKept) {
  const struct {
    const char* profile;
    int mask;
    const char* rights;
  } cases[] = {
      {"PETROV", 3, "IS"},  // its own profile, which now has the change
      {"SIDOROVA", 0, ""},  // both rights revoked
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    openPageFor(QStringLiteral("PETROV"));
    goTo(QStringLiteral("TOVAR"));
    FormMain->CbInsert->click();  // granted at once, mask 3 not yet written
    ASSERT_EQ(FormMain->editedMask, 3);
    copyFrom(QString::fromLatin1(c.profile));
    prompter().verifyDone();
    expectCopyEnded();
    const Listed tovar = seenByPage(QStringLiteral("PETROV")).value(QStringLiteral("TOVAR"));
    EXPECT_EQ(tovar.mask, c.mask);
    EXPECT_EQ(tovar.rights, QString::fromLatin1(c.rights));
    EXPECT_TRUE(writtenByPage(QStringLiteral("PETROV")).contains(QStringLiteral("TOVAR")));
    FormMain->BnOtmen->click();
    EXPECT_EQ(committed(QStringLiteral("PETROV")).value(QStringLiteral("TOVAR")).mask, 1);
  }
}

// The list closed by its close box, or the administrator chosen as the
// profile: nothing is copied, and the page stays on its row with its change.
TEST_F(ProfileTest, NoProfileOrTheAdministratorCopiesNothing) {
  const struct {
    const char* profile;  // empty: the close box
    int profileId;
    const char* message;
    bool save;
  } cases[] = {
      {"", -1, "", false},
      {"PLUMO", 0, "Привилегии администратора копировать нельзя", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    openPageFor(QStringLiteral("SIDOROVA"));
    const Listing before = seenByPage(QStringLiteral("SIDOROVA"));
    goTo(QStringLiteral("TOVAR"));
    FormMain->CbDelete->click();  // DELETE granted, mask 4 not yet written
    prompter().clearShown();
    copyFrom(QString::fromLatin1(c.profile), ru(c.message));
    prompter().verifyDone();
    EXPECT_EQ(prompter().texts(ScriptedPrompter::Kind::Message),
              *c.message ? QStringList{ru(c.message)} : QStringList{});
    EXPECT_EQ(FormMain->profileId, c.profileId);
    EXPECT_EQ(currentObject(), QStringLiteral("TOVAR"));
    EXPECT_EQ(ticked(), 4);
    EXPECT_EQ(FormMain->grantedMask, 0);
    EXPECT_EQ(FormMain->editedMask, 4);
    EXPECT_FALSE(FormMain->IBqCopyPriv->active());
    EXPECT_EQ(writtenByPage(QStringLiteral("SIDOROVA")), QStringList{});
    Listing expected = before;
    expected[QStringLiteral("TOVAR")].rights = QStringLiteral("D");
    EXPECT_EQ(seenByPage(QStringLiteral("SIDOROVA")), expected);
    (c.save ? FormMain->BnZap : FormMain->BnOtmen)->click();
    EXPECT_EQ(committed(QStringLiteral("SIDOROVA")).value(QStringLiteral("TOVAR")).mask, c.save ? 4 : 0);
  }
}

// A statement the server refuses stops the copy on its row: the rows before
// are copied, the rest untouched. The next copy reads its profile from the
// first row and goes over every row; "Запомнить" keeps what was copied.
TEST_F(ProfileTest, ARefusedStatementStopsTheCopyAndTheNextCopyStartsAfresh) {
  database().exec(
      "INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME) "
      "  VALUES (50, 'Лишний', 15, 'NO_SUCH_TABLE');"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) VALUES (5000, 1, 1, 50);"
      "INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) VALUES (5001, 0, 2, 50);");
  const Listing petrov = committed(QStringLiteral("PETROV")), sidorova = committed(QStringLiteral("SIDOROVA"));
  openPageFor(QStringLiteral("SIDOROVA"));
  copyFrom(QStringLiteral("PETROV"), QString(),
           QStringLiteral("unsuccessful metadata update\nGRANT failed\nTable NO_SUCH_TABLE does not exist."));
  prompter().verifyDone();

  // ZAKAZ, CLIENT_ITOG, CLIENT, KURS copied; NO_SUCH_TABLE refused; the rest left.
  EXPECT_EQ(currentObject(), QStringLiteral("NO_SUCH_TABLE"));
  EXPECT_EQ(ticked(), 0);
  EXPECT_EQ(FormMain->editedMask, 0);
  EXPECT_FALSE(FormMain->IBqCopyPriv->active());
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  Listing expected = sidorova;
  for (const char* object : {"ZAKAZ", "CLIENT_ITOG", "CLIENT", "KURS"})
    expected[QString::fromLatin1(object)] = petrov[QString::fromLatin1(object)];
  EXPECT_EQ(seenByPage(QStringLiteral("SIDOROVA")), expected);
  EXPECT_EQ(writtenByPage(QStringLiteral("SIDOROVA")), (QStringList{"CLIENT", "KURS", "ZAKAZ"}));

  // KUZNETSOV is not listed for NO_SUCH_TABLE: every other row gets his rights.
  const Listing kuznetsov = committed(QStringLiteral("KUZNETSOV"));
  copyFrom(QStringLiteral("KUZNETSOV"));
  prompter().verifyDone();
  expectCopyEnded();
  expected = afterCopy(expected, kuznetsov);
  EXPECT_EQ(expected[QStringLiteral("CLIENT_ITOG")].mask, 16);
  EXPECT_EQ(seenByPage(QStringLiteral("SIDOROVA")), expected);

  FormMain->BnZap->click();
  EXPECT_EQ(committed(QStringLiteral("SIDOROVA")), expected);
}

// Another administrator changed a row after the page was loaded: the copy
// stops there with the refusal, writing nothing over that change, and the
// masks still agree with the server's rights once the page is saved.
TEST_F(ProfileTest, ARowChangedElsewhereStopsTheCopy) {
  openPageFor(QStringLiteral("SIDOROVA"));
  ASSERT_EQ(currentObject(), QStringLiteral("ZAKAZ"));
  database().exec(
      "GRANT SELECT ON ZAKAZ TO SIDOROVA;"
      "UPDATE USER_PRIV SET UPR_MASK = 1 WHERE UPR_MANAGER = 2 AND UPR_OPIS_TABLE = 3;");
  const Listing before = committed(QStringLiteral("SIDOROVA"));
  copyFrom(QStringLiteral("PETROV"), QString(),
           QString::fromUtf8("Права пользователя на объект ZAKAZ изменены другим администратором после открытия "
                             "страницы. Отмените изменения и откройте страницу снова."));
  prompter().verifyDone();
  EXPECT_EQ(currentObject(), QStringLiteral("ZAKAZ"));
  EXPECT_EQ(ticked(), 0);
  EXPECT_EQ(seenByPage(QStringLiteral("SIDOROVA")), before);
  FormMain->BnZap->click();
  const Listing after = committed(QStringLiteral("SIDOROVA"));
  EXPECT_EQ(after, before);
  for (auto row = after.begin(); row != after.end(); ++row)
    EXPECT_EQ(letters(row->mask & 31), row->rights) << row.key().toStdString();
}

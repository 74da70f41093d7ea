#include "DorvikFixture.h"

#include <QTest>

#include "Main.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBTransaction.h"
#include "os/System.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/RxLabel.h"

namespace {

const QString kStored = QString::fromUtf8("Установки изменены успешно");
// STATUS as the demo leaves it, read through isql: the date, then its time.
const QString kDemoRow = QStringLiteral("90|01-DEC-2024|0:0|14");
const QString kStatusRows =
    QStringLiteral("select ST_PERIOD, ST_TIMECOPY, extract(hour from ST_TIMECOPY) || ':' || "
                   "extract(minute from ST_TIMECOPY), ST_PERPLAN from STATUS");

// Replaces an edit's text as a person types it.
void typeInto(QLineEdit* edit, const char* text) {
  edit->selectAll();
  if (*text)
    QTest::keyClicks(edit, QString::fromLatin1(text));
  else
    QTest::keyClick(edit, Qt::Key_Backspace);
}

class SettingsPage : public DorvikFixture {
 protected:
  // Connected as the administrator, the settings page opened by its menu command.
  void open() {
    startAsAdministrator();
    FormMain->show();
    FormMain->miUstan->click();
  }
  bool pageShown() const {
    return FormMain->PageControl1->isVisible() && FormMain->PageControl1->activePage() == FormMain->BaseUstan;
  }
  QStringList status() { return database().rows(kStatusRows); }
  void resetStatus() {
    database().exec(QStringLiteral("update STATUS set ST_PERIOD = 90, ST_PERPLAN = 14, ST_TIMECOPY = '01-DEC-2024';"));
  }
};

}  // namespace

TEST_F(SettingsPage, PageAndMenuItem) {
  startAsAdministrator();
  EXPECT_EQ(FormMain->N3->items(), QList<TMenuItem*>{FormMain->miUstan});
  EXPECT_EQ(FormMain->miUstan->caption(), ru("Установки"));
  EXPECT_EQ(FormMain->miUstan->hint(), ru("Задание постоянных переменных для работы"));
  EXPECT_EQ(FormMain->BnIzmUst->caption(), ru("Изменить установки"));
  EXPECT_EQ(FormMain->BnIzmUst->kind(), TBitBtnKind::bkOK);
  EXPECT_EQ(FormMain->BitBtn3->caption(), ru("Главное меню"));
  EXPECT_EQ(FormMain->BitBtn3->kind(), TBitBtnKind::bkCancel);
  EXPECT_EQ(FormMain->RxLabel1->caption(), ru("Врямя устаревания информации (Дни)"));
  EXPECT_EQ(FormMain->RxLabel2->caption(), ru("Дата последнего скопированного изменения базы данных"));
  EXPECT_EQ(FormMain->RxLabel3->caption(),
            ru("Количество дней на которые осуществляется автоматическое планированирование событий"));
  EXPECT_TRUE(FormMain->RxLabel2->wordWrap());
  EXPECT_TRUE(FormMain->RxLabel3->wordWrap());
  EXPECT_EQ(FormMain->ST_PERIOD->dataField, QStringLiteral("ST_PERIOD"));
  EXPECT_EQ(FormMain->ST_TIMECOPY->dataField, QStringLiteral("ST_TIMECOPY"));
  EXPECT_EQ(FormMain->ST_PERPLAN->dataField, QStringLiteral("ST_PERPLAN"));
  for (QWidget* edit : {static_cast<QWidget*>(FormMain->ST_PERIOD), static_cast<QWidget*>(FormMain->ST_TIMECOPY),
                        static_cast<QWidget*>(FormMain->ST_PERPLAN)})
    EXPECT_TRUE(FormMain->BaseUstan->isAncestorOf(edit)) << edit->objectName().toStdString();

  // Tab order: the buttons, then the edits from the bottom one up, the date last.
  const QList<QWidget*> order = {FormMain->BnIzmUst, FormMain->BitBtn3, FormMain->ST_PERPLAN, FormMain->ST_PERIOD,
                                 FormMain->ST_TIMECOPY->edit()};
  QList<QWidget*> seen;
  for (QWidget* w = FormMain->BnIzmUst; seen.size() < order.size(); w = w->nextInFocusChain()) {
    if (order.contains(w) && !seen.contains(w)) seen << w;
    if (w->nextInFocusChain() == FormMain->BnIzmUst) break;
  }
  EXPECT_EQ(seen, order);

  // Open, the page covers the blue banner.
  FormMain->show();
  FormMain->miUstan->click();
  const QImage shown = FormMain->grab().toImage();
  int bannerPixels = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) bannerPixels += shown.pixelColor(x, y) == QColor(Qt::blue);
  EXPECT_EQ(bannerPixels, 0);
  FormMain->BitBtn3->click();
}

// Opening shows the first row in browse state inside a transaction of its own;
// storing posts only a changed row, and then writes all three columns: a value
// changed meanwhile by someone else is overwritten by the one the page showed.
TEST_F(SettingsPage, StoresWhatWasChanged) {
  const QDate newDate(2025, 1, 15);
  const struct {
    const char* name;
    std::function<void()> change;
    QString stored;
  } cases[] = {
      {"no change: nothing posted", [] {}, QStringLiteral("91|01-DEC-2024|0:0|14")},
      {"one number typed", [] { typeInto(FormMain->ST_PERPLAN, "21"); },
       QStringLiteral("90|01-DEC-2024|0:0|21")},
      {"a number cleared", [] { typeInto(FormMain->ST_PERIOD, ""); },
       QStringLiteral("<null>|01-DEC-2024|0:0|14")},
      {"a date from the calendar", [&] { FormMain->ST_TIMECOPY->chooseDate(newDate); },
       QStringLiteral("90|15-JAN-2025|0:0|14")},
      {"a date typed", [&] { typeInto(FormMain->ST_TIMECOPY->edit(), System::shortDateText(newDate).toLatin1()); },
       QStringLiteral("90|15-JAN-2025|0:0|14")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    resetStatus();
    open();
    ASSERT_TRUE(pageShown());
    EXPECT_TRUE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(FormMain->IbStatus->state(), dsBrowse);
    EXPECT_EQ(FormMain->ST_PERIOD->text(), QStringLiteral("90"));
    EXPECT_EQ(FormMain->ST_TIMECOPY->text(), System::shortDateText(QDate(2024, 12, 1)));
    EXPECT_EQ(FormMain->ST_PERPLAN->text(), QStringLiteral("14"));
    EXPECT_TRUE(FormMain->ST_PERIOD->isEnabled());

    database().exec(QStringLiteral("update STATUS set ST_PERIOD = 91;"));
    c.change();
    prompter().expectMessage(kStored);
    FormMain->BnIzmUst->click();
    prompter().verifyDone();
    EXPECT_EQ(status(), QStringList{c.stored});
    EXPECT_FALSE(FormMain->PageControl1->isVisible());
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_FALSE(FormMain->IbStatus->active());
  }
}

// Enter stores a value still held in the edit; Esc and "Главное меню" drop a
// change without a message, and the page opens again on the old values.
TEST_F(SettingsPage, EnterStoresEscAndMainMenuDrop) {
  open();
  typeInto(FormMain->ST_PERIOD, "45");
  prompter().expectMessage(kStored);
  QTest::keyClick(FormMain->ST_PERIOD, Qt::Key_Return);
  prompter().verifyDone();
  EXPECT_EQ(status(), QStringList{QStringLiteral("45|01-DEC-2024|0:0|14")});

  for (bool byKey : {true, false}) {
    SCOPED_TRACE(byKey ? "Esc" : "Главное меню");
    prompter().clearShown();
    FormMain->miUstan->click();
    ASSERT_TRUE(pageShown());
    typeInto(FormMain->ST_PERIOD, "77");
    FormMain->ST_TIMECOPY->chooseDate(QDate(2030, 1, 1));
    EXPECT_EQ(FormMain->IbStatus->state(), dsEdit);
    if (byKey)
      QTest::keyClick(FormMain->ST_PERPLAN, Qt::Key_Escape);
    else
      FormMain->BitBtn3->click();
    EXPECT_TRUE(prompter().shown().isEmpty());
    EXPECT_FALSE(FormMain->PageControl1->isVisible());
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(status(), QStringList{QStringLiteral("45|01-DEC-2024|0:0|14")});
  }
  FormMain->miUstan->click();
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QStringLiteral("45"));
  EXPECT_EQ(FormMain->ST_TIMECOPY->date(), QDate(2024, 12, 1));
  FormMain->BitBtn3->click();
}

// A value the column cannot take is refused when the edit is left and when
// storing; nothing is written and the page stays in edit state, so the value
// can be corrected and stored.
TEST_F(SettingsPage, RefusedValueCanBeCorrected) {
  const struct {
    const char* name;
    std::function<QLineEdit*()> edit;
    const char* typed;
    QString error;
    const char* corrected;
    QString stored;
  } cases[] = {
      {"not a number", [] { return static_cast<QLineEdit*>(FormMain->ST_PERPLAN); }, "7x",
       QStringLiteral("'7x' is not a valid integer value for field 'ST_PERPLAN'"), "8",
       QStringLiteral("90|01-DEC-2024|0:0|8")},
      {"not a date", [] { return FormMain->ST_TIMECOPY->edit(); }, "99/99/99",
       QStringLiteral("'99/99/99' is not a valid date."), nullptr, QStringLiteral("90|30-JUN-2030|0:0|14")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restartApplication();
    resetStatus();
    open();
    QLineEdit* edit = c.edit();
    typeInto(edit, c.typed);
    prompter().expectError(c.error);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &leave);
    prompter().verifyDone();

    prompter().expectError(c.error);
    FormMain->BnIzmUst->click();
    prompter().verifyDone();
    EXPECT_TRUE(pageShown());
    EXPECT_EQ(FormMain->IbStatus->state(), dsEdit);
    EXPECT_TRUE(FormMain->IBTrans->inTransaction());
    EXPECT_EQ(status(), QStringList{kDemoRow});

    if (c.corrected)
      typeInto(edit, c.corrected);
    else
      FormMain->ST_TIMECOPY->chooseDate(QDate(2030, 6, 30));
    prompter().expectMessage(kStored);
    FormMain->BnIzmUst->click();
    prompter().verifyDone();
    EXPECT_EQ(status(), QStringList{c.stored});
  }
}

// A row the database refuses: the error is shown, the page stays open in edit
// state within its transaction; corrected, it is stored.
TEST_F(SettingsPage, DatabaseErrorWhilePostingKeepsThePageOpen) {
  database().exec(QStringLiteral("alter table STATUS add constraint ST_PERIOD_NOT_NEGATIVE check (ST_PERIOD >= 0);"));
  open();
  typeInto(FormMain->ST_PERIOD, "-1");
  prompter().expectError(QStringLiteral(
      "Operation violates CHECK constraint ST_PERIOD_NOT_NEGATIVE on view or table STATUS\n"
      "At trigger 'CHECK_2'"));
  FormMain->BnIzmUst->click();
  prompter().verifyDone();
  EXPECT_TRUE(pageShown());
  EXPECT_EQ(FormMain->IbStatus->state(), dsEdit);
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());

  typeInto(FormMain->ST_PERIOD, "0");
  prompter().expectMessage(kStored);
  FormMain->BnIzmUst->click();
  prompter().verifyDone();
  EXPECT_EQ(status(), QStringList{QStringLiteral("0|01-DEC-2024|0:0|14")});
}

// The table cannot be read: the error is shown, the page stays with empty,
// disabled edits in its transaction; "Главное меню" hides it and rolls back.
TEST_F(SettingsPage, DatabaseErrorWhileOpening) {
  database().exec(QStringLiteral("alter table STATUS add ST_BROKEN computed by (1 / 0);"));
  startAsAdministrator();
  FormMain->show();
  prompter().expectError(QStringLiteral("arithmetic exception, numeric overflow, or string truncation\n"
                                        "Floating-point divide by zero.  The code attempted to divide a "
                                        "floating-point value by zero."));
  FormMain->miUstan->click();
  prompter().verifyDone();
  EXPECT_TRUE(pageShown());
  EXPECT_FALSE(FormMain->IbStatus->active());
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QString());
  EXPECT_FALSE(FormMain->ST_PERIOD->isEnabled());
  EXPECT_FALSE(FormMain->ST_TIMECOPY->isEnabled());

  FormMain->BitBtn3->click();
  EXPECT_FALSE(FormMain->PageControl1->isVisible());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
}

// Every row of STATUS gets the values of the row the page showed.
TEST_F(SettingsPage, SeveralRowsAllGetTheShownValues) {
  database().exec(QStringLiteral("alter trigger STATUS_BI inactive;"
                                 "insert into STATUS (ST_PERIOD, ST_TIMECOPY, ST_PERPLAN) values (5, null, 6);"));
  open();
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QStringLiteral("90"));
  typeInto(FormMain->ST_PERPLAN, "30");
  prompter().expectMessage(kStored);
  FormMain->BnIzmUst->click();
  EXPECT_EQ(status(), QStringList(2, QStringLiteral("90|01-DEC-2024|0:0|30")));
}

// With no row there is nothing to edit: the edits are disabled, storing writes
// nothing and ends as usual.
TEST_F(SettingsPage, EmptyTable) {
  database().exec(QStringLiteral("delete from STATUS;"));
  open();
  ASSERT_TRUE(pageShown());
  EXPECT_TRUE(FormMain->IbStatus->active());
  for (QWidget* edit : {static_cast<QWidget*>(FormMain->ST_PERIOD), static_cast<QWidget*>(FormMain->ST_TIMECOPY),
                        static_cast<QWidget*>(FormMain->ST_PERPLAN)})
    EXPECT_FALSE(edit->isEnabled()) << edit->objectName().toStdString();
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QString());
  prompter().expectMessage(kStored);
  FormMain->BnIzmUst->click();
  prompter().verifyDone();
  EXPECT_TRUE(status().isEmpty());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());

  // A row again: the edits take input again.
  database().exec(QStringLiteral("insert into STATUS (ST_PERIOD, ST_TIMECOPY, ST_PERPLAN) values (1, null, 2);"));
  FormMain->miUstan->click();
  EXPECT_TRUE(FormMain->ST_PERIOD->isEnabled());
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QStringLiteral("1"));
  FormMain->BitBtn3->click();
}

// Another page holds the transaction: the command is refused before this page
// shows, the other page stays in front, and its work is neither committed nor
// rolled back by this page's buttons.
TEST_F(SettingsPage, AnotherPageKeepsItsTransaction) {
  startAsAdministrator();
  FormMain->show();
  FormMain->PageControl1->setActivePage(FormMain->Dorvik);
  FormMain->PageControl1->show();
  FormMain->IBTrans->startTransaction();
  execInMainTransaction(QStringLiteral("update STATUS set ST_PERPLAN = 99"));

  prompter().expectError(QStringLiteral("Transaction is active."));
  FormMain->miUstan->click();
  prompter().verifyDone();
  EXPECT_EQ(FormMain->PageControl1->activePage(), FormMain->Dorvik);
  EXPECT_FALSE(FormMain->IbStatus->active());
  FormMain->BitBtn3->click();
  FormMain->BnIzmUst->click();  // no message: nothing of this page's was stored
  EXPECT_TRUE(FormMain->IBTrans->inTransaction());

  FormMain->IBTrans->commit();
  EXPECT_EQ(status(), QStringList{QStringLiteral("90|01-DEC-2024|0:0|99")});
}

// Given again while the page is open (or hidden behind another page), the
// command brings the page back with what was typed.
TEST_F(SettingsPage, CommandAgainBringsThePageBack) {
  open();
  typeInto(FormMain->ST_PERIOD, "12");
  FormMain->PageControl1->setActivePage(FormMain->AddUser);
  FormMain->miUstan->click();
  EXPECT_TRUE(pageShown());
  EXPECT_EQ(FormMain->ST_PERIOD->text(), QStringLiteral("12"));
  EXPECT_EQ(FormMain->IbStatus->state(), dsEdit);
  prompter().expectMessage(kStored);
  FormMain->BnIzmUst->click();
  prompter().verifyDone();
  EXPECT_EQ(status(), QStringList{QStringLiteral("12|01-DEC-2024|0:0|14")});
}

// The commit fails: the error is shown instead of the message, and no
// transaction is left behind to block the next command.
TEST_F(SettingsPage, FailedCommitLeavesNoTransaction) {
  open();
  database().exec(QStringLiteral("delete from mon$attachments where mon$attachment_id <> current_connection;"),
                  QStringLiteral("SYSDBA"), QStringLiteral("quietfern"));
  prompter().expectError(QStringLiteral("connection shutdown\n") + TIBDatabase::connectionLostLine() + QLatin1Char('.'));
  FormMain->BnIzmUst->click();
  prompter().verifyDone();
  EXPECT_FALSE(FormMain->PageControl1->isVisible());
  EXPECT_FALSE(FormMain->IBTrans->inTransaction());
}

// Run by SettingsAsTypedUnderCAndRussianLocales in the locale it names. The
// settings take the database's types: ST_PERIOD an integer, ST_PERPLAN made
// a floating point column here.
TEST_F(SettingsPage, SettingsAsTypedInTheChildsLocale) {
  const QString locale = qEnvironmentVariable("VELTON_CHILD_LOCALE");
  if (locale.isEmpty()) GTEST_SKIP() << "runs as a child only";
  const bool russian = locale.startsWith(QLatin1String("ru"));
  database().exec(QStringLiteral("alter table STATUS alter ST_PERPLAN type double precision;"));
  const char* const refused = nullptr;
  const struct {
    bool period;  // ST_PERIOD, else ST_PERPLAN
    const char* typed;
    const char* c;   // ST_PERIOD|ST_PERPLAN as stored under C; refused: nothing stored
    const char* ru;  // the same under ru_RU
  } cases[] = {
      {true, "45,000", "45000|14", refused},  // under ru_RU 45,000 is no integer
      {true, "45 000", refused, "45000|14"},
      {true, "45.5", refused, refused},
      {true, "nan", refused, refused},
      {true, "1e3", refused, refused},
      {true, "-7", "-7|14", "-7|14"},
      {false, "45,000", "90|45000", "90|45"},
      {false, "45.000", "90|45", refused},
      {false, "2,5", refused, "90|2.5"},
      {false, "2.5", "90|2.5", "90|2.5"},
      {false, "nan", refused, refused},
      {false, "inf", refused, refused},
      {false, "-inf", refused, refused},
      {false, "1e400", refused, refused},
  };
  startAsAdministrator();
  FormMain->show();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.period ? "ST_PERIOD " : "ST_PERPLAN ") + c.typed);
    resetStatus();
    FormMain->miUstan->click();
    QLineEdit* edit = c.period ? static_cast<QLineEdit*>(FormMain->ST_PERIOD) : static_cast<QLineEdit*>(FormMain->ST_PERPLAN);
    typeInto(edit, c.typed);
    const char* stored = russian ? c.ru : c.c;
    const QString field = c.period ? QStringLiteral("ST_PERIOD") : QStringLiteral("ST_PERPLAN");
    if (stored) {
      prompter().expectMessage(kStored);
    } else {
      prompter().expectError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                                 .arg(QString::fromLatin1(c.typed),
                                      c.period ? QStringLiteral("integer") : QStringLiteral("floating point"), field));
    }
    FormMain->BnIzmUst->click();
    prompter().verifyDone();
    if (!stored) FormMain->BitBtn3->click();
    EXPECT_FALSE(FormMain->IBTrans->inTransaction());
    const QStringList expected = QString::fromLatin1(stored ? stored : "90|14").split(QLatin1Char('|'));
    EXPECT_EQ(database().value(QStringLiteral("select ST_PERIOD from STATUS")).trimmed(), expected[0]);
    EXPECT_DOUBLE_EQ(database().value(QStringLiteral("select ST_PERPLAN from STATUS")).toDouble(), expected[1].toDouble());
  }
}

TEST(TypedNumbers, SettingsAsTypedUnderCAndRussianLocales) {
  for (const char* locale : {"C", "ru_RU.UTF-8"}) {
    QString output;
    EXPECT_TRUE(DorvikFixture::runInLocale(QString::fromLatin1(locale),
                                           QStringLiteral("SettingsPage.SettingsAsTypedInTheChildsLocale"), output))
        << locale << "\n" << output.toStdString();
  }
}

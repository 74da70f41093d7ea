#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "db/DbErrors.h"
#include "os/Errors.h"
#include "os/System.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"
#include "ui/DataControls.h"
#include "ui/LookupEdit.h"

namespace {

// A connection, a transaction and a query over a small table of our own, with a
// grid on it; every scroll event is logged with the row it is raised on.
class GridFixture : public ::testing::Test {
 protected:
  GridFixture() {
    db.exec(QStringLiteral(
        "create table KIT_ROWS (ID integer not null primary key, NAME varchar(20) not null, AMOUNT double precision,"
        " WHEN_ date);"
        "insert into KIT_ROWS values (1, 'one', 10, '01-MAR-2020');"
        "insert into KIT_ROWS values (2, 'two', 20, null);"
        "insert into KIT_ROWS values (3, 'three', 30, null);"
        "insert into KIT_ROWS values (4, 'four', null, null);"));
    connection.DatabaseName = db.connectionString();
    connection.LoginPrompt = false;
    connection.Params = QStringList{QStringLiteral("user_name=PLUMO"), QStringLiteral("password=plumo"),
                                    QStringLiteral("lc_ctype=WIN1251")};
    connection.setDefaultTransaction(&transaction);
    transaction.setDefaultDatabase(&connection);
    connection.open();
    query.setDatabase(&connection);
    query.setTransaction(&transaction);
    query.SQL = QStringList{QStringLiteral("select ID, NAME, AMOUNT, WHEN_ from KIT_ROWS order by ID")};
    update.ModifySQL = QStringList{QStringLiteral("update KIT_ROWS set AMOUNT = :AMOUNT, WHEN_ = :WHEN_ where ID = :ID")};
    query.setUpdateObject(&update);
    TField& id = query.addField(QStringLiteral("ID"));
    id.Visible = false;
    TField& name = query.addField(QStringLiteral("NAME"));
    name.DisplayLabel = QStringLiteral("Имя");
    name.DisplayWidth = 30;
    name.ReadOnly = true;
    query.addField(QStringLiteral("AMOUNT")).DisplayLabel = QStringLiteral("Сумма");
    query.addField(QStringLiteral("WHEN_")).Visible = false;
    query.BeforeScroll = [this](TIBCustomDataSet& ds) { log << QStringLiteral("before %1").arg(ds.recNo()); };
    query.AfterScroll = [this](TIBCustomDataSet& ds) { log << QStringLiteral("after %1").arg(ds.recNo()); };
    source.setDataSet(&query);
    grid.setDataSource(&source);
    grid.resize(600, 300);
    grid.show();
    transaction.startTransaction();
  }

  void clickRow(int row, int column = 0) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(row, column).center());
  }

  // The first key opens the cell editor, the others go into it.
  void typeIntoCell(const char* text) {
    QTest::keyClick(&grid, text[0]);
    ASSERT_TRUE(grid.editing());
    QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : grid.viewport()->focusWidget(),
                     text + 1);
  }

  TApplication app;
  ScriptedPrompter prompter;
  TestDatabase db{TestDatabase::SchemaOnly};
  TIBDatabase connection;
  TIBTransaction transaction;
  TIBQuery query;
  TIBUpdateSQL update;
  TDataSource source;
  TRxDBGrid grid;
  QStringList log;
};

}  // namespace

TEST_F(GridFixture, ColumnsAreVisibleFieldsWithTitlesAndWidths) {
  query.open();
  ASSERT_EQ(grid.columnCount(), 2);
  EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Имя"));
  EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Сумма"));
  EXPECT_GT(grid.columnWidth(0), grid.columnWidth(1) * 2);
  EXPECT_EQ(grid.model()->rowCount(), 4);
  EXPECT_EQ(grid.model()->index(2, 0).data().toString(), QStringLiteral("three"));
  EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_TRUE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
  grid.setOptions(grid.options() & ~dgEditing);
  EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
  query.close();
  EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(GridFixture, AColumnListOfItsOwnOrdersTheColumns) {
  grid.setColumnFields({QStringLiteral("amount"), QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("NONE")});
  query.open();
  ASSERT_EQ(grid.columnCount(), 3);  // a listed field is shown even when not Visible
  EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Сумма"));
  EXPECT_EQ(grid.model()->index(2, 1).data().toString(), QStringLiteral("3"));
  EXPECT_EQ(grid.model()->index(2, 2).data().toString(), QStringLiteral("three"));
  EXPECT_GT(grid.columnWidth(2), grid.columnWidth(0) * 2);
  grid.setColumnFields({});
  EXPECT_EQ(grid.columnCount(), 2);
  EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Имя"));
}

TEST_F(GridFixture, GridAndDataSetMoveTogetherWithScrollEvents) {
  query.open();
  EXPECT_EQ(log, QStringList{"after 0"});
  EXPECT_EQ(grid.currentRow(), 0);
  log.clear();

  clickRow(2);  // a click is a move
  EXPECT_EQ(query.recNo(), 2);
  EXPECT_EQ(log, (QStringList{"before 0", "after 2"}));
  log.clear();

  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_Down);  // so is a key
  EXPECT_EQ(query.recNo(), 3);
  EXPECT_EQ(log, (QStringList{"before 2", "after 3"}));
  log.clear();

  clickRow(3);  // the current row: nothing
  EXPECT_TRUE(log.isEmpty());

  query.first();  // the dataset moves the grid
  EXPECT_EQ(grid.currentRow(), 0);
  query.next();
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_EQ(log, (QStringList{"before 3", "after 0", "before 0", "after 1"}));
  log.clear();

  // a refused move leaves both where they were, and the error is shown
  query.BeforeScroll = [](TIBCustomDataSet&) { throw EDatabaseError(QStringLiteral("refused")); };
  prompter.expectError(QStringLiteral("refused."));
  clickRow(3);
  QCoreApplication::processEvents();
  EXPECT_EQ(query.recNo(), 1);
  EXPECT_EQ(grid.currentRow(), 1);
  prompter.expectError(QStringLiteral("refused."));
  QTest::keyClick(&grid, Qt::Key_Down);  // by key as well
  QCoreApplication::processEvents();
  EXPECT_EQ(query.recNo(), 1);
  EXPECT_EQ(grid.currentRow(), 1);
}

namespace {
// Collects the areas a widget is asked to paint.
struct PaintLog : QObject {
  explicit PaintLog(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
  QRegion painted;
};
}  // namespace

TEST_F(GridFixture, AMoveRepaintsTheRowsThatChangedAndKeepsTheHeaderAsLaidOut) {
  grid.setOptions(grid.options() | dgRowSelect);
  query.open();
  QHeaderView* header = grid.verticalHeader();
  QSignalSpy headerChanges(grid.model(), &QAbstractItemModel::headerDataChanged);
  PaintLog cells(grid.viewport());
  PaintLog marks(header->viewport());
  QCoreApplication::processEvents();
  const int headerWidth = header->width();
  auto rowBand = [&](int row) { return QRect(0, header->sectionViewportPosition(row), 1, header->sectionSize(row)); };
  auto mark = [&](int row) { return grid.model()->headerData(row, Qt::Vertical).toString(); };

  cells.painted = marks.painted = QRegion();
  query.next();
  QCoreApplication::processEvents();
  EXPECT_EQ(mark(0), QString());
  EXPECT_EQ(mark(1), QStringLiteral("\u25B6"));
  for (int row : {0, 1}) {
    EXPECT_TRUE(marks.painted.intersects(rowBand(row))) << row;
    EXPECT_TRUE(cells.painted.intersects(rowBand(row))) << row;  // the selection moved
  }
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_TRUE(grid.selectionModel()->isRowSelected(1, QModelIndex()));
  EXPECT_FALSE(grid.selectionModel()->isRowSelected(0, QModelIndex()));
  for (int row : {2, 3}) {
    EXPECT_FALSE(marks.painted.intersects(rowBand(row))) << row;
    EXPECT_FALSE(cells.painted.intersects(rowBand(row))) << row;
  }

  // An edit posted: its row's cells and mark, nothing else.
  cells.painted = marks.painted = QRegion();
  query.edit();
  EXPECT_EQ(mark(1), QStringLiteral("I"));
  query.fieldByName(QStringLiteral("AMOUNT")).setAsFloat(21);
  query.post();
  QCoreApplication::processEvents();
  EXPECT_EQ(mark(1), QStringLiteral("\u25B6"));
  EXPECT_EQ(grid.model()->data(grid.model()->index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("21"));
  EXPECT_TRUE(cells.painted.intersects(rowBand(1)));
  EXPECT_TRUE(marks.painted.intersects(rowBand(1)));
  for (int row : {0, 2, 3}) {
    EXPECT_FALSE(cells.painted.intersects(rowBand(row))) << row;
    EXPECT_FALSE(marks.painted.intersects(rowBand(row))) << row;
  }

  query.last();
  clickRow(0);
  EXPECT_EQ(headerChanges.count(), 0);
  EXPECT_EQ(header->width(), headerWidth);

  // In a grid too small for its rows, the current row is scrolled into view
  // once the events run.
  grid.resize(600, header->sectionSize(0) * 2 + grid.horizontalHeader()->height());
  QCoreApplication::processEvents();
  query.last();
  QCoreApplication::processEvents();
  EXPECT_TRUE(grid.viewport()->rect().intersects(grid.cellRect(3, 0)));
  query.first();
  QCoreApplication::processEvents();
  for (int i = 0; i < 3; ++i) QTest::keyClick(&grid, Qt::Key_Down);  // keys, before any paint
  QCoreApplication::processEvents();
  EXPECT_EQ(query.recNo(), 3);
  EXPECT_TRUE(grid.viewport()->rect().intersects(grid.cellRect(3, 0)));
  EXPECT_FALSE(grid.viewport()->rect().intersects(grid.cellRect(0, 0)));
}

TEST_F(GridFixture, EditingACellPostsWhenTheRowChanges) {
  query.open();
  grid.activateWindow();
  grid.setFocus();
  clickRow(1, 1);
  typeIntoCell("25.5");
  grid.commitEdit();
  EXPECT_EQ(query.state(), dsEdit);
  EXPECT_EQ(log, (QStringList{"after 0", "before 0", "after 1"}));
  clickRow(2, 1);  // leaving the row posts
  EXPECT_EQ(query.state(), dsBrowse);
  EXPECT_EQ(query.recNo(), 2);

  // typed into the editor, then the row left with a key: posted as well
  typeIntoCell("7");
  QTest::keyClick(grid.viewport()->focusWidget(), Qt::Key_Up);
  EXPECT_EQ(query.recNo(), 1);
  EXPECT_EQ(query.state(), dsBrowse);
  transaction.commit();
  EXPECT_DOUBLE_EQ(db.value(QStringLiteral("select AMOUNT from KIT_ROWS where ID = 2")).toDouble(), 25.5);
  EXPECT_DOUBLE_EQ(db.value(QStringLiteral("select AMOUNT from KIT_ROWS where ID = 3")).toDouble(), 7.0);
}

TEST_F(GridFixture, APostRefusedOnLeavingTheRowKeepsGridAndEditOnIt) {
  update.ModifySQL = QStringList{QStringLiteral("update KIT_ROWS set AMOUNT = :AMOUNT where ID = :ID and MISSING = 1")};
  query.open();
  clickRow(1, 1);
  typeIntoCell("9");
  grid.commitEdit();
  prompter.expectError(QStringLiteral(
      "Dynamic SQL Error\nSQL error code = -206\nColumn unknown\nMISSING\nAt line 1, column 49."));
  clickRow(2, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(query.recNo(), 1);
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_EQ(query.state(), dsEdit);
  EXPECT_DOUBLE_EQ(query.fieldByName(QStringLiteral("AMOUNT")).asFloat(), 9.0);
}

TEST_F(GridFixture, TypingIntoACellEntersEditStateSoTheNavigatorPosts) {
  TDBNavigator navigator;
  navigator.setDataSource(&source);
  query.open();
  clickRow(1, 1);
  typeIntoCell("55");
  EXPECT_EQ(query.state(), dsEdit);  // at the first key
  EXPECT_TRUE(navigator.button(nbPost)->isEnabled());
  QWidget* editor = QApplication::focusWidget() ? QApplication::focusWidget() : grid.viewport()->focusWidget();
  ASSERT_NE(qobject_cast<QLineEdit*>(editor), nullptr);
  EXPECT_EQ(static_cast<QLineEdit*>(editor)->text(), QStringLiteral("55"));  // kept while the row entered edit state
  navigator.click(nbPost);
  EXPECT_EQ(query.state(), dsBrowse);
  transaction.commit();
  EXPECT_DOUBLE_EQ(db.value(QStringLiteral("select AMOUNT from KIT_ROWS where ID = 2")).toDouble(), 55.0);
}

TEST_F(GridFixture, ValueTheFieldCannotTakeIsRefusedAndNothingWritten) {
  query.open();
  clickRow(0, 1);
  prompter.expectError(QStringLiteral("'abc' is not a valid floating point value for field 'AMOUNT'"));
  EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 1), QStringLiteral("abc")));
  EXPECT_DOUBLE_EQ(query.fieldByName(QStringLiteral("AMOUNT")).asFloat(), 10.0);
}

TEST_F(GridFixture, NavigatorMovesEditsAndPosts) {
  TDBNavigator navigator;
  navigator.setDataSource(&source);
  navigator.setHint(nbFirst, QStringLiteral("Первая запись"));
  EXPECT_EQ(navigator.button(nbFirst)->toolTip(), QStringLiteral("Первая запись"));
  EXPECT_FALSE(navigator.button(nbInsert)->isVisibleTo(&navigator));
  query.open();
  EXPECT_FALSE(navigator.button(nbFirst)->isEnabled());
  navigator.click(nbLast);
  EXPECT_EQ(query.recNo(), 3);
  EXPECT_EQ(grid.currentRow(), 3);
  navigator.click(nbEdit);
  EXPECT_EQ(query.state(), dsEdit);
  query.fieldByName(QStringLiteral("AMOUNT")).setAsFloat(7);
  navigator.click(nbPost);
  EXPECT_EQ(query.state(), dsBrowse);
  navigator.click(nbEdit);
  query.fieldByName(QStringLiteral("AMOUNT")).setAsFloat(8);
  navigator.click(nbCancel);
  transaction.commit();
  EXPECT_DOUBLE_EQ(db.value(QStringLiteral("select AMOUNT from KIT_ROWS where ID = 4")).toDouble(), 7.0);
}

TEST_F(GridFixture, NavigatorButtonsEnabledAsTheDataSetAllows) {
  TDBNavigator navigator;
  navigator.setDataSource(&source);
  const TNavigateBtn order[] = {nbFirst, nbPrior, nbNext, nbLast, nbEdit, nbPost, nbCancel};
  auto enabled = [&] {
    QString out;
    for (TNavigateBtn b : order) out += navigator.button(b)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return out;
  };
  const struct {
    const char* where;
    std::function<void()> go;
    const char* enabled;  // first, prior, next, last, edit, post, cancel
  } cases[] = {
      {"closed", [] {}, "0000000"},
      {"first row", [&] { query.open(); }, "0011100"},
      {"middle row", [&] { query.next(); }, "1111100"},
      {"editing", [&] { query.edit(); }, "1111011"},
      {"cancelled", [&] { query.cancel(); }, "1111100"},
      {"last row", [&] { query.last(); }, "1100100"},
      {"moved back to the first", [&] { query.prior(), query.prior(), query.prior(); }, "0011100"},
      {"closed again", [&] { query.close(); }, "0000000"},
      {"no rows", [&] {
         query.SQL = QStringList{QStringLiteral("select ID, NAME, AMOUNT, WHEN_ from KIT_ROWS where ID < 0")};
         query.open();
       }, "0000000"},
  };
  for (const auto& c : cases) {
    c.go();
    EXPECT_EQ(enabled(), QString::fromLatin1(c.enabled)) << c.where;
  }
}

TEST_F(GridFixture, DataAwareEditsFollowTheRowAndWriteTheirField) {
  TDBEdit amount;
  amount.setDataSource(&source);
  amount.setDataField(QStringLiteral("AMOUNT"));
  TDBDateEdit when;
  when.setDirectInput(false);
  when.setDataSource(&source);
  when.setDataField(QStringLiteral("WHEN_"));
  TField& amountField = query.fieldByName(QStringLiteral("AMOUNT"));
  query.open();
  EXPECT_EQ(amount.text(), amountField.asString());
  EXPECT_EQ(when.date(), QDate(2020, 3, 1));
  EXPECT_EQ(when.text(), System::shortDateText(QDate(2020, 3, 1)));
  query.next();
  EXPECT_EQ(amount.text(), amountField.asString());
  EXPECT_EQ(when.text(), QString());

  amount.selectAll();
  QTest::keyClicks(&amount, "33");  // typing puts the row into edit state
  EXPECT_EQ(query.state(), dsEdit);
  EXPECT_DOUBLE_EQ(amountField.asFloat(), 33.0);
  when.chooseDate(QDate(2024, 5, 6));
  EXPECT_EQ(when.text(), System::shortDateText(QDate(2024, 5, 6)));
  EXPECT_EQ(query.fieldByName(QStringLiteral("WHEN_")).asDateTime().date(), QDate(2024, 5, 6));

  amount.selectAll();
  QTest::keyClicks(&amount, "x");  // not a number: refused when written
  EXPECT_THROW(source.updateRecord(), EConvertError);
  EXPECT_DOUBLE_EQ(amountField.asFloat(), 33.0);
  when.setDirectInput(true);
  when.edit()->selectAll();
  QTest::keyClicks(when.edit(), "99/99/99");  // not a date: refused when written, the field kept
  EXPECT_THROW(source.updateRecord(), EConvertError);
  EXPECT_EQ(query.fieldByName(QStringLiteral("WHEN_")).asDateTime().date(), QDate(2024, 5, 6));
  when.chooseDate(QDate(2024, 5, 6));
  amount.selectAll();
  QTest::keyClicks(&amount, "34");
  query.post();
  transaction.commit();
  EXPECT_DOUBLE_EQ(db.value(QStringLiteral("select AMOUNT from KIT_ROWS where ID = 2")).toDouble(), 34.0);
  EXPECT_TRUE(db.value(QStringLiteral("select WHEN_ from KIT_ROWS where ID = 2")).startsWith(QStringLiteral("2024-05-06")) ||
              db.value(QStringLiteral("select WHEN_ from KIT_ROWS where ID = 2")).contains(QStringLiteral("6-MAY-2024")))
      << db.value(QStringLiteral("select WHEN_ from KIT_ROWS where ID = 2")).toStdString();
  EXPECT_EQ(amount.text(), QString());  // closed by the commit
}

TEST_F(GridFixture, LookupEditKeyValue) {
  query.SQL = QStringList{QStringLiteral("select * from KIT_ROWS order by NAME")};
  TDataSource list;
  list.setDataSet(&query);
  TRxLookupEdit lookup;
  lookup.lookupField = QStringLiteral("ID");
  lookup.lookupDisplay = QStringLiteral("NAME");
  lookup.setLookupSource(&list);
  lookup.setText(QStringLiteral("Two"));
  EXPECT_EQ(lookup.keyValue(), QString());  // list closed
  query.open();
  EXPECT_EQ(lookup.count(), 4);
  EXPECT_EQ(lookup.keyValue(), QStringLiteral("2"));  // letter case ignored
  lookup.setText(QStringLiteral("five"));
  EXPECT_EQ(lookup.keyValue(), QString());
  lookup.setText(QString());
  EXPECT_EQ(lookup.keyValue(), QString());
  lookup.setKeyValue(QStringLiteral("3"));
  EXPECT_EQ(lookup.text(), QStringLiteral("three"));
  lookup.setText(QStringLiteral("new entry"));
  lookup.setKeyValue(QStringLiteral("99"));  // not in the list: the text stays
  EXPECT_EQ(lookup.text(), QStringLiteral("new entry"));

  // Typed in another letter case, the text stays as typed when editing ends.
  lookup.setText(QString());
  QTest::keyClicks(&lookup, "TWO");
  QTest::keyClick(&lookup, Qt::Key_Return);
  EXPECT_EQ(lookup.text(), QStringLiteral("TWO"));
  EXPECT_EQ(lookup.keyValue(), QStringLiteral("2"));
}

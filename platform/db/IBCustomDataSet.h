#pragma once

#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "Field.h"
#include "Params.h"
#include "SqlText.h"

class TIBDatabase;
class TIBTransaction;
class TIBCustomDataSet;
class Statement;
class KeptStatement;
struct ColumnInfo;

enum TDataSetState { dsInactive, dsBrowse, dsEdit };

// Told of a dataset's changes (a data-aware grid implements it).
class DataSetObserver {
 public:
  virtual ~DataSetObserver() = default;
  // Opened, closed or fetched anew: rows and fields may all differ.
  virtual void dataSetChanged(TIBCustomDataSet& ds) = 0;
  // The current row's values or the state changed (edit, post, cancel, a set field).
  virtual void recordChanged(TIBCustomDataSet& ds) = 0;
  // The current row moved.
  virtual void currentChanged(TIBCustomDataSet& ds) = 0;
};

// Statements that write an edited row back. ":NAME" takes the row's new value
// of field NAME, ":OLD_NAME" its value before the edit (letter case ignored).
class TIBUpdateSQL {
 public:
  QStringList ModifySQL;
};

// A result set in a transaction. By default every row is fetched on open and
// kept, so any row can be read; unidirectional mode keeps the current row only.
//
// Scroll events: every move (first, next, prior, last, moveTo) raises
// BeforeScroll for the row being left, then AfterScroll for the new row.
// next() on the last row raises both for that same row and sets eof; at eof a
// further next() raises BeforeScroll only (prior() and bof likewise). An
// exception from BeforeScroll cancels the move. Opening with rows makes row 0
// current and raises AfterScroll; opening with no rows and closing raise
// nothing. A move in edit state posts the edit first, then raises BeforeScroll.
class TIBCustomDataSet {
 public:
  TIBCustomDataSet();  // raises when the client library cannot be loaded
  virtual ~TIBCustomDataSet();
  TIBCustomDataSet(const TIBCustomDataSet&) = delete;
  TIBCustomDataSet& operator=(const TIBCustomDataSet&) = delete;

  // The database defaults to the transaction's; the transaction to the database's default.
  TIBDatabase* database() const;
  void setDatabase(TIBDatabase* db) { database_ = db; }
  TIBTransaction* transaction() const;
  void setTransaction(TIBTransaction* t);
  TIBUpdateSQL* updateObject() const { return updateObject_; }
  void setUpdateObject(TIBUpdateSQL* u) { updateObject_ = u; }

  // Keep only the current row (set while closed). recordCount() then runs
  // "select count(*)" over the same statement in the same transaction.
  void setUniDirectional(bool on);
  bool uniDirectional() const { return uniDirectional_; }

  std::function<void(TIBCustomDataSet&)> BeforeScroll;
  std::function<void(TIBCustomDataSet&)> AfterScroll;

  // Opening needs a connected database and an active transaction.
  void open();
  void close();
  void setActive(bool on) { on ? open() : close(); }
  bool active() const { return state_ != dsInactive; }
  TDataSetState state() const { return state_; }

  void first();
  void next();
  void prior();
  void last();
  // A grid's move to a buffered row: the scroll events as for any move;
  // moving to the current row does nothing.
  void moveTo(int row);
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool isEmpty() const;

  // Number of rows of the result.
  int recordCount();
  // Rows held in memory (the current one only when unidirectional).
  int rowCount() const { return int(rows_.size()); }
  // 0-based current row among the buffered ones, -1 when there is none.
  int recNo() const { return current_; }

  void edit();
  // Runs the update object's ModifySQL at once in the transaction.
  void post();
  void cancel();

  // Fields in select order (empty while closed).
  const std::vector<TField*>& fields() const { return order_; }
  int fieldCount() const { return int(order_.size()); }
  // Letter case ignored; raises EDatabaseError "Field 'X' not found".
  TField& fieldByName(const QString& name);
  TField* findField(const QString& name);
  // A field declared before opening, so that its display settings are set
  // once; matched by name when the dataset opens.
  TField& addField(const QString& name);

  // Values of any buffered row (the edit buffer for the current row while editing).
  QVariant value(int row, int fieldIndex) const;
  QString displayText(int row, int fieldIndex) const;

  void addObserver(DataSetObserver* o);
  void removeObserver(DataSetObserver* o);

 protected:
  // The select statement's text with named parameters, and their values.
  virtual QString selectText() const = 0;
  virtual TParams* selectParams() { return nullptr; }
  // The select text with its parameters replaced by "?", and their names.
  virtual SqlText::Parsed parsedSelect();
  void checkInactive(const char* what) const;
  // The select text prepared in the transaction, its parameters bound; the
  // database must be connected and the transaction active.
  std::unique_ptr<Statement> prepareStatement();
  // Runs the select text as a statement whose rows are not read: at once when
  // it takes no parameters, otherwise prepared once and kept for the next run
  // in the same transaction.
  void runStatement();
  // The select text prepared once and kept while the transaction lives, its
  // parameters bound.
  Statement& keptSelectStatement();

 private:
  friend class TField;
  friend class TIBTransaction;
  const QVariant* storedValue(int fieldIndex) const;
  void checkActive() const;
  void checkBrowseMode();
  void doBeforeScroll();
  void doAfterScroll();
  void buildFields(const std::vector<ColumnInfo>& columns);
  std::vector<const TParam*> boundParams(const QStringList& names);
  void setStoredValue(int fieldIndex, const QVariant& v);
  void notifyDataSet();
  void notifyRecord();
  void notifyCurrent();

  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  TIBUpdateSQL* updateObject_ = nullptr;
  bool uniDirectional_ = false;

  TIBTransaction* openIn_ = nullptr;  // the transaction the open cursor runs in
  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  std::unique_ptr<Statement> cursor_;  // open while rows remain to fetch
  std::unique_ptr<KeptStatement> select_;  // the select, when all rows are read at once
  std::unique_ptr<KeptStatement> modify_;  // the update object's statement
  QString modifyText_;                     // its text, and parsed
  SqlText::Parsed modifyParsed_;
  std::unique_ptr<KeptStatement> run_;     // runStatement()'s statement
  // Unidirectional: the current row's columns still in the cursor's buffers,
  // converted when first read.
  void convertPending() const;

  mutable std::vector<std::vector<QVariant>> rows_;
  mutable std::vector<char> pending_;
  std::vector<QVariant> editRow_;
  int current_ = -1;
  int fetched_ = 0;    // rows fetched so far (unidirectional)
  int recordCount_ = -1;
  bool eof_ = true;
  bool bof_ = true;

  std::vector<std::unique_ptr<TField>> fields_;  // declared and described
  std::vector<TField*> order_;
  std::vector<DataSetObserver*> observers_;
};

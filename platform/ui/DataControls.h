#pragma once

#include <QAbstractTableModel>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "ButtonEdits.h"
#include "StdCtrls.h"
#include "db/IBCustomDataSet.h"

class QToolButton;

// Links data-aware controls to a dataset. Controls that hold a value not yet
// written register a flush that updateRecord() runs (the navigator's post does).
class TDataSource : public QObject {
  Q_OBJECT

 public:
  explicit TDataSource(QObject* parent = nullptr) : QObject(parent) {}

  TIBCustomDataSet* dataSet() const { return dataSet_; }
  void setDataSet(TIBCustomDataSet* dataSet);
  // Changing a value in a control puts the dataset into edit state.
  bool autoEdit = true;

  // Writes what the controls hold into the dataset's fields.
  void updateRecord();
  void addFlush(QObject* owner, std::function<void()> flush);
  void removeFlush(QObject* owner);

 signals:
  void dataSetReplaced();

 private:
  TIBCustomDataSet* dataSet_ = nullptr;
  std::vector<std::pair<QObject*, std::function<void()>>> flushes_;
};

// Base of the controls that observe the data source's dataset.
class DataLink : public DataSetObserver {
 public:
  explicit DataLink(std::function<void()> changed) : changed_(std::move(changed)) {}
  ~DataLink() override { unbind(); }
  void bind(TIBCustomDataSet* ds);
  void unbind();
  TIBCustomDataSet* dataSet() const { return ds_; }

  std::function<void(TIBCustomDataSet&)> onDataSetChanged;
  std::function<void(TIBCustomDataSet&)> onRecordChanged;
  std::function<void(TIBCustomDataSet&)> onCurrentChanged;

  void dataSetChanged(TIBCustomDataSet& ds) override;
  void recordChanged(TIBCustomDataSet& ds) override;
  void currentChanged(TIBCustomDataSet& ds) override;

 private:
  std::function<void()> changed_;
  TIBCustomDataSet* ds_ = nullptr;
};

// What a data-aware edit is bound to: the data source, whose dataset it watches
// (show runs on every change), and under whose updateRecord() the edit's flush
// is registered, keyed by the edit.
class FieldLink {
 public:
  FieldLink(QObject* owner, std::function<void()> show, std::function<void()> flush);
  ~FieldLink();
  FieldLink(const FieldLink&) = delete;
  FieldLink& operator=(const FieldLink&) = delete;

  TDataSource* dataSource() const { return source_; }
  void setDataSource(TDataSource* source);
  // The named field of the current row; null while the dataset is closed.
  TField* field(const QString& name) const;
  // The field, where typing may change it: the dataset is in edit state or the
  // data source puts it there.
  TField* fieldToEdit(const QString& name) const;

 private:
  void rebind();

  QObject* owner_;
  std::function<void()> show_;
  std::function<void()> flush_;
  QPointer<TDataSource> source_;
  DataLink link_;
};

// Table model over a dataset: a column per visible field, in field order.
class DataSetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DataSetModel(QObject* parent = nullptr);

  void setDataSet(TIBCustomDataSet* ds);
  TIBCustomDataSet* dataSet() const { return ds_; }
  bool editing = false;  // cells of fields not ReadOnly may be edited
  // The fields shown, in this order; empty: the visible fields in field order.
  QStringList columnFields;

  TField* fieldOfColumn(int column) const;
  int columnOfField(const TField* field) const;
  void reset();
  // The row's values changed. The indicator is not the model's: the grid
  // repaints its mark, so that a move never re-lays out the header.
  void rowChanged(int row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  TIBCustomDataSet* ds_ = nullptr;
  std::vector<TField*> columns_;
};

enum TDBGridOption {
  dgEditing = 1,
  dgTitles = 2,
  dgIndicator = 4,
  dgColumnResize = 8,
  dgColLines = 16,
  dgRowLines = 32,
  dgTabs = 64,
  dgRowSelect = 128,
  dgAlwaysShowSelection = 256,
  dgAlwaysShowEditor = 512,
};

// Data grid. Its current row and the dataset's move together both ways: a click
// or a key in the grid is a dataset move (moveTo) with its scroll events; a move
// of the dataset moves the grid. Editing a cell puts the dataset into edit
// state; leaving the row posts (the dataset posts before it moves). A value the
// field cannot take is refused with an error box and nothing is written.
class TDBGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;

  TDataSource* dataSource() const { return source_; }
  void setDataSource(TDataSource* source);
  TIBCustomDataSet* dataSet() const { return source_ ? source_->dataSet() : nullptr; }

  int options() const { return options_; }
  void setOptions(int options);
  bool readOnly = false;

  // A column list of the grid's own: the named fields in this order. Empty
  // (the default): a column per visible field, in field order.
  void setColumnFields(const QStringList& fieldNames);

  // Columns and their field; the column width follows DisplayWidth.
  int columnCount() const;
  TField* columnField(int column) const;
  int columnOfField(const QString& fieldName) const;
  // The grid's current row (-1 when none).
  int currentRow() const;
  QRect cellRect(int row, int column) const;  // in viewport coordinates

  // Whether a cell editor is open.
  bool editing() const { return state() == EditingState; }
  // Writes an open cell editor into the dataset.
  void commitEdit();

  std::function<void()> OnDblClick;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  void rebind();
  void dataSetReset();
  void syncToDataSet();
  void scrollToCurrentLater();
  // Repaints the row's cells; the indicator's area of the row.
  void updateRow(int row);
  void updateIndicator(int row);
  void applyWidths();

  QPointer<TDataSource> source_;
  DataSetModel* model_;
  DataLink link_;
  int options_ = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines;
  bool syncing_ = false;
  bool scrollPending_ = false;
};

// The grid of the other component set; the same behaviour.
class TRxDBGrid : public TDBGrid {
  Q_OBJECT

 public:
  using TDBGrid::TDBGrid;
};

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

// Record navigator over a data source: buttons for the dataset's moves and
// editing; each button enabled as the dataset's state allows.
class TDBNavigator : public QWidget {
  Q_OBJECT

 public:
  explicit TDBNavigator(QWidget* parent = nullptr);
  ~TDBNavigator() override;

  TDataSource* dataSource() const { return source_; }
  void setDataSource(TDataSource* source);

  // The buttons shown (bit 1 << TNavigateBtn); insert, delete and refresh are
  // not offered by this kit.
  void setVisibleButtons(std::initializer_list<TNavigateBtn> buttons);
  void setHint(TNavigateBtn button, const QString& hint);
  QToolButton* button(TNavigateBtn button) const;
  // Presses the button as a person would.
  void click(TNavigateBtn button);

 private:
  void press(TNavigateBtn button);
  void rebind();
  void updateButtons();

  QPointer<TDataSource> source_;
  DataLink link_;
  std::map<TNavigateBtn, QToolButton*> buttons_;
};

// Edit bound to a field of the data source's current row.
class TDBEdit : public TEdit {
  Q_OBJECT

 public:
  explicit TDBEdit(QWidget* parent = nullptr);

  void setDataSource(TDataSource* source) { link_.setDataSource(source); }
  TDataSource* dataSource() const { return link_.dataSource(); }
  QString dataField;
  void setDataField(const QString& name);

  // Writes the text into the field (the dataset must be in edit state).
  void updateRecord();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void showField();
  TField* field() const { return link_.field(dataField); }

  FieldLink link_;
  bool modified_ = false;
  bool showing_ = false;
};

// Date edit bound to a date field of the data source's current row. A typed
// date is written as soon as it is whole; a text that is no date is refused
// (EConvertError) when the edit is left or the data source's record is updated.
class TDBDateEdit : public TDateEdit {
  Q_OBJECT

 public:
  explicit TDBDateEdit(QWidget* parent = nullptr);

  void setDataSource(TDataSource* source) { link_.setDataSource(source); }
  TDataSource* dataSource() const { return link_.dataSource(); }
  QString dataField;
  void setDataField(const QString& name);

  // Raises EConvertError while the text is neither empty nor a date.
  void updateRecord();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showField();
  TField* field() const { return link_.field(dataField); }

  FieldLink link_;
  bool showing_ = false;
  bool modified_ = false;  // the text holds no date yet
};

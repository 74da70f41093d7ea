#include "DataControls.h"

#include <algorithm>

#include <QAccessible>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

#include "Accessibility.h"
#include "Glyphs.h"
#include "Guard.h"
#include "os/Errors.h"

// ---- data source

void TDataSource::setDataSet(TIBCustomDataSet* dataSet) {
  if (dataSet_ == dataSet) return;
  dataSet_ = dataSet;
  emit dataSetReplaced();
}

void TDataSource::updateRecord() {
  const auto flushes = flushes_;
  for (const auto& f : flushes) f.second();
}

void TDataSource::addFlush(QObject* owner, std::function<void()> flush) {
  removeFlush(owner);
  flushes_.emplace_back(owner, std::move(flush));
}

void TDataSource::removeFlush(QObject* owner) {
  for (auto it = flushes_.begin(); it != flushes_.end();)
    it = it->first == owner ? flushes_.erase(it) : it + 1;
}

// ---- link

void DataLink::bind(TIBCustomDataSet* ds) {
  if (ds == ds_) return;
  unbind();
  ds_ = ds;
  if (ds_) ds_->addObserver(this);
}

void DataLink::unbind() {
  if (ds_) ds_->removeObserver(this);
  ds_ = nullptr;
}

FieldLink::FieldLink(QObject* owner, std::function<void()> show, std::function<void()> flush)
    : owner_(owner), show_(show), flush_(std::move(flush)), link_(std::move(show)) {}

FieldLink::~FieldLink() {
  if (source_) source_->removeFlush(owner_);
}

void FieldLink::setDataSource(TDataSource* source) {
  if (source_) {
    source_->removeFlush(owner_);
    QObject::disconnect(source_, nullptr, owner_, nullptr);
  }
  source_ = source;
  if (source_) {
    QObject::connect(source_, &TDataSource::dataSetReplaced, owner_, [this] { rebind(); });
    source_->addFlush(owner_, flush_);
  }
  rebind();
}

void FieldLink::rebind() {
  link_.bind(source_ ? source_->dataSet() : nullptr);
  show_();
}

TField* FieldLink::field(const QString& name) const {
  TIBCustomDataSet* ds = source_ ? source_->dataSet() : nullptr;
  return ds && ds->active() ? ds->findField(name) : nullptr;
}

TField* FieldLink::fieldToEdit(const QString& name) const {
  TField* f = field(name);
  if (!f || !source_) return nullptr;
  return f->dataSet().state() == dsEdit || source_->autoEdit ? f : nullptr;
}

void DataLink::dataSetChanged(TIBCustomDataSet& ds) {
  if (onDataSetChanged) onDataSetChanged(ds);
  else if (changed_) changed_();
}

void DataLink::recordChanged(TIBCustomDataSet& ds) {
  if (onRecordChanged) onRecordChanged(ds);
  else if (changed_) changed_();
}

void DataLink::currentChanged(TIBCustomDataSet& ds) {
  if (onCurrentChanged) onCurrentChanged(ds);
  else if (changed_) changed_();
}

// ---- model

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetModel::setDataSet(TIBCustomDataSet* ds) {
  ds_ = ds;
  reset();
}

void DataSetModel::reset() {
  beginResetModel();
  columns_.clear();
  if (ds_ && ds_->active() && !columnFields.isEmpty()) {
    for (const QString& name : columnFields)
      if (TField* f = ds_->findField(name); f && f->index() >= 0) columns_.push_back(f);
  } else if (ds_ && ds_->active()) {
    for (TField* f : ds_->fields())
      if (f->Visible) columns_.push_back(f);
  }
  endResetModel();
}

TField* DataSetModel::fieldOfColumn(int column) const {
  return column >= 0 && column < int(columns_.size()) ? columns_[size_t(column)] : nullptr;
}

int DataSetModel::columnOfField(const TField* field) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i] == field) return int(i);
  return -1;
}

void DataSetModel::rowChanged(int row) {
  if (row < 0 || row >= rowCount() || columnCount() == 0) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !ds_ || !ds_->active() ? 0 : ds_->rowCount();
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  TField* f = fieldOfColumn(index.column());
  if (!f || !ds_ || !ds_->active()) return QVariant();
  if (role == Qt::DisplayRole) return ds_->displayText(index.row(), f->index());
  if (role == Qt::EditRole) return ds_->displayText(index.row(), f->index());
  if (role == Qt::TextAlignmentRole) {
    switch (f->dataType()) {
      case ftSmallint:
      case ftInteger:
      case ftLargeint:
      case ftFloat:
      case ftBCD:
        return int(Qt::AlignRight | Qt::AlignVCenter);
      default:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
  }
  return QVariant();
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QVariant();
  if (orientation == Qt::Horizontal) {
    TField* f = fieldOfColumn(section);
    return f ? f->DisplayLabel : QVariant();
  }
  if (ds_ && ds_->recNo() == section) return ds_->state() == dsEdit ? QStringLiteral("I") : QStringLiteral("\u25B6");
  return QString();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  TField* field = fieldOfColumn(index.column());
  if (editing && field && !field->ReadOnly) f |= Qt::ItemIsEditable;
  return f;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole) return false;
  TField* f = fieldOfColumn(index.column());
  if (!f || !ds_ || !ds_->active()) return false;
  const QString text = value.toString();
  if (ds_->state() != dsEdit && text == ds_->displayText(index.row(), f->index())) return false;
  return guarded([&] {
    if (ds_->recNo() != index.row()) ds_->moveTo(index.row());
    if (ds_->state() != dsEdit) ds_->edit();
    f->setAsString(text);
  });
}

// ---- grid

namespace {

int charWidth(const QWidget* w) { return QFontMetrics(w->font()).averageCharWidth(); }

// Up and Down in a cell editor write the cell and move to the next row. Typing
// into a cell puts the row into edit state at once, the editor keeping what
// was typed.
class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(QTableView* grid, std::function<TIBCustomDataSet*()> dataSet)
      : QStyledItemDelegate(grid), grid_(grid), dataSet_(std::move(dataSet)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor) editor->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      connect(line, &QLineEdit::textEdited, line, [this] {
        guarded([this] {
          TIBCustomDataSet* ds = dataSet_();
          if (!ds || !ds->active() || ds->state() == dsEdit) return;
          enteringEdit_ = true;
          try {
            ds->edit();
          } catch (...) {
            enteringEdit_ = false;
            throw;
          }
          enteringEdit_ = false;
        });
      });
    }
    return editor;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (!enteringEdit_) QStyledItemDelegate::setEditorData(editor, index);
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        const QModelIndex at = grid_->currentIndex();
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        const QModelIndex to = at.sibling(at.row() + (key == Qt::Key_Up ? -1 : 1), at.column());
        if (to.isValid()) grid_->setCurrentIndex(to);
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  QTableView* grid_;
  std::function<TIBCustomDataSet*()> dataSet_;
  mutable bool enteringEdit_ = false;
};

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new DataSetModel(this)), link_(nullptr) {
  installKitAccessibility();
  setModel(model_);
  setItemDelegate(new GridDelegate(this, [this] { return dataSet(); }));
  setSelectionMode(QAbstractItemView::SingleSelection);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // The indicator's mark never changes the header's width: it always fits.
  const QFontMetrics marks(verticalHeader()->font());
  const int mark = std::max(marks.horizontalAdvance(QChar(0x25B6)), marks.horizontalAdvance(QLatin1Char('I')));
  verticalHeader()->setMinimumWidth(
      std::max(14, mark + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, verticalHeader()) + 4));
  link_.onDataSetChanged = [this](TIBCustomDataSet&) { dataSetReset(); };
  link_.onRecordChanged = [this](TIBCustomDataSet& ds) {
    model_->rowChanged(ds.recNo());
    updateIndicator(ds.recNo());  // the edit state's mark
  };
  link_.onCurrentChanged = [this](TIBCustomDataSet&) { syncToDataSet(); };
  setOptions(options_);
}

TDBGrid::~TDBGrid() {
  if (source_) source_->removeFlush(this);
}

void TDBGrid::setDataSource(TDataSource* source) {
  if (source_) {
    source_->removeFlush(this);
    disconnect(source_, nullptr, this, nullptr);
  }
  source_ = source;
  if (source_) {
    connect(source_, &TDataSource::dataSetReplaced, this, [this] { rebind(); });
    source_->addFlush(this, [this] { commitEdit(); });
  }
  rebind();
}

void TDBGrid::rebind() {
  link_.bind(dataSet());
  model_->setDataSet(dataSet());
  dataSetReset();
}

void TDBGrid::setOptions(int options) {
  options_ = options;
  model_->editing = (options & dgEditing) && !readOnly;
  setSelectionBehavior(options & dgRowSelect ? SelectRows : SelectItems);
  horizontalHeader()->setVisible(options & dgTitles);
  verticalHeader()->setVisible(options & dgIndicator);
  horizontalHeader()->setSectionResizeMode(options & dgColumnResize ? QHeaderView::Interactive : QHeaderView::Fixed);
  setShowGrid(options & (dgColLines | dgRowLines));
  setTabKeyNavigation(options & dgTabs);  // without it Tab leaves the grid
  setEditTriggers(model_->editing ? (DoubleClicked | EditKeyPressed | AnyKeyPressed | SelectedClicked)
                                  : NoEditTriggers);
}

void TDBGrid::applyWidths() {
  // A column holds DisplayWidth characters of its field; numbers are counted in
  // digits, which are wider than the average letter. The title always fits.
  const int cw = charWidth(this);
  const int digit = std::max(cw, fontMetrics().horizontalAdvance(QLatin1Char('0')));
  const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
  for (int c = 0; c < model_->columnCount(); ++c) {
    TField* f = model_->fieldOfColumn(c);
    if (!f) continue;
    const TFieldType type = f->dataType();
    const bool numeric = type == ftSmallint || type == ftInteger || type == ftLargeint || type == ftFloat ||
                         type == ftBCD;
    int width = f->DisplayWidth * (numeric ? digit : cw) + margin;
    if (options_ & dgTitles)
      width = std::max(width, horizontalHeader()->sectionSizeHint(c));
    setColumnWidth(c, width);
  }
}

void TDBGrid::dataSetReset() {
  model_->editing = (options_ & dgEditing) && !readOnly;
  model_->reset();
  applyWidths();
  syncToDataSet();
}

void TDBGrid::syncToDataSet() {
  TIBCustomDataSet* ds = dataSet();
  const int row = ds && ds->active() ? ds->recNo() : -1;
  const int before = currentIndex().row();
  syncing_ = true;
  if (row < 0) {
    selectionModel()->clearCurrentIndex();
    clearSelection();
  } else if (row != before) {
    const int column = std::max(0, currentIndex().column());
    const QModelIndex target = model_->index(row, std::min(column, std::max(0, model_->columnCount() - 1)));
    const QItemSelectionModel::SelectionFlags how =
        QItemSelectionModel::ClearAndSelect |
        (options_ & dgRowSelect ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate);
    // A handler may move the dataset many times: a shown grid scrolls once,
    // to where it ends, when the events run.
    const bool later = isVisible() && hasAutoScroll();
    if (later && state() != EditingState && !QAccessible::isActive()) {
      // No editor to close and no one to tell: the view need not hear of the
      // move; the two rows are repainted.
      {
        const QSignalBlocker quiet(selectionModel());
        selectionModel()->setCurrentIndex(target, how);
      }
      updateRow(before);
      updateRow(row);
      scrollToCurrentLater();
    } else if (later) {
      setAutoScroll(false);
      selectionModel()->setCurrentIndex(target, how);
      setAutoScroll(true);
      scrollToCurrentLater();
    } else {
      selectionModel()->setCurrentIndex(target, how);
      scrollTo(target);
    }
  }
  syncing_ = false;
  updateIndicator(before);
  updateIndicator(row);
}

void TDBGrid::scrollToCurrentLater() {
  if (scrollPending_) return;
  scrollPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        scrollPending_ = false;
        if (currentIndex().isValid()) scrollTo(currentIndex());
      },
      Qt::QueuedConnection);
}

void TDBGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
  // One row's values: its cells are repainted, the rest of the grid is not.
  if (topLeft.row() == bottomRight.row() && state() != EditingState && !QAccessible::isActive()) {
    updateRow(topLeft.row());
    return;
  }
  QTableView::dataChanged(topLeft, bottomRight, roles);
}

void TDBGrid::updateRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void TDBGrid::updateIndicator(int row) {
  if (!(options_ & dgIndicator) || row < 0 || row >= model_->rowCount()) return;
  QHeaderView* header = verticalHeader();
  header->viewport()->update(0, header->sectionViewportPosition(row), header->viewport()->width(),
                             header->sectionSize(row));
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_) return;
  TIBCustomDataSet* ds = dataSet();
  if (!ds || !ds->active() || !current.isValid()) return;
  if (current.row() != ds->recNo()) {
    guarded([&] { ds->moveTo(current.row()); });
    // the move may have been refused: the grid shows where the dataset stands
    if (ds->recNo() != current.row()) QMetaObject::invokeMethod(this, [this] { syncToDataSet(); }, Qt::QueuedConnection);
  }
}

void TDBGrid::setColumnFields(const QStringList& fieldNames) {
  model_->columnFields = fieldNames;
  dataSetReset();
}

int TDBGrid::columnCount() const { return model_->columnCount(); }
TField* TDBGrid::columnField(int column) const { return model_->fieldOfColumn(column); }

int TDBGrid::columnOfField(const QString& fieldName) const {
  for (int c = 0; c < model_->columnCount(); ++c)
    if (model_->fieldOfColumn(c)->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return c;
  return -1;
}

int TDBGrid::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

QRect TDBGrid::cellRect(int row, int column) const { return visualRect(model_->index(row, column)); }

void TDBGrid::commitEdit() {
  const QModelIndex index = currentIndex();
  if (state() != EditingState || !index.isValid()) return;
  if (QWidget* editor = indexWidget(index)) {
    itemDelegateForIndex(index)->setModelData(editor, model_, index);
    return;
  }
  // an editor opened by the delegate is a child of the viewport holding the focus
  if (QWidget* focus = viewport()->focusWidget(); focus && focus != viewport()) {
    itemDelegateForIndex(index)->setModelData(focus, model_, index);
  }
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  // Keys may come faster than the paints: a shown grid scrolls to the
  // current row once, when the events run.
  const bool later = isVisible() && hasAutoScroll();
  if (later) setAutoScroll(false);
  QTableView::keyPressEvent(event);
  if (later) {
    setAutoScroll(true);
    scrollToCurrentLater();
  }
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (indexAt(event->position().toPoint()).isValid()) guarded(OnDblClick);
}

// ---- navigator

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), link_([this] { updateButtons(); }) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const struct {
    TNavigateBtn id;
    QStyle::StandardPixmap icon;
    const char* text;
  } all[] = {
      {nbFirst, QStyle::SP_MediaSkipBackward, "|<"}, {nbPrior, QStyle::SP_MediaSeekBackward, "<"},
      {nbNext, QStyle::SP_MediaSeekForward, ">"},    {nbLast, QStyle::SP_MediaSkipForward, ">|"},
      {nbInsert, QStyle::SP_FileIcon, "+"},          {nbDelete, QStyle::SP_TrashIcon, "-"},
      {nbEdit, QStyle::SP_ArrowUp, "^"}, {nbPost, QStyle::SP_DialogApplyButton, "v"},
      {nbCancel, QStyle::SP_DialogCancelButton, "x"},  {nbRefresh, QStyle::SP_BrowserReload, "r"},
  };
  for (const auto& b : all) {
    auto* button = new QToolButton(this);
    button->setText(QString::fromLatin1(b.text));
    setStandardGlyph(button, b.icon);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    buttons_[b.id] = button;
    const TNavigateBtn id = b.id;
    connect(button, &QToolButton::clicked, this, [this, id] { guarded([&] { press(id); }); });
  }
  setVisibleButtons({nbFirst, nbPrior, nbNext, nbLast, nbEdit, nbPost, nbCancel});
  updateButtons();
}

TDBNavigator::~TDBNavigator() = default;

void TDBNavigator::setDataSource(TDataSource* source) {
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) connect(source_, &TDataSource::dataSetReplaced, this, [this] { rebind(); });
  rebind();
}

void TDBNavigator::rebind() {
  link_.bind(source_ ? source_->dataSet() : nullptr);
  updateButtons();
}

void TDBNavigator::setVisibleButtons(std::initializer_list<TNavigateBtn> visible) {
  for (auto& [id, button] : buttons_) {
    bool shown = false;
    for (TNavigateBtn v : visible) shown = shown || v == id;
    const bool offered = id != nbInsert && id != nbDelete && id != nbRefresh;
    button->setVisible(shown && offered);
  }
}

void TDBNavigator::setHint(TNavigateBtn button, const QString& hint) {
  buttons_.at(button)->setToolTip(hint);
  buttons_.at(button)->setAccessibleName(hint);  // a screen reader says the hint, not "|<"
}

QToolButton* TDBNavigator::button(TNavigateBtn button) const { return buttons_.at(button); }

void TDBNavigator::click(TNavigateBtn button) { buttons_.at(button)->click(); }

void TDBNavigator::press(TNavigateBtn button) {
  TIBCustomDataSet* ds = source_ ? source_->dataSet() : nullptr;
  if (!ds || !ds->active()) return;
  switch (button) {
    case nbFirst: ds->first(); break;
    case nbPrior: ds->prior(); break;
    case nbNext: ds->next(); break;
    case nbLast: ds->last(); break;
    case nbEdit: ds->edit(); break;
    case nbPost:
      source_->updateRecord();
      if (ds->state() == dsEdit) ds->post();
      break;
    case nbCancel:
      if (ds->state() == dsEdit) ds->cancel();
      break;
    default: break;
  }
  updateButtons();
}

void TDBNavigator::updateButtons() {
  TIBCustomDataSet* ds = link_.dataSet();
  const bool active = ds && ds->active() && !ds->isEmpty();
  const bool editing = active && ds->state() == dsEdit;
  const bool atStart = !active || ds->bof() || ds->recNo() <= 0;
  const bool atEnd = !active || ds->eof() || ds->recNo() >= ds->rowCount() - 1;
  buttons_[nbFirst]->setEnabled(active && !atStart);
  buttons_[nbPrior]->setEnabled(active && !atStart);
  buttons_[nbNext]->setEnabled(active && !atEnd);
  buttons_[nbLast]->setEnabled(active && !atEnd);
  buttons_[nbEdit]->setEnabled(active && !editing && ds->updateObject());
  buttons_[nbPost]->setEnabled(editing);
  buttons_[nbCancel]->setEnabled(editing);
}

// ---- data-aware edits

namespace {

// Marks a write of the edit's own into its field; the field's change then does
// not show back in the edit.
class ShowingFlag {
 public:
  explicit ShowingFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ShowingFlag() { flag_ = false; }
  ShowingFlag(const ShowingFlag&) = delete;
  ShowingFlag& operator=(const ShowingFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace

TDBEdit::TDBEdit(QWidget* parent)
    : TEdit(parent), link_(this, [this] { showField(); }, [this] { updateRecord(); }) {
  connect(this, &QLineEdit::textEdited, this, [this] {
    guarded([this] {
      TField* f = link_.fieldToEdit(dataField);
      if (!f) return;
      // the edit keeps what was typed while the dataset changes state
      const QString typed = text();
      ShowingFlag showing(showing_);
      try {
        if (f->dataSet().state() != dsEdit) f->dataSet().edit();
        modified_ = true;
        f->setAsString(typed);
        modified_ = false;
      } catch (const EConvertError&) {
        // written when the edit is left, where the error shows
      }
    });
  });
}

void TDBEdit::setDataField(const QString& name) {
  dataField = name;
  showField();
}

void TDBEdit::showField() {
  if (showing_) return;
  TField* f = field();
  modified_ = false;
  QLineEdit::setText(f ? f->asString() : QString());
  setReadOnly(!f || f->ReadOnly);
}

void TDBEdit::updateRecord() {
  if (!modified_) return;
  TField* f = field();
  if (!f) return;
  {
    ShowingFlag showing(showing_);
    f->setAsString(text());
  }
  modified_ = false;
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
  TEdit::focusOutEvent(event);
  guarded([this] { updateRecord(); });
}

TDBDateEdit::TDBDateEdit(QWidget* parent)
    : TDateEdit(parent), link_(this, [this] { showField(); }, [this] { updateRecord(); }) {
  connect(edit_, &QLineEdit::textChanged, this, [this] {
    if (showing_) return;
    guarded([this] {
      TField* f = link_.fieldToEdit(dataField);
      if (!f) return;
      const QDate d = date();
      const bool empty = text().trimmed().isEmpty();
      ShowingFlag showing(showing_);
      if (f->dataSet().state() != dsEdit) f->dataSet().edit();
      modified_ = !d.isValid() && !empty;
      if (d.isValid())
        f->setAsDateTime(d.startOfDay());
      else if (empty)
        f->setNull();
    });
  });
}

void TDBDateEdit::updateRecord() {
  if (!modified_ || !field()) return;
  if (date().isValid() || text().trimmed().isEmpty()) return;
  throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text()));
}

bool TDBDateEdit::eventFilter(QObject* watched, QEvent* event) {
  const bool handled = TDateEdit::eventFilter(watched, event);
  if (watched == edit_ && event->type() == QEvent::FocusOut) guarded([this] { updateRecord(); });
  return handled;
}

void TDBDateEdit::setDataField(const QString& name) {
  dataField = name;
  showField();
}

void TDBDateEdit::showField() {
  if (showing_) return;
  showing_ = true;
  modified_ = false;
  TField* f = field();
  setDate(f && !f->isNull() ? f->asDateTime().date() : QDate());
  showing_ = false;
}

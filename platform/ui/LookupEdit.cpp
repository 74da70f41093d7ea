#include "LookupEdit.h"

#include <QCompleter>
#include <QLineEdit>

#include "Guard.h"

TRxLookupEdit::TRxLookupEdit(QWidget* parent) : QComboBox(parent), link_(nullptr) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setDuplicatesEnabled(true);
  // the list's entries never widen the form
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(12);
  completer()->setCaseSensitivity(Qt::CaseInsensitive);
  completer()->setCompletionMode(QCompleter::InlineCompletion);
  link_.onDataSetChanged = [this](TIBCustomDataSet&) { refreshList(); };
  link_.onRecordChanged = [](TIBCustomDataSet&) {};
  link_.onCurrentChanged = [](TIBCustomDataSet&) {};
  connect(this, &QComboBox::editTextChanged, this, [this] { guarded(OnChange); });
  // The combo box would put the matching entry's text, in the entry's letter
  // case, into the edit when editing ends: the edit keeps what was typed.
  disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
}

TRxLookupEdit::~TRxLookupEdit() = default;

void TRxLookupEdit::setLookupSource(TDataSource* source) {
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) connect(source_, &TDataSource::dataSetReplaced, this, [this] { rebind(); });
  rebind();
}

void TRxLookupEdit::rebind() {
  link_.bind(source_ ? source_->dataSet() : nullptr);
  refreshList();
}

bool TRxLookupEdit::findColumns(int& keyIndex, int& displayIndex) const {
  TIBCustomDataSet* ds = source_ ? source_->dataSet() : nullptr;
  if (!ds || !ds->active()) return false;
  TField* key = ds->findField(lookupField);
  TField* display = ds->findField(lookupDisplay);
  if (!key || !display) return false;
  keyIndex = key->index();
  displayIndex = display->index();
  return true;
}

void TRxLookupEdit::refreshList() {
  const QString shown = currentText();
  const QSignalBlocker block(this);
  clear();
  int keyIndex, displayIndex;
  if (findColumns(keyIndex, displayIndex)) {
    TIBCustomDataSet* ds = source_->dataSet();
    for (int row = 0; row < ds->rowCount(); ++row)
      addItem(ds->displayText(row, displayIndex), ds->value(row, keyIndex).toString());
  }
  setCurrentIndex(-1);
  setEditText(shown);
}

QString TRxLookupEdit::keyValue() const {
  const QString shown = currentText();
  int keyIndex, displayIndex;
  if (shown.isEmpty() || !findColumns(keyIndex, displayIndex)) return QString();
  TIBCustomDataSet* ds = source_->dataSet();
  for (int row = 0; row < ds->rowCount(); ++row)
    if (ds->displayText(row, displayIndex).compare(shown, Qt::CaseInsensitive) == 0)
      return ds->value(row, keyIndex).toString();
  return QString();
}

void TRxLookupEdit::setKeyValue(const QString& key) {
  int keyIndex, displayIndex;
  if (!findColumns(keyIndex, displayIndex)) return;
  TIBCustomDataSet* ds = source_->dataSet();
  for (int row = 0; row < ds->rowCount(); ++row) {
    if (ds->value(row, keyIndex).toString() == key) {
      const int item = findData(key);
      if (item >= 0) setCurrentIndex(item);
      setEditText(ds->displayText(row, displayIndex));
      return;
    }
  }
}

void TRxLookupEdit::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (!view()->isVisible()) guarded(OnExit);
}

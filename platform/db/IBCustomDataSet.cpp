#include "IBCustomDataSet.h"

#include <algorithm>

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "SqlText.h"
#include "Statement.h"
#include "StatementRuns.h"

TIBCustomDataSet::TIBCustomDataSet()
    : select_(std::make_unique<KeptStatement>()),
      modify_(std::make_unique<KeptStatement>()),
      run_(std::make_unique<KeptStatement>()) {
  ClientLibrary::check();
}

TIBCustomDataSet::~TIBCustomDataSet() {
  try {
    state_ = state_ == dsEdit ? dsBrowse : state_;
    observers_.clear();
    close();
  } catch (...) {
  }
  if (transaction_) transaction_->removeDataSet(this);
  if (openIn_) openIn_->removeDataSet(this);
}

TIBDatabase* TIBCustomDataSet::database() const {
  if (database_) return database_;
  TIBTransaction* t = transaction_;
  return t ? t->defaultDatabase() : nullptr;
}

TIBTransaction* TIBCustomDataSet::transaction() const {
  if (transaction_) return transaction_;
  return database_ ? database_->defaultTransaction() : nullptr;
}

void TIBCustomDataSet::setTransaction(TIBTransaction* t) {
  if (t == transaction_) return;
  checkInactive("change the transaction of");
  if (transaction_) transaction_->removeDataSet(this);
  transaction_ = t;
  if (t) t->addDataSet(this);
}

void TIBCustomDataSet::setUniDirectional(bool on) {
  checkInactive("change the direction of");
  uniDirectional_ = on;
}

void TIBCustomDataSet::checkInactive(const char* what) const {
  if (active()) throw EDatabaseError(QStringLiteral("Cannot %1 an open dataset").arg(QLatin1String(what)));
}

void TIBCustomDataSet::checkActive() const {
  if (!active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

std::vector<const TParam*> TIBCustomDataSet::boundParams(const QStringList& names) {
  std::vector<const TParam*> out;
  TParams* params = selectParams();
  for (const QString& n : names) out.push_back(&params->paramByName(n));
  return out;
}

namespace {
void checkTargets(TIBDatabase* db, TIBTransaction* tr) {
  if (!db) throw EDatabaseError(QStringLiteral("Database not assigned"));
  if (!tr) throw EDatabaseError(QStringLiteral("Transaction not assigned"));
  db->checkConnected();
  tr->checkInTransaction();
}
}  // namespace

SqlText::Parsed TIBCustomDataSet::parsedSelect() {
  return selectParams() ? SqlText::parseParams(selectText()) : SqlText::Parsed{selectText(), {}};
}

std::unique_ptr<Statement> TIBCustomDataSet::prepareStatement() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  checkTargets(db, tr);

  const SqlText::Parsed parsed = parsedSelect();
  auto st = std::make_unique<Statement>(*db, *tr);
  st->prepare(parsed.text);
  st->setInputs(boundParams(parsed.names));
  return st;
}

void TIBCustomDataSet::runStatement() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  checkTargets(db, tr);
  const SqlText::Parsed parsed = parsedSelect();
  if (parsed.names.isEmpty() && !run_->holds(*db, *tr, parsed.text) && runImmediate(*db, *tr, parsed.text)) return;
  Statement& st = run_->prepared(*db, *tr, parsed.text);
  st.setInputs(boundParams(parsed.names));
  st.execute();
  st.closeCursor();
}

Statement& TIBCustomDataSet::keptSelectStatement() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  checkTargets(db, tr);
  const SqlText::Parsed parsed = parsedSelect();
  Statement& st = select_->prepared(*db, *tr, parsed.text);
  st.setInputs(boundParams(parsed.names));
  return st;
}

void TIBCustomDataSet::open() {
  if (active()) return;
  // All rows are read at once: the select stays prepared for the next opening
  // in the same transaction. A unidirectional cursor owns its statement.
  std::unique_ptr<Statement> cursor = uniDirectional_ ? prepareStatement() : nullptr;
  Statement* st = cursor ? cursor.get() : &keptSelectStatement();
  TIBTransaction* tr = transaction();
  st->execute();
  buildFields(st->columns());

  rows_.clear();
  pending_.clear();
  editRow_.clear();
  recordCount_ = -1;
  try {
    if (uniDirectional_) {
      if (st->fetch()) rows_.push_back(st->row());
      fetched_ = int(rows_.size());
    } else {
      while (st->fetch()) rows_.push_back(st->row());
    }
  } catch (...) {
    st->closeCursor();
    rows_.clear();
    for (TField* f : order_) f->index_ = -1;
    order_.clear();
    throw;
  }
  cursor_ = std::move(cursor);
  openIn_ = tr;
  tr->addDataSet(this);
  state_ = dsBrowse;
  modified_ = false;
  bof_ = true;
  eof_ = rows_.empty();
  current_ = rows_.empty() ? -1 : 0;
  notifyDataSet();
  if (!rows_.empty() && AfterScroll) AfterScroll(*this);
}

void TIBCustomDataSet::buildFields(const std::vector<ColumnInfo>& columns) {
  order_.clear();
  for (const ColumnInfo& c : columns) {
    TField* f = nullptr;
    for (auto& existing : fields_)
      if (existing->fieldName_.compare(c.name, Qt::CaseInsensitive) == 0 &&
          std::find(order_.begin(), order_.end(), existing.get()) == order_.end()) {
        f = existing.get();
        break;
      }
    if (!f) {
      fields_.push_back(std::make_unique<TField>(this, c.name));
      f = fields_.back().get();
      f->Required = !c.nullable;
      switch (c.type) {
        case ftString:
        case ftFixedChar: f->DisplayWidth = c.size; break;
        case ftSmallint: f->DisplayWidth = 6; break;
        case ftInteger: f->DisplayWidth = 11; break;
        case ftLargeint: f->DisplayWidth = 20; break;
        case ftDateTime: f->DisplayWidth = 18; break;
        default: f->DisplayWidth = 10; break;
      }
    }
    f->index_ = int(order_.size());
    f->dataType_ = c.type;
    f->size_ = c.size;
    f->scale_ = c.scale;
    order_.push_back(f);
  }
}

void TIBCustomDataSet::close() {
  if (!active()) return;
  cursor_.reset();
  rows_.clear();
  pending_.clear();
  editRow_.clear();
  for (TField* f : order_) f->index_ = -1;
  order_.clear();
  current_ = -1;
  fetched_ = 0;
  recordCount_ = -1;
  eof_ = bof_ = true;
  state_ = dsInactive;
  modified_ = false;
  if (openIn_ && openIn_ != transaction_) openIn_->removeDataSet(this);
  openIn_ = nullptr;
  notifyDataSet();
}

bool TIBCustomDataSet::isEmpty() const { return rows_.empty(); }

void TIBCustomDataSet::checkBrowseMode() {
  checkActive();
  if (state_ == dsEdit) {
    if (modified_)
      post();
    else
      cancel();
  }
}

void TIBCustomDataSet::doBeforeScroll() {
  if (BeforeScroll) BeforeScroll(*this);
}

void TIBCustomDataSet::doAfterScroll() {
  notifyCurrent();
  if (AfterScroll) AfterScroll(*this);
}

void TIBCustomDataSet::first() {
  checkBrowseMode();
  if (uniDirectional_ && fetched_ > 1)
    throw EDatabaseError(QStringLiteral("Operation not allowed on a unidirectional dataset"));
  doBeforeScroll();
  current_ = rows_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = rows_.empty();
  doAfterScroll();
}

void TIBCustomDataSet::next() {
  checkBrowseMode();
  doBeforeScroll();
  if (eof_) return;
  if (uniDirectional_) {
    // The row stays in the cursor's buffers until a column is read.
    if (cursor_ && cursor_->fetchBuffers()) {
      pending_.assign(rows_[0].size(), 1);
      ++fetched_;
      bof_ = false;
    } else {
      eof_ = true;
    }
  } else if (current_ + 1 < int(rows_.size())) {
    ++current_;
    bof_ = false;
  } else {
    eof_ = true;
  }
  doAfterScroll();
}

void TIBCustomDataSet::prior() {
  checkBrowseMode();
  if (uniDirectional_) throw EDatabaseError(QStringLiteral("Operation not allowed on a unidirectional dataset"));
  doBeforeScroll();
  if (bof_) return;
  if (current_ > 0) {
    --current_;
    eof_ = false;
  } else {
    bof_ = true;
  }
  doAfterScroll();
}

void TIBCustomDataSet::last() {
  checkBrowseMode();
  doBeforeScroll();
  if (uniDirectional_) {
    while (cursor_ && cursor_->fetch()) {
      rows_[0] = cursor_->row();
      pending_.clear();
      ++fetched_;
    }
  } else {
    current_ = int(rows_.size()) - 1;
  }
  eof_ = true;
  bof_ = rows_.empty();
  doAfterScroll();
}

void TIBCustomDataSet::moveTo(int row) {
  checkActive();
  if (row == current_) return;
  if (uniDirectional_) throw EDatabaseError(QStringLiteral("Operation not allowed on a unidirectional dataset"));
  if (row < 0 || row >= int(rows_.size())) throw EDatabaseError(QStringLiteral("Row %1 out of range").arg(row));
  checkBrowseMode();
  doBeforeScroll();
  current_ = row;
  bof_ = eof_ = false;
  doAfterScroll();
}

int TIBCustomDataSet::recordCount() {
  checkActive();
  if (!uniDirectional_) return int(rows_.size());
  if (recordCount_ < 0) {
    // The rows are not held: the server counts the same statement.
    const SqlText::Parsed parsed = parsedSelect();
    Statement st(*database(), *openIn_);
    st.prepare(QStringLiteral("select count(*) from (\r\n%1)").arg(parsed.text));
    st.setInputs(boundParams(parsed.names));
    st.execute();
    recordCount_ = st.fetch() ? st.row().at(0).toInt() : 0;
  }
  return recordCount_;
}

void TIBCustomDataSet::edit() {
  checkActive();
  if (state_ == dsEdit) return;
  if (current_ < 0) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
  if (!updateObject_) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
  convertPending();
  editRow_ = rows_[size_t(current_)];
  state_ = dsEdit;
  modified_ = false;
  notifyRecord();
}

void TIBCustomDataSet::post() {
  checkActive();
  if (state_ != dsEdit) throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  const QString modifyText = SqlText::join(updateObject_->ModifySQL);
  if (modifyText != modifyText_) {
    modifyParsed_ = SqlText::parseParams(modifyText);
    modifyText_ = modifyText;
  }
  const SqlText::Parsed& parsed = modifyParsed_;
  std::vector<TParam> values;
  values.reserve(size_t(parsed.names.size()));
  for (const QString& name : parsed.names) {
    TParam p(name);
    if (TField* f = findField(name); f && f->index_ >= 0) {
      p.setValue(editRow_[size_t(f->index_)]);
    } else if (name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive) &&
               (f = findField(name.mid(4))) && f->index_ >= 0) {
      p.setValue(rows_[size_t(current_)][size_t(f->index_)]);
    } else {
      throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    }
    values.push_back(p);
  }
  std::vector<const TParam*> bound;
  for (const TParam& p : values) bound.push_back(&p);
  // Posting runs the same text again and again: it stays prepared while the transaction lives.
  Statement& st = modify_->prepared(*database(), *openIn_, parsed.text);
  st.setInputs(bound);
  st.execute();
  rows_[size_t(current_)] = editRow_;
  editRow_.clear();
  state_ = dsBrowse;
  modified_ = false;
  notifyRecord();
}

void TIBCustomDataSet::cancel() {
  if (state_ != dsEdit) return;
  editRow_.clear();
  state_ = dsBrowse;
  modified_ = false;
  notifyRecord();
}

TField* TIBCustomDataSet::findField(const QString& name) {
  for (TField* f : order_)
    if (f->fieldName_.compare(name, Qt::CaseInsensitive) == 0) return f;
  for (auto& f : fields_)
    if (f->fieldName_.compare(name, Qt::CaseInsensitive) == 0) return f.get();
  return nullptr;
}

TField& TIBCustomDataSet::fieldByName(const QString& name) {
  TField* f = findField(name);
  if (!f) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return *f;
}

TField& TIBCustomDataSet::addField(const QString& name) {
  if (TField* f = findField(name)) return *f;
  fields_.push_back(std::make_unique<TField>(this, name));
  return *fields_.back();
}

void TIBCustomDataSet::convertPending() const {
  for (size_t i = 0; i < pending_.size(); ++i)
    if (pending_[i]) {
      rows_[0][i] = cursor_->column(int(i));
      pending_[i] = 0;
    }
}

const QVariant* TIBCustomDataSet::storedValue(int fieldIndex) const {
  if (fieldIndex < 0 || current_ < 0) return nullptr;
  if (state_ == dsEdit) return &editRow_[size_t(fieldIndex)];
  QVariant& v = rows_[size_t(current_)][size_t(fieldIndex)];
  if (size_t(fieldIndex) < pending_.size() && pending_[size_t(fieldIndex)]) {
    v = cursor_->column(fieldIndex);
    pending_[size_t(fieldIndex)] = 0;
  }
  return &v;
}

void TIBCustomDataSet::setStoredValue(int fieldIndex, const QVariant& v) {
  if (state_ != dsEdit) throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  if (fieldIndex < 0) throw EDatabaseError(QStringLiteral("Field is not part of the open dataset"));
  editRow_[size_t(fieldIndex)] = v;
  modified_ = true;
  notifyRecord();
}

QVariant TIBCustomDataSet::value(int row, int fieldIndex) const {
  convertPending();
  if (row < 0 || row >= int(rows_.size()) || fieldIndex < 0 || fieldIndex >= int(order_.size())) return QVariant();
  const auto& r = (row == current_ && state_ == dsEdit) ? editRow_ : rows_[size_t(row)];
  return order_[size_t(fieldIndex)]->toValue(r[size_t(fieldIndex)]);
}

QString TIBCustomDataSet::displayText(int row, int fieldIndex) const {
  convertPending();
  if (row < 0 || row >= int(rows_.size()) || fieldIndex < 0 || fieldIndex >= int(order_.size())) return QString();
  const auto& r = (row == current_ && state_ == dsEdit) ? editRow_ : rows_[size_t(row)];
  return order_[size_t(fieldIndex)]->toText(r[size_t(fieldIndex)]);
}

void TIBCustomDataSet::addObserver(DataSetObserver* o) {
  if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void TIBCustomDataSet::removeObserver(DataSetObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void TIBCustomDataSet::notifyDataSet() {
  const auto list = observers_;
  for (DataSetObserver* o : list) o->dataSetChanged(*this);
}

void TIBCustomDataSet::notifyRecord() {
  const auto list = observers_;
  for (DataSetObserver* o : list) o->recordChanged(*this);
}

void TIBCustomDataSet::notifyCurrent() {
  const auto list = observers_;
  for (DataSetObserver* o : list) o->currentChanged(*this);
}

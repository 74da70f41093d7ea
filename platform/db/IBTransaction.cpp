#include "IBTransaction.h"

#include <algorithm>

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBCustomDataSet.h"
#include "IBDatabase.h"
#include "StatementRuns.h"

namespace {

// One database of a transaction, as isc_start_multiple takes it.
struct TransactionElement {
  isc_db_handle* db;
  ISC_LONG tpbLength;
  const char* tpb;
};

QByteArray transactionParameterBlock(const QStringList& params) {
  static const struct {
    const char* name;
    char tag;
  } kTags[] = {
      {"read_committed", isc_tpb_read_committed}, {"rec_version", isc_tpb_rec_version},
      {"no_rec_version", isc_tpb_no_rec_version}, {"nowait", isc_tpb_nowait},
      {"wait", isc_tpb_wait},                     {"concurrency", isc_tpb_concurrency},
      {"consistency", isc_tpb_consistency},       {"read", isc_tpb_read},
      {"write", isc_tpb_write},
  };
  QByteArray tpb;
  tpb.append(char(isc_tpb_version3));
  for (const QString& line : params) {
    const QString p = line.trimmed();
    if (p.isEmpty()) continue;
    bool known = false;
    for (const auto& t : kTags)
      if (p.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) {
        tpb.append(t.tag);
        known = true;
      }
    if (!known) throw EDatabaseError(QStringLiteral("Invalid transaction parameter: %1").arg(p));
  }
  return tpb;
}

}  // namespace

TIBTransaction::TIBTransaction() { ClientLibrary::check(); }

TIBTransaction::~TIBTransaction() {
  try {
    if (inTransaction()) rollback();
  } catch (...) {
  }
  releaseStatements();
  for (TIBCustomDataSet* ds : dataSets_) ds->transaction_ = nullptr;
  if (database_) database_->removeTransaction(this);
}

void TIBTransaction::setDefaultDatabase(TIBDatabase* db) {
  if (db == database_) return;
  if (inTransaction()) throw EDatabaseError(QStringLiteral("Transaction is active"));
  if (database_) database_->removeTransaction(this);
  database_ = db;
  if (db) db->addTransaction(this);
}

void TIBTransaction::checkInTransaction() const {
  if (!inTransaction()) throw EDatabaseError(QStringLiteral("Transaction is not active"));
}

void TIBTransaction::startTransaction() {
  if (inTransaction()) {
    // A connection lost since the transaction's last call took it along.
    if (database_) database_->checkAlive();
    throw EDatabaseError(QStringLiteral("Transaction is active"));
  }
  if (!database_) throw EDatabaseError(QStringLiteral("Database not assigned"));
  database_->checkConnected();
  const QByteArray tpb = transactionParameterBlock(Params);
  TransactionElement teb{database_->handle(), ISC_LONG(tpb.size()), tpb.constData()};
  ISC_STATUS_ARRAY status;
  isc_tr_handle h = 0;
  fb().isc_start_multiple(status, &h, 1, &teb);
  database_->checkStatus(status);
  handle_ = h;
}

void TIBTransaction::commit() { end(true); }

void TIBTransaction::rollback() { end(false); }

void TIBTransaction::end(bool commit) {
  // A lost connection took the transaction with it: say so, not that none is active.
  if (database_ && database_->connectionLost()) {
    closeDataSets();
    releaseStatements();
    database_->checkConnected();
  }
  checkInTransaction();
  closeDataSets();
  releaseStatements();
  ISC_STATUS_ARRAY status;
  if (commit)
    fb().isc_commit_transaction(status, &handle_);
  else
    fb().isc_rollback_transaction(status, &handle_);
  if (status[0] == 1 && status[1] != 0) {
    // A failed rollback leaves nothing to retry: the handle is gone either way.
    if (!commit) handle_ = 0;
    if (database_) database_->raise(status);
    fb().raise(status);
  }
  handle_ = 0;
}

void TIBTransaction::closeDataSets() {
  const std::vector<TIBCustomDataSet*> list = dataSets_;
  for (TIBCustomDataSet* ds : list)
    if (ds->active()) {
      if (ds->state() == dsEdit) ds->cancel();
      ds->close();
    }
}

void TIBTransaction::addDataSet(TIBCustomDataSet* ds) {
  if (std::find(dataSets_.begin(), dataSets_.end(), ds) == dataSets_.end()) dataSets_.push_back(ds);
}

void TIBTransaction::removeDataSet(TIBCustomDataSet* ds) {
  dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), ds), dataSets_.end());
}

void TIBTransaction::keep(KeptStatement* st) {
  if (std::find(kept_.begin(), kept_.end(), st) == kept_.end()) kept_.push_back(st);
}

void TIBTransaction::forget(KeptStatement* st) { kept_.erase(std::remove(kept_.begin(), kept_.end(), st), kept_.end()); }

void TIBTransaction::releaseStatements() {
  while (!kept_.empty()) kept_.back()->release();  // release() forgets it
}

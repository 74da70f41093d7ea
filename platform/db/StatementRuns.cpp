#include "StatementRuns.h"

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "os/Cp1251.h"

namespace {

// The server refuses to run a statement that returns rows without a place for
// them; it has run nothing then.
bool returnsRows(const ISC_STATUS* status) {
  for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
    const ISC_STATUS kind = *p++;
    if (kind == isc_arg_gds && *p == isc_dsql_no_output_sqlda) return true;
    p += kind == isc_arg_cstring ? 2 : 1;
  }
  return false;
}

}  // namespace

bool runImmediate(TIBDatabase& db, TIBTransaction& tr, const QString& text) {
  const ClientLibrary& lib = fb();
  db.checkConnected();
  tr.checkInTransaction();
  const QByteArray bytes = Cp1251::encode(text);
  const unsigned short length = statementLength(bytes);
  ISC_STATUS_ARRAY status;
  lib.isc_dsql_execute_immediate(status, db.handle(), tr.handle(), length, bytes.constData(),
                                 (unsigned short)db.SQLDialect, nullptr);
  if (status[0] == 1 && status[1] != 0) {
    if (returnsRows(status)) return false;
    db.raise(status);
  }
  return true;
}

KeptStatement::~KeptStatement() { release(); }

bool KeptStatement::holds(const TIBDatabase& db, const TIBTransaction& tr, const QString& text) const {
  return statement_ && db_ == &db && tr_ == &tr && tr.inTransaction() && text_ == text;
}

Statement& KeptStatement::prepared(TIBDatabase& db, TIBTransaction& tr, const QString& text) {
  if (holds(db, tr, text)) return *statement_;
  release();
  auto st = std::make_unique<Statement>(db, tr);
  st->prepare(text);
  statement_ = std::move(st);
  text_ = text;
  db_ = &db;
  tr_ = &tr;
  tr.keep(this);
  return *statement_;
}

void KeptStatement::release() {
  if (tr_) tr_->forget(this);
  statement_.reset();
  text_.clear();
  db_ = nullptr;
  tr_ = nullptr;
}

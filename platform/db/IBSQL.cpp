#include "IBSQL.h"

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "SqlText.h"
#include "Statement.h"
#include "os/Cp1251.h"

TIBSQL::TIBSQL() { ClientLibrary::check(); }

TIBDatabase* TIBSQL::database() const {
  if (database_) return database_;
  return transaction_ ? transaction_->defaultDatabase() : nullptr;
}

TIBTransaction* TIBSQL::transaction() const {
  if (transaction_) return transaction_;
  return database_ ? database_->defaultTransaction() : nullptr;
}

QString TIBSQL::sqlText() const { return SqlText::join(SQL); }

TParams& TIBSQL::params() {
  const QString text = sqlText();
  if (ParamCheck && text != parsedText_) {
    params_.setNames(SqlText::parseParams(text).names);
    parsedText_ = text;
  }
  return params_;
}

namespace {
void checkTargets(TIBDatabase* db, TIBTransaction* tr) {
  if (!db) throw EDatabaseError(QStringLiteral("Database not assigned"));
  if (!tr) throw EDatabaseError(QStringLiteral("Transaction not assigned"));
  db->checkConnected();
  tr->checkInTransaction();
}
}  // namespace

void TIBSQL::execQuery() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  checkTargets(db, tr);
  const QString text = sqlText();
  const SqlText::Parsed parsed = ParamCheck ? SqlText::parseParams(text) : SqlText::Parsed{text, {}};
  if (parsed.names.isEmpty() && !kept_.holds(*db, *tr, parsed.text) && runImmediate(*db, *tr, parsed.text)) return;
  Statement& st = kept_.prepared(*db, *tr, parsed.text);
  std::vector<const TParam*> bound;
  for (const QString& n : parsed.names) bound.push_back(&params().paramByName(n));
  st.setInputs(bound);
  st.execute();
  st.closeCursor();
}

void TIBSQL::execImmediate() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  checkTargets(db, tr);
  const QByteArray text = Cp1251::encode(sqlText());
  ISC_STATUS_ARRAY status;
  const unsigned short length = statementLength(text);
  fb().isc_dsql_execute_immediate(status, db->handle(), tr->handle(), length, text.constData(),
                                  (unsigned short)db->SQLDialect, nullptr);
  db->checkStatus(status);
}

#include "IBStoredProc.h"

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "Statement.h"
#include "os/Cp1251.h"

TIBStoredProc::TIBStoredProc() { ClientLibrary::check(); }

TIBDatabase* TIBStoredProc::database() const {
  if (database_) return database_;
  return transaction_ ? transaction_->defaultDatabase() : nullptr;
}

TIBTransaction* TIBStoredProc::transaction() const {
  if (transaction_) return transaction_;
  return database_ ? database_->defaultTransaction() : nullptr;
}

void TIBStoredProc::setStoredProcName(const QString& name) {
  if (name == name_) return;
  name_ = name;
  prepared_ = false;
  params_.clear();
  inputs_.clear();
  outputs_.clear();
}

TParams& TIBStoredProc::params() {
  prepare();
  return params_;
}

QStringList TIBStoredProc::inputNames() {
  prepare();
  return inputs_;
}

QStringList TIBStoredProc::outputNames() {
  prepare();
  return outputs_;
}

void TIBStoredProc::prepare() {
  if (prepared_) return;
  TIBDatabase* db = database();
  if (!db) throw EDatabaseError(QStringLiteral("Database not assigned"));
  db->checkConnected();
  if (name_.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("Stored procedure name is missing"));

  // The procedure's own metadata, read in a short transaction of its own.
  TIBTransaction meta;
  meta.Params = QStringList{QStringLiteral("read"), QStringLiteral("read_committed"), QStringLiteral("rec_version"),
                            QStringLiteral("nowait")};
  meta.setDefaultDatabase(db);
  meta.startTransaction();
  QStringList inputs, outputs;
  bool found = false;
  {
    Statement st(*db, meta);
    st.prepare(QStringLiteral(
        "select p.RDB$PROCEDURE_NAME, pp.RDB$PARAMETER_NAME, pp.RDB$PARAMETER_TYPE "
        "from RDB$PROCEDURES p left join RDB$PROCEDURE_PARAMETERS pp "
        "on pp.RDB$PROCEDURE_NAME = p.RDB$PROCEDURE_NAME "
        "where p.RDB$PROCEDURE_NAME = ? "
        "order by pp.RDB$PARAMETER_TYPE, pp.RDB$PARAMETER_NUMBER"));
    st.setInput(0, name_.trimmed().toUpper());
    st.execute();
    while (st.fetch()) {
      found = true;
      const QVariant name = st.row().at(1);
      if (!name.isValid()) continue;
      const QString n = Cp1251::decode(name.toByteArray()).trimmed();
      (st.row().at(2).toInt() == 0 ? inputs : outputs) << n;
    }
  }
  meta.commit();
  if (!found) throw EDatabaseError(QStringLiteral("Stored procedure '%1' not found").arg(name_));
  inputs_ = inputs;
  outputs_ = outputs;
  params_.setNames(inputs + outputs);
  prepared_ = true;
}

void TIBStoredProc::execProc() {
  prepare();
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  if (!tr) throw EDatabaseError(QStringLiteral("Transaction not assigned"));
  db->checkConnected();
  tr->checkInTransaction();
  QString text = QStringLiteral("EXECUTE PROCEDURE ") + name_.trimmed();
  std::vector<const TParam*> bound;
  if (!inputs_.isEmpty()) {
    QStringList marks;
    for (const QString& n : inputs_) {
      marks << QStringLiteral("?");
      bound.push_back(&params_.paramByName(n));
    }
    text += QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
  }
  Statement st(*db, *tr);
  st.prepare(text);
  st.setInputs(bound);
  st.execute();
  if (!outputs_.isEmpty()) {
    const auto& row = st.row();
    for (int i = 0; i < outputs_.size() && i < int(row.size()); ++i)
      params_.paramByName(outputs_[i]).setValue(row[size_t(i)]);
  }
}

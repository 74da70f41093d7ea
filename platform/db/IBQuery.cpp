#include "IBQuery.h"

#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "SqlText.h"
#include "Statement.h"

QString TIBQuery::sqlText() const { return SqlText::join(SQL); }

TParams& TIBQuery::params() {
  const QString text = sqlText();
  if (text != parsedText_) {
    params_.setNames(SqlText::parseParams(text).names);
    parsedText_ = text;
  }
  return params_;
}

void TIBQuery::ExecSQL() {
  TIBDatabase* db = database();
  TIBTransaction* tr = transaction();
  if (!db) throw EDatabaseError(QStringLiteral("Database not assigned"));
  if (!tr) throw EDatabaseError(QStringLiteral("Transaction not assigned"));
  db->checkConnected();
  tr->checkInTransaction();
  const SqlText::Parsed parsed = SqlText::parseParams(sqlText());
  std::vector<const TParam*> bound;
  for (const QString& n : parsed.names) bound.push_back(&params().paramByName(n));
  Statement st(*db, *tr);
  st.prepare(parsed.text);
  st.setInputs(bound);
  st.execute();
  st.closeCursor();
}

QString TIBTable::selectText() const { return QStringLiteral("select * from ") + TableName; }

#include "IBQuery.h"

#include "SqlText.h"

QString TIBQuery::sqlText() const { return SqlText::join(SQL); }

TParams& TIBQuery::params() {
  const QString text = sqlText();
  if (text != parsedText_) {
    params_.setNames(SqlText::parseParams(text).names);
    parsedText_ = text;
  }
  return params_;
}

void TIBQuery::ExecSQL() { runStatement(); }

QString TIBTable::selectText() const { return QStringLiteral("select * from ") + TableName; }

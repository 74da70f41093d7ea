#include "IBQuery.h"

#include "SqlText.h"

QString TIBQuery::sqlText() const { return SqlText::join(SQL); }

TParams& TIBQuery::params() {
  const QString text = sqlText();
  if (text != parsedText_) {
    parsed_ = SqlText::parseParams(text);
    params_.setNames(parsed_.names);
    parsedText_ = text;
  }
  return params_;
}

SqlText::Parsed TIBQuery::parsedSelect() {
  params();
  return parsed_;
}

void TIBQuery::ExecSQL() { runStatement(); }

QString TIBTable::selectText() const { return QStringLiteral("select * from ") + TableName; }

#pragma once

#include <QStringList>

#include "IBCustomDataSet.h"
#include "Params.h"

// A dataset over a select statement of SQL lines with named parameters (:Name).
class TIBQuery : public TIBCustomDataSet {
 public:
  QStringList SQL;

  // The text sent: every line followed by CR LF.
  QString sqlText() const;
  // Parameters of the current SQL text, letter case ignored.
  TParams& params();
  TParam& paramByName(const QString& name) { return params().paramByName(name); }

  // Runs a statement that returns no rows, with the parameters, in the active
  // transaction, which it neither starts nor ends.
  void ExecSQL();

 protected:
  QString selectText() const override { return sqlText(); }
  TParams* selectParams() override { return &params(); }
  SqlText::Parsed parsedSelect() override;

 private:
  TParams params_;
  QString parsedText_;
  SqlText::Parsed parsed_;  // of parsedText_
};

// A dataset over all rows of one table.
class TIBTable : public TIBCustomDataSet {
 public:
  QString TableName;

 protected:
  QString selectText() const override;
};

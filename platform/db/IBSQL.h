#pragma once

#include <QStringList>

#include "Params.h"
#include "StatementRuns.h"

class TIBDatabase;
class TIBTransaction;

// A statement that returns no rows, run in the active transaction, which it
// neither starts nor ends.
class TIBSQL {
 public:
  TIBSQL();  // raises when the client library cannot be loaded

  QStringList SQL;
  // false: the text goes to the server as it stands, no parameters parsed.
  bool ParamCheck = true;

  TIBDatabase* database() const;
  void setDatabase(TIBDatabase* db) { database_ = db; }
  TIBTransaction* transaction() const;
  void setTransaction(TIBTransaction* t) { transaction_ = t; }

  QString sqlText() const;
  TParams& params();
  TParam& paramByName(const QString& name) { return params().paramByName(name); }

  // Executes the text with its parameters: at once when it takes none,
  // otherwise prepared once and kept for the next run in the same transaction.
  void execQuery();
  // Executes the whole text at once (isc_dsql_execute_immediate), without
  // parameters: a script text goes to the server as one statement.
  void execImmediate();

 private:
  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  TParams params_;
  QString parsedText_;
  KeptStatement kept_;
};

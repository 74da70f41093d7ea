#pragma once

#include <QString>
#include <memory>

#include "Statement.h"

class TIBDatabase;
class TIBTransaction;

// Runs a statement that takes no parameters in one call
// (isc_dsql_execute_immediate), without preparing it. False, with nothing run,
// when the statement returns rows: the caller prepares it instead. The
// database must be connected and the transaction active.
bool runImmediate(TIBDatabase& db, TIBTransaction& tr, const QString& text);

// A statement kept prepared for repeated runs: prepared on first use, reused
// while the transaction that prepared it stays active and the text is the
// same, freed when that transaction ends.
class KeptStatement {
 public:
  KeptStatement() = default;
  ~KeptStatement();
  KeptStatement(const KeptStatement&) = delete;
  KeptStatement& operator=(const KeptStatement&) = delete;

  // The statement prepared for this text in this transaction.
  Statement& prepared(TIBDatabase& db, TIBTransaction& tr, const QString& text);
  // Whether it holds this text prepared in this transaction.
  bool holds(const TIBDatabase& db, const TIBTransaction& tr, const QString& text) const;
  Statement& statement() { return *statement_; }
  // Frees the statement (the transaction's end calls it).
  void release();

 private:
  std::unique_ptr<Statement> statement_;
  QString text_;
  TIBDatabase* db_ = nullptr;
  TIBTransaction* tr_ = nullptr;
};

#pragma once

#include <QString>
#include <QStringList>

#include "Params.h"

class TIBDatabase;
class TIBTransaction;

// A stored procedure run with "EXECUTE PROCEDURE name(?, ...)" in the active
// transaction. Its parameters, inputs then outputs, come from the procedure's
// metadata, read on first use; paramByName finds both (letter case ignored),
// and the outputs hold the results after execProc.
class TIBStoredProc {
 public:
  TIBStoredProc();  // raises when the client library cannot be loaded

  TIBDatabase* database() const;
  void setDatabase(TIBDatabase* db) { database_ = db; }
  TIBTransaction* transaction() const;
  void setTransaction(TIBTransaction* t) { transaction_ = t; }

  QString storedProcName() const { return name_; }
  void setStoredProcName(const QString& name);

  TParams& params();
  TParam& paramByName(const QString& name) { return params().paramByName(name); }
  QStringList inputNames();
  QStringList outputNames();

  void execProc();

 private:
  void prepare();

  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  QString name_;
  bool prepared_ = false;
  TParams params_;
  QStringList inputs_;
  QStringList outputs_;
};

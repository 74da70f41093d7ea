#pragma once

#include <QStringList>
#include <ibase.h>
#include <vector>

class TIBDatabase;
class TIBCustomDataSet;
class KeptStatement;

// A transaction on one database. Its parameters are lines such as
// "read_committed", "rec_version", "nowait" (also "concurrency",
// "consistency", "wait", "read", "write", "no_rec_version").
class TIBTransaction {
 public:
  TIBTransaction();  // raises when the client library cannot be loaded
  ~TIBTransaction();  // an active transaction is rolled back
  TIBTransaction(const TIBTransaction&) = delete;
  TIBTransaction& operator=(const TIBTransaction&) = delete;

  QStringList Params;

  TIBDatabase* defaultDatabase() const { return database_; }
  void setDefaultDatabase(TIBDatabase* db);

  // Raises "Transaction is active" when it is already active.
  void startTransaction();
  // Both close every dataset running in it first (an unposted edit is
  // dropped), then end the transaction.
  void commit();
  void rollback();
  bool inTransaction() const { return handle_ != 0; }
  bool active() const { return inTransaction(); }

  // Raises EDatabaseError "Transaction is not active".
  void checkInTransaction() const;
  isc_tr_handle* handle() { return &handle_; }

  // Datasets register themselves so that the end of the transaction closes them.
  void addDataSet(TIBCustomDataSet* ds);
  void removeDataSet(TIBCustomDataSet* ds);

  // Statements kept prepared in it register themselves so that its end frees them.
  void keep(KeptStatement* st);
  void forget(KeptStatement* st);

 private:
  friend class TIBDatabase;
  void closeDataSets();
  void releaseStatements();
  void end(bool commit);

  TIBDatabase* database_ = nullptr;
  isc_tr_handle handle_ = 0;
  std::vector<TIBCustomDataSet*> dataSets_;
  std::vector<KeptStatement*> kept_;
};

#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "db/IBDatabase.h"
#include "db/IBTransaction.h"

// A database of its own for one test, made with isql-fb from a few statements
// and dropped afterwards; plus a connection and a transaction on it.
class ScratchDatabase {
 public:
  // ddl: statements after CREATE DATABASE, in isql syntax (SET TERM allowed).
  explicit ScratchDatabase(const QString& ddl);
  ~ScratchDatabase();

  // "localhost:/folder/file.fdb"
  const QString& connectionString() const { return name_; }

  // Connection parameters as the programs use them, for the given login.
  static QStringList params(const QString& user = QStringLiteral("SYSDBA"),
                            const QString& password = QStringLiteral("quietfern"));

  // A connected database (no login prompt) with a read_committed transaction.
  TIBDatabase db;
  TIBTransaction tr;

 private:
  QString name_;
};

// Runs a script through isql-fb; returns its output, fails the test on an error.
QString runIsql(const QString& script, const QStringList& args);

// The message of the error the call raises, "(no error)" when it raises none.
QString errorText(const std::function<void()>& f);

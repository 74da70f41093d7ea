#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <future>
#include <ibase.h>
#include <vector>

class TIBTransaction;

// Name=value parameter lines (names compared with letter case ignored).
namespace ParamLines {
int indexOf(const QStringList& lines, const QString& name);
QString value(const QStringList& lines, const QString& name);
// Replaces the named line or appends one.
void setValue(QStringList& lines, const QString& name, const QString& value);
}  // namespace ParamLines

// One connection to a database, dialect and code page from its parameters.
class TIBDatabase {
 public:
  TIBDatabase();  // raises when the client library cannot be loaded
  ~TIBDatabase();
  TIBDatabase(const TIBDatabase&) = delete;
  TIBDatabase& operator=(const TIBDatabase&) = delete;

  // "server:path" or a local path.
  QString DatabaseName;
  // Lines "user_name=...", "password=...", "lc_ctype=WIN1251", "sql_dialect=1".
  QStringList Params;
  int SQLDialect = 1;
  bool LoginPrompt = true;

  QString paramValue(const QString& name) const { return ParamLines::value(Params, name); }
  void setParamValue(const QString& name, const QString& value) { ParamLines::setValue(Params, name, value); }

  TIBTransaction* defaultTransaction() const { return defaultTransaction_; }
  void setDefaultTransaction(TIBTransaction* t);

  // Connecting: "Database name is missing" for an empty name; with LoginPrompt
  // the login hook first (Cancel: "Operation cancelled at user's request").
  // Disconnecting rolls back the transactions still active on it and closes
  // their datasets. Setting the state it already has does nothing.
  void setConnected(bool on);
  bool connected() const { return settle(), handle_ != 0; }
  // Connects as setConnected(true) does, the login hook included, but leaves
  // the attachment to run in the background: the next setConnected(true) waits
  // for it and raises what connecting raised (a refused login, a cancelled
  // prompt, a missing name). Every other use waits for it first.
  void beginConnect();
  void open() { setConnected(true); }
  void close() { setConnected(false); }

  // Raises EDatabaseError when not connected, and the error that lost the
  // connection once it is lost.
  void checkConnected() const;
  isc_db_handle* handle() { return settle(), &handle_; }

  // Raises the error of a failed call on this connection (nothing when the
  // status holds none). An error that says the connection is gone (network
  // errors, connection shutdown) ends every transaction on it: from then on
  // every use raises the server's text of that loss followed by
  // connectionLostLine(), until the connection is closed.
  void checkStatus(const ISC_STATUS* status);
  [[noreturn]] void raise(const ISC_STATUS* status);
  bool connectionLost() const { return !lostMessage_.isEmpty(); }
  // Asks the server whether the connection still stands, and raises as
  // checkStatus does when it says that the connection is gone; any other
  // answer is let be.
  void checkAlive();
  static QString connectionLostLine();

  // Seconds an attachment waits for a server that does not answer.
  static constexpr int kConnectTimeoutSeconds = 15;

 private:
  friend class TIBTransaction;
  // The checks and the login of connecting; the user and password to attach with.
  void prepareConnect(QString& user, QString& password);
  // The file name and parameter block to attach with.
  void connectionBlock(const QString& user, const QString& password, QByteArray& name, QByteArray& dpb);
  void attach(const QString& user, const QString& password);
  // Takes the result of a background attachment once it has come.
  void settle() const;
  void addTransaction(TIBTransaction* t);
  void removeTransaction(TIBTransaction* t);

  [[noreturn]] void raiseLost() const;

  struct Attachment {
    isc_db_handle handle = 0;
    std::exception_ptr error;
  };
  mutable isc_db_handle handle_ = 0;
  mutable std::future<Attachment> attaching_;  // a background attachment not yet taken
  mutable std::exception_ptr connectError_;    // raised by the next setConnected(true)
  QString lostMessage_;  // the server's text of the error that lost the connection
  TIBTransaction* defaultTransaction_ = nullptr;
  std::vector<TIBTransaction*> transactions_;
};

#include "IBDatabase.h"

#include <QtEndian>
#include <algorithm>
#include <utility>

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBTransaction.h"
#include "LoginHooks.h"
#include "os/Cp1251.h"
#include "os/StartupWorker.h"
#include "os/Strings.h"

namespace ParamLines {

int indexOf(const QStringList& lines, const QString& name) {
  for (int i = 0; i < lines.size(); ++i) {
    const int eq = int(lines[i].indexOf(QLatin1Char('=')));
    const QString n = (eq < 0 ? lines[i] : lines[i].left(eq)).trimmed();
    if (n.compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

QString value(const QStringList& lines, const QString& name) {
  const int i = indexOf(lines, name);
  if (i < 0) return QString();
  const int eq = int(lines[i].indexOf(QLatin1Char('=')));
  return eq < 0 ? QString() : lines[i].mid(eq + 1);
}

void setValue(QStringList& lines, const QString& name, const QString& value) {
  const QString line = name + QLatin1Char('=') + value;
  const int i = indexOf(lines, name);
  if (i < 0)
    lines << line;
  else
    lines[i] = line;
}

}  // namespace ParamLines

namespace {

void addDpbString(QByteArray& dpb, char tag, const QByteArray& value) {
  // Cutting a login or password would log in with something else.
  if (value.size() > 255)
    throw EDatabaseError(QStringLiteral("Connection parameter is too long: %1 bytes, at most 255").arg(value.size()));
  dpb.append(tag);
  dpb.append(char(value.size()));
  dpb.append(value);
}

QString cancelledText() { return QStringLiteral("Operation cancelled at user's request"); }

}  // namespace

TIBDatabase::TIBDatabase() { ClientLibrary::check(); }

TIBDatabase::~TIBDatabase() {
  try {
    setConnected(false);
  } catch (...) {
  }
  for (TIBTransaction* t : transactions_) t->database_ = nullptr;
}

void TIBDatabase::setDefaultTransaction(TIBTransaction* t) {
  defaultTransaction_ = t;
  if (t && !t->defaultDatabase()) t->setDefaultDatabase(this);
}

void TIBDatabase::checkConnected() const {
  if (!connected()) throw EDatabaseError(QStringLiteral("Database not connected"));
  if (connectionLost()) raiseLost();
}

QString TIBDatabase::connectionLostLine() {
  return QStringLiteral("The connection to the database is lost: the program must be restarted");
}

void TIBDatabase::raiseLost() const {
  throw EIBError(lostMessage_ + QLatin1Char('\n') + connectionLostLine(), 0, isc_network_error);
}

void TIBDatabase::checkStatus(const ISC_STATUS* status) {
  if (status[0] == 1 && status[1] != 0) raise(status);
}

void TIBDatabase::checkAlive() {
  if (!connected()) return;
  if (connectionLost()) raiseLost();
  if (!fb().fb_ping) return;
  ISC_STATUS_ARRAY status;
  fb().fb_ping(status, &handle_);
  if (status[0] == 1 && status[1] != 0 && ClientLibrary::meansConnectionLost(status)) raise(status);
}

void TIBDatabase::raise(const ISC_STATUS* status) {
  if (connectionLost()) raiseLost();
  const bool lost = ClientLibrary::meansConnectionLost(status);
  try {
    fb().raise(status);
  } catch (const EIBError& e) {
    if (!lost) throw;
    lostMessage_ = e.message();
    // The transactions died with the connection; their datasets stay open
    // until closed, and closing them asks nothing of the server.
    for (TIBTransaction* t : transactions_) t->handle_ = 0;
    raiseLost();
  }
  throw EDatabaseError(QStringLiteral("Unknown server error"));  // not reached: raise always throws
}

void TIBDatabase::setConnected(bool on) {
  settle();
  if (connectError_) {
    // What a background connect raised is told once, by the call that wanted the connection.
    const std::exception_ptr error = std::exchange(connectError_, nullptr);
    if (on) std::rethrow_exception(error);
  }
  if (on == connected()) return;
  if (on) {
    QString user, password;
    prepareConnect(user, password);
    attach(user, password);
    return;
  }
  if (connectionLost()) {
    // Nothing to end and no one to tell: the handle is given back.
    ISC_STATUS_ARRAY ignored;
    fb().isc_detach_database(ignored, &handle_);
    handle_ = 0;
    lostMessage_.clear();
    return;
  }
  // Datasets and transactions still open on this connection end here.
  for (TIBTransaction* t : transactions_)
    if (t->inTransaction()) {
      try {
        t->rollback();
      } catch (const EDatabaseError&) {
        t->handle_ = 0;
      }
    }
  ISC_STATUS_ARRAY status;
  fb().isc_detach_database(status, &handle_);
  handle_ = 0;
  fb().checkStatus(status);
}

void TIBDatabase::beginConnect() {
  if (connected() || connectError_) return;
  QByteArray name, dpb;
  try {
    QString user, password;
    prepareConnect(user, password);
    connectionBlock(user, password, name, dpb);
  } catch (...) {
    connectError_ = std::current_exception();
    return;
  }
  // The thread touches nothing of this object: it gets copies and gives back
  // the handle or the error, made into text where the status was written.
  const ClientLibrary* lib = &fb();
  attaching_ = StartupWorker::run([lib, name, dpb] {
    Attachment result;
    ISC_STATUS_ARRAY status;
    isc_db_handle h = 0;
    lib->isc_attach_database(status, short(name.size()), name.constData(), &h, short(dpb.size()), dpb.constData());
    try {
      lib->checkStatus(status);
      result.handle = h;
    } catch (...) {
      result.error = std::current_exception();
    }
    return result;
  });
}

void TIBDatabase::settle() const {
  if (!attaching_.valid()) return;
  Attachment result = attaching_.get();
  handle_ = result.handle;
  connectError_ = result.error;
}

void TIBDatabase::prepareConnect(QString& user, QString& password) {
  if (DatabaseName.isEmpty()) throw EDatabaseError(QStringLiteral("Database name is missing"));
  // The library takes the name's length (UTF-8 bytes) as a signed 16-bit
  // count: a longer name would be cut to another one.
  if (const qsizetype bytes = DatabaseName.toUtf8().size(); bytes > 0x7FFF)
    throw EDatabaseError(QStringLiteral("Database name is too long: %1 bytes, at most 32767").arg(bytes));
  user = paramValue(QStringLiteral("user_name"));
  password = paramValue(QStringLiteral("password"));
  if (LoginPrompt) {
    if (!LoginHooks::databaseLogin || !LoginHooks::databaseLogin(DatabaseName, user, password))
      throw EDatabaseError(cancelledText());
    setParamValue(QStringLiteral("user_name"), user);
  }
}

void TIBDatabase::connectionBlock(const QString& user, const QString& password, QByteArray& name, QByteArray& dpb) {
  dpb.clear();
  dpb.append(char(isc_dpb_version1));
  const QString charset = paramValue(QStringLiteral("lc_ctype"));
  addDpbString(dpb, isc_dpb_lc_ctype, (charset.isEmpty() ? QStringLiteral("WIN1251") : charset).toLatin1());
  // The login and the file name go as UTF-8, and the block says so: otherwise
  // the client library reads them in the process's code page and refuses every
  // letter outside ASCII. What Windows-1251 cannot hold is still refused.
  auto dpbText = [](const QString& text) {
    Cp1251::encode(text);
    return text.toUtf8();
  };
  dpb.append(char(isc_dpb_utf8_filename));
  dpb.append(char(0));
  // Login names hold no surrounding blanks: a name typed with them is the same login.
  const QString login = Strings::trim(user);
  if (!login.isEmpty()) addDpbString(dpb, isc_dpb_user_name, dpbText(login));
  if (!password.isEmpty()) addDpbString(dpb, isc_dpb_password, dpbText(password));
  const QString dialect = paramValue(QStringLiteral("sql_dialect"));
  if (!dialect.isEmpty()) SQLDialect = dialect.toInt();
  dpb.append(char(isc_dpb_sql_dialect));
  dpb.append(char(4));
  const int d = SQLDialect;
  dpb.append(reinterpret_cast<const char*>(&d), 4);
  // A server that does not answer is given up on instead of waited for.
  dpb.append(char(isc_dpb_connect_timeout));
  dpb.append(char(4));
  const qint32 timeout = qToLittleEndian<qint32>(kConnectTimeoutSeconds);
  dpb.append(reinterpret_cast<const char*>(&timeout), 4);

  name = dpbText(DatabaseName);
  // A zero byte inside would end the name there, at another file.
  if (name.contains('\0')) throw EDatabaseError(QStringLiteral("Database name holds a zero byte"));
  if (dpb.size() > 0x7FFF)
    throw EDatabaseError(QStringLiteral("Connection parameters are too long: %1 bytes, at most 32767").arg(dpb.size()));
}

void TIBDatabase::attach(const QString& user, const QString& password) {
  const ClientLibrary& lib = fb();
  QByteArray name, dpb;
  connectionBlock(user, password, name, dpb);
  ISC_STATUS_ARRAY status;
  isc_db_handle h = 0;
  lib.isc_attach_database(status, short(name.size()), name.constData(), &h, short(dpb.size()), dpb.constData());
  lib.checkStatus(status);
  handle_ = h;
  lostMessage_.clear();
}

void TIBDatabase::addTransaction(TIBTransaction* t) {
  if (std::find(transactions_.begin(), transactions_.end(), t) == transactions_.end()) transactions_.push_back(t);
}

void TIBDatabase::removeTransaction(TIBTransaction* t) {
  transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t), transactions_.end());
  if (defaultTransaction_ == t) defaultTransaction_ = nullptr;
}

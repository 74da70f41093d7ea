#include "IBSecurityService.h"

#include <QThread>

#include <QtEndian>
#include <algorithm>

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "LoginHooks.h"
#include "os/Cp1251.h"

namespace {

void addShort(QByteArray& b, int n) {
  b.append(char(n & 0xFF));
  b.append(char((n >> 8) & 0xFF));
}

// The attachment tells the service manager that its texts come as UTF-8;
// without that the client library would read them in the process's own code
// page and refuse every letter outside ASCII. A character that Windows-1251
// cannot hold is still refused: no workstation could type it.
QByteArray serviceText(const QString& value) {
  Cp1251::encode(value);
  return value.toUtf8();
}

void addString(QByteArray& request, char tag, const QString& value) {
  const QByteArray bytes = serviceText(value);
  request.append(tag);
  addShort(request, int(bytes.size()));
  request.append(bytes);
}

void addInteger(QByteArray& request, char tag, int value) {
  request.append(tag);
  const qint32 le = qToLittleEndian<qint32>(value);
  request.append(reinterpret_cast<const char*>(&le), 4);
}

int readShort(const char* p) { return (unsigned char)p[0] | ((unsigned char)p[1] << 8); }

int readInteger(const char* p) { return qFromLittleEndian<qint32>(p); }

}  // namespace

TIBSecurityService::~TIBSecurityService() {
  try {
    setActive(false);
  } catch (...) {
  }
}

QString TIBSecurityService::paramValue(const QString& name) const { return ParamLines::value(Params, name); }

void TIBSecurityService::setParamValue(const QString& name, const QString& value) {
  ParamLines::setValue(Params, name, value);
}

void TIBSecurityService::setActive(bool on) {
  if (on == active()) return;
  const ClientLibrary& lib = fb();
  if (!lib.hasServices()) throw EIBClientError(QStringLiteral("The client library offers no services API"));
  ISC_STATUS_ARRAY status;
  if (!on) {
    lib.isc_service_detach(status, &handle_);
    handle_ = 0;
    lib.checkStatus(status);
    return;
  }
  QString user = paramValue(QStringLiteral("user_name"));
  QString password = paramValue(QStringLiteral("password"));
  if (LoginPrompt) {
    if (!LoginHooks::serviceLogin || !LoginHooks::serviceLogin(ServerName, user, password))
      throw EDatabaseError(QStringLiteral("Operation cancelled at user's request"));
    setParamValue(QStringLiteral("user_name"), user);
    setParamValue(QStringLiteral("password"), password);
  }
  QString service = QStringLiteral("service_mgr");
  if (Protocol == TCP) {
    if (ServerName.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("Server name is missing"));
    service = ServerName.trimmed() + QLatin1Char(':') + service;
  }
  QByteArray spb;
  spb.append(char(isc_spb_version));
  spb.append(char(isc_spb_current_version));
  auto addSpb = [&spb](char tag, const QString& value) {
    const QByteArray bytes = serviceText(value);
    if (bytes.size() > 255)
      throw EDatabaseError(QStringLiteral("Connection parameter is too long: %1 bytes, at most 255").arg(bytes.size()));
    spb.append(tag);
    spb.append(char(bytes.size()));
    spb.append(bytes);
  };
  if (!user.isEmpty()) addSpb(isc_spb_user_name, user);
  if (!password.isEmpty()) addSpb(isc_spb_password, password);
  spb.append(char(isc_spb_utf8_filename));
  spb.append(char(0));
  // A server that does not answer is given up on instead of waited for.
  spb.append(char(isc_spb_connect_timeout));
  spb.append(char(4));
  const qint32 timeout = qToLittleEndian<qint32>(TIBDatabase::kConnectTimeoutSeconds);
  spb.append(reinterpret_cast<const char*>(&timeout), 4);
  const QByteArray name = serviceText(service);
  if (name.size() > 0xFFFF || name.contains('\0'))
    throw EDatabaseError(QStringLiteral("Server name is too long or holds a zero byte"));
  isc_svc_handle h = 0;
  lib.isc_service_attach(status, (unsigned short)name.size(), name.constData(), &h, (unsigned short)spb.size(),
                         spb.constData());
  lib.checkStatus(status);
  handle_ = h;
}

void TIBSecurityService::checkActive() const {
  if (!active()) throw EDatabaseError(QStringLiteral("Service is not active"));
}

void TIBSecurityService::checkUserName(const QString& name) const {
  if (name.trimmed().isEmpty() || name.contains(QLatin1Char(' ')))
    throw EDatabaseError(QStringLiteral("start Parameters missing or incorrect"));
}

void TIBSecurityService::start(const QByteArray& request) {
  const ClientLibrary& lib = fb();
  ISC_STATUS_ARRAY status;
  // The server may still be winding up the attachment's previous action (one
  // that failed, above all): wait a little for it instead of failing at once.
  if (request.size() > 0xFFFF)
    throw EDatabaseError(QStringLiteral("Service request is too long: %1 bytes, at most 65535").arg(request.size()));
  for (int attempt = 0;; ++attempt) {
    lib.isc_service_start(status, &handle_, nullptr, (unsigned short)request.size(), request.constData());
    if (status[0] != 1 || status[1] != isc_svc_in_use || attempt == 100) break;
    QThread::msleep(50);
  }
  lib.checkStatus(status);
}

namespace {

// Reads the service's output until it has finished, so that its errors are raised here.
void waitForService(isc_svc_handle* handle) {
  const ClientLibrary& lib = fb();
  const char items[] = {isc_info_svc_line};
  char buf[1024];
  for (;;) {
    ISC_STATUS_ARRAY status;
    lib.isc_service_query(status, handle, nullptr, 0, nullptr, sizeof items, items, sizeof buf, buf);
    lib.checkStatus(status);
    if (buf[0] != isc_info_svc_line) return;
    if (readShort(buf + 1) == 0) return;
  }
}

}  // namespace

void TIBSecurityService::addUser() {
  checkUserName(UserName);
  checkActive();
  QByteArray r;
  r.append(char(isc_action_svc_add_user));
  addString(r, isc_spb_sec_username, UserName);
  addString(r, isc_spb_sec_password, Password);
  if (!FirstName.isEmpty()) addString(r, isc_spb_sec_firstname, FirstName);
  if (!MiddleName.isEmpty()) addString(r, isc_spb_sec_middlename, MiddleName);
  if (!LastName.isEmpty()) addString(r, isc_spb_sec_lastname, LastName);
  if (UserID) addInteger(r, isc_spb_sec_userid, UserID);
  if (GroupID) addInteger(r, isc_spb_sec_groupid, GroupID);
  start(r);
  waitForService(&handle_);
}

void TIBSecurityService::modifyUser() {
  checkUserName(UserName);
  checkActive();
  QByteArray r;
  r.append(char(isc_action_svc_modify_user));
  addString(r, isc_spb_sec_username, UserName);
  // An empty password too is the server's to judge, not left out.
  addString(r, isc_spb_sec_password, Password);
  if (!FirstName.isEmpty()) addString(r, isc_spb_sec_firstname, FirstName);
  if (!MiddleName.isEmpty()) addString(r, isc_spb_sec_middlename, MiddleName);
  if (!LastName.isEmpty()) addString(r, isc_spb_sec_lastname, LastName);
  start(r);
  waitForService(&handle_);
}

void TIBSecurityService::deleteUser() {
  checkUserName(UserName);
  checkActive();
  QByteArray r;
  r.append(char(isc_action_svc_delete_user));
  addString(r, isc_spb_sec_username, UserName);
  start(r);
  waitForService(&handle_);
}

void TIBSecurityService::displayUser(const QString& name) {
  checkUserName(name);
  checkActive();
  users_.clear();
  QByteArray r;
  r.append(char(isc_action_svc_display_user));
  addString(r, isc_spb_sec_username, name);
  start(r);

  const ClientLibrary& lib = fb();
  const char items[] = {isc_info_svc_get_users};
  QByteArray buf(65536, '\0');
  ISC_STATUS_ARRAY status;
  lib.isc_service_query(status, &handle_, nullptr, 0, nullptr, sizeof items, items, (unsigned short)(buf.size() - 1),
                        buf.data());
  lib.checkStatus(status);
  const char* p = buf.constData();
  const char* end = p + buf.size();
  if (*p != isc_info_svc_get_users) return;
  const int total = readShort(p + 1);
  p += 3;
  end = std::min(end, p + total);
  TUserInfo* u = nullptr;
  while (p < end) {
    const char tag = *p++;
    switch (tag) {
      case isc_spb_sec_username:
      case isc_spb_sec_firstname:
      case isc_spb_sec_middlename:
      case isc_spb_sec_lastname: {
        if (end - p < 2) return;
        const int len = readShort(p);
        if (end - p - 2 < len) return;
        const QString text = QString::fromUtf8(p + 2, len);
        p += 2 + len;
        if (tag == isc_spb_sec_username) {
          users_.emplace_back();
          u = &users_.back();
          u->UserName = text;
        } else if (u) {
          (tag == isc_spb_sec_firstname ? u->FirstName : tag == isc_spb_sec_middlename ? u->MiddleName : u->LastName) = text;
        }
        break;
      }
      case isc_spb_sec_userid:
      case isc_spb_sec_groupid:
      case isc_spb_sec_admin: {
        if (end - p < 4) return;
        const int n = readInteger(p);
        p += 4;
        if (u && tag == isc_spb_sec_userid) u->UserID = n;
        if (u && tag == isc_spb_sec_groupid) u->GroupID = n;
        break;
      }
      default:
        p = end;
        break;
    }
  }
}

#pragma once

#include <QString>
#include <QStringList>
#include <ibase.h>
#include <vector>

enum TProtocol { Local, TCP };

struct TUserInfo {
  QString UserName;
  QString FirstName;
  QString MiddleName;
  QString LastName;
  int UserID = 0;
  int GroupID = 0;
};

// The server's security database through the services API. Unlike the other
// components it checks the client library when it attaches, not on creation.
class TIBSecurityService {
 public:
  TIBSecurityService() = default;
  ~TIBSecurityService();
  TIBSecurityService(const TIBSecurityService&) = delete;
  TIBSecurityService& operator=(const TIBSecurityService&) = delete;

  QString ServerName;
  TProtocol Protocol = Local;
  // "user_name=...", "password=..." lines.
  QStringList Params;
  bool LoginPrompt = true;

  QString paramValue(const QString& name) const;
  // Replaces the named line or adds one.
  void setParamValue(const QString& name, const QString& value);

  // Attaching with LoginPrompt asks the service login hook first, pre-filled
  // from the parameters (Cancel: "Operation cancelled at user's request"); the
  // answer is stored in the parameters. Setting the state it has does nothing.
  void setActive(bool on);
  bool active() const { return handle_ != 0; }

  // The user the next operation is about.
  QString UserName;
  QString Password;
  QString FirstName;
  QString MiddleName;
  QString LastName;
  int UserID = 0;
  int GroupID = 0;

  // A login name that is empty or holds a blank is refused with
  // "start Parameters missing or incorrect" before the server is asked.
  void addUser();
  // Sets the password of UserName to Password, an empty one included (and the
  // names given); changes nothing else.
  void modifyUser();
  void deleteUser();
  // Asks for the record of one user; the answer is kept as user records.
  void displayUser(const QString& name);
  int userInfoCount() const { return int(users_.size()); }
  const TUserInfo& userInfo(int i) const { return users_.at(size_t(i)); }

 private:
  void checkActive() const;
  void checkUserName(const QString& name) const;
  void start(const QByteArray& request);

  isc_svc_handle handle_ = 0;
  std::vector<TUserInfo> users_;
};

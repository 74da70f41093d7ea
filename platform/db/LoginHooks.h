#pragma once

#include <QString>
#include <functional>

// Where the data-access layer asks a person for a login. The form kit installs
// the dialogs; the layer itself knows no widgets. A hook returns false for
// Cancel. With no hook installed a needed prompt counts as cancelled.
struct LoginHooks {
  static std::function<bool(const QString& databaseName, QString& user, QString& password)> databaseLogin;
  static std::function<bool(const QString& serverName, QString& user, QString& password)> serviceLogin;
};

#include "LoginHooks.h"

std::function<bool(const QString&, QString&, QString&)> LoginHooks::databaseLogin;
std::function<bool(const QString&, QString&, QString&)> LoginHooks::serviceLogin;

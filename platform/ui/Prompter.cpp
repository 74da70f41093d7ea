#include "Prompter.h"

#include "db/LoginHooks.h"

namespace {
Prompter* installed = nullptr;
}

Prompter& Prompter::current() {
  static QtPrompter qtPrompter;
  return installed ? *installed : qtPrompter;
}

void installLoginHooks() {
  LoginHooks::databaseLogin = [](const QString& databaseName, QString& user, QString& password) {
    return Prompter::current().databaseLogin(databaseName, user, password);
  };
  LoginHooks::serviceLogin = [](const QString& serverName, QString& user, QString& password) {
    return Prompter::current().serviceLogin(serverName, user, password);
  };
}

Prompter* Prompter::install(Prompter* prompter) {
  installLoginHooks();
  Prompter* previous = installed;
  installed = prompter;
  return previous;
}

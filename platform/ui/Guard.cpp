#include "Guard.h"

#include "Prompter.h"
#include "os/Errors.h"

QString errorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
  return message;
}

void showException(const std::exception& e) {
  const QString text = dynamic_cast<const Exception*>(&e)
                           ? static_cast<const Exception&>(e).message()
                           : QString::fromLocal8Bit(e.what());
  Prompter::current().error(errorBoxText(text));
}

bool guarded(const std::function<void()>& handler) noexcept {
  try {
    if (handler) handler();
    return true;
  } catch (const std::exception& e) {
    try {
      showException(e);
    } catch (...) {
    }
  } catch (...) {
    try {
      Prompter::current().error(QStringLiteral("Unknown error."));
    } catch (...) {
    }
  }
  return false;
}

#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <utility>

// Every handler that Qt calls runs through the guard: an exception escaping it is
// shown in the error box and the program goes on. Qt never sees an exception.
//
// Events the program raises itself (a tick set by code, a dataset moved by code)
// call their handlers directly, so that an error ends the caller's handler too.

// Text of the error box for an error's text: a full stop is added when the code
// of the last character is greater than that of ".".
QString errorBoxText(const QString& message);

// Shows the error in the error box (application title, stop icon, one OK).
void showException(const std::exception& e);

// Runs the handler; answers false when it raised (the error has been shown).
bool guarded(const std::function<void()>& handler) noexcept;

// Connects a signal to a handler through the guard. The signal's arguments are
// not passed on.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(const Sender* sender, Signal signal, const QObject* context,
                                       Handler handler) {
  return QObject::connect(sender, signal, context,
                          [h = std::function<void()>(std::move(handler))]() { guarded(h); });
}

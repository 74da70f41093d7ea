#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace System {

// The host name cut to 15 characters.
QString computerName();

// Today's date in the system's short date format.
QString currentDateText();
// The system's long time format, without a time zone.
QString longTimeFormat();
QString longTimeText(const QTime& time);
// Short date, and unless the time is exactly 00:00:00, " " and the long time.
QString dateTimeText(const QDateTime& moment);
// The same in digits whatever the locale: "dd.MM.yyyy", and "HH:mm:ss" unless
// the time is exactly 00:00:00.
QString digitsDateTimeText(const QDateTime& moment);
// A date in the system's short date format; an invalid date when it is none.
// Two-digit years fall within 50 years of today.
QDate parseShortDate(const QString& text);
QString shortDateText(const QDate& date);

}  // namespace System

#include "System.h"

#include <QLocale>
#include <QSysInfo>
#include <unistd.h>

namespace System {

QString computerName() {
  char host[256] = {};
  QString name;
  if (::gethostname(host, sizeof host - 1) == 0) name = QString::fromLocal8Bit(host);
  if (name.isEmpty()) name = QSysInfo::machineHostName();
  return name.left(15);
}

QString shortDateText(const QDate& date) { return QLocale::system().toString(date, QLocale::ShortFormat); }

QString currentDateText() { return shortDateText(QDate::currentDate()); }

QString longTimeFormat() {
  // Qt's long formats end in the time zone ("t", "(t)"); the system's long
  // time has none. Quoted literals stay as they are.
  const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  QString out;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    out += c;
  }
  out.remove(QStringLiteral("()"));
  return out.trimmed();
}

QString longTimeText(const QTime& time) { return QLocale::system().toString(time, longTimeFormat()); }

QString dateTimeText(const QDateTime& moment) {
  QString text = shortDateText(moment.date());
  const QTime t = moment.time();
  if (t.hour() != 0 || t.minute() != 0 || t.second() != 0 || t.msec() != 0)
    text += QLatin1Char(' ') + longTimeText(t);
  return text;
}

QString digitsDateTimeText(const QDateTime& moment) {
  const QLocale c = QLocale::c();
  QString text = c.toString(moment.date(), QStringLiteral("dd.MM.yyyy"));
  const QTime t = moment.time();
  if (t.hour() != 0 || t.minute() != 0 || t.second() != 0 || t.msec() != 0)
    text += QLatin1Char(' ') + c.toString(t, QStringLiteral("HH:mm:ss"));
  return text;
}

QDate parseShortDate(const QString& text) {
  const QLocale locale = QLocale::system();
  const QString format = locale.dateFormat(QLocale::ShortFormat);
  QDate date = locale.toDate(text.trimmed(), format);
  if (!date.isValid()) return date;
  if (!format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy"))) {
    const int thisYear = QDate::currentDate().year();
    int year = date.year() % 100;
    year += (thisYear / 100) * 100;
    if (year > thisYear + 50) year -= 100;
    if (year <= thisYear - 50) year += 100;
    date = QDate(year, date.month(), date.day());
  }
  return date;
}

}  // namespace System

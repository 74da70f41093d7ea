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

QString dateTimeText(const QDateTime& moment) {
  QString text = shortDateText(moment.date());
  const QTime t = moment.time();
  if (t.hour() != 0 || t.minute() != 0 || t.second() != 0 || t.msec() != 0)
    text += QLatin1Char(' ') + QLocale::system().toString(t, QLocale::LongFormat);
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

#include "SqlText.h"

namespace SqlText {

QString join(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) {
    text += line;
    text += QLatin1String("\r\n");
  }
  return text;
}

namespace {
bool isNameChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}
}  // namespace

Parsed parseParams(const QString& sql) {
  Parsed out;
  const qsizetype n = sql.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = sql.at(i);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
      // A literal or quoted name; a doubled quote stays inside.
      qsizetype j = i + 1;
      while (j < n) {
        if (sql.at(j) == c) {
          if (j + 1 < n && sql.at(j + 1) == c) {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      out.text += sql.mid(i, j - i);
      i = j;
    } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
      qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
      if (j < 0) j = n;
      out.text += sql.mid(i, j - i);
      i = j;
    } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
      qsizetype j = sql.indexOf(QLatin1String("*/"), i + 2);
      j = j < 0 ? n : j + 2;
      out.text += sql.mid(i, j - i);
      i = j;
    } else if (c == QLatin1Char(':') && i + 1 < n && isNameChar(sql.at(i + 1))) {
      qsizetype j = i + 1;
      while (j < n && isNameChar(sql.at(j))) ++j;
      out.names << sql.mid(i + 1, j - i - 1);
      out.text += QLatin1Char('?');
      i = j;
    } else {
      out.text += c;
      ++i;
    }
  }
  return out;
}

}  // namespace SqlText

#include "RightStatement.h"

QStringList rightStatementLines(bool grant, const QString& right, bool procedure, const QString& objectName,
                                const QString& login) {
  QStringList lines;
  lines << (grant ? QStringLiteral("GRANT") : QStringLiteral("REVOKE"));
  lines << right + QStringLiteral(" ON");
  if (procedure) lines << QStringLiteral("PROCEDURE");
  lines << objectName;
  lines << (grant ? QStringLiteral(" TO ") : QStringLiteral(" FROM "));
  lines << login;
  return lines;
}

bool isPlainIdentifier(const QString& name) {
  qsizetype end = name.size();
  while (end > 0 && name.at(end - 1) == QLatin1Char(' ')) --end;
  if (end == 0) return false;
  auto latin = [](QChar c) { return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')); };
  if (!latin(name.at(0))) return false;
  for (qsizetype i = 1; i < end; ++i) {
    const QChar c = name.at(i);
    if (!latin(c) && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('_') &&
        c != QLatin1Char('$'))
      return false;
  }
  return true;
}

QStringList rightsRowLockLines() {
  return QStringList{QStringLiteral("select UPR_MASK from USER_PRIV"),
                     QStringLiteral("where UPR_ID = :UPR_ID"), QStringLiteral("with lock")};
}

QString staleRightsText(const QString& objectName) {
  return QStringLiteral("Права пользователя на объект %1 изменены другим администратором после открытия страницы. "
                        "Отмените изменения и откройте страницу снова")
      .arg(objectName.trimmed());
}

#include "RightStatement.h"

#include <QSet>

namespace {

// Firebird 3's reserved words, each refused by the server as a grantee.
const char* const kReservedWords[] = {
    "ADD", "ADMIN", "ALL", "ALTER", "AND", "ANY", "AS", "AT", "AVG", "BEGIN", "BETWEEN", "BIGINT", "BIT_LENGTH",
    "BLOB", "BOOLEAN", "BOTH", "BY", "CASE", "CAST", "CHAR", "CHAR_LENGTH", "CHARACTER", "CHARACTER_LENGTH",
    "CHECK", "CLOSE", "COLLATE", "COLUMN", "COMMIT", "CONNECT", "CONSTRAINT", "CORR", "COUNT", "COVAR_POP",
    "COVAR_SAMP", "CREATE", "CROSS", "CURRENT", "CURRENT_CONNECTION", "CURRENT_DATE", "CURRENT_ROLE",
    "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_TRANSACTION", "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEC",
    "DECIMAL", "DECLARE", "DEFAULT", "DELETE", "DELETING", "DETERMINISTIC", "DISCONNECT", "DISTINCT", "DOUBLE",
    "DROP", "ELSE", "END", "ESCAPE", "EXECUTE", "EXISTS", "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FILTER",
    "FLOAT", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION", "GDSCODE", "GLOBAL", "GRANT", "GROUP", "HAVING", "HOUR",
    "IN", "INDEX", "INNER", "INSENSITIVE", "INSERT", "INSERTING", "INT", "INTEGER", "INTO", "IS", "JOIN",
    "LEADING", "LEFT", "LIKE", "LONG", "LOWER", "MAX", "MERGE", "MIN", "MINUTE", "MONTH",
    "NATIONAL", "NATURAL", "NCHAR", "NO", "NOT", "NULL", "NUMERIC", "OCTET_LENGTH", "OF", "OFFSET", "ON", "ONLY",
    "OPEN", "OR", "ORDER", "OUTER", "OVER", "PARAMETER", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PRIMARY",
    "PROCEDURE", "RDB$DB_KEY", "RDB$RECORD_VERSION", "REAL", "RECORD_VERSION", "RECREATE", "RECURSIVE",
    "REFERENCES", "REGR_AVGX", "REGR_AVGY", "REGR_COUNT", "REGR_INTERCEPT", "REGR_R2", "REGR_SLOPE", "REGR_SXX",
    "REGR_SXY", "REGR_SYY", "RELEASE", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK",
    "ROW", "ROW_COUNT", "ROWS", "SAVEPOINT", "SCROLL", "SECOND", "SELECT", "SENSITIVE", "SET", "SIMILAR",
    "SMALLINT", "SOME", "SQLCODE", "SQLSTATE", "START", "STDDEV_POP", "STDDEV_SAMP", "SUM", "TABLE", "THEN",
    "TIME", "TIMESTAMP", "TO", "TRAILING", "TRIGGER", "TRIM", "TRUE", "UNION", "UNIQUE", "UNKNOWN", "UPDATE",
    "UPDATING", "UPPER", "USER", "USING", "VALUE", "VALUES", "VAR_POP", "VAR_SAMP", "VARCHAR", "VARIABLE",
    "VARYING", "VIEW", "WHEN", "WHERE", "WHILE", "WITH", "YEAR"};

QString withoutTrailingBlanks(const QString& name) {
  qsizetype end = name.size();
  while (end > 0 && name.at(end - 1) == QLatin1Char(' ')) --end;
  return name.left(end);
}

}  // namespace

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

const QStringList& reservedWords() {
  static const QStringList words = [] {
    QStringList list;
    for (const char* w : kReservedWords) list << QString::fromLatin1(w);
    return list;
  }();
  return words;
}

bool isReservedWord(const QString& name) {
  static const QSet<QString> words(reservedWords().begin(), reservedWords().end());
  return words.contains(withoutTrailingBlanks(name).toUpper());
}

bool isPlainLogin(const QString& name) {
  return isPlainIdentifier(name) && !isReservedWord(name) &&
         withoutTrailingBlanks(name).compare(QLatin1String("PUBLIC"), Qt::CaseInsensitive) != 0;
}

QStringList roleLookupLines() {
  return QStringList{QStringLiteral("select count(*) from RDB$ROLES"), QStringLiteral("where RDB$ROLE_NAME = :NAME")};
}

#include "Main.h"

#include <QRegularExpression>

#include "db/DbErrors.h"
#include "db/IBSQL.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/TextFile.h"
#include "ui/Dialogs.h"
#include "ui/Prompter.h"

// Execution of a received replication script.
//
// The server takes one statement at a time, and the script's second line
// ("SET NAMES ...") is a command of the script tools, not SQL. So the script
// is split into its statements, which run one after the other in the one
// transaction: all of them are committed together, or, when one fails,
// everything is rolled back and the error names the statement's line.

namespace {

const char16_t kHeaderLine1[] = u"/* Репликация от";
const char16_t kHeaderLine2[] = u"SET NAMES";
const char16_t kScriptCharset[] = u"WIN1251";

QString lineNote(int line) { return QStringLiteral("\nСтрока %1 файла скрипта").arg(line); }

[[noreturn]] void scriptError(const QString& text, int line) { throw Exception(text + lineNote(line)); }

// The first `count` bytes of the next line (the whole line when shorter).
QByteArray headerLine(TextFileReader& file, int count) { return file.readLineBytes().left(count); }

QByteArray readWholeFile(const QString& fileName) {
  BinaryFile file;
  file.openRead(fileName);
  QByteArray bytes;
  char buffer[65536];
  while (const int n = file.read(buffer, int(sizeof buffer))) bytes.append(buffer, n);
  file.close();
  return bytes;
}

// "SET NAMES" with its character set, when the statement is one.
bool isSetNames(const QString& statement, QString& charset) {
  static const QRegularExpression re(QStringLiteral("^SET\\s+NAMES(?:\\s+(\\S+))?\\s*$"),
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(statement);
  if (!m.hasMatch()) return false;
  charset = m.captured(1);
  return true;
}

// COMMIT or ROLLBACK would end the transaction the script runs in.
QString transactionEnd(const QString& statement) {
  static const QRegularExpression re(QStringLiteral("^(COMMIT|ROLLBACK)(?![\\w$])(?!\\s+TO(?![\\w$]))"),
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(statement);
  return m.hasMatch() ? m.captured(1).toUpper() : QString();
}

struct Prepared {
  int line;
  QString text;
};

// The statements to send, checked before any of them runs.
std::vector<Prepared> prepare(const QByteArray& script) {
  std::vector<Prepared> out;
  for (const TFormMain::ScriptStatement& st : TFormMain::scriptStatements(script)) {
    if (st.text.contains('\0')) scriptError(QStringLiteral("Оператор содержит нулевой байт"), st.line);
    const QString text = Cp1251::decode(st.text);
    QString charset;
    if (isSetNames(text, charset)) {
      // The script's bytes go to the server as they stand, in the
      // connection's character set; a script in another one is refused.
      if (!charset.isEmpty() && charset.compare(QString::fromUtf16(kScriptCharset), Qt::CaseInsensitive) != 0)
        scriptError(QStringLiteral("Набор символов %1 не поддерживается, ожидается %2")
                        .arg(charset, QString::fromUtf16(kScriptCharset)),
                    st.line);
      continue;
    }
    const QString end = transactionEnd(text);
    if (!end.isEmpty()) scriptError(QStringLiteral("Оператор %1 в скрипте не допускается").arg(end), st.line);
    out.push_back({st.line, text});
  }
  return out;
}

}  // namespace

std::vector<TFormMain::ScriptStatement> TFormMain::scriptStatements(const QByteArray& script) {
  std::vector<ScriptStatement> out;
  const int size = int(script.size());
  const char* s = script.constData();
  int line = 1;
  int start = -1;  // first byte of the statement being read
  int startLine = 0;
  int i = 0;
  while (i < size) {
    const char c = s[i];
    if (c == '/' && i + 1 < size && s[i + 1] == '*') {
      const int commentLine = line;
      i += 2;
      while (i < size && !(s[i] == '*' && i + 1 < size && s[i + 1] == '/')) line += s[i++] == '\n';
      if (i >= size) scriptError(QStringLiteral("Комментарий не закрыт"), commentLine);
      i += 2;
      continue;
    }
    if (c == '-' && i + 1 < size && s[i + 1] == '-') {
      while (i < size && s[i] != '\n') ++i;
      continue;
    }
    if (c == '\n') ++line;
    if (static_cast<unsigned char>(c) <= 32) {
      ++i;
      continue;
    }
    if (start < 0) start = i, startLine = line;
    if (c == '\'' || c == '"') {
      // A quote inside is written twice.
      ++i;
      for (;;) {
        while (i < size && s[i] != c) line += s[i++] == '\n';
        if (i >= size) scriptError(QStringLiteral("Оператор не завершен символом \";\""), startLine);
        if (i + 1 < size && s[i + 1] == c) {
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      continue;
    }
    if (c == ';') {
      QByteArray text = script.mid(start, i - start);
      while (!text.isEmpty() && static_cast<unsigned char>(text.back()) <= 32) text.chop(1);
      if (!text.isEmpty()) out.push_back({startLine, text});
      start = -1;
    }
    ++i;
  }
  if (start >= 0) scriptError(QStringLiteral("Оператор не завершен символом \";\""), startLine);
  return out;
}

void TFormMain::buildScriptExecution() {
  OpenSQLDialog->defaultExt = QStringLiteral("sql");
  OpenSQLDialog->filter = QStringLiteral("SQL скрипты|*.SQL");
  ScriptMain->ParamCheck = true;
}

void TFormMain::sbExecuteClick() {
  if (!OpenSQLDialog->execute()) return;
  const QString fileName = OpenSQLDialog->fileName;

  formTextFile.open(fileName);
  QByteArray line1, line2;
  try {
    line1 = headerLine(formTextFile, 16);
    line2 = headerLine(formTextFile, 9);
  } catch (...) {
    formTextFile.close();
    throw;
  }
  scriptHeaderLine1 = Cp1251::decode(line1);
  scriptHeaderLine2 = Cp1251::decode(line2);
  formTextFile.close();

  if (line1 != Cp1251::encode(QString::fromUtf16(kHeaderLine1)) ||
      line2 != Cp1251::encode(QString::fromUtf16(kHeaderLine2))) {
    Prompter::current().message(QStringLiteral("Неверный формат файла"));
    return;
  }

  // The transaction is this command's own: a failure rolls it back, so that no
  // part of the script stays behind in it.
  runInOwnTransaction([&] {
    const std::vector<Prepared> statements = prepare(readWholeFile(fileName));
    for (const Prepared& st : statements) {
      ScriptMain->SQL = QStringList{st.text};
      try {
        ScriptMain->execImmediate();
      } catch (const EIBError& e) {
        throw EIBError(e.message() + lineNote(st.line), e.sqlCode(), e.gdsCode());
      }
    }
  });
  Prompter::current().message(QStringLiteral("Скрипт выполнен"));
}

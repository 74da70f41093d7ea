#include "Main.h"

#include <QList>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "db/DbErrors.h"
#include "db/IBSQL.h"
#include "db/IBTransaction.h"
#include "db/IBDatabase.h"
#include "db/Statement.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/TextFile.h"
#include "ui/Dialogs.h"
#include "ui/Prompter.h"

// Execution of a received replication script.
//
// The server takes one statement at a time, and the script's second line
// ("SET NAMES ...") is a command of the script tools, not SQL. So the script
// is read and split into its statements as it goes (ScriptReader), and each
// runs when it is complete, in the one transaction: all of them are committed
// together, or, when one fails, everything is rolled back and the error names
// the line where the statement begins.

namespace {

const char16_t kHeaderLine1[] = u"/* Репликация от";
const char16_t kHeaderLine2[] = u"SET NAMES";
const char kScriptCharset[] = "WIN1251";

// The statement's first words (split at blanks), at most `count` of them.
QList<QByteArray> leadingWords(const QByteArray& text, int count) {
  QList<QByteArray> words;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (words.size() < count) {
    while (i < n && static_cast<unsigned char>(text.at(i)) <= 32) ++i;
    if (i >= n) break;
    const qsizetype start = i;
    while (i < n && static_cast<unsigned char>(text.at(i)) > 32) ++i;
    words << text.mid(start, i - start);
  }
  return words;
}

// The keyword a word begins with: its letters, upper-cased.
QByteArray keyword(const QByteArray& word) {
  qsizetype n = 0;
  while (n < word.size() && (std::isalnum(static_cast<unsigned char>(word.at(n))) || word.at(n) == '_' ||
                             word.at(n) == '$'))
    ++n;
  return word.left(n).toUpper();
}

bool isPlainName(const QByteArray& name) {
  if (name.isEmpty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$') return false;
  return true;
}

}  // namespace

// Runs a script's statements one by one in the active transaction.
class TFormMain::ScriptRun {
 public:
  explicit ScriptRun(TFormMain& form) : form_(form) {}

  void execute(const ScriptStatement& st) {
    if (st.text.contains('\0')) scriptError(QStringLiteral("Оператор содержит нулевой байт"), st.line);
    const QList<QByteArray> words = leadingWords(st.text, 5);
    const QByteArray first = keyword(words.value(0));
    if (first == "SET" && words.size() >= 2) {
      const QByteArray second = words[1].toUpper();
      if (second == "NAMES") return setNames(words, st.line);
      if (second == "SQL" && words.size() >= 3 && words[2].toUpper() == "DIALECT") return setDialect(words, st.line);
    }
    // COMMIT or ROLLBACK would end the transaction the script runs in.
    if (first == "COMMIT" || (first == "ROLLBACK" && keyword(words.value(1)) != "TO"))
      scriptError(QStringLiteral("Оператор %1 в скрипте не допускается").arg(QString::fromLatin1(first)), st.line);
    // The client library itself creates a database for CREATE DATABASE and
    // moves the connection onto it, outside any transaction.
    if (first == "CREATE") {
      const QByteArray object = keyword(words.value(1));
      if (object == "DATABASE" || object == "SCHEMA")
        scriptError(QStringLiteral("Оператор CREATE %1 в скрипте не допускается").arg(QString::fromLatin1(object)),
                    st.line);
    }

    form_.ScriptMain->SQL = QStringList{Cp1251::decode(st.text)};
    try {
      if (st.hasQString)
        executePrepared(st);
      else
        form_.ScriptMain->execImmediate();
    } catch (const EIBError& e) {
      if (returnsRows()) rowsRefused(st.line);
      throw EIBError(e.message() + scriptLineNote(st.line), e.sqlCode(), e.gdsCode());
    }
  }

 private:
  // The client library's isc_dsql_execute_immediate reads the text itself
  // first and takes a q'...' string for an open quote, so such a statement
  // is prepared and executed; the server reads it right.
  void executePrepared(const ScriptStatement& st) {
    Statement statement(*form_.MainBase, *form_.IBTrans);
    statement.prepare(form_.ScriptMain->sqlText());
    if (statement.isSelect()) rowsRefused(st.line);
    statement.execute();
  }

  // Whether the statement that failed gives rows or values back, which the
  // script has nowhere to put: the server's description of it says.
  bool returnsRows() {
    try {
      Statement statement(*form_.MainBase, *form_.IBTrans);
      statement.prepare(form_.ScriptMain->sqlText());
      return statement.isSelect() || !statement.columns().empty();
    } catch (const Exception&) {
      return false;
    }
  }

  [[noreturn]] static void rowsRefused(qint64 line) {
    scriptError(QStringLiteral("Оператор, возвращающий данные, в скрипте не допускается"), line);
  }

  // The script's bytes go to the server as they stand, in the connection's
  // character set; a script in another one is refused. The server knows the
  // names the character set also goes by.
  void setNames(const QList<QByteArray>& words, qint64 line) {
    if (words.size() == 2) return;
    const QByteArray name = words[2].toUpper();
    if (words.size() > 3 || !isPlainName(name) || !isConnectionCharset(name))
      scriptError(QStringLiteral("Набор символов %1 не поддерживается, ожидается %2")
                      .arg(Cp1251::decode(words.mid(2).join(' ')), QString::fromLatin1(kScriptCharset)),
                  line);
  }

  bool isConnectionCharset(const QByteArray& name) {
    if (name == kScriptCharset) return true;
    if (const auto it = charsets_.find(name); it != charsets_.end()) return it->second;
    Statement st(*form_.MainBase, *form_.IBTrans);
    st.prepare(QStringLiteral("select count(*) from RDB$TYPES t join RDB$CHARACTER_SETS c "
                              "on c.RDB$CHARACTER_SET_ID = t.RDB$TYPE "
                              "where t.RDB$FIELD_NAME = 'RDB$CHARACTER_SET_NAME' "
                              "and c.RDB$CHARACTER_SET_NAME = '%1' and t.RDB$TYPE_NAME = '%2'")
                   .arg(QString::fromLatin1(kScriptCharset), QString::fromLatin1(name)));
    st.execute();
    const bool alias = st.fetch() && st.row().at(0).toLongLong() > 0;
    st.closeCursor();
    charsets_[name] = alias;
    return alias;
  }

  // The database is dialect 1, and so is the connection.
  void setDialect(const QList<QByteArray>& words, qint64 line) {
    const QByteArray dialect = words.mid(3).join(' ');
    if (dialect != "1")
      scriptError(QStringLiteral("Диалект SQL %1 не поддерживается, ожидается 1").arg(Cp1251::decode(dialect)), line);
  }

  TFormMain& form_;
  std::map<QByteArray, bool> charsets_;
};

std::vector<TFormMain::ScriptStatement> TFormMain::scriptStatements(const QByteArray& script) {
  qsizetype at = 0;
  ScriptReader reader([&](char* buffer, qint64 size) {
    const qint64 n = std::min<qint64>(size, script.size() - at);
    std::memcpy(buffer, script.constData() + at, size_t(n));
    at += qsizetype(n);
    return n;
  });
  std::vector<ScriptStatement> out;
  ScriptStatement st;
  while (reader.next(st)) out.push_back(st);
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

  // The file is opened once: the header is tested on the file that then runs.
  formTextFile.open(fileName);
  try {
    // Only the bytes the test needs are kept of the header lines.
    const QByteArray line1 = formTextFile.readLineBytes(16);
    const QByteArray line2 = formTextFile.readLineBytes(9);
    scriptHeaderLine1 = Cp1251::decode(line1);
    scriptHeaderLine2 = Cp1251::decode(line2);
    if (line1 != Cp1251::encode(QString::fromUtf16(kHeaderLine1)) ||
        line2 != Cp1251::encode(QString::fromUtf16(kHeaderLine2))) {
      formTextFile.close();
      Prompter::current().message(QStringLiteral("Неверный формат файла"));
      return;
    }

    // The transaction is this command's own: a failure rolls it back, so that
    // no part of the script stays behind in it.
    runInOwnTransaction([&] {
      formTextFile.rewind();
      ScriptReader reader(formTextFile);
      ScriptRun run(*this);
      ScriptStatement st;
      while (reader.next(st)) run.execute(st);
      formTextFile.close();
    });
  } catch (...) {
    if (formTextFile.isOpen()) {
      try {
        formTextFile.close();
      } catch (...) {
      }
    }
    throw;
  }
  Prompter::current().message(QStringLiteral("Скрипт выполнен"));
}

#include "TestDatabase.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <stdexcept>
#include <sys/stat.h>

namespace {

const char* const kIsql = "/usr/bin/isql-fb";
const char* const kGsec = "/usr/bin/gsec";
const char* const kGfix = "/usr/bin/gfix";
const char* const kSysdba = "SYSDBA";
const char* const kSysdbaPassword = "quietfern";
const int kListNameWidth = 32; // isql's SET LIST ON puts values at this column

QAtomicInt counter;

[[noreturn]] void fail(const QString& text) {
  throw std::runtime_error(text.toStdString());
}

QString quoted(const QString& text) {
  return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
         QLatin1Char('\'');
}

// Runs a tool with input on stdin; returns its stdout, throws on failure.
QString run(const QString& program, const QStringList& args, const QString& input,
            bool* failed = nullptr) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(args);
  process.start();
  if (!process.waitForStarted(10000)) fail(program + QLatin1String(": cannot start"));
  process.write(input.toUtf8());
  process.closeWriteChannel();
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    fail(program + QLatin1String(": no answer"));
  }
  const QString out = QString::fromUtf8(process.readAllStandardOutput());
  const QString err = QString::fromUtf8(process.readAllStandardError());
  const bool bad = process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0;
  if (failed) {
    *failed = bad;
    return out + err;
  }
  if (bad) fail(program + QLatin1String(" failed:\n") + err + out + QLatin1String("\nInput:\n") + input);
  return out;
}

QStringList isqlArgs(const QString& database, const QString& user, const QString& password) {
  QStringList args{QStringLiteral("-q"), QStringLiteral("-bail"), QStringLiteral("-sql_dialect"),
                   QStringLiteral("1"), QStringLiteral("-ch"), QStringLiteral("UTF8")};
  if (!user.isEmpty()) args << QStringLiteral("-user") << user << QStringLiteral("-password") << password;
  if (!database.isEmpty()) args << database;
  return args;
}

QStringList sysdbaArgs() {
  return {QStringLiteral("-user"), QLatin1String(kSysdba), QStringLiteral("-password"),
          QLatin1String(kSysdbaPassword)};
}

QString terminated(QString sql) {
  sql = sql.trimmed();
  if (!sql.endsWith(QLatin1Char(';'))) sql += QLatin1Char(';');
  return sql + QLatin1Char('\n');
}

// Records of SET LIST ON output: blank lines between them, one
// "NAME<padding>value" line per column.
QStringList listRows(const QString& output) {
  QStringList rows;
  QStringList columns;
  const QStringList lines = output.split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    if (line.isEmpty()) {
      if (!columns.isEmpty()) rows << columns.join(QLatin1Char('|'));
      columns.clear();
      continue;
    }
    columns << line.mid(kListNameWidth);
  }
  if (!columns.isEmpty()) rows << columns.join(QLatin1Char('|'));
  return rows;
}

} // namespace

QString TestDatabase::testDir() {
  QString dir = qEnvironmentVariable("VELTON_TEST_DIR");
  if (dir.isEmpty()) dir = QStringLiteral("/var/tmp/velton-tests");
  if (!QFileInfo(dir).isDir()) {
    if (!QDir().mkpath(dir)) fail(QLatin1String("cannot create ") + dir);
    ::chmod(QFile::encodeName(dir).constData(), 01777);
  }
  return QDir(dir).absolutePath();
}

QString TestDatabase::sourceDir() {
  return QStringLiteral(VELTON_SOURCE_DIR);
}

TestDatabase::TestDatabase(Contents contents) {
  m_path = QStringLiteral("%1/db-%2-%3-%4.fdb")
               .arg(testDir())
               .arg(QCoreApplication::applicationPid())
               .arg(counter.fetchAndAddRelaxed(1) + 1)
               .arg(QRandomGenerator::global()->bounded(1000000));
  const QString scripts = sourceDir() + QLatin1String("/database/");
  bool failed = false;
  QString out = run(QLatin1String(kIsql), isqlArgs(QString(), QString(), QString()),
                    QStringLiteral("SET SQL DIALECT 1;\nCREATE DATABASE ") + quoted(connectionString()) +
                        QLatin1String(" USER 'PLUMO' PASSWORD 'plumo' DEFAULT CHARACTER SET WIN1251;\n"),
                    &failed);
  if (failed) {
    QString text = QLatin1String("cannot create the test database ") + m_path + QLatin1String(":\n") + out;
    if (out.contains(QLatin1String("no permission for CREATE access")))
      text += QLatin1String("\n(PLUMO needs the CREATE DATABASE right: run scripts/setup)");
    fail(text);
  }
  try {
    // A test database need not survive a crash of the machine: no fsync per commit.
    run(QLatin1String(kGfix),
        sysdbaArgs() << QStringLiteral("-write") << QStringLiteral("async") << connectionString(),
        QString());
    QString input = QLatin1String("INPUT ") + quoted(scripts + QLatin1String("schema.sql")) +
                    QLatin1String(";\n");
    if (contents == WithDemo)
      input += QLatin1String("INPUT ") + quoted(scripts + QLatin1String("demo.sql")) +
               QLatin1String(";\n");
    run(QLatin1String(kIsql),
        isqlArgs(connectionString(), QStringLiteral("PLUMO"), QStringLiteral("plumo")), input);
  } catch (...) {
    drop();
    throw;
  }
}

void TestDatabase::drop() const {
  bool failed = false;
  const QString out = run(QLatin1String(kIsql),
                          isqlArgs(connectionString(), QLatin1String(kSysdba),
                                   QLatin1String(kSysdbaPassword)),
                          QStringLiteral("DROP DATABASE;\n"), &failed);
  if (failed) qWarning("test database %s not dropped: %s", qPrintable(m_path), qPrintable(out));
}

TestDatabase::~TestDatabase() {
  drop();
}

QString TestDatabase::connectionString() const {
  return QLatin1String("localhost:") + m_path;
}

QString TestDatabase::path() const {
  return m_path;
}

void TestDatabase::exec(const QString& sql, const QString& user, const QString& password) const {
  run(QLatin1String(kIsql), isqlArgs(connectionString(), user, password),
      sql + QLatin1String("\nCOMMIT;\n"));
}

QStringList TestDatabase::rows(const QString& select, const QString& user,
                               const QString& password) const {
  return listRows(run(QLatin1String(kIsql), isqlArgs(connectionString(), user, password),
                      QLatin1String("SET LIST ON;\n") + terminated(select) +
                          QLatin1String("COMMIT;\n")));
}

QString TestDatabase::value(const QString& select, const QString& user,
                            const QString& password) const {
  const QStringList found = rows(select, user, password);
  if (found.size() != 1)
    fail(QStringLiteral("%1 rows instead of one from: %2").arg(found.size()).arg(select));
  return found.first();
}

bool TestDatabase::loginExists(const QString& login) const {
  const QString count =
      value(QLatin1String("select count(*) from SEC$USERS where SEC$USER_NAME = ") +
                quoted(login.trimmed().toUpper()),
            QLatin1String(kSysdba), QLatin1String(kSysdbaPassword));
  return count.trimmed() != QLatin1String("0");
}

QString TestLogin::uniqueName() {
  return QStringLiteral("VT%1_%2")
      .arg(QCoreApplication::applicationPid())
      .arg(counter.fetchAndAddRelaxed(1) + 1);
}

TestLogin::TestLogin(const QString& password) : m_name(uniqueName()), m_password(password) {
  drop(m_name); // left over from an earlier run under the same pid
  if (!m_password.isEmpty()) create(m_name, m_password);
}

TestLogin::~TestLogin() {
  try {
    drop(m_name);
  } catch (const std::exception& e) {
    qWarning("test login %s not removed: %s", qPrintable(m_name), e.what());
  }
}

void TestLogin::create(const QString& name, const QString& password) {
  run(QLatin1String(kGsec),
      sysdbaArgs() << QStringLiteral("-add") << name << QStringLiteral("-pw") << password, QString());
}

void TestLogin::drop(const QString& name) {
  if (exists(name)) run(QLatin1String(kGsec), sysdbaArgs() << QStringLiteral("-delete") << name, QString());
}

bool TestLogin::exists(const QString& name) {
  const QString out = run(QLatin1String(kGsec), sysdbaArgs() << QStringLiteral("-display") << name, QString());
  const QString wanted = name.trimmed().toUpper();
  const QStringList lines = out.split(QLatin1Char('\n'));
  for (const QString& line : lines)
    if (line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty) == wanted) return true;
  return false;
}

#include "ScratchDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <atomic>
#include <gtest/gtest.h>

#include "os/Errors.h"

namespace {

QString testFolder() {
  const QByteArray env = qgetenv("VELTON_TEST_DIR");
  return env.isEmpty() ? QStringLiteral("/var/tmp/velton-tests") : QString::fromLocal8Bit(env);
}

QString uniqueFile() {
  static std::atomic<int> counter{0};
  return QStringLiteral("%1/db_%2_%3.fdb").arg(testFolder()).arg(QCoreApplication::applicationPid()).arg(++counter);
}

}  // namespace

QString runIsql(const QString& script, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("/usr/bin/isql-fb"), args);
  p.write(script.toUtf8());
  p.closeWriteChannel();
  p.waitForFinished(60000);
  const QString out = QString::fromUtf8(p.readAll());
  EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
  return out;
}

ScratchDatabase::ScratchDatabase(const QString& ddl) : name_(QStringLiteral("localhost:") + uniqueFile()) {
  QDir().mkpath(testFolder());
  runIsql(QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD 'quietfern' PAGE_SIZE 8192 "
                         "DEFAULT CHARACTER SET WIN1251;\n%2\nCOMMIT;\n")
              .arg(name_, ddl),
          {QStringLiteral("-q"), QStringLiteral("-bail"), QStringLiteral("-sql_dialect"), QStringLiteral("1"),
           QStringLiteral("-ch"), QStringLiteral("UTF8")});
  db.DatabaseName = name_;
  db.Params = params();
  db.LoginPrompt = false;
  db.setDefaultTransaction(&tr);
  tr.Params = QStringList{QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")};
  db.setConnected(true);
}

ScratchDatabase::~ScratchDatabase() {
  try {
    if (tr.inTransaction()) tr.rollback();
    db.setConnected(false);
  } catch (...) {
  }
  runIsql(QStringLiteral("DROP DATABASE;\n"),
          {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-password"),
           QStringLiteral("quietfern"), name_});
}

QStringList ScratchDatabase::params(const QString& user, const QString& password) {
  return {QStringLiteral("user_name=") + user, QStringLiteral("password=") + password,
          QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("sql_dialect=1")};
}

QString errorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.message();
  }
  return QStringLiteral("(no error)");
}

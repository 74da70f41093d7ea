#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "ScratchDatabase.h"
#include "db/ClientLibrary.h"
#include "db/DbErrors.h"
#include "db/IBQuery.h"
#include "db/IBSecurityService.h"
#include "db/LoginHooks.h"

namespace {

// Installs login hooks for one test and removes them afterwards.
struct HookGuard {
  ~HookGuard() {
    LoginHooks::databaseLogin = nullptr;
    LoginHooks::serviceLogin = nullptr;
  }
};

TEST(ClientLibraryTest, MissingLibraryGivesTheInstallMessage) {
  const QString kText =
      "InterBase library gds32.dll not found in the path. Please install InterBase to use this functionality";
  ClientLibrary::setLibraryName("libfbclient-missing.so.2");
  EXPECT_FALSE(ClientLibrary::tryLoad());
  EXPECT_EQ(errorText([] { TIBDatabase db; }), kText);
  EXPECT_EQ(errorText([] { TIBQuery q; }), kText);
  ClientLibrary::setLibraryName("libfbclient.so.2");
  EXPECT_TRUE(ClientLibrary::tryLoad());
  EXPECT_EQ(ClientLibrary::version(), 6);
}

// Statements and connections made before the library is switched end on the
// library they came from, even when the new one cannot be loaded.
TEST(ClientLibraryTest, OpenHandlesOutliveASwitchToAMissingLibrary) {
  ScratchDatabase s{QString()};
  s.tr.startTransaction();
  TIBQuery q;
  q.setDatabase(&s.db);
  q.setUniDirectional(true);
  q.SQL << "select RDB$RELATION_NAME from RDB$RELATIONS";
  q.open();
  ClientLibrary::setLibraryName("libfbclient-missing.so.2");
  q.close();
  ClientLibrary::setLibraryName("libfbclient.so.2");
  EXPECT_FALSE(q.active());
  EXPECT_NO_THROW(s.tr.commit());
}

struct LoginTest : ::testing::Test {
  ScratchDatabase s{QString()};
  HookGuard hooks;
  TIBDatabase db;

  void SetUp() override {
    db.DatabaseName = s.connectionString();
    db.Params = QStringList{"lc_ctype=WIN1251"};
  }
};

TEST_F(LoginTest, EmptyDatabaseNameIsRefusedBeforeAnyDialog) {
  bool asked = false;
  LoginHooks::databaseLogin = [&](const QString&, QString&, QString&) { return asked = true; };
  db.DatabaseName.clear();
  EXPECT_EQ(errorText([&] { db.setConnected(true); }), "Database name is missing");
  EXPECT_FALSE(asked);
}

TEST_F(LoginTest, CancelAndNoHookBothCancel) {
  EXPECT_EQ(errorText([&] { db.setConnected(true); }), "Operation cancelled at user's request");
  LoginHooks::databaseLogin = [](const QString&, QString&, QString&) { return false; };
  EXPECT_EQ(errorText([&] { db.setConnected(true); }), "Operation cancelled at user's request");
  EXPECT_FALSE(db.connected());
}

TEST_F(LoginTest, OkStoresTheTypedUserAndConnectsWithTheTypedPassword) {
  db.Params << "user_name=nobody" << "password=prefilled";
  QString shownName, shownUser, shownPassword;
  LoginHooks::databaseLogin = [&](const QString& name, QString& user, QString& password) {
    shownName = name;
    shownUser = user;
    shownPassword = password;
    user = "SYSDBA";
    password = "quietfern";
    return true;
  };
  db.setConnected(true);
  EXPECT_TRUE(db.connected());
  EXPECT_EQ(shownName, s.connectionString());
  EXPECT_EQ(shownUser, "nobody");
  EXPECT_EQ(shownPassword, "prefilled");
  EXPECT_EQ(db.paramValue("USER_NAME"), "SYSDBA");
  EXPECT_EQ(db.paramValue("password"), "prefilled");  // the typed password is not stored
  db.setConnected(true);                              // the state it has: nothing happens
  db.setConnected(false);
  db.setConnected(false);
  EXPECT_FALSE(db.connected());
}

TEST_F(LoginTest, ARefusedLoginCarriesTheServerText) {
  db.LoginPrompt = false;
  db.Params = ScratchDatabase::params("SYSDBA", "wrong-password");
  try {
    db.setConnected(true);
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_TRUE(e.message().contains("password", Qt::CaseInsensitive)) << e.message().toStdString();
    EXPECT_NE(e.gdsCode(), 0);
  }
  EXPECT_FALSE(db.connected());
}

// A connection begun in the background is taken by the next setConnected(true):
// it connects, or raises there what connecting raised, once.
TEST_F(LoginTest, ABegunConnectionIsTakenBySetConnected) {
  const struct {
    const char* name;
    QString databaseName;
    QString password;  // typed in the dialog; empty: Cancel
    QString error;     // empty: connects
  } cases[] = {
      {"login typed in the dialog", s.connectionString(), "quietfern", ""},
      {"refused password", s.connectionString(), "wrong-password", "password"},
      {"Cancel in the dialog", s.connectionString(), "", "Operation cancelled at user's request"},
      {"no database name", "", "quietfern", "Database name is missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIBDatabase begun;
    begun.DatabaseName = c.databaseName;
    begun.Params = QStringList{"lc_ctype=WIN1251"};
    LoginHooks::databaseLogin = [&](const QString&, QString& user, QString& password) {
      user = "SYSDBA";
      password = c.password;
      return !c.password.isEmpty();
    };
    EXPECT_NO_THROW(begun.beginConnect());
    const QString text = errorText([&] { begun.setConnected(true); });
    if (c.error.isEmpty()) {
      EXPECT_EQ(text, "(no error)");
      EXPECT_TRUE(begun.connected());
      EXPECT_EQ(begun.paramValue("user_name"), "SYSDBA");
      continue;
    }
    EXPECT_TRUE(text.contains(c.error, Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_FALSE(begun.connected());
    // told once: the next attempt connects afresh
    begun.DatabaseName = s.connectionString();
    LoginHooks::databaseLogin = [](const QString&, QString& user, QString& password) {
      user = "SYSDBA";
      password = "quietfern";
      return true;
    };
    EXPECT_EQ(errorText([&] { begun.setConnected(true); }), "(no error)");
    EXPECT_TRUE(begun.connected());
  }
}

// Every other use waits for the attachment; a database destroyed before it
// came detaches it.
TEST_F(LoginTest, ABegunConnectionIsWaitedForByItsUsers) {
  db.LoginPrompt = false;
  db.Params = ScratchDatabase::params();
  db.beginConnect();
  EXPECT_TRUE(db.connected());
  EXPECT_NO_THROW(db.checkConnected());
  EXPECT_NE(*db.handle(), 0u);
  {
    TIBDatabase dropped;
    dropped.DatabaseName = s.connectionString();
    dropped.LoginPrompt = false;
    dropped.Params = ScratchDatabase::params();
    dropped.beginConnect();
  }
  db.setConnected(false);
  EXPECT_FALSE(db.connected());
}

// A database file in a folder named in Russian is reached by its name: the name
// is the file system's, not the connection's character set.
TEST(DatabaseNameTest, AFolderNamedInRussianIsReached) {
  const QByteArray env = qgetenv("VELTON_TEST_DIR");
  const QString folder = (env.isEmpty() ? QStringLiteral("/var/tmp/velton-tests") : QString::fromLocal8Bit(env)) +
                         QStringLiteral("/Базы %1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
  const QString name = QStringLiteral("localhost:") + folder + QStringLiteral("/Вельтон.fdb");
  const QStringList isqlArgs{QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8")};
  runIsql(QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD 'quietfern' DEFAULT CHARACTER SET WIN1251;\n")
              .arg(name),
          isqlArgs);
  struct Drop {
    QString name, folder;
    ~Drop() {
      runIsql(QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD 'quietfern';\nDROP DATABASE;\n").arg(name),
              {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8")});
      QDir().rmdir(folder);
    }
  } drop{name, folder};

  TIBDatabase db;
  db.DatabaseName = name;
  db.Params = ScratchDatabase::params();
  db.LoginPrompt = false;
  EXPECT_EQ(errorText([&] { db.setConnected(true); }).toStdString(), "(no error)");
  EXPECT_TRUE(db.connected());
  db.setConnected(false);
}

// The server names a file it cannot open in UTF-8, before any connection's
// character set applies.
TEST(DatabaseNameTest, AMissingFileIsNamedReadably) {
  TIBDatabase db;
  db.DatabaseName = QStringLiteral("localhost:/var/tmp/нет такой папки/учёт.fdb");
  db.Params = ScratchDatabase::params();
  db.LoginPrompt = false;
  const QString error = errorText([&] { db.setConnected(true); });
  EXPECT_TRUE(error.contains(QStringLiteral("/нет такой папки/учёт.fdb"))) << error.toStdString();
}

// The longest name the client library takes goes to the server as it stands;
// a longer one is refused rather than cut to another name.
TEST(DatabaseNameTest, ANameLongerThanTheLibraryTakesIsRefused) {
  const QString head = QStringLiteral("localhost:/var/tmp/");
  const QString tail = QStringLiteral(".fdb");
  const struct {
    int bytes;
    const char* error;  // nullptr: the server's own
  } cases[] = {
      {32767, nullptr},
      {32768, "Database name is too long: 32768 bytes, at most 32767"},
      {70036, "Database name is too long: 70036 bytes, at most 32767"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    TIBDatabase db;
    db.DatabaseName = head + QString(c.bytes - int(head.size() + tail.size()), QLatin1Char('a')) + tail;
    db.Params = ScratchDatabase::params();
    db.LoginPrompt = false;
    const QString error = errorText([&] { db.setConnected(true); });
    if (c.error)
      EXPECT_EQ(error, QString::fromLatin1(c.error));
    else
      EXPECT_TRUE(error.contains(QStringLiteral("I/O error")) && error.contains(QString(200, QLatin1Char('a'))))
          << error.left(200).toStdString();
    EXPECT_FALSE(db.connected());
  }
}

TEST(ParamLinesTest, NamesIgnoreCaseAndSettingReplacesTheLine) {
  QStringList lines{"User_Name=a", "password=b"};
  ParamLines::setValue(lines, "USER_NAME", "c");
  ParamLines::setValue(lines, "lc_ctype", "WIN1251");
  EXPECT_EQ(lines, (QStringList{"USER_NAME=c", "password=b", "lc_ctype=WIN1251"}));
  EXPECT_EQ(ParamLines::value(lines, "Password"), "b");
  EXPECT_EQ(ParamLines::value(lines, "missing"), "");
}

}  // namespace

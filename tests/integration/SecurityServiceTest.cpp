#include <QCoreApplication>
#include <gtest/gtest.h>

#include "ScratchDatabase.h"
#include "db/DbErrors.h"
#include "db/IBSecurityService.h"
#include "db/LoginHooks.h"

namespace {

struct SecurityServiceTest : ::testing::Test {
  // Server logins are global: a name of this run's own, removed afterwards.
  const QString login = QStringLiteral("VTDB%1").arg(QCoreApplication::applicationPid());
  const QString cyrillicLogin = QStringLiteral("ВТДБ%1").arg(QCoreApplication::applicationPid());
  TIBSecurityService svc;

  void SetUp() override {
    svc.ServerName = "localhost";
    svc.Protocol = TCP;
    svc.LoginPrompt = false;
    svc.setParamValue("user_name", "SYSDBA");
    svc.setParamValue("password", "quietfern");
  }

  void TearDown() override {
    LoginHooks::serviceLogin = nullptr;
    try {
      svc.LoginPrompt = false;
      svc.setActive(true);
    } catch (const Exception&) {
    }
    for (const QString& name : {login, cyrillicLogin}) {
      try {
        svc.UserName = name;
        svc.deleteUser();
      } catch (const Exception&) {
      }
    }
  }

  bool canLogIn(const ScratchDatabase& s, const QString& password) { return canLogIn(s, login, password); }
  bool canLogIn(const ScratchDatabase& s, const QString& user, const QString& password) {
    TIBDatabase db;
    db.DatabaseName = s.connectionString();
    db.Params = ScratchDatabase::params(user, password);
    db.LoginPrompt = false;
    try {
      db.setConnected(true);
      return true;
    } catch (const EIBError&) {
      return false;
    }
  }
};

TEST_F(SecurityServiceTest, AddDisplayAndChangeThePassword) {
  svc.LoginPrompt = true;
  QString shownServer, shownUser, shownPassword;
  LoginHooks::serviceLogin = [&](const QString& server, QString& user, QString& password) {
    shownServer = server;
    shownUser = user;
    shownPassword = password;
    return true;
  };
  svc.setActive(true);
  svc.setActive(true);  // the state it has: nothing happens
  EXPECT_TRUE(svc.active());
  EXPECT_EQ(shownServer, "localhost");
  EXPECT_EQ(shownUser, "SYSDBA");
  EXPECT_EQ(shownPassword, "quietfern");

  svc.UserName = login;
  svc.Password = "old1pw";
  svc.addUser();
  EXPECT_THROW(svc.addUser(), EIBError);  // already there: the server's refusal comes through

  svc.displayUser(login);
  ASSERT_EQ(svc.userInfoCount(), 1);
  EXPECT_EQ(svc.userInfo(0).UserName, login);

  ScratchDatabase s{QString()};
  EXPECT_TRUE(canLogIn(s, "old1pw"));
  svc.Password = "new2pw";
  svc.modifyUser();
  EXPECT_TRUE(canLogIn(s, "new2pw"));
  EXPECT_FALSE(canLogIn(s, "old1pw"));

  svc.setActive(false);
  EXPECT_FALSE(svc.active());
}

TEST_F(SecurityServiceTest, CyrillicLoginNamesAndPasswordsReachTheServerIntact) {
  const struct {
    QString name;
    QString password;
    QString changed;
  } cases[] = {
      {login, QStringLiteral("Пароль9"), QStringLiteral("ЁжикЪя1")},
      {cyrillicLogin, QStringLiteral("Wick7"), QStringLiteral("Щука №2")},
  };
  ScratchDatabase s{QString()};
  svc.setActive(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    svc.UserName = c.name;
    svc.Password = c.password;
    svc.addUser();
    svc.displayUser(c.name);
    ASSERT_EQ(svc.userInfoCount(), 1);
    EXPECT_EQ(svc.userInfo(0).UserName, c.name);
    EXPECT_TRUE(canLogIn(s, c.name, c.password));
    svc.Password = c.changed;
    svc.modifyUser();
    EXPECT_TRUE(canLogIn(s, c.name, c.changed));
    EXPECT_FALSE(canLogIn(s, c.name, c.password));
  }
}

TEST_F(SecurityServiceTest, TextsOutsideWindows1251AreRefusedBeforeTheServerIsAsked) {
  svc.setActive(true);
  svc.UserName = login;
  svc.Password = QStringLiteral("密码12");
  EXPECT_EQ(errorText([&] { svc.addUser(); }).left(10), "Character ");
  svc.displayUser(login);
  EXPECT_EQ(svc.userInfoCount(), 0);
}

TEST_F(SecurityServiceTest, LoginCancelLeavesTheServiceDetached) {
  svc.LoginPrompt = true;
  LoginHooks::serviceLogin = [](const QString&, QString&, QString&) { return false; };
  EXPECT_EQ(errorText([&] { svc.setActive(true); }), "Operation cancelled at user's request");
  EXPECT_FALSE(svc.active());
}

TEST_F(SecurityServiceTest, BlankLoginNamesAreRefusedBeforeTheServerIsAsked) {
  for (const QString& name : {QString(), QString("   "), QString("AB CD")}) {
    svc.UserName = name;
    svc.Password = "pw";
    EXPECT_EQ(errorText([&] { svc.addUser(); }), "start Parameters missing or incorrect") << name.toStdString();
    EXPECT_EQ(errorText([&] { svc.modifyUser(); }), "start Parameters missing or incorrect") << name.toStdString();
    EXPECT_EQ(errorText([&] { svc.displayUser(name); }), "start Parameters missing or incorrect") << name.toStdString();
  }
  EXPECT_FALSE(svc.active());
}

TEST_F(SecurityServiceTest, SettingAParameterReplacesItsLine) {
  svc.setParamValue("PASSWORD", "other");
  EXPECT_EQ(svc.Params, (QStringList{"user_name=SYSDBA", "PASSWORD=other"}));
  svc.Params.clear();
  svc.setParamValue("password", "x");
  EXPECT_EQ(svc.Params, QStringList{"password=x"});
}

}  // namespace

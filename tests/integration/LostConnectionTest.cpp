#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "ScratchDatabase.h"
#include "db/DbErrors.h"
#include "db/IBQuery.h"
#include "db/IBSecurityService.h"
#include "db/IBStoredProc.h"
#include "support/TcpRelay.h"

namespace {

const char kTable[] = "CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1); COMMIT;";

// The scratch database's file reached through the relay.
QString throughRelay(const ScratchDatabase& s, const TcpRelay& relay) {
  const QString path = s.connectionString().mid(s.connectionString().indexOf(QLatin1Char(':')) + 1);
  return relay.serverName() + QLatin1Char(':') + path;
}

// A database on a server that accepts the connection and never answers.
void aimAtSilentServer(TIBDatabase& db, const TcpRelay& silent) {
  db.DatabaseName = silent.serverName() + QStringLiteral(":/var/tmp/no-answer.fdb");
  db.Params = ScratchDatabase::params();
  db.LoginPrompt = false;
}

}  // namespace

// The network goes away under an open transaction: the statement that finds
// it out shows the server's error about the connection and that the program
// must be restarted; so does every later command, never "Transaction is
// active"; disconnecting still works.
TEST(LostConnection, EveryLaterCommandNamesTheLossAndClosingWorks) {
  ScratchDatabase s{QString::fromLatin1(kTable)};
  TcpRelay relay;
  TIBDatabase db;
  TIBTransaction tr;
  db.DatabaseName = throughRelay(s, relay);
  db.Params = ScratchDatabase::params();
  db.LoginPrompt = false;
  db.setDefaultTransaction(&tr);
  tr.Params = QStringList{"read_committed", "rec_version", "nowait"};
  db.setConnected(true);
  tr.startTransaction();
  TIBQuery q;
  q.setDatabase(&db);
  q.SQL = QStringList{"select A from T"};
  q.open();
  EXPECT_EQ(q.value(0, 0).toInt(), 1);

  relay.stop();
  const QString first = errorText([&] {
    TIBQuery update;
    update.setDatabase(&db);
    update.SQL = QStringList{"update T set A = 2"};
    update.ExecSQL();
  });
  const QString line = TIBDatabase::connectionLostLine();
  ASSERT_TRUE(first.endsWith(QLatin1Char('\n') + line)) << first.toStdString();
  const QString serverText = first.left(first.size() - line.size() - 1);
  EXPECT_FALSE(serverText.isEmpty());
  EXPECT_TRUE(serverText.contains(QStringLiteral("connection"), Qt::CaseInsensitive) ||
              serverText.contains(QStringLiteral("network"), Qt::CaseInsensitive))
      << serverText.toStdString();
  EXPECT_TRUE(db.connectionLost());
  EXPECT_FALSE(tr.inTransaction());

  const std::function<void()> later[] = {
      [&] { tr.startTransaction(); },
      [&] { tr.commit(); },
      [&] { tr.rollback(); },
      [&] {
        TIBQuery again;
        again.setDatabase(&db);
        again.SQL = QStringList{"select A from T"};
        again.open();
      },
      [&] {
        TIBStoredProc proc;
        proc.setDatabase(&db);
        proc.setStoredProcName("NO_MATTER");
        proc.execProc();
      },
  };
  for (const auto& command : later) EXPECT_EQ(errorText(command), first);
  EXPECT_NO_THROW(q.close());
  EXPECT_NO_THROW(db.setConnected(false));
  EXPECT_FALSE(db.connected());
  EXPECT_FALSE(db.connectionLost());
}

// A server that accepts the connection and never answers: attaching to a
// database or to the service manager gives up with the server's error within
// the connect timeout, not minutes later.
TEST(LostConnection, AttachingToAServerThatDoesNotAnswerGivesUp) {
  TcpRelay silent(TcpRelay::Silent);
  {
    TIBDatabase db;
    aimAtSilentServer(db, silent);
    QElapsedTimer clock;
    clock.start();
    const QString text = errorText([&] { db.setConnected(true); });
    EXPECT_LT(clock.elapsed(), (TIBDatabase::kConnectTimeoutSeconds + 10) * 1000);
    EXPECT_NE(text, QStringLiteral("(no error)"));
    EXPECT_FALSE(db.connected());
    EXPECT_FALSE(text.contains(TIBDatabase::connectionLostLine())) << text.toStdString();
  }
  {
    TIBSecurityService service;
    service.ServerName = silent.serverName();
    service.Protocol = TCP;
    service.LoginPrompt = false;
    service.Params = ScratchDatabase::params();
    QElapsedTimer clock;
    clock.start();
    const QString text = errorText([&] { service.setActive(true); });
    EXPECT_LT(clock.elapsed(), (TIBDatabase::kConnectTimeoutSeconds + 10) * 1000);
    EXPECT_NE(text, QStringLiteral("(no error)"));
    EXPECT_FALSE(service.active());
  }
}

// Connecting in the background does not wait for the server: the caller goes
// on while a server that does not answer is still being waited for, and the
// network going away then ends the attachment with its error.
TEST(LostConnection, ABegunConnectionLeavesTheCallerFree) {
  TcpRelay silent(TcpRelay::Silent);
  TIBDatabase db;
  aimAtSilentServer(db, silent);
  QElapsedTimer clock;
  clock.start();
  db.beginConnect();
  EXPECT_LT(clock.elapsed(), TIBDatabase::kConnectTimeoutSeconds * 1000 / 3);  // returned before the server answered
  silent.stop();
  const QString text = errorText([&] { db.setConnected(true); });
  EXPECT_NE(text, QStringLiteral("(no error)"));
  EXPECT_FALSE(db.connected());
  EXPECT_LT(clock.elapsed(), TIBDatabase::kConnectTimeoutSeconds * 1000);  // ended by the stop, not the timeout
}

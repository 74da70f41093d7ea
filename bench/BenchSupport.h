#pragma once

// What the benchmarks that set the product beside a bare loop share: the
// rights data, the main form connected headless, a bare connection on the
// client library, and the report (ratio per run, median, peak memory).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <ibase.h>

#include "db/IBDatabase.h"
#include "db/IBTransaction.h"
#include "support/ScriptedPrompter.h"
#include "ui/Prompter.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"

class TFormMain;

namespace bench {

// Runs from the command line (--runs=N) or $VELTON_BENCH_RUNS; else the benchmark's default.
int runsFromArguments(int argc, char** argv, int fallback);

double peakRssMB();

// Raises naming what was counted when got is not wanted.
void expectEqual(int got, int wanted, const char* what);

// Answers the one file dialog of a run (the open or the save one) with path,
// the confirmation with Yes when asked to, and keeps the messages and errors;
// anything else is a failure of the run, kept in errors.
class FilePrompter : public Prompter {
 public:
  enum Dialog { Open, Save };
  FilePrompter(Dialog dialog, bool confirmYes) : dialog_(dialog), confirmYes_(confirmYes) {}

  QString path;
  QStringList messages, errors;

  void message(const QString& text) override { messages << text; }
  bool systemYesNo(const QString& text, const QString&) override { return unexpected(text); }
  ConfirmAnswer confirm(const QString& text) override;
  void error(const QString& text) override { errors << text; }
  void fatal(const QString&, const QString& text) override { errors << text; }
  bool databaseLogin(const QString& name, QString&, QString&) override { return unexpected(name); }
  bool serviceLogin(const QString& name, QString&, QString&) override { return unexpected(name); }
  bool openFile(const FileDialogRequest& r, QString& chosen) override { return choose(Open, r, chosen); }
  bool saveFile(const FileDialogRequest& r, QString& chosen) override { return choose(Save, r, chosen); }
  bool chooseFolder(const QString& title, const QString&, QString&) override { return unexpected(title); }
  int showModal(TForm&) override { return unexpected(QStringLiteral("modal form")), mrCancel; }
  void openUrl(const QString& url) override { unexpected(url); }

 private:
  bool choose(Dialog dialog, const FileDialogRequest& r, QString& chosen);
  bool unexpected(const QString& what);

  Dialog dialog_;
  bool confirmYes_;
};

// Seconds taken by f, on the clock and of the process's processor time (the
// client's own work, without the waits for the server).
struct Timing {
  double wall = 0;
  double cpu = 0;
};
Timing timed(const std::function<void()>& f);

// Rights data: `objects` tables BT00001... listed in OPIS_TABLE (allowed mask
// 15), a page manager (login of its own on the server) with a USER_PRIV row of
// mask pageMask on every object, and a profile manager with mask profileMask.
struct RightsData {
  TestDatabase database{TestDatabase::SchemaOnly};
  TestLogin pageLogin{QStringLiteral("bench")};
  int objects = 0;
  int pageManagerId = 101;
  int profileManagerId = 102;

  RightsData(int objects, int pageMask, int profileMask);
  QString pageAlias() const { return pageLogin.name(); }
};

// The main form connected as PLUMO, shown on the offscreen platform, with the
// scripted prompter installed.
struct Dorvik {
  explicit Dorvik(const RightsData& data);
  ~Dorvik();

  // The menu command "Определить привилегии пользователя", the manager chosen in the list.
  void openRightsPage(const QString& alias);
  // "Отменить": the page closes and its transaction rolls back.
  void cancelRightsPage();
  // A count read inside the page's transaction.
  int countInPage(const QString& select);

  TApplication application;
  std::unique_ptr<ScriptedPrompter> prompter;
  std::unique_ptr<TFormMain> form;
};

// A connection of its own on the client library for the bare loops; the
// transaction as the main form's (read_committed, rec_version, nowait).
struct BareConnection {
  explicit BareConnection(const QString& databaseName);
  ~BareConnection();

  isc_db_handle* db() { return database.handle(); }
  isc_tr_handle* tr() { return transaction.handle(); }
  unsigned short dialect() const { return (unsigned short)database.SQLDialect; }
  void start() { transaction.startTransaction(); }
  void rollback() { transaction.rollback(); }
  // Raises with the server's text on an error.
  void check(const ISC_STATUS* status) const;

  // One statement through isc_dsql_execute_immediate.
  void immediate(const QByteArray& text);

  TIBDatabase database;
  TIBTransaction transaction;
};

// A prepared "update USER_PRIV set UPR_MASK = ? where UPR_ID = ?", run by
// isc_dsql_execute with a hand-made input area.
class BareMaskUpdate {
 public:
  explicit BareMaskUpdate(BareConnection& c);
  ~BareMaskUpdate();
  void run(short mask, int id);

 private:
  BareConnection& c_;
  isc_stmt_handle handle_ = 0;
  XSQLDA* in_ = nullptr;
  short mask_ = 0;
  ISC_LONG id_ = 0;
  short ind_[2] = {0, 0};
};

// A prepared "select UPR_MASK from USER_PRIV where UPR_ID = ? with lock": the
// rights page locks a row so before its first statement. run() executes it
// and fetches to the end; answers the mask, -1 when there is no row.
class BareRowLock {
 public:
  explicit BareRowLock(BareConnection& c);
  ~BareRowLock();
  int run(int id);

 private:
  BareConnection& c_;
  isc_stmt_handle handle_ = 0;
  XSQLDA* in_ = nullptr;
  XSQLDA* out_ = nullptr;
  ISC_LONG id_ = 0;
  short mask_ = 0;
  short ind_[2] = {0, 0};
};

// A page manager's row as the bare loop holds it.
struct BareRow {
  int id = 0;
  short mask = 0;
  short allowed = 0;
  QByteArray object;  // as the connection delivers it
};

// The rights select of a manager, prepared, executed and fetched to the end
// through isc_dsql_*.
std::vector<BareRow> bareRightsRows(BareConnection& c, int managerId);

// The GRANT or REVOKE text the rights page sends (lines joined with CR LF).
QByteArray rightText(bool grant, const char* right, const QByteArray& object, const QByteArray& login);

// Product and bare seconds of each run, and the report: the ratio bare/product
// of each run, their median against the target, the medians of the times, and
// the peak memory.
struct Report {
  QString title;
  double targetRatio = 0;  // the median ratio must reach it
  int operations = 1;      // per run, for the per-operation times
  QString operationName;
  std::vector<Timing> product, bare;

  void add(Timing productRun, Timing bareRun);
  // Prints; answers 0 when the target is met, 1 otherwise.
  int print() const;
};

}  // namespace bench

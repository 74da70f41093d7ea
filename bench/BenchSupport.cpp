#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <time.h>

#include "Main.h"
#include "Program.h"
#include "Users.h"
#include "db/ClientLibrary.h"
#include "db/IBQuery.h"
#include "os/Cp1251.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Menus.h"

namespace bench {

int runsFromArguments(int argc, char** argv, int fallback) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--runs=", 7) == 0) return std::max(1, std::atoi(argv[i] + 7));
  const int fromEnvironment = qEnvironmentVariableIntValue("VELTON_BENCH_RUNS");
  return fromEnvironment > 0 ? fromEnvironment : fallback;
}

double peakRssMB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void expectEqual(int got, int wanted, const char* what) {
  if (got != wanted) throw std::runtime_error(std::string(what) + ": " + std::to_string(got) + " instead of " +
                                              std::to_string(wanted));
}

ConfirmAnswer FilePrompter::confirm(const QString& text) {
  if (confirmYes_) return ConfirmAnswer::Yes;
  return unexpected(text), ConfirmAnswer::No;
}

bool FilePrompter::choose(Dialog dialog, const FileDialogRequest& r, QString& chosen) {
  if (dialog != dialog_) return unexpected(r.fileName);
  chosen = path;
  return true;
}

bool FilePrompter::unexpected(const QString& what) {
  errors << QStringLiteral("unexpected ") + what;
  return false;
}

namespace {
double processCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
}  // namespace

Timing timed(const std::function<void()>& f) {
  const double cpu = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  f();
  Timing t;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = processCpuSeconds() - cpu;
  return t;
}

// ---- data

RightsData::RightsData(int n, int pageMask, int profileMask) : objects(n) {
  database.exec(QStringLiteral(
                    "SET TERM ^;\n"
                    "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN\n"
                    "  WHILE (i <= %1) DO BEGIN\n"
                    "    EXECUTE STATEMENT 'CREATE TABLE BT' || LPAD(:i, 5, '0') || ' (X INTEGER)';\n"
                    "    i = i + 1;\n"
                    "  END\n"
                    "END^\n"
                    "SET TERM ;^")
                    .arg(n));
  database.exec(QStringLiteral(
                    "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS, MN_KEY) VALUES (%1, 'Bench Page', '%3', 0);\n"
                    "INSERT INTO MANAGER (MN_ID, MN_MANAGER, MN_ALIAS, MN_KEY) VALUES (%2, 'Bench Profile', "
                    "'BENCHPROF', 0);\n"
                    "SET TERM ^;\n"
                    "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN\n"
                    "  WHILE (i <= %4) DO BEGIN\n"
                    "    INSERT INTO OPIS_TABLE (OPT_ID, OPT_OPIS, OPT_MASK, OPT_ISXNAME)\n"
                    "      VALUES (100000 + :i, 'Object ' || LPAD(:i, 5, '0'), 15, 'BT' || LPAD(:i, 5, '0'));\n"
                    "    INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE) VALUES (100000 + :i, %5, %1, 100000 + :i);\n"
                    "    INSERT INTO USER_PRIV (UPR_ID, UPR_MASK, UPR_MANAGER, UPR_OPIS_TABLE)\n"
                    "      VALUES (200000 + :i, %6, %2, 100000 + :i);\n"
                    "    i = i + 1;\n"
                    "  END\n"
                    "END^\n"
                    "SET TERM ;^")
                    .arg(pageManagerId)
                    .arg(profileManagerId)
                    .arg(pageLogin.name())
                    .arg(n)
                    .arg(pageMask)
                    .arg(profileMask));
}

// ---- the product

namespace {
QTemporaryDir& workFolder() {
  static QTemporaryDir dir;
  return dir;
}
}  // namespace

Dorvik::Dorvik(const RightsData& data) {
  if (!workFolder().isValid()) throw std::runtime_error("no temporary folder");
  QDir::setCurrent(workFolder().path());
  QFile ini(workFolder().filePath(QStringLiteral("Base.ini")));
  if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write Base.ini");
  for (const QString& line : {data.database.connectionString(), workFolder().path() + QLatin1Char('/'),
                              QStringLiteral("localhost"), QString()})
    ini.write(Cp1251::encode(line) + "\r\n");
  ini.close();
  prompter = std::make_unique<ScriptedPrompter>();
  prompter->expectDatabaseLogin(data.database.connectionString(), QStringLiteral("PLUMO"), QStringLiteral("plumo"));
  DorvikProgram::createForms(application);
  if (!FormMain || !FormMain->MainBase->connected()) throw std::runtime_error("dorvik did not connect");
  prompter->verifyDone();
  FormMain->show();
  QCoreApplication::processEvents();
}

Dorvik::~Dorvik() {
  DorvikProgram::destroyForms();
  prompter.reset();
}

void Dorvik::openRightsPage(const QString& alias) {
  prompter->expectModal([alias](TForm&) {
    TIBQuery& rows = *FormMain->IBQuery1;
    const int column = rows.fieldByName(QStringLiteral("MN_ALIAS")).index();
    for (int row = 0; row < rows.rowCount(); ++row)
      if (rows.value(row, column).toString().trimmed() == alias) {
        FormSpisUser->RxDBGrid1->setCurrentIndex(FormSpisUser->RxDBGrid1->model()->index(row, 0));
        break;
      }
    FormSpisUser->BnOk->click();
  });
  FormMain->OprPriv->click();
  prompter->verifyDone();
  if (!FormMain->IBqDorvik->active() || FormMain->currentAccount.text() != alias)
    throw std::runtime_error("the rights page did not open");
  QCoreApplication::processEvents();
}

void Dorvik::cancelRightsPage() {
  FormMain->BnOtmen->click();
  QCoreApplication::processEvents();
  if (FormMain->IBTrans->inTransaction()) throw std::runtime_error("the rights page's transaction is still open");
}

int Dorvik::countInPage(const QString& select) {
  TIBQuery q;
  q.setDatabase(FormMain->MainBase);
  q.setTransaction(FormMain->IBTrans);
  q.SQL = QStringList{select};
  q.open();
  return q.fields().at(0)->asInteger();
}

// ---- the bare loops

BareConnection::BareConnection(const QString& databaseName) {
  database.DatabaseName = databaseName;
  database.LoginPrompt = false;
  database.SQLDialect = 1;
  database.Params << QStringLiteral("lc_ctype=WIN1251") << QStringLiteral("user_name=PLUMO")
                  << QStringLiteral("password=plumo");
  transaction.setDefaultDatabase(&database);
  transaction.Params << QStringLiteral("read_committed") << QStringLiteral("rec_version") << QStringLiteral("nowait");
  database.setConnected(true);
}

BareConnection::~BareConnection() {
  try {
    database.setConnected(false);
  } catch (...) {
  }
}

void BareConnection::check(const ISC_STATUS* status) const { fb().checkStatus(status); }

void BareConnection::immediate(const QByteArray& text) {
  ISC_STATUS_ARRAY status;
  fb().isc_dsql_execute_immediate(status, db(), tr(), (unsigned short)text.size(), text.constData(), dialect(),
                                  nullptr);
  check(status);
}

BareMaskUpdate::BareMaskUpdate(BareConnection& c) : c_(c) {
  static const char text[] = "update  USER_PRIV set UPR_Mask = ? where UPR_id = ?";
  const ClientLibrary& lib = fb();
  ISC_STATUS_ARRAY status;
  lib.isc_dsql_allocate_statement(status, c_.db(), &handle_);
  c_.check(status);
  lib.isc_dsql_prepare(status, c_.tr(), &handle_, 0, text, c_.dialect(), nullptr);
  c_.check(status);
  in_ = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(2)));
  in_->version = SQLDA_VERSION1;
  in_->sqln = in_->sqld = 2;
  XSQLVAR& mask = in_->sqlvar[0];
  mask.sqltype = SQL_SHORT | 1;
  mask.sqllen = sizeof mask_;
  mask.sqldata = reinterpret_cast<char*>(&mask_);
  mask.sqlind = &ind_[0];
  XSQLVAR& id = in_->sqlvar[1];
  id.sqltype = SQL_LONG | 1;
  id.sqllen = sizeof id_;
  id.sqldata = reinterpret_cast<char*>(&id_);
  id.sqlind = &ind_[1];
}

BareMaskUpdate::~BareMaskUpdate() {
  ISC_STATUS_ARRAY status;
  fb().isc_dsql_free_statement(status, &handle_, DSQL_drop);
  free(in_);
}

void BareMaskUpdate::run(short mask, int id) {
  mask_ = mask;
  id_ = id;
  ISC_STATUS_ARRAY status;
  fb().isc_dsql_execute(status, c_.tr(), &handle_, 1, in_);
  c_.check(status);
}

BareRowLock::BareRowLock(BareConnection& c) : c_(c) {
  static const char text[] = "select UPR_MASK from USER_PRIV\r\nwhere UPR_ID = ?\r\nwith lock\r\n";
  const ClientLibrary& lib = fb();
  ISC_STATUS_ARRAY status;
  lib.isc_dsql_allocate_statement(status, c_.db(), &handle_);
  c_.check(status);
  out_ = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(1)));
  out_->version = SQLDA_VERSION1;
  out_->sqln = 1;
  lib.isc_dsql_prepare(status, c_.tr(), &handle_, 0, text, c_.dialect(), out_);
  c_.check(status);
  out_->sqlvar[0].sqltype = SQL_SHORT | 1;
  out_->sqlvar[0].sqllen = sizeof mask_;
  out_->sqlvar[0].sqldata = reinterpret_cast<char*>(&mask_);
  out_->sqlvar[0].sqlind = &ind_[1];
  in_ = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(1)));
  in_->version = SQLDA_VERSION1;
  in_->sqln = in_->sqld = 1;
  in_->sqlvar[0].sqltype = SQL_LONG | 1;
  in_->sqlvar[0].sqllen = sizeof id_;
  in_->sqlvar[0].sqldata = reinterpret_cast<char*>(&id_);
  in_->sqlvar[0].sqlind = &ind_[0];
}

BareRowLock::~BareRowLock() {
  ISC_STATUS_ARRAY status;
  fb().isc_dsql_free_statement(status, &handle_, DSQL_drop);
  free(in_);
  free(out_);
}

int BareRowLock::run(int id) {
  const ClientLibrary& lib = fb();
  id_ = id;
  ISC_STATUS_ARRAY status;
  lib.isc_dsql_execute(status, c_.tr(), &handle_, 1, in_);
  c_.check(status);
  int mask = -1;
  ISC_STATUS rc;
  while ((rc = lib.isc_dsql_fetch(status, &handle_, 1, out_)) == 0) mask = mask_;
  if (rc != 100) c_.check(status);
  lib.isc_dsql_free_statement(status, &handle_, DSQL_close);
  c_.check(status);
  return mask;
}

std::vector<BareRow> bareRightsRows(BareConnection& c, int managerId) {
  static const char text[] =
      "select UPR_ID, UPR_MASK, OPT_OPIS, OPT_MASK, OPT_ISXNAME\r\nfrom USER_PRIV,  OPIS_TABLE \r\n"
      "where ( UPR_MANAGER = ? ) and\r\n(OPT_ID= UPR_OPIS_TABLE)\r\norder by OPT_OPIS\r\n";
  const ClientLibrary& lib = fb();
  ISC_STATUS_ARRAY status;
  isc_stmt_handle st = 0;
  lib.isc_dsql_allocate_statement(status, c.db(), &st);
  c.check(status);
  XSQLDA* out = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(5)));
  out->version = SQLDA_VERSION1;
  out->sqln = 5;
  lib.isc_dsql_prepare(status, c.tr(), &st, 0, text, c.dialect(), out);
  c.check(status);
  std::vector<std::vector<char>> buffers(5);
  std::vector<short> ind(5);
  for (int i = 0; i < 5; ++i) {
    XSQLVAR& v = out->sqlvar[i];
    buffers[size_t(i)].assign(size_t(v.sqllen) + 2, 0);
    v.sqldata = buffers[size_t(i)].data();
    v.sqlind = &ind[size_t(i)];
  }
  XSQLDA* in = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(1)));
  in->version = SQLDA_VERSION1;
  in->sqln = in->sqld = 1;
  ISC_LONG manager = managerId;
  short managerInd = 0;
  in->sqlvar[0].sqltype = SQL_LONG | 1;
  in->sqlvar[0].sqllen = sizeof manager;
  in->sqlvar[0].sqldata = reinterpret_cast<char*>(&manager);
  in->sqlvar[0].sqlind = &managerInd;
  lib.isc_dsql_execute(status, c.tr(), &st, 1, in);
  c.check(status);
  std::vector<BareRow> rows;
  while (lib.isc_dsql_fetch(status, &st, 1, out) == 0) {
    BareRow r;
    std::memcpy(&r.id, out->sqlvar[0].sqldata, 4);
    std::memcpy(&r.mask, out->sqlvar[1].sqldata, 2);
    std::memcpy(&r.allowed, out->sqlvar[3].sqldata, 2);
    short length = 0;
    std::memcpy(&length, out->sqlvar[4].sqldata, 2);
    r.object = QByteArray(out->sqlvar[4].sqldata + 2, length);
    rows.push_back(std::move(r));
  }
  lib.isc_dsql_free_statement(status, &st, DSQL_drop);
  free(in);
  free(out);
  return rows;
}

QByteArray rightText(bool grant, const char* right, const QByteArray& object, const QByteArray& login) {
  QByteArray text;
  text.reserve(80);
  text += grant ? "GRANT\r\n" : "REVOKE\r\n";
  text += right;
  text += " ON\r\n";
  text += object;
  text += grant ? "\r\n TO \r\n" : "\r\n FROM \r\n";
  text += login;
  text += "\r\n";
  return text;
}

// ---- the report

namespace {
double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}
}  // namespace

void Report::add(Timing productRun, Timing bareRun) {
  product.push_back(productRun);
  bare.push_back(bareRun);
  const double per = 1000.0 / double(operations);
  std::printf("  run %zu: product %.3f ms (processor %.3f), bare %.3f ms (processor %.3f) per %s, ratio %.3f\n",
              product.size(), productRun.wall * per, productRun.cpu * per, bareRun.wall * per, bareRun.cpu * per,
              qPrintable(operationName), bareRun.wall / productRun.wall);
  std::fflush(stdout);
}

int Report::print() const {
  std::vector<double> ratios, productWall, bareWall, productCpu, bareCpu;
  for (size_t i = 0; i < product.size(); ++i) {
    ratios.push_back(bare[i].wall / product[i].wall);
    productWall.push_back(product[i].wall);
    bareWall.push_back(bare[i].wall);
    productCpu.push_back(product[i].cpu);
    bareCpu.push_back(bare[i].cpu);
  }
  const double ratio = median(ratios);
  const double per = 1000.0 / double(operations);
  const bool met = ratio >= targetRatio;
  std::printf("%s\n", qPrintable(title));
  std::printf("  median over %zu runs: product %.3f ms, bare loop %.3f ms per %s\n", product.size(),
              median(productWall) * per, median(bareWall) * per, qPrintable(operationName));
  std::printf("  processor time of the client, median: product %.3f ms, bare loop %.3f ms per %s\n",
              median(productCpu) * per, median(bareCpu) * per, qPrintable(operationName));
  if (targetRatio > 0)
    std::printf("  ratio (bare time / product time): median %.3f, target at least %.2f: %s\n", ratio, targetRatio,
                met ? "met" : "NOT MET");
  else
    std::printf("  ratio (bare time / product time): median %.3f\n", ratio);
  std::printf("  peak memory (resident): %.1f MB\n", peakRssMB());
  std::fflush(stdout);
  return met ? 0 : 1;
}

}  // namespace bench

// Export of a large replication log: the program's own handler (ReplBaseClick,
// headless) against a bare loop through the client library doing the same
// work on the same rows: count them, fetch them, write each ITOG and a line
// end into a script beside the target, sync it and put it in place. The two
// run interleaved, alternating which goes first, so that the machine's drift
// cancels. Printed: each run's times, the ratio bare/product (1.0: the
// program at the client library's speed), the median over the runs, and the
// peak memory after a small and after the large log (flat: no growth).
//
//   export_bench [--rows N] [--runs N]     (default 1000000 rows, 7 runs)

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "BenchSupport.h"
#include "Main.h"
#include "db/ClientLibrary.h"
#include "db/IBDatabase.h"
#include "os/Errors.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"
#include "ui/Prompter.h"

namespace {

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void check(const ClientLibrary& lib, const ISC_STATUS* status) { lib.checkStatus(status); }

// The same work through the client library alone.
class BareExport {
 public:
  explicit BareExport(const QString& connectionString) : lib_(ClientLibrary::get()) {
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    auto add = [&](char tag, const QByteArray& value) {
      dpb.append(tag);
      dpb.append(char(value.size()));
      dpb.append(value);
    };
    add(isc_dpb_lc_ctype, "WIN1251");
    add(isc_dpb_user_name, "PLUMO");
    add(isc_dpb_password, "plumo");
    const QByteArray name = connectionString.toUtf8();
    ISC_STATUS_ARRAY status;
    lib_.isc_attach_database(status, short(name.size()), name.constData(), &db_, short(dpb.size()), dpb.constData());
    check(lib_, status);
  }
  ~BareExport() {
    ISC_STATUS_ARRAY status;
    if (db_) lib_.isc_detach_database(status, &db_);
  }

  // Returns the rows written.
  long run(const QString& target) {
    ISC_STATUS_ARRAY status;
    isc_tr_handle tr = 0;
    static const char tpb[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait, isc_tpb_read};
    struct {
      isc_db_handle* db;
      ISC_LONG length;
      const char* tpb;
    } teb{&db_, sizeof tpb, tpb};
    lib_.isc_start_multiple(status, &tr, 1, &teb);
    check(lib_, status);

    const QByteArray temporary = QFile::encodeName(QFileInfo(target).absolutePath() + "/.bare." +
                                                   QFileInfo(target).fileName());
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create the bare script");
    std::vector<char> buffer(1 << 20);
    size_t used = 0;
    auto flush = [&] {
      if (::write(fd, buffer.data(), used) != ssize_t(used)) throw std::runtime_error("short write");
      used = 0;
    };
    auto put = [&](const char* p, size_t n) {
      if (used + n > buffer.size()) flush();
      if (n > buffer.size()) {
        if (::write(fd, p, n) != ssize_t(n)) throw std::runtime_error("short write");
        return;
      }
      std::memcpy(buffer.data() + used, p, n);
      used += n;
    };
    static const char header[] = "/* \xd0\xe5\xef\xeb\xe8\xea\xe0\xf6\xe8\xff \xee\xf2 10.12.2026 12:40:40 */\r\nSET NAMES WIN1251;\r\n";
    put(header, sizeof header - 1);

    // The bar's maximum: the rows counted first.
    const long count = scalar(tr, "select count(*) from ReplBase");
    (void)count;

    isc_stmt_handle st = 0;
    lib_.isc_dsql_allocate_statement(status, &db_, &st);
    check(lib_, status);
    XSQLDA* out = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(4)));
    out->version = SQLDA_VERSION1;
    out->sqln = 4;
    const char sql[] = "select * from ReplBase";
    lib_.isc_dsql_prepare(status, &tr, &st, 0, sql, 1, out);
    check(lib_, status);
    if (out->sqld > out->sqln) throw std::runtime_error("more columns than expected");
    int itog = -1;
    std::vector<std::vector<char>> data(size_t(out->sqld));
    std::vector<short> nulls(size_t(out->sqld));
    for (int i = 0; i < out->sqld; ++i) {
      XSQLVAR& v = out->sqlvar[i];
      if (std::string(v.sqlname, size_t(v.sqlname_length)) == "ITOG") itog = i;
      data[size_t(i)].resize(size_t(v.sqllen) + 2);
      v.sqldata = data[size_t(i)].data();
      v.sqlind = &nulls[size_t(i)];
    }
    if (itog < 0 || (out->sqlvar[itog].sqltype & ~1) != SQL_VARYING) throw std::runtime_error("no VARCHAR ITOG");
    lib_.isc_dsql_execute(status, &tr, &st, 1, nullptr);
    check(lib_, status);
    long rows = 0;
    const XSQLVAR& v = out->sqlvar[itog];
    while (lib_.isc_dsql_fetch(status, &st, 1, out) == 0) {
      ++rows;
      if (!(v.sqltype & 1) || *v.sqlind >= 0) {
        unsigned short length;
        std::memcpy(&length, v.sqldata, 2);
        put(v.sqldata + 2, length);
      }
      put("\r\n", 2);
    }
    check(lib_, status);
    lib_.isc_dsql_free_statement(status, &st, DSQL_drop);
    free(out);
    flush();
    if (::fsync(fd) != 0 || ::close(fd) != 0) throw std::runtime_error("cannot sync the bare script");
    lib_.isc_commit_transaction(status, &tr);
    check(lib_, status);
    if (::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
      throw std::runtime_error("cannot rename the bare script");
    return rows;
  }

 private:
  long scalar(isc_tr_handle& tr, const char* sql) {
    ISC_STATUS_ARRAY status;
    isc_stmt_handle st = 0;
    lib_.isc_dsql_allocate_statement(status, &db_, &st);
    check(lib_, status);
    XSQLDA* out = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(1)));
    out->version = SQLDA_VERSION1;
    out->sqln = 1;
    lib_.isc_dsql_prepare(status, &tr, &st, 0, sql, 1, out);
    check(lib_, status);
    ISC_INT64 value = 0;
    short null = 0;
    out->sqlvar[0].sqltype = SQL_INT64 | 1;
    out->sqlvar[0].sqllen = 8;
    out->sqlvar[0].sqlscale = 0;
    out->sqlvar[0].sqldata = reinterpret_cast<char*>(&value);
    out->sqlvar[0].sqlind = &null;
    lib_.isc_dsql_execute(status, &tr, &st, 1, nullptr);
    check(lib_, status);
    lib_.isc_dsql_fetch(status, &st, 1, out);
    check(lib_, status);
    lib_.isc_dsql_free_statement(status, &st, DSQL_drop);
    free(out);
    return long(value);
  }

  const ClientLibrary& lib_;
  isc_db_handle db_ = 0;
};

// The database, the main form connected to it as PLUMO, and the log's size.
struct Session {
  TestDatabase database{TestDatabase::SchemaOnly};
  QTemporaryDir folder;
  TApplication application;
  std::unique_ptr<TFormMain> form;
  bench::FilePrompter prompter{bench::FilePrompter::Save, true};
  Prompter* previous = nullptr;
  int logRows = 0;

  Session() {
    previous = Prompter::install(&prompter);
    prompter.path = folder.filePath(QStringLiteral("Repl.sql"));
    form = std::make_unique<TFormMain>();
    // Made without Base.ini, the form began connecting to its built-in
    // database: that is given up for the benchmark's own.
    form->MainBase->setConnected(false);
    form->MainBase->DatabaseName = database.connectionString();
    form->MainBase->LoginPrompt = false;
    form->MainBase->Params << QStringLiteral("user_name=PLUMO") << QStringLiteral("password=plumo");
    form->MainBase->setConnected(true);
  }
  ~Session() {
    form.reset();  // disconnects before the database is dropped
    Prompter::install(previous);
  }

  // Adds rows until the log holds n, each a line as the triggers write them.
  void growLog(int n) {
    const int chunk = 250000;
    while (logRows < n) {
      const int last = std::min(n, logRows + chunk);
      database.exec(QStringLiteral(
                        "SET TERM ^;\n"
                        "EXECUTE BLOCK AS DECLARE i INTEGER = %1; BEGIN\n"
                        "  WHILE (i <= %2) DO BEGIN\n"
                        "    INSERT INTO REPLBASE (RB_ID, ITOG) VALUES (:i,\n"
                        "      'INSERT INTO CLIENT (CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS, CL_DATE, CL_MANAGER) VALUES ('\n"
                        "      || :i || ', ''Клиент ' || :i || ''', ''+7 495 ' || :i || ''', ''Москва, ул. Ленина, '\n"
                        "      || :i || ''', ''05.03.2024 14:07:09'', 1);');\n"
                        "    i = i + 1;\n"
                        "  END\n"
                        "END^\n"
                        "SET TERM ;^")
                        .arg(logRows + 1)
                        .arg(last));
      logRows = last;
    }
  }

  double product() {
    const auto start = std::chrono::steady_clock::now();
    try {
      form->ReplBaseClick();
    } catch (const Exception& e) {
      prompter.errors << e.message();
    }
    const double t = seconds(std::chrono::steady_clock::now() - start);
    if (!prompter.errors.isEmpty()) throw std::runtime_error(prompter.errors.join(QStringLiteral("; ")).toStdString());
    return t;
  }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int rows = 1000000;
  int runs = 7;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  try {
    Session s;
    BareExport bare(s.database.connectionString());
    const QString bareTarget = s.folder.filePath(QStringLiteral("Bare.sql"));

    // A small log first: the peak after it and after the large one compare.
    s.growLog(1000);
    s.product();
    bare.run(bareTarget);
    const double smallPeak = bench::peakRssMB();
    std::printf("peak RSS after an export of 1000 rows: %.1f MB\n", smallPeak);

    s.growLog(rows);
    std::printf("log of %d rows\n", rows);
    std::printf("%4s %12s %12s %8s\n", "run", "product s", "bare s", "ratio");
    std::vector<double> productTimes, bareTimes, ratios;
    for (int run = 0; run < runs; ++run) {
      double p = 0, b = 0;
      if (run % 2 == 0) {
        p = s.product();
        const auto start = std::chrono::steady_clock::now();
        if (bare.run(bareTarget) != rows) throw std::runtime_error("the bare loop wrote another number of rows");
        b = seconds(std::chrono::steady_clock::now() - start);
      } else {
        const auto start = std::chrono::steady_clock::now();
        if (bare.run(bareTarget) != rows) throw std::runtime_error("the bare loop wrote another number of rows");
        b = seconds(std::chrono::steady_clock::now() - start);
        p = s.product();
      }
      productTimes.push_back(p);
      bareTimes.push_back(b);
      ratios.push_back(b / p);
      std::printf("%4d %12.3f %12.3f %8.3f\n", run + 1, p, b, b / p);
    }
    const qint64 productSize = QFileInfo(s.prompter.path).size();
    const qint64 bareSize = QFileInfo(bareTarget).size();
    // The same lines but line 1's date and time.
    if (std::llabs(productSize - bareSize) > 16) throw std::runtime_error("the scripts differ in size");
    std::printf("median: product %.3f s, bare %.3f s, ratio %.3f (target at least 0.9)\n", median(productTimes),
                median(bareTimes), median(ratios));
    std::printf("script %.1f MB; peak RSS %.1f MB after 1000 rows, %.1f MB after %d rows\n",
                double(productSize) / (1024.0 * 1024.0), smallPeak, bench::peakRssMB(), rows);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}

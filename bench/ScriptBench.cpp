// Execution of large replication scripts: the script command of the main form
// against a bare loop that sends the same statements through the client
// library in one transaction, run in turns on the same connection. Prints the
// median time of each, their ratio, and the process's peak memory after each
// size against the idle program's.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>
#include <vector>

#include "BenchSupport.h"
#include "Main.h"
#include "db/ClientLibrary.h"
#include "db/IBDatabase.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/System.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"
#include "ui/Prompter.h"

namespace {

// Statement i of a script, as the replication log holds such lines.
QByteArray statement(int i) {
  static const QByteArray name = Cp1251::encode(QString::fromUtf8(", 'Клиент "));
  static const QByteArray address = Cp1251::encode(QString::fromUtf8("', 'Москва, ул. Ленина, "));
  const QByteArray n = QByteArray::number(i);
  return "UPDATE OR INSERT INTO BENCH_CLIENT (CL_ID, CL_NAME, CL_PHONE, CL_ADDRESS) VALUES (" + n + name + n +
         "', '+7 495 " + n + address + n + "') MATCHING (CL_ID)";
}

void check(const ISC_STATUS* status) { fb().checkStatus(status); }

struct Session {
  TestDatabase database{TestDatabase::SchemaOnly};
  QTemporaryDir folder;
  TApplication application;
  std::unique_ptr<TFormMain> form;
  bench::FilePrompter prompter{bench::FilePrompter::Open, false};
  Prompter* previous = nullptr;

  Session() {
    database.exec(QStringLiteral("CREATE TABLE BENCH_CLIENT (CL_ID INTEGER NOT NULL PRIMARY KEY, CL_NAME VARCHAR(60),"
                                 " CL_PHONE VARCHAR(20), CL_ADDRESS VARCHAR(100));"));
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

  // A script as the export writes it; `padding` bytes of comment after each
  // statement make a large file of few statements. Returns the file's size.
  qint64 writeScript(int statements, int padding) {
    QFile file(prompter.path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write the script");
    QByteArray out = Cp1251::encode(QString::fromUtf8("/* Репликация от ") +
                                    System::dateTimeText(QDateTime::currentDateTime()) +
                                    QStringLiteral(" */\r\nSET NAMES WIN1251;\r\n"));
    const QByteArray pad = padding > 0 ? "/*" + QByteArray(padding - 6, '-') + "*/\r\n" : QByteArray();
    for (int i = 1; i <= statements; ++i) {
      out += statement(i) + ";\r\n" + pad;
      if (out.size() > (1 << 20)) file.write(out), out.clear();
    }
    file.write(out);
    return file.size();
  }

  double runCommand() {
    prompter.messages.clear();
    QElapsedTimer t;
    t.start();
    try {
      form->sbExecuteClick();
    } catch (const Exception& e) {
      prompter.errors << e.message();
    }
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (!prompter.errors.isEmpty() || prompter.messages != QStringList{QString::fromUtf8("Скрипт выполнен")})
      throw std::runtime_error(("the command failed: " + prompter.errors.join("; ")).toStdString());
    return s;
  }

  // The same statements straight through the library, in one transaction
  // with the main form's parameters.
  double runBareLoop(int statements) {
    const ClientLibrary& lib = fb();
    isc_db_handle* db = form->MainBase->handle();
    static const char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait};
    ISC_STATUS_ARRAY status;
    QElapsedTimer t;
    t.start();
    isc_tr_handle tr = 0;
    struct {
      isc_db_handle* db;
      ISC_LONG length;
      const char* tpb;
    } teb{db, ISC_LONG(sizeof tpb), tpb};
    lib.isc_start_multiple(status, &tr, 1, &teb);
    check(status);
    for (int i = 1; i <= statements; ++i) {
      const QByteArray text = statement(i);
      lib.isc_dsql_execute_immediate(status, db, &tr, (unsigned short)text.size(), text.constData(), 1, nullptr);
      check(status);
    }
    lib.isc_commit_transaction(status, &tr);
    check(status);
    return double(t.nsecsElapsed()) / 1e9;
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
  // statements, comment bytes after each, timed rounds
  struct Size {
    int statements, padding, rounds;
  };
  std::vector<Size> sizes = {{100000, 0, 5}, {1000000, 0, 3}, {1000000, 1000, 3}};
  if (argc > 1) {
    // script_bench STATEMENTS PADDING ROUNDS ...: these sizes only
    sizes.clear();
    for (int i = 1; i + 2 < argc; i += 3) sizes.push_back({std::atoi(argv[i]), std::atoi(argv[i + 1]), std::atoi(argv[i + 2])});
  }
  try {
    Session s;
    const double idle = bench::peakRssMB();
    std::printf("idle peak RSS: %.1f MB\n", idle);
    std::printf("%10s %10s %10s %10s %10s %8s %12s %12s\n", "statements", "file_MB", "command_s", "bare_s",
                "stmts/s", "ratio", "peak_rss_MB", "over_idle_MB");
    for (const Size& size : sizes) {
      const qint64 bytes = s.writeScript(size.statements, size.padding);
      s.runCommand();  // the first run inserts the rows, the timed ones update them
      std::vector<double> command, bare;
      for (int r = 0; r < size.rounds; ++r) {
        // Which goes first alternates: the one after cleans up the other's
        // old row versions.
        if (r % 2 == 0) {
          command.push_back(s.runCommand());
          bare.push_back(s.runBareLoop(size.statements));
        } else {
          bare.push_back(s.runBareLoop(size.statements));
          command.push_back(s.runCommand());
        }
      }
      const double c = median(command), b = median(bare);
      const double peak = bench::peakRssMB();
      // ratio: the command's speed as a share of the bare loop's (1 = as fast)
      std::printf("%10d %10.1f %10.3f %10.3f %10.0f %8.3f %12.1f %12.1f\n", size.statements,
                  double(bytes) / (1024.0 * 1024.0), c, b, size.statements / c, b / c, peak, peak - idle);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "script_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}

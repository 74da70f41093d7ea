// Export of a large replication log: time per export and the process's peak
// memory, which must not grow with the size of the log.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

#include "Main.h"
#include "db/IBDatabase.h"
#include "os/Errors.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"
#include "ui/Prompter.h"

namespace {

// Chooses the script file, answers Yes to overwriting it, takes the success
// message; anything else is a failure of the run.
class BenchPrompter : public Prompter {
 public:
  QString path;
  QStringList errors;

  void message(const QString&) override {}
  bool systemYesNo(const QString& text, const QString&) override { return unexpected(text); }
  ConfirmAnswer confirm(const QString&) override { return ConfirmAnswer::Yes; }
  void error(const QString& text) override { errors << text; }
  void fatal(const QString&, const QString& text) override { errors << text; }
  bool databaseLogin(const QString& name, QString&, QString&) override { return unexpected(name); }
  bool serviceLogin(const QString& name, QString&, QString&) override { return unexpected(name); }
  bool openFile(const FileDialogRequest& r, QString&) override { return unexpected(r.fileName); }
  bool saveFile(const FileDialogRequest&, QString& chosen) override {
    chosen = path;
    return true;
  }
  bool chooseFolder(const QString& title, const QString&, QString&) override { return unexpected(title); }
  int showModal(TForm&) override { return unexpected(QStringLiteral("modal form")), mrCancel; }
  void openUrl(const QString& url) override { unexpected(url); }

 private:
  bool unexpected(const QString& what) {
    errors << QStringLiteral("unexpected ") + what;
    return false;
  }
};

double peakRssMB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double currentRssMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The database, the main form connected to it as PLUMO, and the log's size.
struct Session {
  TestDatabase database{TestDatabase::SchemaOnly};
  QTemporaryDir folder;
  TApplication application;
  std::unique_ptr<TFormMain> form;
  BenchPrompter prompter;
  Prompter* previous = nullptr;
  int logRows = 0;

  Session() {
    previous = Prompter::install(&prompter);
    prompter.path = folder.filePath(QStringLiteral("Repl.sql"));
    form = std::make_unique<TFormMain>();
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
};

Session* session = nullptr;

void BM_ExportReplicationLog(benchmark::State& state) {
  const int rows = int(state.range(0));
  try {
    session->growLog(rows);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) {
    try {
      session->form->ReplBaseClick();
    } catch (const Exception& e) {
      session->prompter.errors << e.message();
    }
    if (!session->prompter.errors.isEmpty()) {
      state.SkipWithError(session->prompter.errors.join(QStringLiteral("; ")).toStdString().c_str());
      return;
    }
  }
  const qint64 bytes = QFileInfo(session->prompter.path).size();
  state.SetItemsProcessed(state.iterations() * rows);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["rows"] = rows;
  state.counters["file_MB"] = double(bytes) / (1024.0 * 1024.0);
  state.counters["peak_rss_MB"] = peakRssMB();
  state.counters["rss_MB"] = currentRssMB();
}

// Ascending sizes: the peak after the largest shows any growth over the smallest.
BENCHMARK(BM_ExportReplicationLog)
    ->Arg(100)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    Session s;
    session = &s;
    std::fprintf(stderr, "peak RSS before the exports: %.1f MB\n", peakRssMB());
    benchmark::RunSpecifiedBenchmarks();
    session = nullptr;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
  benchmark::Shutdown();
  return 0;
}

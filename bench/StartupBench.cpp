// Start-up to the first paint: dorvik's own start (Base.ini, the login dialog
// answered at once, the four forms, the main form shown until its first paint
// has run), each in a process of its own on the offscreen platform, against a
// bare start, attach and detach through the client library on the same
// database (startup_bare: this file built without Qt). The two run
// interleaved; the driver prints the medians, their ratio and each side's
// peak memory.
//
//   startup_bench [runs]                  the driver (default 21 runs of each)
//   startup_bench --product <folder> <fd> one start of dorvik in the folder
//   startup_bare <database> <user> <password> <fd>
//
// A child writes one byte on the descriptor when it has got there: the driver
// times from the fork to that byte.

#ifdef STARTUP_BARE

#include <dlfcn.h>
#include <ibase.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  void* library = dlopen("libfbclient.so.2", RTLD_NOW);
  if (!library) {
    std::fprintf(stderr, "startup_bare: %s\n", dlerror());
    return 3;
  }
  auto attach = reinterpret_cast<decltype(&isc_attach_database)>(dlsym(library, "isc_attach_database"));
  auto detach = reinterpret_cast<decltype(&isc_detach_database)>(dlsym(library, "isc_detach_database"));
  if (!attach || !detach) return 3;

  // The block the product sends: character set, UTF-8 names, login, dialect 1.
  std::string dpb(1, char(isc_dpb_version1));
  auto add = [&dpb](char tag, const char* value) {
    dpb += tag;
    dpb += char(std::strlen(value));
    dpb += value;
  };
  add(isc_dpb_lc_ctype, "WIN1251");
  dpb += char(isc_dpb_utf8_filename);
  dpb += char(0);
  add(isc_dpb_user_name, argv[2]);
  add(isc_dpb_password, argv[3]);
  const int dialect = 1;
  dpb += char(isc_dpb_sql_dialect);
  dpb += char(4);
  dpb.append(reinterpret_cast<const char*>(&dialect), 4);

  ISC_STATUS_ARRAY status{};
  isc_db_handle db = 0;
  attach(status, short(std::strlen(argv[1])), argv[1], &db, short(dpb.size()), dpb.data());
  if (status[0] == 1 && status[1]) {
    std::fprintf(stderr, "startup_bare: attach failed (%ld)\n", long(status[1]));
    return 4;
  }
  detach(status, &db);
  if (status[0] == 1 && status[1]) return 4;
  const int fd = std::atoi(argv[4]);
  if (::write(fd, "x", 1) != 1) return 5;
  return 0;
}

#else  // the driver and the product's side

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Main.h"
#include "os/StartupWorker.h"
#include "Program.h"
#include "support/TestDatabase.h"
#include "ui/Application.h"
#include "ui/Prompter.h"

namespace {

// The product's start sees only the login dialog; anything else it would show
// ends the run as a failure.
class StartPrompter : public Prompter {
 public:
  void message(const QString& text) override { fail(text); }
  bool systemYesNo(const QString& text, const QString&) override { return fail(text); }
  ConfirmAnswer confirm(const QString& text) override { return fail(text), ConfirmAnswer::No; }
  void error(const QString& text) override { fail(text); }
  void fatal(const QString&, const QString& text) override { fail(text); }
  bool databaseLogin(const QString&, QString& user, QString& password) override {
    user = QStringLiteral("PLUMO");
    password = QStringLiteral("plumo");
    return true;
  }
  bool serviceLogin(const QString& name, QString&, QString&) override { return fail(name); }
  bool openFile(const FileDialogRequest& r, QString&) override { return fail(r.title); }
  bool saveFile(const FileDialogRequest& r, QString&) override { return fail(r.title); }
  bool chooseFolder(const QString& title, const QString&, QString&) override { return fail(title); }
  int showModal(TForm&) override { return fail(QStringLiteral("modal form")), mrCancel; }
  void openUrl(const QString& url) override { fail(url); }

 private:
  [[noreturn]] bool fail(const QString& what) {
    std::fprintf(stderr, "startup_bench: the start showed %s\n", qPrintable(what));
    std::fflush(stderr);
    ::_exit(3);
  }
};

// One start of dorvik, as its program body runs it, in the folder of Base.ini.
int productChild(int argc, char** argv, const QString& folder, int fd) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // the platform's notes
  StartupWorker::start();  // as dorvik's main
  TApplication::beginFontConfiguration();
  QApplication qt(argc, argv);
  QDir::setCurrent(folder);
  StartPrompter prompter;
  Prompter::install(&prompter);
  TApplication::loadQtTranslations();
  TApplication app;
  DorvikProgram::createForms(app);
  const std::function<void()> check = FormMain->OnPaint;
  bool painted = false;
  FormMain->OnPaint = [&] {
    check();
    if (painted) return;
    painted = true;
    if (::write(fd, "x", 1) != 1) ::_exit(5);
    FormMain->close();
  };
  app.run();
  DorvikProgram::destroyForms();
  Prompter::install(nullptr);
  return painted ? 0 : 6;
}

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Run {
  double ms = 0;
  double peakMB = 0;
};

// Starts the program with the arguments (the last one is given the pipe's
// descriptor), times it from the fork to its byte and waits for its end.
Run timeChild(const std::string& program, std::vector<std::string> args) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
  args.push_back(std::to_string(pipeFds[1]));
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const double start = now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char byte = 0;
  pollfd wait{pipeFds[0], POLLIN, 0};
  const bool arrived = ::poll(&wait, 1, 60000) == 1 && ::read(pipeFds[0], &byte, 1) == 1;
  if (!arrived) ::kill(pid, SIGKILL);  // a start that hangs ends the benchmark
  Run run;
  run.ms = now() - start;
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (!arrived || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(program + " failed, exit status " + std::to_string(WEXITSTATUS(status)));
  run.peakMB = double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int driver(int runs, const std::string& self) {
  const std::string bare = QFileInfo(QString::fromStdString(self)).dir().filePath(QStringLiteral("startup_bare")).toStdString();
  TestDatabase database(TestDatabase::SchemaOnly);
  QTemporaryDir folder;
  {
    QFile ini(folder.filePath(QStringLiteral("Base.ini")));
    if (!ini.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write Base.ini");
    ini.write(database.connectionString().toLatin1() + "\r\n" + folder.path().toLatin1() + "/\r\nlocalhost\r\n\r\n");
  }
  const std::vector<std::string> productArgs{"--product", folder.path().toStdString()};
  const std::vector<std::string> bareArgs{database.connectionString().toStdString(), "PLUMO", "plumo"};

  // one of each to warm the caches, then interleaved, the order turning
  timeChild(self, productArgs);
  timeChild(bare, bareArgs);
  std::vector<double> product, plain, ratios, productPeak, barePeak;
  for (int i = 0; i < runs; ++i) {
    Run p, b;
    if (i % 2 == 0) {
      p = timeChild(self, productArgs);
      b = timeChild(bare, bareArgs);
    } else {
      b = timeChild(bare, bareArgs);
      p = timeChild(self, productArgs);
    }
    product.push_back(p.ms);
    plain.push_back(b.ms);
    ratios.push_back(b.ms / p.ms);
    productPeak.push_back(p.peakMB);
    barePeak.push_back(b.peakMB);
  }
  const double ratio = median(ratios);
  std::printf("start-up to the first paint, %d runs of each, interleaved\n", runs);
  std::printf("  dorvik to its first paint      median %7.1f ms   peak RSS %6.1f MB\n", median(product),
              *std::max_element(productPeak.begin(), productPeak.end()));
  std::printf("  bare start, attach and detach  median %7.1f ms   peak RSS %6.1f MB\n", median(plain),
              *std::max_element(barePeak.begin(), barePeak.end()));
  std::printf("  ratio bare/dorvik (median of the pairs) %.2f; dorvik takes %.2f times the bare start\n", ratio,
              1 / ratio);
  std::printf("  target: the first paint within 2 times the bare start (ratio >= 0.50): %s\n",
              ratio >= 0.5 ? "met" : "NOT met");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--product")
    return productChild(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
  int runs = 21;
  if (argc == 2) runs = std::max(1, std::atoi(argv[1]));
  QCoreApplication core(argc, argv);
  try {
    return driver(runs, QCoreApplication::applicationFilePath().toStdString());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "startup_bench: %s\n", e.what());
    return 1;
  }
}

#endif

#include "Application.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <csignal>
#include <cstdlib>
#include <future>
#include <memory>

#include "Form.h"
#include "Guard.h"
#include "Prompter.h"
#include "os/Errors.h"

#include <fontconfig/fontconfig.h>

namespace {
TApplication* currentApplication = nullptr;
std::unique_ptr<QTranslator> qtTranslator;
}

TApplication::TApplication() : previous_(currentApplication) {
  currentApplication = this;
  installLoginHooks();
  // A write beyond the file-size limit fails with its error instead of
  // ending the program, so that it is reported like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
}

TApplication::~TApplication() {
  for (const QPointer<TForm>& form : forms_) delete form.data();
  if (currentApplication == this) currentApplication = previous_;
}

TApplication* TApplication::current() { return currentApplication; }

QString TApplication::currentTitle() { return currentApplication ? currentApplication->title_ : QString(); }

void TApplication::setTitle(const QString& title) {
  title_ = title;
  QCoreApplication::setApplicationName(title);
}

void TApplication::adopt(TForm* form) {
  forms_.append(form);
  if (!mainForm_) mainForm_ = form;
  form->runCreate();
}

int TApplication::run() {
  if (terminated_ || !mainForm_) return exitCode_;
  mainForm_->show();
  QEventLoop loop;
  loop_ = &loop;
  if (!terminated_) loop.exec();
  loop_ = nullptr;
  return exitCode_;
}

void TApplication::terminate() {
  terminated_ = true;
  if (loop_) loop_->quit();
}

void TApplication::processMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TApplication::loadQtTranslations(const QLocale& locale) {
  if (qtTranslator) QCoreApplication::removeTranslator(qtTranslator.get());
  qtTranslator = std::make_unique<QTranslator>();
  if (!qtTranslator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    qtTranslator.reset();
    return false;
  }
  QCoreApplication::installTranslator(qtTranslator.get());
  return true;
}

namespace {

void loadFontConfigurationNow() {
  if (std::getenv("FC_DEBUG")) return;
  FcConfig* config = FcConfigCreate();
  if (!config) return;
  bool usable = FcConfigParseAndLoad(config, nullptr, FcFalse);  // fontconfig itself tells of a missing file
  if (usable) {
    FcStrList* cacheDirs = FcConfigGetCacheDirs(config);
    usable = cacheDirs && FcStrListNext(cacheDirs);
    if (cacheDirs) FcStrListDone(cacheDirs);
  }
  if (usable && FcConfigBuildFonts(config)) FcConfigSetCurrent(config);
  FcConfigDestroy(config);  // the current configuration holds its own reference
}

bool fontConfigurationStarted = false;
std::future<void> fontConfigurationLoad;  // begun on a thread of its own

}  // namespace

void TApplication::beginFontConfiguration() {
  if (fontConfigurationStarted) return;
  fontConfigurationStarted = true;
  fontConfigurationLoad = std::async(std::launch::async, loadFontConfigurationNow);
}

void TApplication::loadFontConfiguration() {
  if (!fontConfigurationStarted) {
    fontConfigurationStarted = true;
    loadFontConfigurationNow();
  } else if (fontConfigurationLoad.valid()) {
    fontConfigurationLoad.get();
  }
}

int TApplication::runFatalGuarded(const std::function<int()>& body) {
  try {
    return body();
  } catch (const Exception& e) {
    Prompter::current().fatal(QStringLiteral("Application Error"), e.message());
  } catch (const std::exception& e) {
    Prompter::current().fatal(QStringLiteral("Application Error"), QString::fromLocal8Bit(e.what()));
  }
  return 1;
}

void TApplication::formClosed(TForm* form) {
  if (form == mainForm_) terminate();
}

#pragma once

#include <QEventLoop>
#include <QList>
#include <QLocale>
#include <QPointer>
#include <QString>
#include <functional>

class TForm;

// The application object: title, the forms in their order of creation (the first
// is the main form), the message loop and the end of the program. Construct one
// after QApplication; it destroys the forms it created.
class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The application constructed last and still alive, or nullptr.
  static TApplication* current();
  // Title of the current application (caption of plain messages and the error
  // box); empty when there is none.
  static QString currentTitle();

  QString title() const { return title_; }
  void setTitle(const QString& title);

  // Creates a form, stores it in the reference, then runs its OnCreate through
  // the guard: an error there is shown in the error box and creation goes on.
  // An error in the constructor itself is not caught.
  template <class T>
  T* createForm(T*& reference) {
    T* form = new T();
    reference = form;
    adopt(form);
    return form;
  }

  TForm* mainForm() const { return mainForm_; }

  // Shows the main form and dispatches events until it has closed or terminate()
  // was called. Returns the exit code.
  int run();
  // Ends the program once the current handler has returned (before run(): run()
  // returns at once).
  void terminate();
  bool terminated() const { return terminated_; }
  int exitCode() const { return exitCode_; }
  void setExitCode(int code) { exitCode_ = code; }

  // Lets every pending event run and returns when the queue is empty.
  static void processMessages();

  // Loads Qt's own translations for the locale, in place of those loaded
  // before: the system's dialogs (file dialogs, the system question) then
  // speak its language. The programs' own texts are not translated. Answers
  // whether a translation was found.
  static bool loadQtTranslations(const QLocale& locale = QLocale::system());

  // Loads the system's font configuration as fontconfig's own start does, but
  // without also reading every configuration template it ships (fontconfig
  // reads those only to list them; the fonts and rules are the same). Call it
  // before the first use of a font: every dialog of QtPrompter does; a program
  // calls it before it builds its first form. A second call does nothing.
  // With FC_DEBUG set, a configuration that fails to load or one without a
  // cache folder, it leaves the start to fontconfig.
  static void loadFontConfiguration();
  // Starts that load on a thread of its own (before QApplication, so that it
  // runs beside Qt's start); loadFontConfiguration() then waits for it.
  static void beginFontConfiguration();

  // Runs the program body; an error escaping it is shown in the run-time's fatal
  // "Application Error" box and gives exit code 1.
  static int runFatalGuarded(const std::function<int()>& body);

  // Called by a form that has closed.
  void formClosed(TForm* form);

 private:
  void adopt(TForm* form);

  QString title_;
  QList<QPointer<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  QEventLoop* loop_ = nullptr;
  bool terminated_ = false;
  int exitCode_ = 0;
  TApplication* previous_ = nullptr;
};

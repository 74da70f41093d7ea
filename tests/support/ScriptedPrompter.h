#pragma once

#include <QList>
#include <QString>
#include <deque>
#include <functional>

#include "support/QtPrinters.h"
#include "ui/Form.h"
#include "ui/Prompter.h"

// A prompter for tests. The test queues the interactions it expects, in order,
// with their answers; every interaction is recorded. An interaction that was not
// expected next, or whose text differs, fails the test (ADD_FAILURE) and gets a
// negative answer (No, Cancel, mrCancel). Expectations left unmet fail the test in
// verifyDone() and in the destructor. The constructor installs the prompter; the
// destructor puts the previous one back.
//
//   ScriptedPrompter prompter;
//   prompter.expectConfirm("Удалить пользователя из базы данных ?", ConfirmAnswer::Yes)
//           .expectMessage("Установки изменены успешно");
class ScriptedPrompter : public Prompter {
 public:
  enum class Kind { Message, YesNo, Confirm, Error, Fatal, DatabaseLogin, ServiceLogin, OpenFile, SaveFile, Folder, Modal, Url };

  // One interaction as it happened.
  struct Shown {
    Shown(Kind k, QString c, QString t, QString u = QString(), QString p = QString())
        : kind(k), caption(std::move(c)), text(std::move(t)), user(std::move(u)), password(std::move(p)) {}
    Kind kind;
    QString caption;   // box caption, dialog title, form caption
    QString text;      // message text, database or server name, URL, start folder
    QString user;      // login dialogs: the pre-filled user name
    QString password;  // login dialogs: the pre-filled password
    FileDialogRequest file;  // open and save dialogs: what they were asked with
  };

  ScriptedPrompter();
  ~ScriptedPrompter() override;

  ScriptedPrompter& expectMessage(const QString& text);
  ScriptedPrompter& expectYesNo(const QString& text, const QString& caption, bool answerYes);
  ScriptedPrompter& expectConfirm(const QString& text, ConfirmAnswer answer);
  // The text as the error box shows it (with the full stop the box adds).
  ScriptedPrompter& expectError(const QString& text);
  // An error box whatever its text, for a text the test reads from shown().
  ScriptedPrompter& expectAnyError();
  ScriptedPrompter& expectFatal(const QString& caption, const QString& text);
  // Answers OK with the user and password.
  ScriptedPrompter& expectDatabaseLogin(const QString& databaseName, const QString& user, const QString& password);
  ScriptedPrompter& expectDatabaseLoginCancel(const QString& databaseName);
  // Answers OK with what the dialog was filled in with.
  ScriptedPrompter& expectServiceLogin(const QString& serverName);
  ScriptedPrompter& expectServiceLogin(const QString& serverName, const QString& user, const QString& password);
  ScriptedPrompter& expectServiceLoginCancel(const QString& serverName);
  ScriptedPrompter& expectOpenFile(const QString& chosenPath);
  ScriptedPrompter& expectOpenFileCancel();
  ScriptedPrompter& expectSaveFile(const QString& chosenPath);
  ScriptedPrompter& expectSaveFileCancel();
  ScriptedPrompter& expectFolder(const QString& chosenPath);
  ScriptedPrompter& expectFolderCancel();
  // The form is shown (not blocking) and handed to the action; the showing then
  // answers the form's modal result. A result still mrNone fails the test.
  ScriptedPrompter& expectModal(std::function<void(TForm&)> action);
  // The same, checking the form's caption first.
  ScriptedPrompter& expectModal(const QString& caption, std::function<void(TForm&)> action);
  ScriptedPrompter& expectUrl(const QString& url);

  // Fails the test for every expectation not met yet, and forgets them.
  void verifyDone();
  bool done() const { return queue_.empty(); }

  const QList<Shown>& shown() const { return shown_; }
  // The texts of the interactions of one kind, in order.
  QStringList texts(Kind kind) const;
  void clearShown() { shown_.clear(); }

  static QString kindName(Kind kind);

  // Prompter
  void message(const QString& text) override;
  bool systemYesNo(const QString& text, const QString& caption) override;
  ConfirmAnswer confirm(const QString& text) override;
  void error(const QString& text) override;
  void fatal(const QString& caption, const QString& text) override;
  bool databaseLogin(const QString& databaseName, QString& user, QString& password) override;
  bool serviceLogin(const QString& serverName, QString& user, QString& password) override;
  bool openFile(const FileDialogRequest& request, QString& chosen) override;
  bool saveFile(const FileDialogRequest& request, QString& chosen) override;
  bool chooseFolder(const QString& title, const QString& startDir, QString& chosen) override;
  int showModal(TForm& form) override;
  void openUrl(const QString& url) override;

 private:
  struct Expected {
    explicit Expected(Kind k = Kind::Message, QString t = QString(), QString c = QString())
        : kind(k), text(std::move(t)), caption(std::move(c)) {}
    Kind kind;
    QString text;
    QString caption;
    bool checkText = true;
    bool checkCaption = false;
    bool answer = true;
    ConfirmAnswer confirmAnswer = ConfirmAnswer::No;
    bool keepFilled = false;
    QString user, password, path;
    std::function<void(TForm&)> action;
  };

  ScriptedPrompter& push(Expected e);
  // Takes the next expectation if it is of this kind with this text; otherwise
  // fails the test and answers false.
  bool take(const Shown& shown, Expected& out);

  std::deque<Expected> queue_;
  QList<Shown> shown_;
  Prompter* previous_ = nullptr;
};

#pragma once

#include <QString>

class TForm;

// Answer of the "Confirm" question; Cancel when it was closed by its close box.
enum class ConfirmAnswer { Yes, No, Cancel };

// What an open or save dialog is asked with.
struct FileDialogRequest {
  QString title;
  QString fileName;    // proposed name (may hold a folder)
  QString defaultExt;  // appended when the chosen name has none; with or without "."
  QString filter;      // "Description|*.ext|Other|*.a;*.b"
  QString initialDir;
};

// Everything that waits for a person goes through the current prompter: the Qt
// one shows real dialogs, tests install a scripted one.
class Prompter {
 public:
  virtual ~Prompter() = default;

  // Plain message: application title as caption, no icon, one OK.
  virtual void message(const QString& text) = 0;
  // System question: own caption, question icon, Yes and No; true only for Yes.
  virtual bool systemYesNo(const QString& text, const QString& caption) = 0;
  // Caption "Confirm", question icon, "&Yes" (default) and "&No" (Esc).
  virtual ConfirmAnswer confirm(const QString& text) = 0;
  // Error box: application title as caption, stop icon, one OK; text as given.
  virtual void error(const QString& text) = 0;
  // The run-time's fatal box ("Application Error") shown before the program ends.
  virtual void fatal(const QString& caption, const QString& text) = 0;

  // "Database Login": user and password come pre-filled and receive the input;
  // false for Cancel.
  virtual bool databaseLogin(const QString& databaseName, QString& user, QString& password) = 0;
  // The security service's login dialog, pre-filled; false for Cancel.
  virtual bool serviceLogin(const QString& serverName, QString& user, QString& password) = 0;

  // File dialogs: true with the chosen full name, false when cancelled.
  virtual bool openFile(const FileDialogRequest& request, QString& chosen) = 0;
  virtual bool saveFile(const FileDialogRequest& request, QString& chosen) = 0;
  virtual bool chooseFolder(const QString& title, const QString& startDir, QString& chosen) = 0;

  // Shows the form modally and answers its modal result.
  virtual int showModal(TForm& form) = 0;

  // Web page or mailto link, handed to the desktop.
  virtual void openUrl(const QString& url) = 0;

  // The prompter in use: the installed one, else the Qt one.
  static Prompter& current();
  // Installs a prompter (nullptr goes back to the Qt one); answers the previous one.
  static Prompter* install(Prompter* prompter);
};

// Makes the data-access layer's login prompts ask the current prompter (the
// application object and Prompter::install do this).
void installLoginHooks();

// The prompter with real dialogs.
class QtPrompter : public Prompter {
 public:
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
};

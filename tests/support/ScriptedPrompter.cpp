#include "ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ui/Application.h"

namespace {

std::string show(const QString& s) { return "\"" + s.toStdString() + "\""; }

}  // namespace

ScriptedPrompter::ScriptedPrompter() : previous_(Prompter::install(this)) {}

ScriptedPrompter::~ScriptedPrompter() {
  verifyDone();
  Prompter::install(previous_);
}

QString ScriptedPrompter::kindName(Kind kind) {
  switch (kind) {
    case Kind::Message: return QStringLiteral("message");
    case Kind::YesNo: return QStringLiteral("yes/no question");
    case Kind::Confirm: return QStringLiteral("Confirm question");
    case Kind::Error: return QStringLiteral("error box");
    case Kind::Fatal: return QStringLiteral("fatal error box");
    case Kind::DatabaseLogin: return QStringLiteral("database login");
    case Kind::ServiceLogin: return QStringLiteral("service login");
    case Kind::OpenFile: return QStringLiteral("open dialog");
    case Kind::SaveFile: return QStringLiteral("save dialog");
    case Kind::Folder: return QStringLiteral("folder dialog");
    case Kind::Modal: return QStringLiteral("modal form");
    case Kind::Url: return QStringLiteral("URL");
  }
  return QString();
}

ScriptedPrompter& ScriptedPrompter::push(Expected e) {
  queue_.push_back(std::move(e));
  return *this;
}

ScriptedPrompter& ScriptedPrompter::expectMessage(const QString& text) { return push(Expected(Kind::Message, text)); }

ScriptedPrompter& ScriptedPrompter::expectYesNo(const QString& text, const QString& caption, bool answerYes) {
  Expected e(Kind::YesNo, text, caption);
  e.checkCaption = true;
  e.answer = answerYes;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectConfirm(const QString& text, ConfirmAnswer answer) {
  Expected e(Kind::Confirm, text);
  e.confirmAnswer = answer;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectError(const QString& text) { return push(Expected(Kind::Error, text)); }

ScriptedPrompter& ScriptedPrompter::expectAnyError() {
  Expected e(Kind::Error);
  e.checkText = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectFatal(const QString& caption, const QString& text) {
  Expected e(Kind::Fatal, text, caption);
  e.checkCaption = true;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectDatabaseLogin(const QString& databaseName, const QString& user,
                                                        const QString& password) {
  Expected e(Kind::DatabaseLogin, databaseName);
  e.user = user;
  e.password = password;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectDatabaseLoginCancel(const QString& databaseName) {
  Expected e(Kind::DatabaseLogin, databaseName);
  e.answer = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectServiceLogin(const QString& serverName) {
  Expected e(Kind::ServiceLogin, serverName);
  e.keepFilled = true;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectServiceLogin(const QString& serverName, const QString& user,
                                                       const QString& password) {
  Expected e(Kind::ServiceLogin, serverName);
  e.user = user;
  e.password = password;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectServiceLoginCancel(const QString& serverName) {
  Expected e(Kind::ServiceLogin, serverName);
  e.answer = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectOpenFile(const QString& chosenPath) {
  Expected e(Kind::OpenFile);
  e.checkText = false;
  e.path = chosenPath;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectOpenFileCancel() {
  Expected e(Kind::OpenFile);
  e.checkText = false;
  e.answer = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectSaveFile(const QString& chosenPath) {
  Expected e(Kind::SaveFile);
  e.checkText = false;
  e.path = chosenPath;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectSaveFileCancel() {
  Expected e(Kind::SaveFile);
  e.checkText = false;
  e.answer = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectFolder(const QString& chosenPath) {
  Expected e(Kind::Folder);
  e.checkText = false;
  e.path = chosenPath;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectFolderCancel() {
  Expected e(Kind::Folder);
  e.checkText = false;
  e.answer = false;
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectModal(std::function<void(TForm&)> action) {
  Expected e(Kind::Modal);
  e.checkText = false;
  e.action = std::move(action);
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectModal(const QString& caption, std::function<void(TForm&)> action) {
  Expected e(Kind::Modal, QString(), caption);
  e.checkText = false;
  e.checkCaption = true;
  e.action = std::move(action);
  return push(std::move(e));
}

ScriptedPrompter& ScriptedPrompter::expectUrl(const QString& url) { return push(Expected(Kind::Url, url)); }

void ScriptedPrompter::verifyDone() {
  for (const Expected& e : queue_) {
    ADD_FAILURE() << "expected " << kindName(e.kind).toStdString()
                  << (e.checkText ? " " + show(e.text) : std::string()) << " was not shown";
  }
  queue_.clear();
}

QStringList ScriptedPrompter::texts(Kind kind) const {
  QStringList out;
  for (const Shown& s : shown_)
    if (s.kind == kind) out << s.text;
  return out;
}

bool ScriptedPrompter::take(const Shown& shown, Expected& out) {
  shown_.append(shown);
  const std::string what = kindName(shown.kind).toStdString() + " " + show(shown.text) +
                           (shown.caption.isEmpty() ? std::string() : " captioned " + show(shown.caption));
  if (queue_.empty()) {
    ADD_FAILURE() << "unexpected " << what;
    return false;
  }
  const Expected& next = queue_.front();
  if (next.kind != shown.kind) {
    ADD_FAILURE() << "unexpected " << what << "; expected " << kindName(next.kind).toStdString()
                  << (next.checkText ? " " + show(next.text) : std::string());
    return false;
  }
  out = next;
  queue_.pop_front();
  bool ok = true;
  if (out.checkText && out.text != shown.text) {
    ADD_FAILURE() << kindName(shown.kind).toStdString() << " shown " << show(shown.text) << ", expected "
                  << show(out.text);
    ok = false;
  }
  if (out.checkCaption && out.caption != shown.caption) {
    ADD_FAILURE() << kindName(shown.kind).toStdString() << " " << show(shown.text) << " captioned "
                  << show(shown.caption) << ", expected " << show(out.caption);
    ok = false;
  }
  return ok;
}

void ScriptedPrompter::message(const QString& text) {
  Expected e;
  take({Kind::Message, TApplication::currentTitle(), text}, e);
}

bool ScriptedPrompter::systemYesNo(const QString& text, const QString& caption) {
  Expected e;
  return take({Kind::YesNo, caption, text}, e) && e.answer;
}

ConfirmAnswer ScriptedPrompter::confirm(const QString& text) {
  Expected e;
  return take({Kind::Confirm, QStringLiteral("Confirm"), text}, e) ? e.confirmAnswer : ConfirmAnswer::No;
}

void ScriptedPrompter::error(const QString& text) {
  Expected e;
  take({Kind::Error, TApplication::currentTitle(), text}, e);
}

void ScriptedPrompter::fatal(const QString& caption, const QString& text) {
  Expected e;
  take({Kind::Fatal, caption, text}, e);
}

bool ScriptedPrompter::databaseLogin(const QString& databaseName, QString& user, QString& password) {
  Expected e;
  if (!take({Kind::DatabaseLogin, QStringLiteral("Database Login"), databaseName, user, password}, e) || !e.answer)
    return false;
  user = e.user;
  password = e.password;
  return true;
}

bool ScriptedPrompter::serviceLogin(const QString& serverName, QString& user, QString& password) {
  Expected e;
  if (!take({Kind::ServiceLogin, QString(), serverName, user, password}, e) || !e.answer) return false;
  if (!e.keepFilled) {
    user = e.user;
    password = e.password;
  }
  return true;
}

bool ScriptedPrompter::openFile(const FileDialogRequest& request, QString& chosen) {
  Expected e;
  Shown s{Kind::OpenFile, request.title, request.initialDir};
  s.file = request;
  if (!take(s, e) || !e.answer) return false;
  chosen = e.path;
  return true;
}

bool ScriptedPrompter::saveFile(const FileDialogRequest& request, QString& chosen) {
  Expected e;
  Shown s{Kind::SaveFile, request.title, request.initialDir};
  s.file = request;
  if (!take(s, e) || !e.answer) return false;
  chosen = e.path;
  return true;
}

bool ScriptedPrompter::chooseFolder(const QString& title, const QString& startDir, QString& chosen) {
  Expected e;
  if (!take({Kind::Folder, title, startDir}, e) || !e.answer) return false;
  chosen = e.path;
  return true;
}

int ScriptedPrompter::showModal(TForm& form) {
  Expected e;
  if (!take({Kind::Modal, form.caption(), QString()}, e)) return mrCancel;
  form.beginModal();
  if (e.action) e.action(form);
  QCoreApplication::sendPostedEvents();
  int result = form.modalResult();
  if (result == mrNone) {
    ADD_FAILURE() << "modal form " << show(form.caption()) << " was left without a modal result";
    result = mrCancel;
  }
  form.endModal();
  return result;
}

void ScriptedPrompter::openUrl(const QString& url) {
  Expected e;
  take({Kind::Url, QString(), url}, e);
}

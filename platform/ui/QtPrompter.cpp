#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "Application.h"
#include "Dialogs.h"
#include "Form.h"
#include "Prompter.h"

namespace {

void plainBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  box.exec();
}

// "Database Login" and the service's login dialog share one layout.
bool loginDialog(const QString& title, const QString& placeLabel, const QString& place, QString& user,
                 QString& password) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  QDialog dialog;
  dialog.setWindowTitle(title);
  auto* form = new QFormLayout;
  form->addRow(placeLabel, new QLabel(place));
  auto* userEdit = new QLineEdit(user);
  userEdit->setMaxLength(31);
  auto* passwordEdit = new QLineEdit(password);
  passwordEdit->setMaxLength(31);
  passwordEdit->setEchoMode(QLineEdit::Password);
  passwordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  // Room for a typical name and password, whatever the dialog's other line holds.
  const int editWidth = userEdit->fontMetrics().averageCharWidth() * 28;
  userEdit->setMinimumWidth(editWidth);
  passwordEdit->setMinimumWidth(editWidth);
  form->addRow(QStringLiteral("User Name:"), userEdit);
  form->addRow(QStringLiteral("Password:"), passwordEdit);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  if (!user.isEmpty()) passwordEdit->setFocus();
  if (dialog.exec() != QDialog::Accepted) return false;
  user = userEdit->text();
  password = passwordEdit->text();
  return true;
}

// Notes a box closed by its close box before any button was pressed (the box
// itself takes that for its escape button).
class CloseBoxWatch : public QObject {
 public:
  explicit CloseBoxWatch(QMessageBox& box) : box_(box) { box.installEventFilter(this); }
  bool closedByBox() const { return closed_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &box_ && event->type() == QEvent::Close && !box_.clickedButton()) closed_ = true;
    return false;
  }

 private:
  QMessageBox& box_;
  bool closed_ = false;
};

QString startPath(const FileDialogRequest& request) {
  if (request.fileName.isEmpty()) return request.initialDir;
  if (QFileInfo(request.fileName).isAbsolute() || request.initialDir.isEmpty()) return request.fileName;
  return request.initialDir + QLatin1Char('/') + request.fileName;
}

}  // namespace

void QtPrompter::message(const QString& text) {
  plainBox(QMessageBox::NoIcon, TApplication::currentTitle(), text);
}

bool QtPrompter::systemYesNo(const QString& text, const QString& caption) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

ConfirmAnswer QtPrompter::confirm(const QString& text) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  const CloseBoxWatch watch(box);
  box.exec();
  if (watch.closedByBox()) return ConfirmAnswer::Cancel;
  if (box.clickedButton() == yes) return ConfirmAnswer::Yes;
  if (box.clickedButton() == no) return ConfirmAnswer::No;
  return ConfirmAnswer::Cancel;
}

void QtPrompter::error(const QString& text) {
  plainBox(QMessageBox::Critical, TApplication::currentTitle(), text);
}

void QtPrompter::fatal(const QString& caption, const QString& text) {
  plainBox(QMessageBox::Critical, caption, text);
}

bool QtPrompter::databaseLogin(const QString& databaseName, QString& user, QString& password) {
  return loginDialog(QStringLiteral("Database Login"), QStringLiteral("Database:"), databaseName, user, password);
}

bool QtPrompter::serviceLogin(const QString& serverName, QString& user, QString& password) {
  return loginDialog(QStringLiteral("Service Login"), QStringLiteral("Server:"), serverName, user, password);
}

bool QtPrompter::openFile(const FileDialogRequest& request, QString& chosen) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  chosen = QFileDialog::getOpenFileName(nullptr, request.title, startPath(request), qtFileFilter(request.filter));
  return !chosen.isEmpty();
}

bool QtPrompter::saveFile(const FileDialogRequest& request, QString& chosen) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  chosen = QFileDialog::getSaveFileName(nullptr, request.title, startPath(request), qtFileFilter(request.filter),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
  return !chosen.isEmpty();
}

bool QtPrompter::chooseFolder(const QString& title, const QString& startDir, QString& chosen) {
  TApplication::loadFontConfiguration();  // a dialog may be the first to use a font
  chosen = QFileDialog::getExistingDirectory(nullptr, title, startDir);
  return !chosen.isEmpty();
}

int QtPrompter::showModal(TForm& form) {
  form.beginModal();
  QEventLoop loop;
  QObject::connect(&form, &TForm::modalResultChanged, &loop, [&loop](int result) {
    if (result != mrNone) loop.quit();
  });
  QObject::connect(&form, &TForm::closed, &loop, &QEventLoop::quit);
  // A handler may take back the result its button set: the showing goes on.
  do loop.exec();
  while (form.modalResult() == mrNone && form.isVisible());
  const int result = form.modalResult();
  form.endModal();
  return result;
}

void QtPrompter::openUrl(const QString& url) {
  QUrl target(url);
  if (target.scheme().isEmpty()) target = QUrl::fromUserInput(url);
  QDesktopServices::openUrl(target);
}

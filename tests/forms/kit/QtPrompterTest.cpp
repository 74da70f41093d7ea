#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/Application.h"
#include "ui/Prompter.h"

namespace {

// How a person ends a box.
enum class Press { Enter, Esc, CloseBox };

// What a box looked like when it was shown.
struct Seen {
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString defaultButton;
};

// Once the box is up, records it and ends it as the person would.
void answerNextBox(Press press, Seen& seen) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, press, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    seen.caption = box->windowTitle();
    seen.icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
    // Enter presses the focused button, which starts as the default one
    if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget()); focused && focused->isDefault())
      seen.defaultButton = focused->text();
    else if (box->defaultButton())
      seen.defaultButton = box->defaultButton()->text();
    if (press == Press::CloseBox)
      box->close();
    else
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box,
                      press == Press::Enter ? Qt::Key_Return : Qt::Key_Escape);
  });
  timer->start(5);
}

}  // namespace

TEST(QtPrompter, MessageBoxesCaptionsIconsButtonsAndAnswers) {
  TApplication app;
  app.setTitle(QStringLiteral("Определение привилегий пользователей"));
  QtPrompter prompter;
  const QString title = app.title();
  const QStringList yesNo{QStringLiteral("&Yes"), QStringLiteral("&No")};

  const struct {
    const char* name;
    std::function<int()> show;  // the answer as a number: ConfirmAnswer, bool, or 0
    Press press;
    int answer;
    QString caption;
    QMessageBox::Icon icon;
    QStringList buttons;
    QString defaultButton;
  } cases[] = {
      {"plain message", [&] { prompter.message(QStringLiteral("Готово")); return 0; }, Press::Enter, 0, title,
       QMessageBox::NoIcon, {QStringLiteral("OK")}, QString()},
      {"error box", [&] { prompter.error(QStringLiteral("File not found.")); return 0; }, Press::CloseBox, 0, title,
       QMessageBox::Critical, {QStringLiteral("OK")}, QString()},
      {"fatal box", [&] { prompter.fatal(QStringLiteral("Application Error"), QStringLiteral("x")); return 0; },
       Press::Esc, 0, QStringLiteral("Application Error"), QMessageBox::Critical, {QStringLiteral("OK")}, QString()},
      {"system question, Enter", [&] { return int(prompter.systemYesNo(QStringLiteral("?"), QStringLiteral("Своё"))); },
       Press::Enter, 1, QStringLiteral("Своё"), QMessageBox::Question, yesNo, QStringLiteral("&Yes")},
      {"system question, close box",
       [&] { return int(prompter.systemYesNo(QStringLiteral("?"), QStringLiteral("Своё"))); }, Press::CloseBox, 0,
       QStringLiteral("Своё"), QMessageBox::Question, yesNo, QStringLiteral("&Yes")},
      {"Confirm, Enter", [&] { return int(prompter.confirm(QStringLiteral("?"))); }, Press::Enter,
       int(ConfirmAnswer::Yes), QStringLiteral("Confirm"), QMessageBox::Question, yesNo, QStringLiteral("&Yes")},
      {"Confirm, Esc", [&] { return int(prompter.confirm(QStringLiteral("?"))); }, Press::Esc,
       int(ConfirmAnswer::No), QStringLiteral("Confirm"), QMessageBox::Question, yesNo, QStringLiteral("&Yes")},
      {"Confirm, close box", [&] { return int(prompter.confirm(QStringLiteral("?"))); }, Press::CloseBox,
       int(ConfirmAnswer::Cancel), QStringLiteral("Confirm"), QMessageBox::Question, yesNo, QStringLiteral("&Yes")},
  };
  for (const auto& c : cases) {
    Seen seen;
    answerNextBox(c.press, seen);
    EXPECT_EQ(c.show(), c.answer) << c.name;
    EXPECT_EQ(seen.caption, c.caption) << c.name;
    EXPECT_EQ(seen.icon, c.icon) << c.name;
    EXPECT_EQ(seen.buttons, c.buttons) << c.name;
    if (!c.defaultButton.isEmpty()) {
      EXPECT_EQ(seen.defaultButton, c.defaultButton) << c.name;
    }
  }
}

namespace {

// The texts of the next modal dialog's buttons and labels; then closes it.
void readNextDialog(QStringList& buttons, QStringList& labels) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, &buttons, &labels] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    for (QAbstractButton* b : dialog->findChildren<QPushButton*>())
      if (b->isVisible()) buttons << b->text();
    for (QLabel* l : dialog->findChildren<QLabel*>())
      if (l->isVisible() && !l->text().isEmpty()) labels << l->text();
    dialog->close();
  });
  timer->start(5);
}

}  // namespace

// Under a Russian locale Qt's own dialogs speak Russian: the system question and
// the file dialogs. What the programs quote in English stays so: the "Confirm"
// box, the plain message's OK and the login dialog.
TEST(QtPrompter, QtTranslationsForTheSystemLocale) {
  TApplication app;
  app.setTitle(QStringLiteral("Определение привилегий пользователей"));
  QtPrompter prompter;
  ASSERT_TRUE(TApplication::loadQtTranslations(QLocale(QStringLiteral("ru_RU"))));
  struct Restore {
    ~Restore() { TApplication::loadQtTranslations(QLocale::c()); }
  } restore;

  Seen seen;
  answerNextBox(Press::Esc, seen);
  EXPECT_FALSE(prompter.systemYesNo(QStringLiteral("Добавить новое имя в список ?"),
                                    QStringLiteral("Подтверждение изменения данных")));
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Да"), QStringLiteral("&Нет")}));
  EXPECT_EQ(seen.defaultButton, QStringLiteral("&Да"));

  seen = Seen();
  answerNextBox(Press::Enter, seen);
  EXPECT_EQ(prompter.confirm(QStringLiteral("?")), ConfirmAnswer::Yes);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));

  seen = Seen();
  answerNextBox(Press::Enter, seen);
  prompter.message(QStringLiteral("Готово"));
  EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});

  QStringList buttons, labels;
  readNextDialog(buttons, labels);
  QString user, password;
  EXPECT_FALSE(prompter.databaseLogin(QStringLiteral("localhost:/var/tmp/base.fdb"), user, password));
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
  EXPECT_TRUE(labels.contains(QStringLiteral("Database:")));
  EXPECT_TRUE(labels.contains(QStringLiteral("User Name:")));
  EXPECT_TRUE(labels.contains(QStringLiteral("Password:")));

  buttons.clear(), labels.clear();
  readNextDialog(buttons, labels);
  QString chosen;
  EXPECT_FALSE(prompter.saveFile(FileDialogRequest{QString(), QStringLiteral("Repl"), QStringLiteral(".sql"),
                                                   QStringLiteral("Скрипты|*.sql"), QString()},
                                 chosen));
  EXPECT_TRUE(buttons.contains(QStringLiteral("Отмена"))) << buttons.join(QLatin1Char('|')).toStdString();
  EXPECT_FALSE(buttons.contains(QStringLiteral("Cancel")));

  // a locale without Qt's translation puts the English texts back
  EXPECT_FALSE(TApplication::loadQtTranslations(QLocale::c()));
  seen = Seen();
  answerNextBox(Press::Esc, seen);
  prompter.systemYesNo(QStringLiteral("?"), QStringLiteral("Своё"));
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
}

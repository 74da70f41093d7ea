#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "os/Errors.h"
#include "support/ScriptedPrompter.h"
#include "ui/Application.h"
#include "ui/ButtonEdits.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Form.h"
#include "ui/LookupEdit.h"
#include "ui/PageControl.h"
#include "ui/StdCtrls.h"

namespace {

class Kit : public ::testing::Test {
 protected:
  Kit() { app.setTitle(QStringLiteral("Определение привилегий пользователей")); }
  TApplication app;
  ScriptedPrompter prompter;
};

}  // namespace

TEST_F(Kit, CheckBoxSetByProgramRaisesClickOnlyOnChangeEvenWhenDisabled) {
  TCheckBox box(QStringLiteral("Чтение"));
  std::vector<bool> clicks;
  box.OnClick = [&] { clicks.push_back(box.checked()); };

  box.setChecked(true);
  box.setChecked(true);  // same state: nothing
  box.setEnabled(false);
  box.setChecked(false);
  box.setChecked(false);
  EXPECT_EQ(clicks, (std::vector<bool>{true, false}));

  box.setEnabled(true);
  box.click();  // a person's click
  EXPECT_EQ(clicks, (std::vector<bool>{true, false, true}));
}

TEST_F(Kit, CheckBoxErrorReachesProgramButIsShownForPersonsClick) {
  TCheckBox box;
  box.OnClick = [] { throw EInOutError(QStringLiteral("no right")); };
  EXPECT_THROW(box.setChecked(true), EInOutError);
  EXPECT_TRUE(box.checked());

  prompter.expectError(QStringLiteral("no right."));
  box.click();
  EXPECT_FALSE(box.checked());
}

TEST_F(Kit, ButtonSetsModalResultBeforeItsHandlerAndShowingReturnsIt) {
  TForm form;
  form.setCaption(QStringLiteral("Список"));
  auto* ok = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("Выбрать"), &form);
  auto* cancel = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("Главное меню"), &form);
  auto* custom = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("Удалить"), &form);
  custom->setModalResult(mrOk);
  auto* all = new TBitBtn(TBitBtnKind::bkAll, QStringLiteral("Профиль"), &form);
  auto* retry = new TBitBtn(TBitBtnKind::bkRetry, QStringLiteral("Пароль"), &form);
  int seenInHandler = -1;
  ok->OnClick = [&] { seenInHandler = form.modalResult(); };
  // an error in the handler does not keep the form open
  custom->OnClick = [] { throw EInOutError(QStringLiteral("refused")); };

  EXPECT_EQ(all->modalResult(), mrAll);
  EXPECT_EQ(retry->modalResult(), mrRetry);

  prompter.expectModal(QStringLiteral("Список"), [&](TForm&) { ok->click(); });
  EXPECT_EQ(form.showModal(), mrOk);
  EXPECT_EQ(seenInHandler, mrOk);
  EXPECT_FALSE(form.isVisible());

  prompter.expectModal([&](TForm&) { cancel->click(); });
  EXPECT_EQ(form.showModal(), mrCancel);

  prompter.expectModal([&](TForm&) { custom->click(); }).expectError(QStringLiteral("refused."));
  EXPECT_EQ(form.showModal(), mrOk);

  prompter.expectModal([&](TForm& f) { f.close(); });  // the close box
  EXPECT_EQ(form.showModal(), mrCancel);

  // a handler setting the result itself, on a button without one
  auto* set = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("Задать"), &form);
  set->OnClick = [&] { form.setModalResult(mrOk); };
  prompter.expectModal([&](TForm&) { set->click(); });
  EXPECT_EQ(form.showModal(), mrOk);
}

TEST_F(Kit, CloseKindButtonClosesItsForm) {
  TForm form;
  auto* exit = new TBitBtn(TBitBtnKind::bkClose, QStringLiteral("Выход"), &form);
  form.show();
  QSignalSpy closed(&form, &TForm::closed);
  exit->click();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Kit, OnCloseMayKeepFormOpenAndAnErrorThereKeepsItOpen) {
  TForm form;
  form.show();
  TCloseAction next = TCloseAction::caNone;
  bool fail = false;
  form.OnClose = [&](TCloseAction& action) {
    if (fail) throw EInOutError(QStringLiteral("rollback failed"));
    action = next;
  };
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  fail = true;
  prompter.expectError(QStringLiteral("rollback failed."));
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  fail = false;
  next = TCloseAction::caHide;
  EXPECT_TRUE(form.close());
}

TEST_F(Kit, QtModalShowingRunsUntilResultOrCloseBox) {
  Prompter* scripted = Prompter::install(nullptr);  // the real prompter
  TForm form;
  auto* ok = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("OK"), &form);
  QTimer::singleShot(0, ok, [ok] { ok->click(); });
  EXPECT_EQ(form.showModal(), mrOk);
  EXPECT_FALSE(form.isVisible());
  QTimer::singleShot(0, &form, [&form] { form.close(); });
  EXPECT_EQ(form.showModal(), mrCancel);

  // a handler that takes its button's result back keeps the form open
  auto* keep = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("keep"), &form);
  keep->OnClick = [&form] { form.setModalResult(mrNone); };
  QTimer::singleShot(0, keep, [keep, ok] {
    keep->click();
    QTimer::singleShot(0, ok, [ok] { ok->click(); });
  });
  EXPECT_EQ(form.showModal(), mrOk);

  // a showing inside a showing: the inner one's close box ends only the inner one
  TForm inner;
  int innerResult = -1;
  auto* open = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("open"), &form);
  open->OnClick = [&] {
    QTimer::singleShot(0, &inner, [&inner] { inner.close(); });
    innerResult = inner.showModal();
  };
  QTimer::singleShot(0, open, [open, ok, &form] {
    open->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.modalResult(), mrNone);
    ok->click();
  });
  EXPECT_EQ(form.showModal(), mrOk);
  EXPECT_EQ(innerResult, mrCancel);
  EXPECT_FALSE(inner.isVisible());
  Prompter::install(scripted);
}

TEST_F(Kit, EnterAndEscPressTheButtonsOfTheShownPage) {
  TForm form;
  auto* pages = new TPageControl(&form);
  form.clientLayout()->addWidget(pages);
  struct Page {
    TTabSheet* sheet;
    TBitBtn* ok;
    TBitBtn* cancel;
    TEdit* edit;
    TBitBtn* other;
  };
  std::vector<Page> list;
  QStringList pressed;
  for (const char* name : {"first", "second"}) {
    Page p;
    p.sheet = pages->addPage(QString::fromLatin1(name));
    p.ok = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("ok"), p.sheet);
    p.cancel = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("cancel"), p.sheet);
    p.other = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("other"), p.sheet);
    p.edit = new TEdit(p.sheet);
    const QString n = QString::fromLatin1(name);
    p.ok->OnClick = [&pressed, n] { pressed << n + " ok"; };
    p.cancel->OnClick = [&pressed, n] { pressed << n + " cancel"; };
    p.other->OnClick = [&pressed, n] { pressed << n + " other"; };
    list.push_back(p);
  }
  pages->setActivePage(list[1].sheet);
  form.show();
  list[1].edit->setFocus();
  QTest::keyClick(list[1].edit, Qt::Key_Return);
  QTest::keyClick(list[1].edit, Qt::Key_Escape);
  list[1].other->setFocus();
  QTest::keyClick(list[1].other, Qt::Key_Return);  // a focused button presses itself
  EXPECT_EQ(pressed, (QStringList{"second ok", "second cancel", "second other"}));

  list[1].ok->setEnabled(false);
  pressed.clear();
  QTest::keyClick(list[1].edit, Qt::Key_Return);
  EXPECT_TRUE(pressed.isEmpty());
}

TEST_F(Kit, EnterAndEscReachTheButtonsFromEveryKindOfControl) {
  TForm form;
  auto* hiddenOk = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("hidden ok"), &form);
  auto* ok = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("ok"), &form);
  auto* cancel = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("cancel"), &form);
  QStringList pressed;
  hiddenOk->OnClick = [&] { pressed << QStringLiteral("hidden ok"); };
  ok->OnClick = [&] { pressed << QStringLiteral("ok"); };
  cancel->OnClick = [&] { pressed << QStringLiteral("cancel"); };
  auto* lookup = new TRxLookupEdit(&form);
  auto* date = new TDateEdit(&form);
  auto* grid = new TDBGrid(&form);
  auto* memo = new QPlainTextEdit(&form);
  auto* box = new TCheckBox(QStringLiteral("box"), &form);
  const struct {
    QWidget* control;
    QStringList pressed;  // by Enter, then Esc
  } cases[] = {
      {lookup, {"ok", "cancel"}},
      {date, {"ok", "cancel"}},
      {grid, {"ok", "cancel"}},
      {memo, {"cancel"}},  // Enter is a new line there
      {box, {"ok", "cancel"}},
  };
  for (const auto& c : cases) form.clientLayout()->addWidget(c.control);
  for (QWidget* b : {hiddenOk, ok, cancel}) form.clientLayout()->addWidget(b);
  hiddenOk->hide();
  form.show();
  QApplication::setActiveWindow(&form);
  for (const auto& c : cases) {
    pressed.clear();
    c.control->setFocus();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus == c.control || c.control->isAncestorOf(focus)) << c.control->metaObject()->className();
    QTest::keyClick(focus, Qt::Key_Return);
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_EQ(pressed, c.pressed) << c.control->metaObject()->className();
  }
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("\n"));
}

TEST_F(Kit, EditRules) {
  TEdit edit;
  edit.setCharCase(TEditCharCase::ecUpperCase);
  edit.setMaxLength(5);
  QTest::keyClicks(&edit, "petrov");
  EXPECT_EQ(edit.text(), QStringLiteral("PETRO"));
  edit.setText(QStringLiteral("ab"));
  EXPECT_EQ(edit.text(), QStringLiteral("AB"));
  edit.setPasswordChar(QLatin1Char('*'));
  EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
}

// A new position is painted with the pending paints: setting it does not wait
// for a paint (QProgressBar alone repaints at once).
TEST_F(Kit, ProgressBarPositionIsPaintedWithThePendingPaints) {
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  TProgressBar bar;
  bar.setMax(1000);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  QCoreApplication::processEvents();
  bar.installEventFilter(&counter);
  for (int position = 100; position <= 1000; position += 100) {
    bar.setPosition(position);
    EXPECT_EQ(counter.paints, 0) << position;
    EXPECT_EQ(bar.position(), position);
  }
  QTest::qWait(50);
  EXPECT_GE(counter.paints, 1);
  bar.removeEventFilter(&counter);
}

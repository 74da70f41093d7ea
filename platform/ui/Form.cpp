#include "Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "Accessibility.h"
#include "Application.h"
#include "Buttons.h"
#include "Guard.h"
#include "Menus.h"
#include "Prompter.h"

TForm::TForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  installKitAccessibility();
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
    if ((from && owningForm(from) == this) || (to && owningForm(to) == this)) queueDefaultButtonUpdate();
  });
}

TForm::~TForm() = default;

void TForm::setModalResult(int result) {
  modalResult_ = result;
  emit modalResultChanged(result);
}

int TForm::showModal() { return Prompter::current().showModal(*this); }

void TForm::beginModal() {
  modalResult_ = mrNone;
  modal_ = true;
  setWindowModality(Qt::ApplicationModal);
  show();
  activateWindow();
}

void TForm::endModal() {
  modal_ = false;
  hide();
  setWindowModality(Qt::NonModal);
}

void TForm::setMenu(TMainMenu* menu) {
  menu_ = menu;
  layout_->setMenuBar(menu ? menu->menuBar() : nullptr);
  if (menu) menu->menuBar()->setParent(this), menu->menuBar()->show();
}

void TForm::runCreate() { guarded(OnCreate); }

void TForm::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose && !guarded([&] { OnClose(action); })) action = TCloseAction::caNone;
  if (action == TCloseAction::caNone) {
    event->ignore();
    return;
  }
  event->accept();
  if (modal_ && modalResult_ == mrNone) setModalResult(mrCancel);
  emit closed();
  if (TApplication* app = TApplication::current()) app->formClosed(this);
}

QWidget* TForm::defaultButton(bool cancel) const {
  const QWidget* focus = focusWidget();
  QWidget* best = nullptr;
  int bestDepth = -1;
  for (TButton* b : findChildren<TButton*>()) {
    if (!(cancel ? b->isCancel() : b->isDefault())) continue;
    if (!b->isVisibleTo(this) || !b->isEnabled() || owningForm(b) != this) continue;
    // depth of the nearest ancestor shared with the focused widget
    int depth = 0;
    if (focus) {
      for (const QWidget* a = b->parentWidget(); a; a = a->parentWidget()) {
        if (a == focus || a->isAncestorOf(focus)) {
          for (const QWidget* up = a; up && up != this; up = up->parentWidget()) ++depth;
          break;
        }
      }
    }
    if (depth > bestDepth) best = b, bestDepth = depth;
  }
  return best;
}

QAccessible::Role TForm::accessibleRole() const {
  if (windowType() == Qt::Dialog) return QAccessible::Dialog;
  const TApplication* app = TApplication::current();
  return app && app->mainForm() == this ? QAccessible::Window : QAccessible::Dialog;
}

QWidget* TForm::enterButton() const {
  QWidget* focus = focusWidget();
  if (auto* b = qobject_cast<TButton*>(focus); b && b->isVisibleTo(this) && b->isEnabled()) return b;
  if (auto* memo = qobject_cast<QPlainTextEdit*>(focus); memo && !memo->isReadOnly()) return nullptr;
  if (auto* memo = qobject_cast<QTextEdit*>(focus); memo && !memo->isReadOnly()) return nullptr;
  return defaultButton(false);
}

void TForm::updateDefaultButton() {
  QWidget* target = enterButton();
  for (TButton* b : findChildren<TButton*>())
    if (owningForm(b) == this) static_cast<QPushButton*>(b)->setDefault(b == target);
}

void TForm::queueDefaultButtonUpdate() {
  if (defaultUpdateQueued_) return;
  defaultUpdateQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    defaultUpdateQueued_ = false;
    updateDefaultButton();
  });
}

void TForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  updateDefaultButton();
}

void TForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (event->modifiers() & ~(Qt::KeypadModifier)) {
    QWidget::keyPressEvent(event);
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    if (auto* b = qobject_cast<TButton*>(defaultButton(key == Qt::Key_Escape))) {
      event->accept();
      b->click();
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

void TForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!OnPaint || paintQueued_ || inPaintHandler_) return;
  paintQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    paintQueued_ = false;
    inPaintHandler_ = true;
    guarded(OnPaint);
    inPaintHandler_ = false;
  });
}

TForm* owningForm(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget())
    if (auto* form = qobject_cast<const TForm*>(w)) return const_cast<TForm*>(form);
  return nullptr;
}

#include "Menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "Guard.h"

TMenuItem::TMenuItem(const QString& caption, QObject* parent) : QObject(parent), action_(new QAction(caption, this)) {
  connect(action_, &QAction::triggered, this, [this] { guarded(OnClick); });
}

TMenuItem::~TMenuItem() = default;

QString TMenuItem::caption() const { return action_->text(); }
void TMenuItem::setCaption(const QString& caption) { action_->setText(caption); }
QString TMenuItem::hint() const { return action_->statusTip(); }
void TMenuItem::setHint(const QString& hint) {
  action_->setStatusTip(hint);
  action_->setToolTip(hint.isEmpty() ? action_->text() : hint);
}
bool TMenuItem::isEnabled() const { return action_->isEnabled(); }
void TMenuItem::setEnabled(bool on) { action_->setEnabled(on); }
bool TMenuItem::isVisible() const { return action_->isVisible(); }
void TMenuItem::setVisible(bool on) { action_->setVisible(on); }

TMenuItem* TMenuItem::add(TMenuItem* item) {
  if (!menu_) {
    menu_ = std::make_unique<QMenu>();
    menu_->setToolTipsVisible(true);
    action_->setMenu(menu_.get());
  }
  item->setParent(this);
  items_.append(item);
  menu_->addAction(item->action());
  return item;
}

TMenuItem* TMenuItem::find(const QString& caption) const {
  for (TMenuItem* item : items_) {
    if (item->caption() == caption) return item;
    if (TMenuItem* found = item->find(caption)) return found;
  }
  return nullptr;
}

void TMenuItem::click() {
  if (action_->isEnabled()) action_->trigger();
}

TMainMenu::TMainMenu(QObject* parent) : QObject(parent), bar_(new QMenuBar) {}

TMainMenu::~TMainMenu() {
  if (bar_ && !bar_->parent()) delete bar_.data();
}

TMenuItem* TMainMenu::add(TMenuItem* item) {
  item->setParent(this);
  items_.append(item);
  bar_->addAction(item->action());
  return item;
}

TMenuItem* TMainMenu::find(const QString& caption) const {
  for (TMenuItem* item : items_) {
    if (item->caption() == caption) return item;
    if (TMenuItem* found = item->find(caption)) return found;
  }
  return nullptr;
}

#pragma once

#include <QObject>
#include <QMenuBar>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;

// A menu item: caption, hint, click handler; an item with items is a submenu.
class TMenuItem : public QObject {
  Q_OBJECT

 public:
  explicit TMenuItem(const QString& caption, QObject* parent = nullptr);
  ~TMenuItem() override;

  QString caption() const;
  void setCaption(const QString& caption);
  QString hint() const;
  void setHint(const QString& hint);
  bool isEnabled() const;
  void setEnabled(bool on);
  bool isVisible() const;
  void setVisible(bool on);

  // Adds an item under this one (ownership passes); answers it.
  TMenuItem* add(TMenuItem* item);
  TMenuItem* add(const QString& caption) { return add(new TMenuItem(caption)); }
  const QList<TMenuItem*>& items() const { return items_; }
  // The item with the caption among the items below, at any depth.
  TMenuItem* find(const QString& caption) const;

  // Chooses the item as a person would: runs OnClick through the guard.
  void click();

  std::function<void()> OnClick;

  QAction* action() const { return action_; }

 private:
  QAction* action_;
  std::unique_ptr<QMenu> menu_;
  QList<TMenuItem*> items_;
};

// The top level of a menu; attached to a form with TForm::setMenu.
class TMainMenu : public QObject {
  Q_OBJECT

 public:
  explicit TMainMenu(QObject* parent = nullptr);
  ~TMainMenu() override;

  TMenuItem* add(TMenuItem* item);
  TMenuItem* add(const QString& caption) { return add(new TMenuItem(caption)); }
  const QList<TMenuItem*>& items() const { return items_; }
  TMenuItem* find(const QString& caption) const;

  QMenuBar* menuBar() const { return bar_; }

 private:
  QPointer<QMenuBar> bar_;
  QList<TMenuItem*> items_;
};

#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTableView>

#include "DataControls.h"
#include "Form.h"

namespace {

class FormAccessible : public QAccessibleWidget {
 public:
  explicit FormAccessible(TForm* form) : QAccessibleWidget(form, QAccessible::Window) {}
  QAccessible::Role role() const override { return static_cast<const TForm*>(widget())->accessibleRole(); }
};

// Qt's own table interface of the grid, with one child more while a cell
// editor is open: the viewport, whose child the editor is.
class GridAccessible : public QAccessibleInterface {
 public:
  GridAccessible(TDBGrid* grid, QAccessibleInterface* table) : grid_(grid), table_(table) {}
  ~GridAccessible() override {
    if (table_) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(table_));
  }

  bool isValid() const override { return grid_ && table_ && table_->isValid(); }
  QObject* object() const override { return grid_; }
  QWindow* window() const override { return table_->window(); }
  QAccessibleInterface* parent() const override { return table_->parent(); }
  QAccessibleInterface* focusChild() const override {
    if (editorOpen())
      if (QAccessibleInterface* area = viewport(); area && area->focusChild()) return area->focusChild();
    return table_->focusChild();
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    if (editorOpen())
      if (QAccessibleInterface* area = viewport())
        if (QAccessibleInterface* inside = area->childAt(x, y)) return inside;
    return table_->childAt(x, y);
  }
  int childCount() const override { return table_->childCount() + (editorOpen() ? 1 : 0); }
  QAccessibleInterface* child(int index) const override {
    if (editorOpen() && index == table_->childCount()) return viewport();
    return table_->child(index);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child && child->object() == grid_->viewport()) return editorOpen() ? table_->childCount() : -1;
    return table_->indexOfChild(child);
  }
  QString text(QAccessible::Text t) const override { return table_->text(t); }
  void setText(QAccessible::Text t, const QString& text) override { table_->setText(t, text); }
  QRect rect() const override { return table_->rect(); }
  QAccessible::Role role() const override { return table_->role(); }
  QAccessible::State state() const override { return table_->state(); }
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
      QAccessible::Relation match) const override {
    return table_->relations(match);
  }
  void* interface_cast(QAccessible::InterfaceType type) override { return table_->interface_cast(type); }

 private:
  bool editorOpen() const { return grid_ && grid_->editing(); }
  QAccessibleInterface* viewport() const { return QAccessible::queryAccessibleInterface(grid_->viewport()); }

  QPointer<TDBGrid> grid_;
  QAccessibleInterface* table_;
};

bool askingQt = false;  // a grid's own table interface is being made

QAccessibleInterface* kitFactory(const QString& className, QObject* object) {
  if (askingQt) return nullptr;
  if (className == QLatin1String("TForm")) {
    if (auto* form = qobject_cast<TForm*>(object)) return new FormAccessible(form);
  } else if (className == QLatin1String("TDBGrid")) {
    auto* grid = qobject_cast<TDBGrid*>(object);
    if (!grid) return nullptr;
    askingQt = true;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);  // Qt's, for QTableView
    askingQt = false;
    if (table) return new GridAccessible(grid, table);
  }
  return nullptr;
}

}  // namespace

void installKitAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(kitFactory);
}

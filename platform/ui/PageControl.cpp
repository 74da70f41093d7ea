#include "PageControl.h"

TTabSheet::TTabSheet(TPageControl* owner, const QString& caption) : QWidget(owner), owner_(owner), caption_(caption) {}

TPageControl::TPageControl(QWidget* parent) : QStackedWidget(parent) {}

TTabSheet* TPageControl::addPage(const QString& caption) {
  auto* page = new TTabSheet(this, caption);
  addWidget(page);
  return page;
}

TTabSheet* TPageControl::activePage() const { return qobject_cast<TTabSheet*>(currentWidget()); }

void TPageControl::setActivePage(TTabSheet* page) { setCurrentWidget(page); }

TTabSheet* TPageControl::page(int index) const { return qobject_cast<TTabSheet*>(widget(index)); }

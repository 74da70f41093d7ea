#include "PageControl.h"

#include <QPainter>

TTabSheet::TTabSheet(TPageControl* owner, const QString& caption) : QWidget(owner), owner_(owner), caption_(caption) {}

// The page covers whatever lies behind the page control. It paints its own
// background rather than being marked opaque, so that the form under it is
// still painted (and its OnPaint raised).
void TTabSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().brush(backgroundRole()));
}

TPageControl::TPageControl(QWidget* parent) : QStackedWidget(parent) {}

TTabSheet* TPageControl::addPage(const QString& caption) {
  auto* page = new TTabSheet(this, caption);
  addWidget(page);
  return page;
}

TTabSheet* TPageControl::activePage() const { return qobject_cast<TTabSheet*>(currentWidget()); }

void TPageControl::setActivePage(TTabSheet* page) { setCurrentWidget(page); }

TTabSheet* TPageControl::page(int index) const { return qobject_cast<TTabSheet*>(widget(index)); }

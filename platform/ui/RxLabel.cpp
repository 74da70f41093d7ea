#include "RxLabel.h"

#include <QPainter>

TRxLabel::TRxLabel(const QString& caption, QWidget* parent) : TLabel(caption, parent) {}

void TRxLabel::setShadowColor(const QColor& color) {
  shadowColor_ = color;
  update();
}

void TRxLabel::setShadowSize(int size) {
  shadowSize_ = size;
  updateGeometry();
  update();
}

void TRxLabel::setFontColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

QSize TRxLabel::sizeHint() const { return TLabel::sizeHint() + QSize(shadowSize_, shadowSize_); }
QSize TRxLabel::minimumSizeHint() const { return TLabel::minimumSizeHint() + QSize(shadowSize_, shadowSize_); }

void TRxLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
  QRect area = contentsRect().adjusted(margin(), margin(), -margin() - shadowSize_, -margin() - shadowSize_);
  painter.setFont(font());
  if (shadowSize_ > 0) {
    painter.setPen(shadowColor());
    painter.drawText(area.translated(shadowSize_, shadowSize_), flags, text());
  }
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(area, flags, text());
}

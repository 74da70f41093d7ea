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

void TRxLabel::setEndEllipsis(bool on) {
  endEllipsis_ = on;
  if (on) setToolTip(text());
  updateGeometry();
  update();
}

void TRxLabel::setCaption(const QString& caption) {
  TLabel::setCaption(caption);
  if (endEllipsis_) setToolTip(caption);
}

QSize TRxLabel::sizeHint() const {
  QSize size = TLabel::sizeHint() + QSize(shadowSize_, shadowSize_);
  if (endEllipsis_) size.setWidth(minimumSizeHint().width());
  return size;
}

QSize TRxLabel::minimumSizeHint() const {
  QSize size = TLabel::minimumSizeHint() + QSize(shadowSize_, shadowSize_);
  if (endEllipsis_) {
    const int frame = 2 * (frameWidth() + margin());
    size.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("…")) + frame + shadowSize_);
  }
  return size;
}

void TRxLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
  QRect area = contentsRect().adjusted(margin(), margin(), -margin() - shadowSize_, -margin() - shadowSize_);
  painter.setFont(font());
  const QString shown =
      endEllipsis_ ? painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width()) : text();
  if (shadowSize_ > 0) {
    painter.setPen(shadowColor());
    painter.drawText(area.translated(shadowSize_, shadowSize_), flags, shown);
  }
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(area, flags, shown);
}

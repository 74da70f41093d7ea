#include "RxLabel.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStyle>

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
  QRect area = contentsRect().adjusted(margin(), margin(), -margin() - shadowSize_, -margin() - shadowSize_);
  painter.setFont(font());
  const QString shown =
      endEllipsis_ ? painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width()) : text();
  const QColor pen = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
  if (wordWrap()) {
    const int flags = int(alignment()) | Qt::TextWordWrap;
    if (shadowSize_ > 0) {
      painter.setPen(shadowColor());
      painter.drawText(area.translated(shadowSize_, shadowSize_), flags, shown);
    }
    painter.setPen(pen);
    painter.drawText(area, flags, shown);
    return;
  }
  const QColor shadow = shadowSize_ > 0 ? shadowColor() : QColor();
  const qreal ratio = devicePixelRatioF();
  if (!picture_.valid || picture_.text != shown || picture_.font != font() || picture_.pen != pen ||
      picture_.shadow != shadow || picture_.shadowSize != shadowSize_ || picture_.ratio != ratio ||
      picture_.alignment != alignment() || picture_.dpiX != logicalDpiX() || picture_.dpiY != logicalDpiY())
    makePicture(shown, pen, shadow, ratio);
  const QRect block = QStyle::alignedRect(layoutDirection(), alignment(), picture_.lines.size(), area);
  painter.drawImage(block.topLeft() - QPoint(picture_.pad, picture_.pad), picture_.image);
}

void TRxLabel::prepareCaption() {
  ensurePolished();
  QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
  render(&scratch);
}

void TRxLabel::makePicture(const QString& shown, const QColor& pen, const QColor& shadow, qreal ratio) {
  const QFontMetrics metrics(font(), this);
  const Qt::Alignment across = alignment() & Qt::AlignHorizontal_Mask;
  picture_.lines = metrics.boundingRect(QRect(0, 0, 0x3FFFFFF, 0x3FFFFFF), int(Qt::AlignLeft | Qt::AlignTop), shown);
  // Room for what glyphs draw outside their advance (italics, accents) and the shadow.
  picture_.pad = metrics.height() / 2 + 2;
  const QSize size = picture_.lines.size() + QSize(2 * picture_.pad + shadowSize_, 2 * picture_.pad + shadowSize_);
  QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  // The widget's resolution, so that a font in points has the widget's size.
  image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
  image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setFont(font());
    const QRect lines(picture_.pad, picture_.pad, picture_.lines.width(), picture_.lines.height());
    if (shadow.isValid()) {
      painter.setPen(shadow);
      painter.drawText(lines.translated(shadowSize_, shadowSize_), int(across | Qt::AlignTop), shown);
    }
    painter.setPen(pen);
    painter.drawText(lines, int(across | Qt::AlignTop), shown);
  }
  picture_.image = std::move(image);
  picture_.text = shown;
  picture_.font = font();
  picture_.pen = pen;
  picture_.shadow = shadow;
  picture_.shadowSize = shadowSize_;
  picture_.ratio = ratio;
  picture_.alignment = alignment();
  picture_.dpiX = logicalDpiX();
  picture_.dpiY = logicalDpiY();
  picture_.valid = true;
}

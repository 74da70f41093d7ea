#pragma once

#include "StdCtrls.h"

// A label whose text is painted twice: first as a shadow moved right and down by
// the shadow size, in the shadow colour, then in the label's own colour.
class TRxLabel : public TLabel {
  Q_OBJECT

 public:
  explicit TRxLabel(const QString& caption = QString(), QWidget* parent = nullptr);

  QColor shadowColor() const { return shadowColor_; }
  void setShadowColor(const QColor& color);
  int shadowSize() const { return shadowSize_; }
  void setShadowSize(int size);
  void setFontColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  QColor shadowColor_ = Qt::gray;
  int shadowSize_ = 1;
};

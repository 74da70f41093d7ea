#pragma once

#include <QFont>
#include <QImage>

#include "StdCtrls.h"

// A label whose text is painted twice: first as a shadow moved right and down by
// the shadow size, in the shadow colour, then in the label's own colour. Unless
// set, the shadow colour is the palette's button highlight, which keeps a plain
// caption crisp on a form.
class TRxLabel : public TLabel {
  Q_OBJECT

 public:
  explicit TRxLabel(const QString& caption = QString(), QWidget* parent = nullptr);

  QColor shadowColor() const { return shadowColor_.isValid() ? shadowColor_ : palette().color(QPalette::Light); }
  void setShadowColor(const QColor& color);
  int shadowSize() const { return shadowSize_; }
  void setShadowSize(int size);
  void setFontColor(const QColor& color);

  // A caption that does not fit is cut with an ellipsis, and the label's size
  // does not follow its caption (data shown in a form never widens it); the
  // whole caption is the tool tip.
  bool endEllipsis() const { return endEllipsis_; }
  void setEndEllipsis(bool on);
  void setCaption(const QString& caption) override;

  // Draws the caption's picture now, for the first paint to find it made.
  void prepareCaption();

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  QColor shadowColor_;  // invalid: the palette's button highlight
  int shadowSize_ = 1;
  bool endEllipsis_ = false;

  // The caption as painted, shadow and text, made once for what it shows: a
  // repaint copies it. Large fonts are drawn as outlines, which costs a paint
  // more than all the rest of a form.
  struct Picture {
    bool valid = false;
    QString text;
    QFont font;
    QColor pen, shadow;
    int shadowSize = 0;
    qreal ratio = 1;
    Qt::Alignment alignment;
    int dpiX = 0, dpiY = 0;
    QRect lines;  // the text's lines, as drawText lays them out
    int pad = 0;  // room around them in the image
    QImage image;
  } picture_;
  void makePicture(const QString& shown, const QColor& pen, const QColor& shadow, qreal ratio);
};

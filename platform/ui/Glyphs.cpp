#include "Glyphs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QHash>

namespace {

QHash<int, QIcon>& glyphs() {
  static QHash<int, QIcon> made;
  return made;
}

QIcon glyphOrFallback(QStyle::StandardPixmap pixmap, QStyle::StandardPixmap fallback) {
  QIcon icon = standardGlyph(pixmap);
  if (icon.isNull() && fallback != QStyle::SP_CustomBase) icon = standardGlyph(fallback);
  return icon;
}

// Sets the picture on the button's first showing, then goes.
class GlyphOnShow : public QObject {
 public:
  GlyphOnShow(QAbstractButton* button, QStyle::StandardPixmap pixmap, QStyle::StandardPixmap fallback)
      : QObject(button), pixmap_(pixmap), fallback_(fallback) {
    button->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* button = static_cast<QAbstractButton*>(watched);
      button->removeEventFilter(this);
      button->setIcon(glyphOrFallback(pixmap_, fallback_));
      deleteLater();
    }
    return false;
  }

 private:
  QStyle::StandardPixmap pixmap_;
  QStyle::StandardPixmap fallback_;
};

}  // namespace

QIcon standardGlyph(QStyle::StandardPixmap pixmap) {
  QHash<int, QIcon>& made = glyphs();
  auto found = made.constFind(int(pixmap));
  if (found != made.constEnd()) return *found;
  if (made.isEmpty() && qApp)  // the pictures go with the application
    QObject::connect(qApp, &QObject::destroyed, [] { glyphs().clear(); });
  const QIcon icon = QApplication::style()->standardIcon(pixmap);
  made.insert(int(pixmap), icon);
  return icon;
}

void setStandardGlyph(QAbstractButton* button, QStyle::StandardPixmap pixmap, QStyle::StandardPixmap fallback) {
  for (GlyphOnShow* pending : button->findChildren<GlyphOnShow*>(Qt::FindDirectChildrenOnly)) {
    button->removeEventFilter(pending);
    delete pending;
  }
  if (pixmap == QStyle::SP_CustomBase) {
    button->setIcon(QIcon());
    return;
  }
  if (button->isVisible()) {
    button->setIcon(glyphOrFallback(pixmap, fallback));
    return;
  }
  new GlyphOnShow(button, pixmap, fallback);
}

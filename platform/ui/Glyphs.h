#pragma once

#include <QIcon>
#include <QStyle>

class QAbstractButton;

// The style's standard picture, decoded once for the program.
QIcon standardGlyph(QStyle::StandardPixmap pixmap);

// Gives the button the style's standard picture (or the fallback's, for a
// style without the first) when the button is first shown: the pictures of
// windows that nobody opens are never decoded.
void setStandardGlyph(QAbstractButton* button, QStyle::StandardPixmap pixmap,
                      QStyle::StandardPixmap fallback = QStyle::SP_CustomBase);

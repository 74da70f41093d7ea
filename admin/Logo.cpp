#include "Logo.h"

#include <QPainter>
#include <QPolygon>
#include <QtMath>
#include <climits>
#include <cmath>

#include "ui/GifWriter.h"

namespace Logo {

namespace {

// The colours of the picture; the first is the About box's panel behind it.
const QList<QRgb> kColours = {qRgb(150, 210, 245), qRgb(0, 0, 128), qRgb(0, 255, 0), qRgb(255, 255, 255),
                              qRgb(0, 0, 255)};

int nearestColour(QRgb c) {
  int best = 0;
  int bestDistance = INT_MAX;
  for (int i = 0; i < kColours.size(); ++i) {
    const int dr = qRed(c) - qRed(kColours[i]), dg = qGreen(c) - qGreen(kColours[i]),
              db = qBlue(c) - qBlue(kColours[i]);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) best = i, bestDistance = distance;
  }
  return best;
}

// A ring with a "V" inside, a dot going round it once in the whole animation,
// and three bars rising and falling beside it.
QImage drawFrame(int frame) {
  const QColor navy(kColours[1]), lime(kColours[2]), white(kColours[3]), blue(kColours[4]);
  QImage canvas(kWidth, kHeight, QImage::Format_RGB32);
  canvas.fill(QColor(kColours[0]));
  {
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPoint centre(35, 35);
    p.setPen(QPen(navy, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 27, 27);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(QPolygon({QPoint(22, 20), QPoint(29, 20), QPoint(35, 40), QPoint(41, 20), QPoint(48, 20),
                            QPoint(38, 50), QPoint(32, 50)}));
    const double angle = qDegreesToRadians(frame * 360.0 / kFrames - 90.0);
    p.setPen(QPen(navy, 1));
    p.setBrush(lime);
    p.drawEllipse(QPointF(centre.x() + 27 * qCos(angle), centre.y() + 27 * qSin(angle)), 5, 5);
    p.setBrush(white);
    for (int bar = 0; bar < 3; ++bar) {
      const double phase = qDegreesToRadians(frame * 360.0 / kFrames + bar * 120.0);
      const int height = 24 + int(std::lround(18 * qSin(phase)));
      p.drawRect(74 + bar * 14, 62 - height, 10, height);
    }
  }
  QImage indexed(kWidth, kHeight, QImage::Format_Indexed8);
  indexed.setColorTable(kColours);
  for (int y = 0; y < kHeight; ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    uchar* to = indexed.scanLine(y);
    for (int x = 0; x < kWidth; ++x) to[x] = uchar(nearestColour(from[x]));
  }
  return indexed;
}

}  // namespace

QList<QImage> frames() {
  QList<QImage> result;
  for (int i = 0; i < kFrames; ++i) result << drawFrame(i);
  return result;
}

QByteArray gif() { return encodeAnimatedGif(frames(), kFrameTimeMs / 10); }

}  // namespace Logo

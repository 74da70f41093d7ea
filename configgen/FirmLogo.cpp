#include "FirmLogo.h"

#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QtMath>

#include "ui/GifWriter.h"

namespace {

constexpr int kFrames = 16;

enum Colour { Back, DarkBlue, White, Gold, Green, MidBlue, Light, DarkGold, ColourCount };

QList<QRgb> logoColours() {
  QList<QRgb> colours(16, qRgb(0, 0, 0));
  colours[Back] = qRgb(150, 210, 245);  // the panel behind the logo
  colours[DarkBlue] = qRgb(18, 52, 120);
  colours[White] = qRgb(255, 255, 255);
  colours[Gold] = qRgb(242, 186, 36);
  colours[Green] = qRgb(30, 150, 70);
  colours[MidBlue] = qRgb(70, 130, 210);
  colours[Light] = qRgb(222, 240, 252);
  colours[DarkGold] = qRgb(190, 130, 20);
  return colours;
}

// A point on the V's centre line, t from 0 (top left) over the foot to 1 (top right).
QPoint onTheV(double t) {
  const QPoint left(15, 12), foot(30, 54), right(45, 12);
  const double s = t < 0.5 ? t * 2 : (t - 0.5) * 2;
  const QPoint a = t < 0.5 ? left : foot, b = t < 0.5 ? foot : right;
  return QPoint(qRound(a.x() + (b.x() - a.x()) * s), qRound(a.y() + (b.y() - a.y()) * s));
}

QImage drawFrame(int frame, const QList<QRgb>& colours) {
  QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB32);
  image.fill(colours[Back]);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  auto brush = [&](Colour c) { return QColor::fromRgb(colours[c]); };

  // the card
  p.setPen(brush(DarkBlue));
  p.setBrush(brush(Light));
  p.drawRect(1, 1, kLogoWidth - 3, kLogoHeight - 3);

  // the V
  p.setPen(Qt::NoPen);
  p.setBrush(brush(DarkBlue));
  p.drawPolygon(QPolygon({QPoint(8, 8), QPoint(20, 8), QPoint(30, 42), QPoint(40, 8), QPoint(52, 8),
                          QPoint(35, 61), QPoint(25, 61)}));

  // a light running along the V, there and back
  const double phase = double(frame) / kFrames;
  const QPoint at = onTheV(phase < 0.5 ? phase * 2 : 2 - phase * 2);
  p.setBrush(brush(DarkGold));
  p.drawRect(at.x() - 3, at.y() - 3, 7, 7);
  p.setBrush(brush(Gold));
  p.drawRect(at.x() - 2, at.y() - 2, 5, 5);
  p.setBrush(brush(White));
  p.drawRect(at.x() - 1, at.y() - 1, 2, 2);

  // five bars rising and falling in a wave
  for (int i = 0; i < 5; ++i) {
    const double wave = 0.5 + 0.5 * qSin(2 * M_PI * phase + i * 0.9);
    const int height = 8 + qRound(34 * wave);
    const int x = 62 + i * 10;
    p.setBrush(brush(i % 2 ? MidBlue : Green));
    p.drawRect(x, 60 - height, 7, height);
    p.setBrush(brush(Gold));
    p.drawRect(x, 60 - height - 3, 7, 2);
  }
  p.setBrush(brush(DarkBlue));
  p.drawRect(59, 61, 52, 2);
  p.end();
  return image;
}

QImage toIndexed(const QImage& image, const QList<QRgb>& colours) {
  QImage indexed(image.size(), QImage::Format_Indexed8);
  indexed.setColorTable(colours);
  QHash<QRgb, int> index;
  for (int i = int(colours.size()) - 1; i >= 0; --i) index.insert(colours[i] | 0xFF000000u, i);
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* out = indexed.scanLine(y);
    for (int x = 0; x < image.width(); ++x) out[x] = uchar(index.value(in[x] | 0xFF000000u, Back));
  }
  return indexed;
}

}  // namespace

QList<QImage> FirmLogoFrames() {
  const QList<QRgb> colours = logoColours();
  QList<QImage> frames;
  for (int i = 0; i < kFrames; ++i) frames << toIndexed(drawFrame(i, colours), colours);
  return frames;
}

QByteArray FirmLogoGif() { return encodeAnimatedGif(FirmLogoFrames(), kLogoFrameDelay); }

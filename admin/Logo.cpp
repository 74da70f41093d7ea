#include "Logo.h"

#include <QPainter>
#include <QPolygon>
#include <QtMath>
#include <climits>
#include <cmath>
#include <unordered_map>

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

// Variable-width codes, least significant bit first.
class CodeWriter {
 public:
  void put(int code, int width) {
    bits_ |= quint32(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes_.append(char(bits_ & 0xFF));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  QByteArray finish() {
    if (count_ > 0) bytes_.append(char(bits_ & 0xFF));
    bits_ = 0;
    count_ = 0;
    return bytes_;
  }

 private:
  QByteArray bytes_;
  quint32 bits_ = 0;
  int count_ = 0;
};

// The LZW code stream of GIF image data.
QByteArray compress(const QByteArray& pixels, int minCodeSize) {
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  std::unordered_map<quint32, int> table;
  int next = clear + 2;
  int width = minCodeSize + 1;
  CodeWriter out;
  out.put(clear, width);
  int prefix = uchar(pixels.at(0));
  for (int i = 1; i < pixels.size(); ++i) {
    const int pixel = uchar(pixels.at(i));
    const quint32 key = (quint32(prefix) << 8) | quint32(pixel);
    if (auto found = table.find(key); found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.put(prefix, width);
    if (next < 4096) {
      table.emplace(key, next++);
      if (next > (1 << width) && width < 12) ++width;
    } else {
      out.put(clear, width);
      table.clear();
      next = clear + 2;
      width = minCodeSize + 1;
    }
    prefix = pixel;
  }
  out.put(prefix, width);
  out.put(end, width);
  return out.finish();
}

void put16(QByteArray& out, int value) {
  out.append(char(value & 0xFF));
  out.append(char((value >> 8) & 0xFF));
}

}  // namespace

QList<QImage> frames() {
  QList<QImage> result;
  for (int i = 0; i < kFrames; ++i) result << drawFrame(i);
  return result;
}

QByteArray gif() { return encodeAnimatedGif(frames(), kFrameTimeMs / 10); }

QByteArray encodeAnimatedGif(const QList<QImage>& images, int delayCs) {
  const QImage& first = images.front();
  QList<QRgb> colours = first.colorTable();
  int bits = 1;
  while ((1 << bits) < colours.size()) ++bits;
  colours.resize(1 << bits, qRgb(0, 0, 0));

  QByteArray out("GIF89a");
  put16(out, first.width());
  put16(out, first.height());
  out.append(char(0x80 | ((bits - 1) << 4) | (bits - 1)));  // a global colour table of 2^bits
  out.append('\0');                                          // background colour
  out.append('\0');                                          // pixel aspect
  for (QRgb c : colours) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
  }
  out.append(QByteArray::fromHex("21ff0b"));
  out.append("NETSCAPE2.0");
  out.append(QByteArray::fromHex("0301000000"));  // repeat without end

  const int minCodeSize = qMax(2, bits);
  for (const QImage& image : images) {
    out.append(QByteArray::fromHex("21f904"));
    out.append('\0');  // no transparency; the next frame covers this one
    put16(out, delayCs);
    out.append('\0');
    out.append('\0');
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width());
    put16(out, image.height());
    out.append('\0');  // no local colour table, not interlaced
    QByteArray pixels;
    pixels.reserve(image.width() * image.height());
    for (int y = 0; y < image.height(); ++y)
      pixels.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width());
    const QByteArray data = compress(pixels, minCodeSize);
    out.append(char(minCodeSize));
    for (int at = 0; at < data.size(); at += 255) {
      const int length = qMin(255, int(data.size()) - at);
      out.append(char(length));
      out.append(data.mid(at, length));
    }
    out.append('\0');
  }
  out.append(char(0x3B));
  return out;
}

}  // namespace Logo

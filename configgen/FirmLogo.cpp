#include "FirmLogo.h"

#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QtMath>
#include <unordered_map>

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

// ---- GIF

void addShort(QByteArray& out, int value) {
  out.append(char(value & 0xFF));
  out.append(char((value >> 8) & 0xFF));
}

// Codes of variable width packed from the lowest bit, cut into sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(QByteArray& out) : out_(out) {}
  void write(int code, int width) {
    bits_ |= quint32(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      byte(char(bits_ & 0xFF));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  void finish() {
    if (count_ > 0) byte(char(bits_ & 0xFF));
    bits_ = 0, count_ = 0;
    if (!block_.isEmpty()) flushBlock();
    out_.append('\0');
  }

 private:
  void byte(char b) {
    block_.append(b);
    if (block_.size() == 255) flushBlock();
  }
  void flushBlock() {
    out_.append(char(block_.size()));
    out_.append(block_);
    block_.clear();
  }

  QByteArray& out_;
  QByteArray block_;
  quint32 bits_ = 0;
  int count_ = 0;
};

void encodeLzw(QByteArray& out, const QImage& frame, int minCodeSize) {
  out.append(char(minCodeSize));
  CodeWriter writer(out);
  const int clear = 1 << minCodeSize, end = clear + 1;
  int next = end + 1, width = minCodeSize + 1;
  std::unordered_map<quint32, int> table;
  writer.write(clear, width);
  int prefix = -1;
  for (int y = 0; y < frame.height(); ++y) {
    const uchar* row = frame.constScanLine(y);
    for (int x = 0; x < frame.width(); ++x) {
      const int pixel = row[x];
      if (prefix < 0) {
        prefix = pixel;
        continue;
      }
      const quint32 key = (quint32(prefix) << 8) | quint32(pixel);
      const auto found = table.find(key);
      if (found != table.end()) {
        prefix = found->second;
        continue;
      }
      writer.write(prefix, width);
      if (next < 4096) {
        table.emplace(key, next++);
        if (next > (1 << width) && width < 12) ++width;
      } else {
        writer.write(clear, width);
        table.clear();
        next = end + 1;
        width = minCodeSize + 1;
      }
      prefix = pixel;
    }
  }
  if (prefix >= 0) writer.write(prefix, width);
  writer.write(end, width);
  writer.finish();
}

}  // namespace

QList<QImage> FirmLogoFrames() {
  const QList<QRgb> colours = logoColours();
  QList<QImage> frames;
  for (int i = 0; i < kFrames; ++i) frames << toIndexed(drawFrame(i, colours), colours);
  return frames;
}

QByteArray EncodeAnimatedGif(const QList<QImage>& frames, int delayCentiseconds) {
  if (frames.isEmpty()) return QByteArray();
  const int width = frames.first().width(), height = frames.first().height();
  QList<QRgb> colours = frames.first().colorTable();
  int bits = 1;  // the colour table holds 2^bits entries
  while ((1 << bits) < colours.size() && bits < 8) ++bits;
  colours.resize(1 << bits, qRgb(0, 0, 0));

  QByteArray out("GIF89a");
  addShort(out, width);
  addShort(out, height);
  out.append(char(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global colour table
  out.append('\0');                                        // background colour
  out.append('\0');                                        // pixel aspect
  for (QRgb c : colours) out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
  // loop forever
  out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);

  const int minCodeSize = bits < 2 ? 2 : bits;
  for (const QImage& frame : frames) {
    out.append("\x21\xF9\x04", 3);
    out.append(char(1 << 2));  // leave the frame in place, no transparency
    addShort(out, delayCentiseconds);
    out.append('\0').append('\0');
    out.append('\x2C');
    addShort(out, 0);
    addShort(out, 0);
    addShort(out, width);
    addShort(out, height);
    out.append('\0');  // no local colour table, not interlaced
    encodeLzw(out, frame, minCodeSize);
  }
  out.append('\x3B');
  return out;
}

QByteArray FirmLogoGif() { return EncodeAnimatedGif(FirmLogoFrames(), kLogoFrameDelay); }

#include "GifWriter.h"

#include <unordered_map>

namespace {

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

QByteArray encodeAnimatedGif(const QList<QImage>& frames, int delayCentiseconds) {
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

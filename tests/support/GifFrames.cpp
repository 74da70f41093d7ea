#include "GifFrames.h"

#include <QBuffer>
#include <QImageReader>

QList<QImage> decodeGifFrames(const QByteArray& gif, int* delay, int* loops) {
  QByteArray data = gif;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "gif");
  QList<QImage> frames;
  for (QImage frame; reader.read(&frame);) {
    frames << frame.convertToFormat(QImage::Format_RGB32);
    if (delay) *delay = reader.nextImageDelay();
  }
  if (loops) *loops = reader.loopCount();
  return frames;
}

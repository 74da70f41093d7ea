#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>

#include "FirmLogo.h"

namespace {

// The frames a GIF decoder reads back, as RGB.
QList<QImage> decode(const QByteArray& gif, int* delay = nullptr, int* loops = nullptr) {
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

QImage indexed(int width, int height, int colours, quint32 seed, bool noisy) {
  QImage image(width, height, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < colours; ++i) table << qRgb(i * 37 % 256, i * 91 % 256, 255 - i);
  image.setColorTable(table);
  QRandomGenerator random(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.scanLine(y)[x] = uchar(noisy ? random.bounded(colours) : ((x / 5 + y / 3) % colours));
  return image;
}

}  // namespace

TEST(FirmLogo, DecodesBackToTheDrawnFramesAndLoopsForever) {
  const QList<QImage> frames = FirmLogoFrames();
  ASSERT_GT(frames.size(), 1);
  int delay = 0, loops = 0;
  const QList<QImage> read = decode(FirmLogoGif(), &delay, &loops);
  ASSERT_EQ(read.size(), frames.size());
  for (int i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(read[i].size(), QSize(kLogoWidth, kLogoHeight));
    EXPECT_EQ(read[i], frames[i].convertToFormat(QImage::Format_RGB32)) << "frame " << i;
  }
  EXPECT_EQ(delay, kLogoFrameDelay * 10);
  EXPECT_EQ(loops, -1);
  EXPECT_NE(frames.first(), frames.at(frames.size() / 2));  // it moves
}

TEST(FirmLogo, EncoderKeepsEveryPixelWhateverTheCodeWidths) {
  const struct {
    int width, height, colours;
    bool noisy;
  } cases[] = {
      {1, 1, 2, false},      // smallest code size
      {3, 2, 4, true},
      {119, 70, 16, true},   // the logo's size, noise: the table fills up and is cleared
      {300, 200, 256, true}, // 8-bit pixels, many table resets
      {640, 3, 256, false},  // long runs
  };
  for (const auto& c : cases) {
    const QList<QImage> frames = {indexed(c.width, c.height, c.colours, 1, c.noisy),
                                  indexed(c.width, c.height, c.colours, 2, c.noisy)};
    const QList<QImage> read = decode(EncodeAnimatedGif(frames, 5));
    ASSERT_EQ(read.size(), 2) << c.width << "x" << c.height;
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(read[i], frames[i].convertToFormat(QImage::Format_RGB32)) << c.width << "x" << c.height << " frame " << i;
  }
}

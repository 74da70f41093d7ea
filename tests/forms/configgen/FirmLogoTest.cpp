#include <gtest/gtest.h>

#include "FirmLogo.h"
#include "support/GifFrames.h"

TEST(FirmLogo, DecodesBackToTheDrawnFramesAndLoopsForever) {
  const QList<QImage> frames = FirmLogoFrames();
  ASSERT_GT(frames.size(), 1);
  int delay = 0, loops = 0;
  const QList<QImage> read = decodeGifFrames(FirmLogoGif(), &delay, &loops);
  ASSERT_EQ(read.size(), frames.size());
  for (int i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(read[i].size(), QSize(kLogoWidth, kLogoHeight));
    EXPECT_EQ(read[i], frames[i].convertToFormat(QImage::Format_RGB32)) << "frame " << i;
  }
  EXPECT_EQ(delay, kLogoFrameDelay * 10);
  EXPECT_EQ(loops, -1);
  EXPECT_NE(frames.first(), frames.at(frames.size() / 2));  // it moves
}

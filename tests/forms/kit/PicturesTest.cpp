#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include "ui/AnimatedImage.h"
#include "ui/RxLabel.h"

namespace {

// Two frames of one pixel, 0.1 s each, repeating without end.
QByteArray twoFrameGif() {
  const QByteArray header = QByteArray("GIF89a") + QByteArray::fromHex("0100" "0100" "80" "00" "00");
  const QByteArray colours = QByteArray::fromHex("000000" "ffffff");
  const QByteArray loop = QByteArray::fromHex("21ff0b") + QByteArray("NETSCAPE2.0") + QByteArray::fromHex("03010000" "00");
  const QByteArray frame = QByteArray::fromHex("21f904" "00" "0a00" "00" "00") +           // 0.1 s
                           QByteArray::fromHex("2c" "0000" "0000" "0100" "0100" "00") +  // 1 x 1
                           QByteArray::fromHex("02" "02" "4401" "00");                   // one pixel
  return header + colours + loop + frame + frame + QByteArray::fromHex("3b");
}

}  // namespace

TEST(Pictures, AnimatedImagePlaysGifAndIsClickable) {
  TAnimatedImage image;
  int clicks = 0;
  image.OnClick = [&] { ++clicks; };
  ASSERT_TRUE(image.loadData(twoFrameGif()));
  EXPECT_EQ(image.frameCount(), 2);
  EXPECT_EQ(image.movie()->state(), QMovie::Running);
  image.resize(20, 20);
  QTest::mouseClick(&image, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  image.setAnimate(false);
  EXPECT_NE(image.movie()->state(), QMovie::Running);
  EXPECT_FALSE(image.loadData(QByteArray("not a picture")));
}

TEST(Pictures, LabelDoubleClickRaisesClickThenDoubleClickOnce) {
  TRxLabel label(QStringLiteral("Разработчик"));
  label.setShadowColor(Qt::green);
  label.setShadowSize(4);
  label.resize(200, 30);
  QStringList events;
  label.OnClick = [&] { events << "click"; };
  label.OnDblClick = [&] { events << "double"; };
  QTest::mouseDClick(&label, Qt::LeftButton);  // press, release, double-click, release
  EXPECT_EQ(events, (QStringList{"click", "double"}));
  events.clear();
  QTest::mouseClick(&label, Qt::LeftButton);
  EXPECT_EQ(events, QStringList{"click"});
  events.clear();  // as a mouse delivers it: press, release, double-click, release
  const QPointF at(10, 10);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, at, label.mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &e);
  }
  EXPECT_EQ(events, (QStringList{"click", "double"}));
  // the shadow is painted in its colour, down and right of the text
  label.show();
  const QImage picture = label.grab().toImage();
  bool shadow = false;
  for (int y = 0; y < picture.height() && !shadow; ++y)
    for (int x = 0; x < picture.width() && !shadow; ++x) shadow = picture.pixelColor(x, y) == QColor(Qt::green);
  EXPECT_TRUE(shadow);
}

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include "support/GifFrames.h"
#include "ui/AnimatedImage.h"
#include "ui/Buttons.h"
#include "ui/GifWriter.h"
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

// A picture made when shown: nothing is made for a window that stays hidden,
// and it is made once, however often the window is shown.
TEST(Pictures, AnimatedImageMadeWhenFirstShown) {
  QWidget window;
  auto* image = new TAnimatedImage(&window);
  int made = 0;
  image->loadDataWhenShown([&made] {
    ++made;
    return twoFrameGif();
  });
  window.hide();
  EXPECT_EQ(made, 0);
  EXPECT_EQ(image->movie(), nullptr);
  window.show();
  EXPECT_EQ(made, 1);
  ASSERT_NE(image->movie(), nullptr);
  EXPECT_EQ(image->frameCount(), 2);
  EXPECT_EQ(image->movie()->state(), QMovie::Running);
  window.hide();
  window.show();
  EXPECT_EQ(made, 1);
}

// A button's standard picture is decoded when the button is first shown, once
// for the program; a kind's picture likewise.
TEST(Pictures, ButtonPicturesMadeWhenFirstShown) {
  QWidget window;
  auto* button = new QPushButton(&window);
  setStandardGlyph(button, QStyle::SP_TrashIcon);
  auto* ok = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("ok"), &window);
  EXPECT_TRUE(button->icon().isNull());
  EXPECT_TRUE(ok->icon().isNull());
  window.show();
  EXPECT_FALSE(button->icon().isNull());
  EXPECT_FALSE(ok->icon().isNull());
  EXPECT_EQ(button->icon().cacheKey(), standardGlyph(QStyle::SP_TrashIcon).cacheKey());
  EXPECT_EQ(ok->icon().cacheKey(), standardGlyph(QStyle::SP_DialogOkButton).cacheKey());
  setStandardGlyph(button, QStyle::SP_CustomBase);  // no picture
  EXPECT_TRUE(button->icon().isNull());
}

TEST(Pictures, GifEncoderKeepsEveryPixelWhateverTheCodeWidths) {
  const struct {
    int width, height, colours;
    bool noisy;
  } cases[] = {
      {1, 1, 2, false},      // smallest code size
      {3, 2, 4, true},
      {119, 70, 16, true},   // a logo's size, noise: the table fills up and is cleared
      {300, 300, 5, true},   // a colour table padded to 8, many table resets
      {300, 200, 256, true}, // 8-bit pixels, many table resets
      {640, 3, 256, false},  // long runs
  };
  for (const auto& c : cases) {
    const QList<QImage> frames = {indexed(c.width, c.height, c.colours, 1, c.noisy),
                                  indexed(c.width, c.height, c.colours, 2, c.noisy)};
    int delay = 0, loops = 0;
    const QList<QImage> read = decodeGifFrames(encodeAnimatedGif(frames, 5), &delay, &loops);
    ASSERT_EQ(read.size(), 2) << c.width << "x" << c.height;
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(read[i], frames[i].convertToFormat(QImage::Format_RGB32)) << c.width << "x" << c.height << " frame " << i;
    EXPECT_EQ(delay, 50);
    EXPECT_EQ(loops, -1);
  }
  EXPECT_TRUE(encodeAnimatedGif({}, 5).isEmpty());
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

namespace {

// The box around the pixels of exactly that colour.
QRect pixelsOf(const QImage& image, const QColor& color) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == color) box |= QRect(x, y, 1, 1);
  return box;
}

bool near(const QRect& a, const QRect& b) {
  return !a.isEmpty() && std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
         std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

}  // namespace

// The caption's picture, made once and copied by later paints, stands where
// drawing the text straight into the label puts it, for every alignment and
// with lines of different lengths; a new caption, colour or font is painted
// anew.
TEST(Pictures, LabelCaptionPictureStandsWhereTheTextWouldAndFollowsChanges) {
  const Qt::Alignment alignments[] = {Qt::AlignHCenter | Qt::AlignTop, Qt::AlignLeft | Qt::AlignVCenter,
                                      Qt::AlignRight | Qt::AlignBottom, Qt::AlignCenter};
  for (const QString& caption : {QStringLiteral("Вельтон"), QStringLiteral("Вельтон\nлиния вторая")}) {
    for (Qt::Alignment alignment : alignments) {
      SCOPED_TRACE(caption.toStdString() + " alignment " + std::to_string(int(alignment)));
      TRxLabel label(caption);
      QFont font(QStringLiteral("Arial"));
      font.setPixelSize(40);
      font.setBold(true);
      font.setItalic(true);
      label.setFont(font);
      label.setAlignment(alignment);
      label.setFontColor(Qt::blue);
      label.setShadowColor(Qt::green);
      label.setShadowSize(4);
      label.resize(420, 160);
      label.show();
      label.grab();  // the picture is made here and copied below
      const QImage shown = label.grab().toImage();

      QImage straight(label.size(), QImage::Format_RGB32);
      straight.fill(Qt::white);
      {
        QPainter painter(&straight);
        painter.setFont(font);
        const QRect area = label.contentsRect().adjusted(0, 0, -4, -4);
        painter.setPen(Qt::green);
        painter.drawText(area.translated(4, 4), int(alignment), caption);
        painter.setPen(Qt::blue);
        painter.drawText(area, int(alignment), caption);
      }
      EXPECT_TRUE(near(pixelsOf(shown, Qt::blue), pixelsOf(straight, Qt::blue)))
          << "shown " << pixelsOf(shown, Qt::blue).x() << "," << pixelsOf(shown, Qt::blue).y() << " straight "
          << pixelsOf(straight, Qt::blue).x() << "," << pixelsOf(straight, Qt::blue).y();
      EXPECT_TRUE(near(pixelsOf(shown, Qt::green), pixelsOf(straight, Qt::green)));

      label.setCaption(QStringLiteral("В"));
      EXPECT_LT(pixelsOf(label.grab().toImage(), Qt::blue).width(), pixelsOf(shown, Qt::blue).width() / 2);
      label.setFontColor(Qt::red);
      const QImage red = label.grab().toImage();
      EXPECT_TRUE(pixelsOf(red, Qt::blue).isEmpty());
      EXPECT_FALSE(pixelsOf(red, Qt::red).isEmpty());
      font.setPixelSize(20);
      label.setFont(font);
      EXPECT_LT(pixelsOf(label.grab().toImage(), Qt::red).height(), pixelsOf(red, Qt::red).height());
    }
  }
}

#include "DorvikFixture.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QMovie>
#include <QTest>

#include "About.h"
#include "Logo.h"
#include "Main.h"
#include "ui/AnimatedImage.h"
#include "ui/Buttons.h"
#include "ui/Menus.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

using Kind = ScriptedPrompter::Kind;

namespace {

const QString kProductPage = QStringLiteral("www.velton.example/dorvik/");

// Mouse events as a mouse delivers them, without the timing that would turn
// one click and the next into a double-click.
void sendMouse(QWidget* widget, std::initializer_list<QEvent::Type> types) {
  const QPointF at(5, 5);
  for (QEvent::Type type : types) {
    QMouseEvent e(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &e);
  }
}
void click(QWidget* widget) { sendMouse(widget, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}); }
void doubleClick(QWidget* widget) {
  sendMouse(widget, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                     QEvent::MouseButtonRelease});
}

}  // namespace

TEST_F(DorvikFixture, AboutBoxContents) {
  startAsAdministrator();
  ASSERT_NE(AboutBox, nullptr);
  EXPECT_EQ(FormMain->miAbout->caption(), ru("О программе"));
  EXPECT_EQ(AboutBox->caption(), QStringLiteral("About"));
  EXPECT_EQ(AboutBox->size(), QSize(445, 150));
  EXPECT_EQ(AboutBox->minimumSize(), AboutBox->maximumSize());
  EXPECT_FALSE(AboutBox->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(AboutBox->RxLabel1->caption(), ru("Информационная система\n\"Вельтон\""));
  EXPECT_EQ(AboutBox->Version->caption(), ru("Версия 2.6"));
  EXPECT_TRUE(AboutBox->Comments->caption().startsWith(ru("Разработчик: ")));
  EXPECT_GT(AboutBox->Comments->caption().size(), QString(ru("Разработчик: ")).size());
  EXPECT_EQ(AboutBox->Comments->toolTip(), ru("Вывод дополнительной информации о программе"));
  EXPECT_EQ(AboutBox->MailAdres->caption(), QStringLiteral("dorvik@velton.example"));
  EXPECT_EQ(AboutBox->MailAdres->toolTip(), ru("Написать письмо разработчику"));
  EXPECT_EQ(AboutBox->MailAdres->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(AboutBox->OKButton->caption(), ru("Закрыть"));
  EXPECT_TRUE(AboutBox->OKButton->isDefault());
  EXPECT_EQ(AboutBox->OKButton->modalResult(), mrOk);
  // The shell gets at most 79 characters; our own address fits.
  EXPECT_LE(kProductPage.size(), 79);
  EXPECT_EQ(TAboutBox::productPage(), kProductPage);

  // The logo is made when the box is first shown: 18 frames of 0.1 s,
  // repeating without end, running from the start.
  EXPECT_EQ(AboutBox->RxGIFAnimator1->movie(), nullptr);
  EXPECT_EQ(AboutBox->RxGIFAnimator1->size(), QSize(119, 70));
  prompter().expectModal(QStringLiteral("About"), [](TForm&) {
    QMovie* movie = AboutBox->RxGIFAnimator1->movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->state(), QMovie::Running);
    EXPECT_EQ(movie->frameCount(), 18);
    EXPECT_EQ(movie->loopCount(), -1);
    EXPECT_EQ(movie->currentImage().size(), QSize(119, 70));
    AboutBox->OKButton->click();
  });
  FormMain->miAbout->click();
  prompter().verifyDone();
}

// The GIF decodes to the frames that were drawn, pixel for pixel, 0.1 s each,
// repeating without end; each frame differs from the one before.
TEST(Logo, GifHoldsTheDrawnFrames) {
  const QList<QImage> frames = Logo::frames();
  QByteArray gif = Logo::gif();
  QBuffer buffer(&gif);
  QImageReader reader(&buffer, "gif");
  ASSERT_EQ(reader.imageCount(), 18);
  EXPECT_EQ(reader.loopCount(), -1);
  QImage previous;
  for (int i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(reader.nextImageDelay(), 100) << "frame " << i;
    const QImage decoded = reader.read().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(decoded.size(), QSize(119, 70));
    ASSERT_FALSE(decoded.isNull()) << i << ' ' << reader.errorString().toStdString();
    EXPECT_EQ(decoded, frames[i].convertToFormat(QImage::Format_RGB32)) << "frame " << i;
    EXPECT_NE(decoded, previous) << "frame " << i;
    previous = decoded;
  }
}

// "О программе" shows the box modally; "Закрыть", Enter and the close box each
// end the showing, any number of times.
TEST_F(DorvikFixture, AboutShownModallyAndClosed) {
  startAsAdministrator();
  FormMain->show();
  const struct {
    const char* name;
    std::function<void(TForm&)> close;
  } cases[] = {
      {"Закрыть", [](TForm&) { AboutBox->OKButton->click(); }},
      {"Enter", [](TForm& box) { QTest::keyClick(&box, Qt::Key_Return); }},
      {"close box", [](TForm& box) { box.close(); }},
      {"Закрыть again", [](TForm&) { AboutBox->OKButton->click(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool shown = false;
    prompter().expectModal(QStringLiteral("About"), [&](TForm& box) {
      shown = box.isVisible() && &box == AboutBox;
      c.close(box);
    });
    FormMain->miAbout->click();
    prompter().verifyDone();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(AboutBox->isVisible());
  }
}

// The developer line opens the web page on a click, twice on a double-click
// (the click and the double-click are both bound); the e-mail label opens a
// message to whatever it shows; the logo, the name and the version do nothing.
TEST_F(DorvikFixture, AboutLinks) {
  startAsAdministrator();
  const QString longAddress = QString(80, QLatin1Char('a')) + QStringLiteral("@velton.example");
  prompter().expectModal(QStringLiteral("About"), [&](TForm&) {
    click(AboutBox->Comments);
    doubleClick(AboutBox->Comments);
    click(AboutBox->MailAdres);
    AboutBox->MailAdres->setCaption(longAddress);
    click(AboutBox->MailAdres);
    for (QWidget* still : {static_cast<QWidget*>(AboutBox->RxGIFAnimator1), static_cast<QWidget*>(AboutBox->RxLabel1),
                           static_cast<QWidget*>(AboutBox->Version), static_cast<QWidget*>(AboutBox->Panel1)}) {
      click(still);
      doubleClick(still);
    }
    AboutBox->MailAdres->setCaption(QStringLiteral("dorvik@velton.example"));
    AboutBox->OKButton->click();
  });
  prompter()
      .expectUrl(kProductPage)
      .expectUrl(kProductPage)
      .expectUrl(kProductPage)
      .expectUrl(QStringLiteral("mailto:dorvik@velton.example"))
      .expectUrl(QStringLiteral("mailto:") + longAddress);
  FormMain->miAbout->click();
  prompter().verifyDone();
  EXPECT_TRUE(AboutBox->isHidden());
}

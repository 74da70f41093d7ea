#include "About.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "Logo.h"
#include "ui/AnimatedImage.h"
#include "ui/Buttons.h"
#include "ui/Prompter.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

TAboutBox* AboutBox = nullptr;

namespace {

const QColor kNavy(0, 0, 128);

QFont makeFont(const char* family, int pixels, bool bold = false, bool italic = false, bool underline = false) {
  QFont f(QString::fromLatin1(family));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

}  // namespace

QString TAboutBox::productPage() { return QStringLiteral("www.velton.example/dorvik/"); }

TAboutBox::TAboutBox() {
  setObjectName(QStringLiteral("AboutBox"));
  setCaption(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFont(makeFont("MS Sans Serif", 13));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  colours.setColor(QPalette::WindowText, kNavy);
  setPalette(colours);
  setAutoFillBackground(true);

  auto* client = new QWidget(this);
  client->setFixedSize(445, 150);
  clientLayout()->addWidget(client);
  setFixedSize(sizeHint());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  Panel1 = new TPanel(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(2, 2, 441, 117);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);  // lowered outside, raised inside
  Panel1->setLineWidth(2);
  Panel1->setColor(QColor(150, 210, 245));

  RxGIFAnimator1 = new TAnimatedImage(Panel1);
  RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
  RxGIFAnimator1->setGeometry(8, 8, Logo::kWidth, Logo::kHeight);
  RxGIFAnimator1->setAnimate(true);
  RxGIFAnimator1->loadDataWhenShown(&Logo::gif);

  RxLabel1 = new TRxLabel(QStringLiteral("Информационная система\n\"Вельтон\""), Panel1);
  RxLabel1->setObjectName(QStringLiteral("RxLabel1"));
  RxLabel1->setGeometry(136, 8, 296, 50);
  RxLabel1->setAlignment(Qt::AlignCenter);
  RxLabel1->setFont(makeFont("Arial", 19, true));
  RxLabel1->setFontColor(kNavy);
  RxLabel1->setShadowColor(QColor(0, 255, 0));

  Version = new TLabel(QStringLiteral("Версия 2.6"), Panel1);
  Version->setObjectName(QStringLiteral("Version"));
  Version->setGeometry(136, 62, 296, 18);
  Version->setAlignment(Qt::AlignCenter);

  Comments = new TLabel(QStringLiteral("Разработчик: команда \"Вельтон\""), Panel1);
  Comments->setObjectName(QStringLiteral("Comments"));
  Comments->setGeometry(4, 92, 433, 20);
  Comments->setAlignment(Qt::AlignCenter);
  Comments->setFont(makeFont("MS Sans Serif", 13, true, true));
  Comments->setHint(QStringLiteral("Вывод дополнительной информации о программе"));
  Comments->OnClick = [this] { CommentsDblClick(); };
  Comments->OnDblClick = [this] { CommentsDblClick(); };

  MailAdres = new TLabel(QStringLiteral("dorvik@velton.example"), client);
  MailAdres->setObjectName(QStringLiteral("MailAdres"));
  MailAdres->setGeometry(8, 125, 260, 20);
  MailAdres->setFont(makeFont("MS Sans Serif", 16, true, false, true));
  MailAdres->setCursor(Qt::PointingHandCursor);
  MailAdres->setHint(QStringLiteral("Написать письмо разработчику"));
  MailAdres->OnClick = [this] { MailSEND(); };

  OKButton = new TButton(QStringLiteral("Закрыть"), client);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(362, 123, 75, 25);
  OKButton->setDefault(true);
  OKButton->setModalResult(mrOk);
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::CommentsDblClick() { OpenObject(productPage()); }

void TAboutBox::MailSEND() { OpenObject(QStringLiteral("mailto:") + MailAdres->caption()); }

void TAboutBox::OpenObject(const QString& text) { Prompter::current().openUrl(text); }

#include "NewPass.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "Main.h"
#include "ui/Buttons.h"
#include "ui/StdCtrls.h"

TFormPass* FormPass = nullptr;

namespace {

const int kPasswordLength = 10;
const char kFirstPassword[] = "Wick7";

void bold(QWidget* w) {
  QFont font = w->font();
  font.setBold(true);
  w->setFont(font);
}

void navy(QWidget* w) {
  QPalette palette = w->palette();
  const QColor navy(0, 0, 0x80);
  palette.setColor(QPalette::WindowText, navy);
  palette.setColor(QPalette::Text, navy);
  w->setPalette(palette);
}

void navyBold(QWidget* w) {
  bold(w);
  navy(w);
}

// Navy now, bold when the dialog is first shown (see TFormPass::setVisible): an
// edit lays its text out again at once in a new font.
TEdit* passwordBox(const char* name, QWidget* parent) {
  auto* box = new TEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setMaxLength(kPasswordLength);
  box->setPasswordChar(QLatin1Char('*'));
  box->setText(QString::fromLatin1(kFirstPassword));
  navy(box);
  return box;
}

}  // namespace

TFormPass::TFormPass() {
  setObjectName(QStringLiteral("FormPass"));
  setCaption(QStringLiteral("Задание нового пароля доступа"));
  // A dialog border without close box or system menu.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(386, 98);

  auto* body = new QWidget(this);
  auto* rows = new QVBoxLayout(body);
  auto* entries = new QHBoxLayout();
  rows->addLayout(entries);

  Label3 = new TLabel(QStringLiteral("Пароль:"), body);
  Label3->setObjectName(QStringLiteral("Label3"));
  navyBold(Label3);
  edPassword = passwordBox("edPassword", body);
  Label4 = new TLabel(QStringLiteral("Пароль повторно:"), body);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label4->setWordWrap(true);
  navyBold(Label4);
  edPasswordAgain = passwordBox("edPasswordAgain", body);
  Label3->setFocusControl(edPassword);
  Label4->setFocusControl(edPasswordAgain);
  entries->addWidget(Label3);
  entries->addWidget(edPassword, 1);
  entries->addWidget(Label4);
  entries->addWidget(edPasswordAgain, 1);

  auto* buttons = new QHBoxLayout();
  rows->addLayout(buttons);
  BitBtn1 = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("Отменить"), body);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("Задать"), body);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  setStandardGlyph(BitBtn2, QStyle::SP_DialogApplyButton);
  BitBtn2->setDefault(true);
  BitBtn2->OnClick = [this] { BitBtn2Click(); };
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addStretch(1);
  clientLayout()->addWidget(body);

  setTabOrder(edPasswordAgain, edPassword);
  setTabOrder(edPassword, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
}

TFormPass::~TFormPass() {
  if (FormPass == this) FormPass = nullptr;
}

void TFormPass::setVisible(bool visible) {
  // before the dialog is first laid out and shown: the boxes' bold font is
  // loaded only for it (not when Qt polishes every widget at the loop's start)
  if (visible && !edPassword->font().bold()) {
    bold(edPassword);
    bold(edPasswordAgain);
  }
  TForm::setVisible(visible);
}

void TFormPass::showEvent(QShowEvent* event) {
  // measured when first shown: the dialog's bold font is loaded only for it
  if (Label4->maximumWidth() == QWIDGETSIZE_MAX)
    Label4->setFixedWidth(Label4->fontMetrics().horizontalAdvance(QStringLiteral("повторно:")) + 12);
  if (FormMain) move(FormMain->geometry().center() - rect().center());
  TForm::showEvent(event);
}

void TFormPass::BitBtn2Click() {
  // Equality, case and blanks included, is the only test.
  if (edPassword->text() != edPasswordAgain->text()) return;
  FormMain->newPassword = edPassword->text();
  setModalResult(mrOk);
}

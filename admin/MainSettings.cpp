#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Main.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/PageControl.h"
#include "ui/Prompter.h"
#include "ui/RxLabel.h"

// The settings page (tab sheet BaseUstan): the constant settings of the
// database, the first row of STATUS.

namespace {

// The edits take input only while there is a row to write it into.
void enableSettingsEdits(TFormMain& form, bool on) {
  form.ST_PERIOD->setEnabled(on);
  form.ST_TIMECOPY->setEnabled(on);
  form.ST_PERPLAN->setEnabled(on);
}

}  // namespace

void TFormMain::buildSettingsPage() {
  // Writes the three values into every row of STATUS.
  IBUpdateStatus->ModifySQL = QStringList{QStringLiteral("update STATUS"), QStringLiteral("set"),
                                          QStringLiteral("  ST_PERIOD = :ST_PERIOD,"),
                                          QStringLiteral("  ST_TIMECOPY = :ST_TIMECOPY,"),
                                          QStringLiteral("  ST_PERPLAN = :ST_PERPLAN")};
  IbStatus->setUpdateObject(IBUpdateStatus);
  DsStatus->autoEdit = true;

  BnIzmUst = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("Изменить установки"), BaseUstan);
  BnIzmUst->setObjectName(QStringLiteral("BnIzmUst"));
  BnIzmUst->OnClick = [this] { BnIzmUstClick(); };
  BitBtn3 = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("Главное меню"), BaseUstan);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->OnClick = [this] { BitBtn3Click(); };

  auto label = [this](const char* name, const QString& caption) {
    auto* l = new TRxLabel(caption, BaseUstan);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  RxLabel1 = label("RxLabel1", QStringLiteral("Врямя устаревания информации (Дни)"));
  RxLabel2 = label("RxLabel2", QStringLiteral("Дата последнего скопированного изменения базы данных"));
  RxLabel2->setAlignment(Qt::AlignCenter);
  RxLabel2->setWordWrap(true);
  RxLabel3 = label("RxLabel3",
                   QStringLiteral("Количество дней на которые осуществляется автоматическое планированирование событий"));
  RxLabel3->setWordWrap(true);

  ST_PERIOD = new TDBEdit(BaseUstan);
  ST_PERIOD->setObjectName(QStringLiteral("ST_PERIOD"));
  ST_PERIOD->setDataSource(DsStatus);
  ST_PERIOD->setDataField(QStringLiteral("ST_PERIOD"));
  ST_TIMECOPY = new TDBDateEdit(BaseUstan);
  ST_TIMECOPY->setObjectName(QStringLiteral("ST_TIMECOPY"));
  ST_TIMECOPY->setDataSource(DsStatus);
  ST_TIMECOPY->setDataField(QStringLiteral("ST_TIMECOPY"));
  ST_PERPLAN = new TDBEdit(BaseUstan);
  ST_PERPLAN->setObjectName(QStringLiteral("ST_PERPLAN"));
  ST_PERPLAN->setDataSource(DsStatus);
  ST_PERPLAN->setDataField(QStringLiteral("ST_PERPLAN"));
  enableSettingsEdits(*this, false);

  auto* page = new QVBoxLayout(BaseUstan);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(BnIzmUst);
  buttons->addWidget(BitBtn3);
  buttons->addStretch(1);
  page->addLayout(buttons);
  auto* values = new QGridLayout();
  values->setColumnStretch(0, 3);
  values->setColumnStretch(1, 2);
  values->addWidget(RxLabel1, 0, 0);
  values->addWidget(ST_PERIOD, 0, 1);
  values->addWidget(RxLabel2, 1, 0);
  values->addWidget(ST_TIMECOPY, 1, 1);
  values->addWidget(RxLabel3, 2, 0);
  values->addWidget(ST_PERPLAN, 2, 1);
  page->addLayout(values);
  page->addStretch(1);
  RxLabel1->setFocusControl(ST_PERIOD);
  RxLabel2->setFocusControl(ST_TIMECOPY);
  RxLabel3->setFocusControl(ST_PERPLAN);

  QWidget::setTabOrder(BnIzmUst, BitBtn3);
  QWidget::setTabOrder(BitBtn3, ST_PERPLAN);
  QWidget::setTabOrder(ST_PERPLAN, ST_PERIOD);
  QWidget::setTabOrder(ST_PERIOD, ST_TIMECOPY);
}

void TFormMain::miUstanClick() {
  if (!settingsTransaction_ || !IBTrans->inTransaction()) {
    // Refused ("Transaction is active") while another page holds the
    // transaction: that page stays in front with its work untouched.
    settingsTransaction_ = false;
    IBTrans->startTransaction();
    settingsTransaction_ = true;
  }
  // Given again while the page holds its transaction, the command brings the
  // page back, opening the table if that failed before.
  PageControl1->setActivePage(BaseUstan);
  PageControl1->show();
  IbStatus->open();
  enableSettingsEdits(*this, !IbStatus->isEmpty());
}

void TFormMain::BnIzmUstClick() {
  DsStatus->updateRecord();  // a value still held in an edit
  if (IbStatus->state() == dsEdit) IbStatus->post();
  IbStatus->close();
  enableSettingsEdits(*this, false);
  PageControl1->hide();
  if (!settingsTransaction_ || !IBTrans->inTransaction()) return;  // not this page's to end
  settingsTransaction_ = false;
  try {
    IBTrans->commit();
  } catch (...) {
    // Nothing is left half done: the page is gone, its transaction with it.
    try {
      IBTrans->rollback();
    } catch (...) {
    }
    throw;
  }
  Prompter::current().message(QStringLiteral("Установки изменены успешно"));
}

void TFormMain::BitBtn3Click() {
  IbStatus->close();
  enableSettingsEdits(*this, false);
  PageControl1->hide();
  if (!settingsTransaction_ || !IBTrans->inTransaction()) return;
  settingsTransaction_ = false;
  IBTrans->rollback();
}

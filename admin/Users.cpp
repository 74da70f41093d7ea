#include "Users.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "Main.h"
#include "db/IBQuery.h"
#include "db/IBStoredProc.h"
#include "db/IBTransaction.h"
#include "os/Strings.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Prompter.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

TFormSpisUser* FormSpisUser = nullptr;

namespace {

// The administrator and the service account are never deleted.
bool protectedManager(int id) { return id == 0 || id == 100100; }

}  // namespace

TFormSpisUser::TFormSpisUser() {
  setObjectName(QStringLiteral("FormSpisUser"));
  setCaption(QStringLiteral("Список пользователей Базы"));
  resize(528, 418);

  Panel1 = new TPanel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedHeight(77);
  auto* panelLayout = new QVBoxLayout(Panel1);
  auto* buttons = new QHBoxLayout();
  panelLayout->addLayout(buttons);

  BnOk = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("Выбрать пользователя"), Panel1);
  BnOk->setObjectName(QStringLiteral("BnOk"));
  BtProfil = new TBitBtn(TBitBtnKind::bkOK, QStringLiteral("Выбрать профиль"), Panel1);
  BtProfil->setObjectName(QStringLiteral("BtProfil"));
  BnDelUser = new TBitBtn(TBitBtnKind::bkCustom, QStringLiteral("Удалить пользователя"), Panel1);
  BnDelUser->setObjectName(QStringLiteral("BnDelUser"));
  setStandardGlyph(BnDelUser, QStyle::SP_TrashIcon);
  BnDelUser->setModalResult(mrOk);
  BitBtn2 = new TBitBtn(TBitBtnKind::bkCancel, QStringLiteral("Главное меню"), Panel1);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  for (TBitBtn* b : {BnOk, BtProfil, BnDelUser, BitBtn2}) buttons->addWidget(b);
  buttons->addStretch();
  BnOk->OnClick = [this] { BnOkClick(); };
  BtProfil->OnClick = [this] { BtProfilClick(); };
  BnDelUser->OnClick = [this] { BnDelUserClick(); };
  BitBtn2->OnClick = [this] { BitBtn2Click(); };

  DataSource1 = new TDataSource(this);
  DataSource1->setObjectName(QStringLiteral("DataSource1"));

  DBNavigator1 = new TDBNavigator(Panel1);
  DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
  DBNavigator1->setVisibleButtons({nbFirst, nbPrior, nbNext, nbLast, nbEdit, nbPost, nbCancel});
  DBNavigator1->setHint(nbFirst, QStringLiteral("Первая запись"));
  DBNavigator1->setHint(nbPrior, QStringLiteral("Предыдущая запись"));
  DBNavigator1->setHint(nbNext, QStringLiteral("Следующая запись"));
  DBNavigator1->setHint(nbLast, QStringLiteral("Последняя запись"));
  DBNavigator1->setHint(nbEdit, QStringLiteral("Редактировать запись"));
  DBNavigator1->setHint(nbPost, QStringLiteral("Запомнить изменения"));
  DBNavigator1->setHint(nbCancel, QStringLiteral("Отменить изменения"));
  DBNavigator1->setDataSource(DataSource1);
  auto* navigatorRow = new QHBoxLayout();
  navigatorRow->addWidget(DBNavigator1);
  navigatorRow->addStretch();
  panelLayout->addLayout(navigatorRow);
  clientLayout()->addWidget(Panel1);

  RxDBGrid1 = new TRxDBGrid(this);
  RxDBGrid1->setObjectName(QStringLiteral("RxDBGrid1"));
  RxDBGrid1->setOptions(dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                        dgRowLines | dgAlwaysShowSelection);
  RxDBGrid1->setDataSource(DataSource1);
  RxDBGrid1->OnDblClick = [this] { RxDBGrid1DblClick(); };
  clientLayout()->addWidget(RxDBGrid1, 1);

  if (FormMain) {
    DataSource1->setDataSet(FormMain->IBQuery1);
    IBsMenDel = std::make_unique<TIBStoredProc>();
    IBsMenDel->setDatabase(FormMain->MainBase);
    IBsMenDel->setTransaction(FormMain->IBTrans);
    IBsMenDel->setStoredProcName(QStringLiteral("MANEGERDELATE"));
  }
  setProfileLayout(false);
}

TFormSpisUser::~TFormSpisUser() {
  if (FormSpisUser == this) FormSpisUser = nullptr;
  // The grid and the navigator observe the main form's query: they go first.
  delete RxDBGrid1;
  delete Panel1;
}

void TFormSpisUser::centreOnMainForm() { move(FormMain->geometry().center() - rect().center()); }

void TFormSpisUser::setProfileLayout(bool profile) {
  profileMode_ = profile;
  BnOk->setVisible(!profile);
  BnDelUser->setVisible(!profile);
  BitBtn2->setVisible(!profile);
  BtProfil->setVisible(profile);
}

bool TFormSpisUser::hasCurrentRow() const {
  const TIBQuery* rows = FormMain->IBQuery1;
  return rows->active() && rows->recNo() >= 0;
}

int TFormSpisUser::SelectUser() {
  TFormMain& main = *FormMain;
  main.currentManagerId = -1;
  main.IBTrans->startTransaction();
  setProfileLayout(false);
  return showList([&main] {
    if (main.IBTrans->inTransaction()) main.IBTrans->rollback();
  });
}

int TFormSpisUser::SelectProfile() {
  FormMain->profileId = -1;
  setProfileLayout(true);
  return showList([this] { setProfileLayout(false); });
}

int TFormSpisUser::showList(const std::function<void()>& afterwards) {
  TIBQuery* rows = FormMain->IBQuery1;
  int result = mrCancel;
  try {
    rows->open();
    centreOnMainForm();
    RxDBGrid1->setFocus();
    result = showModal();
  } catch (...) {
    rows->close();
    afterwards();
    throw;
  }
  rows->close();
  afterwards();
  return result;
}

void TFormSpisUser::BnOkClick() {
  // An empty list chooses nobody; SelectUser then rolls back.
  const bool chosen = hasCurrentRow();
  TFormMain& main = *FormMain;
  if (chosen) {
    TIBQuery& rows = *main.IBQuery1;
    main.RxLUser->setCaption(rows.fieldByName(QStringLiteral("MN_MANAGER")).asString());
    main.currentManagerId = rows.fieldByName(QStringLiteral("MN_ID")).asInteger();
    main.currentAccount = Strings::trim(rows.fieldByName(QStringLiteral("MN_ALIAS")).asString());
  }
  setModalResult(mrOk);
  if (chosen) main.IBTrans->commit();
}

void TFormSpisUser::BitBtn2Click() { FormMain->IBTrans->rollback(); }

void TFormSpisUser::BnDelUserClick() {
  if (!hasCurrentRow()) return;
  if (Prompter::current().confirm(QStringLiteral("Удалить пользователя из базы данных ?")) != ConfirmAnswer::Yes)
    return;
  TFormMain& main = *FormMain;
  const int id = main.IBQuery1->fieldByName(QStringLiteral("MN_ID")).asInteger();
  if (protectedManager(id)) return;
  IBsMenDel->paramByName(QStringLiteral("MANID")).setAsInteger(id);
  IBsMenDel->execProc();
  setModalResult(mrOk);
  main.IBTrans->commit();
}

void TFormSpisUser::BtProfilClick() {
  if (hasCurrentRow()) FormMain->profileId = FormMain->IBQuery1->fieldByName(QStringLiteral("MN_ID")).asInteger();
  setModalResult(mrOk);
}

void TFormSpisUser::RxDBGrid1DblClick() {
  if (profileMode_)
    BtProfilClick();
  else
    BnOkClick();
}

#include "Main.h"

#include <QHBoxLayout>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <array>

#include "RightStatement.h"
#include "Users.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "os/Errors.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/PageControl.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

// The rights page (tab sheet Dorvik): one manager's rights on the objects
// listed for that manager. A tick or an untick grants or revokes at once; the
// row's mask is written when the row is left and on "Запомнить". Everything
// runs in IBTrans, started when the page opens.

namespace {

// Bit of a right in a privilege mask; an object allowing it is a procedure.
const qint32 kExecuteBit = 16;

const QStringList& rightsSelect() {
  static const QStringList lines{QStringLiteral("select UPR_ID, UPR_MASK, OPT_OPIS, OPT_MASK, OPT_ISXNAME"),
                                 QStringLiteral("from USER_PRIV,  OPIS_TABLE "),
                                 QStringLiteral("where ( UPR_MANAGER = :Mened ) and"),
                                 QStringLiteral("(OPT_ID= UPR_OPIS_TABLE)"), QStringLiteral("order by OPT_OPIS")};
  return lines;
}

void declareField(TIBQuery* query, const char* name, const QString& label, int width, bool visible) {
  TField& f = query->addField(QString::fromLatin1(name));
  f.DisplayLabel = label;
  f.DisplayWidth = width;
  f.Visible = visible;
  f.Required = true;
  f.ReadOnly = true;
}

bool hasRowOfRights(TIBQuery* query) { return query->active() && query->recNo() >= 0; }

}  // namespace

void TFormMain::buildRightsPage() {
  IBqDorvik->SQL = rightsSelect();
  IBqDorvik->setUpdateObject(IBUpdateSQL1);
  IBUpdateSQL1->ModifySQL =
      QStringList{QStringLiteral("update  USER_PRIV set UPR_Mask = :UPR_Mask where UPR_id = :UPR_id")};
  declareField(IBqDorvik, "UPR_ID", QStringLiteral("UPR_ID"), 11, false);
  declareField(IBqDorvik, "OPT_OPIS", QStringLiteral("Описание объекта"), 60, true);
  declareField(IBqDorvik, "OPT_MASK", QStringLiteral("OPT_MASK"), 6, false);
  declareField(IBqDorvik, "OPT_ISXNAME", QStringLiteral("Объект"), 24, true);
  declareField(IBqDorvik, "UPR_MASK", QStringLiteral("Право"), 5, true);
  IBqCopyPriv->SQL = rightsSelect();
  rightsRowLock_ = own(new TIBQuery());
  rightsRowLock_->setDatabase(MainBase);
  rightsRowLock_->setTransaction(IBTrans);
  rightsRowLock_->SQL = rightsRowLockLines();
  roleLookup_ = own(new TIBQuery());
  roleLookup_->setDatabase(MainBase);
  roleLookup_->setTransaction(IBTrans);
  roleLookup_->SQL = roleLookupLines();
  // Both lists move the page's row: the handlers work on IBqDorvik.
  for (TIBQuery* list : {IBqDorvik, IBqCopyPriv}) {
    list->BeforeScroll = [this](TIBCustomDataSet& ds) { IBqDorvikBeforeScroll(ds); };
    list->AfterScroll = [this](TIBCustomDataSet& ds) { IBqDorvikAfterScroll(ds); };
  }

  auto* page = new QVBoxLayout(Dorvik);
  page->setContentsMargins(0, 0, 0, 0);
  page->setSpacing(0);

  Panel1 = new TPanel(Dorvik);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* rows = new QVBoxLayout(Panel1);
  auto* buttons = new QHBoxLayout();
  auto* boxes = new QHBoxLayout();
  rows->addLayout(buttons);
  rows->addLayout(boxes);

  auto button = [this, buttons](TBitBtn*& b, const char* name, TBitBtnKind kind, const QString& caption,
                                const QString& hint, std::function<void()> handler) {
    b = new TBitBtn(kind, caption, Panel1);
    b->setObjectName(QString::fromLatin1(name));
    b->setHint(hint);
    b->OnClick = std::move(handler);
    buttons->addWidget(b);
  };
  button(BnOtmen, "BnOtmen", TBitBtnKind::bkCancel, QStringLiteral("Отменить"),
         QStringLiteral("Отменить все изменения"), [this] { BnOtmenClick(); });
  Label1 = new TLabel(QStringLiteral("Пользователь:"), Panel1);
  Label1->setObjectName(QStringLiteral("Label1"));
  buttons->addWidget(Label1);
  RxLUser = new TRxLabel(QStringLiteral("RxLUser"), Panel1);
  RxLUser->setObjectName(QStringLiteral("RxLUser"));
  RxLUser->setEndEllipsis(true);  // a long name never widens the form
  buttons->addWidget(RxLUser, 1);
  button(BnZap, "BnZap", TBitBtnKind::bkOK, QStringLiteral("Запомнить"), QStringLiteral("Принять все изменения"),
         [this] { BnZapClick(); });
  button(BnProfil, "BnProfil", TBitBtnKind::bkAll, QStringLiteral("Профиль"),
         QStringLiteral("Скопировать права доступа другого пользователя"), [this] { BnProfilClick(); });
  button(bnChnPass, "bnChnPass", TBitBtnKind::bkRetry, QStringLiteral("Пароль"),
         QStringLiteral("Смена пароля пользователя"), [this] { bnChnPassClick(); });

  auto box = [this, boxes](TCheckBox*& b, const char* name, const QString& caption, int bit,
                           std::function<void()> handler) {
    b = new TCheckBox(caption, Panel1);
    b->setObjectName(QString::fromLatin1(name));
    b->tag = bit;
    b->OnClick = std::move(handler);
    boxes->addWidget(b);
  };
  box(CbRead, "CbRead", QStringLiteral("Чтение"), 1, [this] { CbReadClick(); });
  box(CbInsert, "CbInsert", QStringLiteral("Вставка"), 2, [this] { CbInsertClick(); });
  box(CbDelete, "CbDelete", QStringLiteral("Удаление"), 4, [this] { CbDeleteClick(); });
  box(CbUpdate, "CbUpdate", QStringLiteral("Модификация"), 8, [this] { CbUpdateClick(); });
  box(CbExecute, "CbExecute", QStringLiteral("Выполнение"), kExecuteBit, [this] { CbExecuteClick(); });
  boxes->addStretch(1);
  page->addWidget(Panel1);

  RxDBGrid1 = new TRxDBGrid(Dorvik);
  RxDBGrid1->setObjectName(QStringLiteral("RxDBGrid1"));
  RxDBGrid1->readOnly = true;
  RxDBGrid1->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect);
  // The grid takes the fields in this order, not in the select's.
  RxDBGrid1->setColumnFields(
      {QStringLiteral("OPT_OPIS"), QStringLiteral("OPT_ISXNAME"), QStringLiteral("UPR_MASK")});
  RxDBGrid1->setDataSource(DsDorvik);
  page->addWidget(RxDBGrid1, 1);
}

void TFormMain::OprPrivClick() {
  FormSpisUser->SelectUser();
  if (currentManagerId == -1) return;
  IBTrans->startTransaction();
  lockedRightsRows_.clear();
  checkedAccount_.clear();
  PageControl1->setActivePage(Dorvik);
  PageControl1->show();
  IBqDorvik->paramByName(QStringLiteral("Mened")).setAsInteger(currentManagerId);
  IBqDorvik->open();
  if (!hasRowOfRights(IBqDorvik)) showNoRightsRow();
}

void TFormMain::IBqDorvikAfterScroll(TIBCustomDataSet&) {
  if (!hasRowOfRights(IBqDorvik)) {
    showNoRightsRow();
    return;
  }
  loadingRow = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{loadingRow};
  allowedMask = IBqDorvik->fieldByName(QStringLiteral("OPT_MASK")).asInteger();
  grantedMask = IBqDorvik->fieldByName(QStringLiteral("UPR_Mask")).asInteger();
  const std::array<TCheckBox*, 5> boxes{CbRead, CbInsert, CbDelete, CbUpdate, CbExecute};
  for (TCheckBox* box : boxes) box->setEnabled((allowedMask & box->tag) != 0);
  for (TCheckBox* box : boxes) box->setChecked((grantedMask & box->tag) != 0);
  editedMask = grantedMask;
}

// No row: nothing to show, nothing to change, nothing to write.
void TFormMain::showNoRightsRow() {
  loadingRow = true;
  for (TCheckBox* box : {CbRead, CbInsert, CbDelete, CbUpdate, CbExecute}) {
    box->setEnabled(false);
    box->setChecked(false);
  }
  allowedMask = grantedMask = editedMask = 0;
  loadingRow = false;
}

void TFormMain::IBqDorvikBeforeScroll(TIBCustomDataSet&) {
  if (editedMask == grantedMask || !hasRowOfRights(IBqDorvik)) return;
  IBqDorvik->edit();
  try {
    IBqDorvik->fieldByName(QStringLiteral("UPR_Mask")).setAsInteger(editedMask);
    IBqDorvik->post();
  } catch (...) {
    IBqDorvik->cancel();  // the edited mask stays, to be written by the next try
    throw;
  }
}

void TFormMain::CbReadClick() { ChangeRight(CbRead, QStringLiteral("SELECT")); }

void TFormMain::CbInsertClick() { ChangeRight(CbInsert, QStringLiteral("INSERT")); }

void TFormMain::CbDeleteClick() { ChangeRight(CbDelete, QStringLiteral("DELETE")); }

void TFormMain::CbUpdateClick() { ChangeRight(CbUpdate, QStringLiteral("UPDATE")); }

void TFormMain::CbExecuteClick() { ChangeRight(CbExecute, QStringLiteral("EXECUTE")); }

void TFormMain::setRightBoxTick(TCheckBox* box, bool on) {
  const bool wasLoading = loadingRow;
  loadingRow = true;
  box->setChecked(on);
  loadingRow = wasLoading;
}

void TFormMain::ChangeRight(TCheckBox* Box, const QString& Right) {
  if (loadingRow) return;
  const bool grant = Box->checked();
  const qint32 editedBefore = editedMask;
  try {
    // The names go into the statement unquoted: only plain identifiers may,
    // and the login must name that user, not every user or a role.
    const QString objectName = IBqDorvik->fieldByName(QStringLiteral("OPT_IsxName")).asString();
    const QString account = currentAccount.text();
    auto refuse = [](const QString& name) {
      return Exception(QStringLiteral("Недопустимое имя объекта или пользователя: \"%1\"")
                           .arg(QString(name).replace(QRegularExpression(QStringLiteral(" +$")), QString())));
    };
    for (const QString& name : {objectName, account})
      if (!isPlainLogin(name)) throw refuse(name);
    if (account != checkedAccount_) {
      if (isRoleName(account)) throw refuse(account);
      checkedAccount_ = account;
    }
    lockRightsRow();
    editedMask |= Box->tag;
    if (!grant) editedMask ^= Box->tag;
    IBqGrant->SQL.clear();
    IBqGrant->SQL = rightStatementLines(grant, Right, (allowedMask & kExecuteBit) != 0, objectName, currentAccount);
    IBqGrant->ExecSQL();
  } catch (...) {
    // A change the server did not make is neither shown nor stored.
    editedMask = editedBefore;
    setRightBoxTick(Box, !grant);
    throw;
  }
}

// Every statement on a row runs under its lock, taken before the first one: a
// second administrator can then neither change the row's rights meanwhile
// (nowait: refused at once) nor write over them later with a mask read before.
void TFormMain::lockRightsRow() {
  const qint32 id = IBqDorvik->fieldByName(QStringLiteral("UPR_ID")).asInteger();
  if (lockedRightsRows_.contains(id)) return;
  rightsRowLock_->close();
  rightsRowLock_->paramByName(QStringLiteral("UPR_ID")).setAsInteger(id);
  rightsRowLock_->open();
  const bool found = rightsRowLock_->rowCount() == 1;
  const qint32 mask = found ? rightsRowLock_->value(0, 0).toInt() : 0;
  rightsRowLock_->close();
  if (!found || mask != grantedMask)
    throw Exception(staleRightsText(IBqDorvik->fieldByName(QStringLiteral("OPT_IsxName")).asString()));
  lockedRightsRows_.insert(id);
}

bool TFormMain::isRoleName(const QString& name) {
  roleLookup_->close();
  roleLookup_->paramByName(QStringLiteral("NAME")).setAsString(name.trimmed().toUpper());
  roleLookup_->open();
  const bool found = roleLookup_->value(0, 0).toInt() > 0;
  roleLookup_->close();
  return found;
}

void TFormMain::BnZapClick() {
  IBqDorvikBeforeScroll(*IBqDorvik);
  const int row = IBqDorvik->recNo();
  try {
    IBTrans->commit();  // closes IBqDorvik first
  } catch (...) {
    // The transaction lives on: the page stays with it, on its row, so that
    // "Запомнить" can be pressed again or "Отменить" undo everything.
    if (IBTrans->inTransaction()) {
      try {
        IBqDorvik->open();
        if (row > 0 && row < IBqDorvik->rowCount()) IBqDorvik->moveTo(row);
      } catch (...) {
        // the commit's error is the one to show; "Отменить" still works
      }
    } else {
      PageControl1->hide();
    }
    throw;
  }
  PageControl1->hide();
}

void TFormMain::BnOtmenClick() {
  PageControl1->hide();
  IBqDorvik->close();
  IBTrans->rollback();
}

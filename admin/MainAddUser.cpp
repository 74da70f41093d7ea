#include "Main.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "RightStatement.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBSecurityService.h"
#include "db/IBStoredProc.h"
#include "db/IBTransaction.h"
#include "os/Errors.h"
#include "os/Strings.h"
#include "os/System.h"
#include "ui/ButtonEdits.h"
#include "ui/Buttons.h"
#include "ui/DataControls.h"
#include "ui/Glyphs.h"
#include "ui/LookupEdit.h"
#include "ui/PageControl.h"
#include "ui/Prompter.h"
#include "ui/StdCtrls.h"

// The new-manager page (tab sheet AddUser).

namespace {

const char kQuestionCaption[] = "Подтверждение изменения данных";
const char kAskName[] = "Добавить новое имя в список ?";
const char kAskOtch[] = "Добавить новое отчество в список ?";

QString tr8(const char* utf8) { return QString::fromUtf8(utf8); }

bool askToChange(const QString& question) {
  return Prompter::current().systemYesNo(question, tr8(kQuestionCaption));
}

void tell(const char* utf8) { Prompter::current().message(tr8(utf8)); }

}  // namespace

void TFormMain::buildAddUserPage() {
  auto* page = new QVBoxLayout(AddUser);

  auto* person = new QFormLayout();
  auto label = [this](const char* caption, const char* name) {
    auto* l = new TLabel(tr8(caption), AddUser);
    l->setObjectName(QLatin1String(name));
    return l;
  };
  Label2 = label("Дата поступления на работу", "Label2");
  DateEdit1->setDirectInput(false);
  DateEdit1->defaultToday = true;
  DateEdit1->button()->setFocusPolicy(Qt::NoFocus);
  person->addRow(Label2, DateEdit1);

  lbFirstName = label("Фамилия", "lbFirstName");
  edFamil = new TEdit(AddUser);
  edFamil->setObjectName(QStringLiteral("edFamil"));
  edFamil->setMaxLength(40);
  person->addRow(lbFirstName, edFamil);

  auto lookup = [this](const char* name, TDataSource* source, const char* key, const char* display) {
    auto* edit = new TRxLookupEdit(AddUser);
    edit->setObjectName(QLatin1String(name));
    edit->lookupField = QLatin1String(key);
    edit->lookupDisplay = QLatin1String(display);
    edit->setLookupSource(source);
    return edit;
  };
  IBqName->SQL = QStringList{QStringLiteral("select * from NAME order by NM_NAME")};
  IBqOtch->SQL = QStringList{QStringLiteral("select * from  OTCH order by OT_OTCH")};
  lbMiddleName = label("Имя", "lbMiddleName");
  RxLeName = lookup("RxLeName", DsName, "NM_ID", "NM_NAME");
  RxLeName->OnExit = [this] { RxLeNameExit(); };
  person->addRow(lbMiddleName, RxLeName);
  lbLastName = label("Отчество", "lbLastName");
  RxLeOtch = lookup("RxLeOtch", DsOtch, "OT_ID", "OT_OTCH");
  RxLeOtch->OnExit = [this] { RxLeOtchExit(); };
  person->addRow(lbLastName, RxLeOtch);
  page->addLayout(person);

  GroupBox1 = new TGroupBox(tr8("Вводить данные только в латинском регистре "), AddUser);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  QPalette red = GroupBox1->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  GroupBox1->setPalette(red);
  auto* login = new QFormLayout(GroupBox1);
  auto groupLabel = [this](const char* caption, const char* name) {
    auto* l = new TLabel(tr8(caption), GroupBox1);
    l->setObjectName(QLatin1String(name));
    return l;
  };
  lbAccount = groupLabel("Идентификатор пользователя", "lbAccount");
  edAccount = new TEdit(GroupBox1);
  edAccount->setObjectName(QStringLiteral("edAccount"));
  edAccount->setCharCase(TEditCharCase::ecUpperCase);
  edAccount->setMaxLength(20);
  login->addRow(lbAccount, edAccount);
  auto passwordEdit = [this](const char* name) {
    auto* edit = new TEdit(GroupBox1);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(10);
    edit->setPasswordChar(QLatin1Char('*'));
    edit->setText(QStringLiteral("Wick7"));
    return edit;
  };
  Label3 = groupLabel("Пароль:", "Label3");
  edPassword = passwordEdit("edPassword");
  login->addRow(Label3, edPassword);
  Label4 = groupLabel("Пароль повторно:", "Label4");
  edPasswordAgain = passwordEdit("edPasswordAgain");
  login->addRow(Label4, edPasswordAgain);
  page->addWidget(GroupBox1);
  page->addStretch(1);

  auto* buttons = new QHBoxLayout();
  BnEditUser = new TBitBtn(TBitBtnKind::bkCustom, tr8("Добавить пользователя"), AddUser);
  BnEditUser->setObjectName(QStringLiteral("BnEditUser"));
  BnEditUser->setDefault(true);
  setStandardGlyph(BnEditUser, QStyle::SP_DialogOkButton);
  BnEditUser->OnClick = [this] { BnEditUserClick(); };
  BitBtn1 = new TBitBtn(TBitBtnKind::bkCancel, tr8("Главное меню"), AddUser);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->OnClick = [this] { BitBtn1Click(); };
  buttons->addStretch(1);
  buttons->addWidget(BnEditUser);
  buttons->addWidget(BitBtn1);
  page->addLayout(buttons);

  // each edit is named after its own label
  Label2->setFocusControl(DateEdit1);
  lbFirstName->setFocusControl(edFamil);
  lbMiddleName->setFocusControl(RxLeName);
  lbLastName->setFocusControl(RxLeOtch);
  lbAccount->setFocusControl(edAccount);
  Label3->setFocusControl(edPassword);
  Label4->setFocusControl(edPasswordAgain);

  const QList<QWidget*> focusOrder{BitBtn1, DateEdit1, edFamil,    RxLeName,       RxLeOtch,
                                   BnEditUser, edAccount, edPassword, edPasswordAgain};
  for (qsizetype i = 1; i < focusOrder.size(); ++i) setTabOrder(focusOrder[i - 1], focusOrder[i]);

  addUserSavepoint_ = own(new TIBSQL());
  addUserSavepoint_->setDatabase(MainBase);
  addUserSavepoint_->setTransaction(IBTrans);
  addUserSavepoint_->ParamCheck = false;
}

bool TFormMain::addUserHoldsTransaction() const { return addUserStartedTransaction_ && IBTrans->inTransaction(); }

QString TFormMain::addUserKeyValue(const TRxLookupEdit* edit) const {
  const QString key = edit->keyValue();
  const TIBCustomDataSet* list = edit->lookupSource() ? edit->lookupSource()->dataSet() : nullptr;
  if (!key.isEmpty() || !list || !list->active() || edit->text().isEmpty()) return key;
  for (const AddedListEntry& entry : addedListEntries_)
    if (entry.edit == edit && entry.text.compare(edit->text(), Qt::CaseInsensitive) == 0) return entry.key;
  return QString();
}

void TFormMain::NewUserClick() {
  TTabSheet* const previousPage = PageControl1->activePage();
  const bool previouslyHidden = PageControl1->isHidden();
  PageControl1->setActivePage(AddUser);
  PageControl1->show();
  try {
    IBTrans->startTransaction();
  } catch (...) {
    // Another page holds the transaction: it stays in front with its work,
    // so that its own buttons can still end it.
    PageControl1->setActivePage(previousPage);
    PageControl1->setHidden(previouslyHidden);
    throw;
  }
  addUserStartedTransaction_ = true;
  addedListEntries_.clear();
  IBqOtch->open();
  IBqName->open();
  BnEditUser->setEnabled(true);
  BitBtn1->setEnabled(true);
}

void TFormMain::CloseAddUserPage() {
  // The edits lose the focus while the page goes: that is no leaving of an edit.
  addUserClosing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{addUserClosing_};
  PageControl1->hide();
  IBqOtch->close();
  IBqName->close();
}

bool TFormMain::CheckPassword(const QString& password) {
  if (Strings::trim(password).isEmpty()) {
    tell("Недопустимо вводить пустой пароль!\n\rПовторите ввод паролей");
    return false;
  }
  for (const QChar c : password) {
    if (c.unicode() < 33 || c.unicode() > 122) {
      tell("Пароль содержит недопустимые символы!\n\rПовторите ввод паролей");
      return false;
    }
  }
  return true;
}

qint32 TFormMain::AddManagerRecord(const QString& fullName, const QString& account, const QDateTime& day) {
  IbsNewMened->paramByName(QStringLiteral("MANAGER_NAME")).setAsString(fullName);
  IbsNewMened->paramByName(QStringLiteral("MANAGER_ALIAS")).setAsString(account);
  IbsNewMened->paramByName(QStringLiteral("MANAGER_DAY")).setAsDateTime(day);
  IbsNewMened->paramByName(QStringLiteral("KEY_MNG")).setAsInteger(0);
  IbsNewMened->execProc();
  return IbsNewMened->paramByName(QStringLiteral("NEW_ID")).asInteger();
}

void TFormMain::AddServerUser(const QString& account, const QString& password) {
  serverLoginAdded_ = false;
  srvUsers->setActive(true);
  try {
    srvUsers->UserName = Strings::trim(account);
    srvUsers->Password = Strings::trim(password);
    srvUsers->FirstName.clear();
    srvUsers->MiddleName.clear();
    srvUsers->LastName.clear();
    srvUsers->addUser();
    serverLoginAdded_ = true;
  } catch (...) {
    try {
      srvUsers->setActive(false);
    } catch (...) {
      // the first error is the one to show
    }
    throw;
  }
  // A failed detach leaves serverLoginAdded_ set: the caller takes the login back.
  srvUsers->setActive(false);
}

QString TFormMain::removeAddedServerUser(const QString& login) {
  const bool prompt = srvUsers->LoginPrompt;
  srvUsers->LoginPrompt = false;
  QString failure;
  try {
    srvUsers->setActive(true);
    srvUsers->UserName = login;
    srvUsers->deleteUser();
  } catch (const Exception& e) {
    failure = e.message();
  } catch (...) {
    failure = QStringLiteral("?");
  }
  try {
    srvUsers->setActive(false);
  } catch (const Exception& e) {
    if (failure.isEmpty() && srvUsers->active()) failure = e.message();
  }
  srvUsers->LoginPrompt = prompt;
  if (failure.isEmpty()) serverLoginAdded_ = false;
  return failure;
}

void TFormMain::BnEditUserClick() {
  // Opened while another page held the transaction: nothing to register in.
  if (!addUserHoldsTransaction()) return;

  const QString account = edAccount->text();
  if (account.size() < 3) {
    tell("Длина идентификатора пользователя должна быть больше двух символов");
    return;
  }
  const QString password = edPassword->text();
  if (password != edPasswordAgain->text()) {
    tell("Необходимо дважды ввести одинаковый пароль");
    return;
  }
  if (password.size() < 4) {
    tell("Длина пароля должна быть больше 3 символов");
    return;
  }
  if (!CheckPassword(password)) return;
  // The login goes unquoted into the rights page's statements: it must name
  // this user there, and nothing else.
  const QString login = Strings::trim(account);
  if (!isPlainIdentifier(login)) {
    tell("Идентификатор пользователя должен начинаться с латинской буквы и содержать только латинские буквы, "
         "цифры и знаки _ и $");
    return;
  }
  if (!isPlainLogin(login)) {
    tell("Идентификатор пользователя не должен совпадать с зарезервированным словом");
    return;
  }
  if (isRoleName(login)) {
    tell("Идентификатор пользователя не должен совпадать с именем роли");
    return;
  }
  if (addUserKeyValue(RxLeOtch).isEmpty()) {
    if (!askToChange(tr8(kAskOtch))) return;
    IBsOtch->paramByName(QStringLiteral("POTCH")).setAsString(RxLeOtch->text());
    IBsOtch->execProc();
  }
  const QDate day = System::parseShortDate(DateEdit1->text());
  if (!day.isValid()) throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(DateEdit1->text()));
  const QString fullName = edFamil->text() + QLatin1Char(' ') + RxLeName->text() + QLatin1Char(' ') + RxLeOtch->text();

  // A registration that fails on the server takes its row back, so that it can
  // be tried again.
  addUserSavepoint_->SQL = QStringList{QStringLiteral("SAVEPOINT NEW_MANAGER")};
  addUserSavepoint_->execQuery();
  if (AddManagerRecord(fullName, account, QDateTime(day, QTime(0, 0))) == -1) {
    tell("Дублируется Идентификатор пользователя");
    return;
  }

  BnEditUser->setEnabled(false);
  BitBtn1->setEnabled(false);
  // Never a login without its row, nor a row without its login: whatever
  // fails once the login was added takes the login back.
  auto failedAfterAdding = [this, &login](const Exception& e) {
    if (!serverLoginAdded_) return;
    const QString failure = removeAddedServerUser(login);
    if (!failure.isEmpty())
      throw Exception(e.message() + QStringLiteral("\nУчетная запись %1 осталась на сервере: ").arg(login) + failure);
  };
  try {
    try {
      AddServerUser(account, password);
    } catch (const Exception& e) {
      // The service refused, or could not detach after adding the login:
      // the row goes back, the page stays open in its transaction.
      failedAfterAdding(e);
      addUserSavepoint_->SQL = QStringList{QStringLiteral("ROLLBACK TO SAVEPOINT NEW_MANAGER")};
      addUserSavepoint_->execQuery();
      throw;
    }
    try {
      IBTrans->commit();
    } catch (const Exception& e) {
      // Nothing of the registration stays, and the program goes on.
      CloseAddUserPage();
      if (IBTrans->inTransaction()) {
        try {
          IBTrans->rollback();
        } catch (...) {
          // the commit's error is the one to show
        }
      }
      addUserStartedTransaction_ = false;
      failedAfterAdding(e);
      throw;
    }
    addUserStartedTransaction_ = false;
    CloseAddUserPage();
  } catch (...) {
    BnEditUser->setEnabled(true);
    BitBtn1->setEnabled(true);
    throw;
  }
  tell("Операция занесения нового пользователя завершилась успешно");
}

void TFormMain::BitBtn1Click() {
  const bool own = addUserHoldsTransaction();
  CloseAddUserPage();
  if (!own) return;  // another page's work stays as it is
  IBTrans->rollback();
  addUserStartedTransaction_ = false;
}

void TFormMain::addListEntryOnExit(TRxLookupEdit* edit, const QString& question, TIBStoredProc* procedure,
                                   const QString& parameter) {
  // Only a move of the focus to another control of this form counts, and only
  // in a transaction of this page.
  if (addUserClosing_ || addUserRefocusing_ || focusWidget() == edit || !addUserHoldsTransaction()) return;
  if (!addUserKeyValue(edit).isEmpty()) return;
  if (!askToChange(question)) return;
  const QString text = edit->text();
  procedure->paramByName(parameter).setAsString(text);
  procedure->execProc();
  const QString key = QString::number(procedure->paramByName(QStringLiteral("NEW_ID")).asInteger());
  edit->setKeyValue(key);
  // The list does not hold the new entry: the edit keeps what was added, and
  // the entry counts as the edit's key while the page is open.
  edit->setText(text);
  addedListEntries_.push_back({edit, text, key});
  // Back into the edit once the focus has settled where it went.
  QTimer::singleShot(0, edit, [this, edit] {
    addUserRefocusing_ = true;
    edit->setFocus(Qt::OtherFocusReason);
    addUserRefocusing_ = false;
  });
}

void TFormMain::RxLeNameExit() { addListEntryOnExit(RxLeName, tr8(kAskName), IBsName, QStringLiteral("PNAME")); }

void TFormMain::RxLeOtchExit() { addListEntryOnExit(RxLeOtch, tr8(kAskOtch), IBsOtch, QStringLiteral("POTCH")); }

#include "Main.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBSQL.h"
#include "db/IBSecurityService.h"
#include "db/IBStoredProc.h"
#include "db/IBTransaction.h"
#include "os/FileSystem.h"
#include "os/Strings.h"
#include "os/System.h"
#include "ui/Application.h"
#include "ui/ButtonEdits.h"
#include "ui/DataControls.h"
#include "ui/Dialogs.h"
#include "ui/Menus.h"
#include "ui/PageControl.h"
#include "ui/Prompter.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

TFormMain* FormMain = nullptr;

namespace {

const char16_t kAdministrator[] = u"PLUMO";

}  // namespace

TFormMain::TFormMain() {
  setObjectName(QStringLiteral("FormMain"));
  setCaption(QStringLiteral("Определение привилегий пользователей"));
  resize(675, 489);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  setFont(font);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // The data-access components come first: each checks the client library.
  MainBase = own(new TIBDatabase());
  IBTrans = own(new TIBTransaction());
  MainBase->Params = QStringList{QStringLiteral("lc_ctype=WIN1251")};
  MainBase->SQLDialect = 1;
  MainBase->setDefaultTransaction(IBTrans);
  IBTrans->setDefaultDatabase(MainBase);
  IBTrans->Params = QStringList{QStringLiteral("read_committed"), QStringLiteral("rec_version"),
                                QStringLiteral("nowait")};
  srvUsers = own(new TIBSecurityService());

  auto query = [this] {
    auto* q = own(new TIBQuery());
    q->setDatabase(MainBase);
    q->setTransaction(IBTrans);
    return q;
  };
  auto storedProc = [this](const QString& name) {
    auto* p = own(new TIBStoredProc());
    p->setDatabase(MainBase);
    p->setTransaction(IBTrans);
    p->setStoredProcName(name);
    return p;
  };
  IBqName = query();
  IBqOtch = query();
  IbsNewMened = storedProc(QStringLiteral("NEW_USER_PRIV"));
  IBsName = storedProc(QStringLiteral("NEW_NAME"));
  IBsOtch = storedProc(QStringLiteral("NEW_OTCH"));
  IBqDorvik = query();
  IBUpdateSQL1 = own(new TIBUpdateSQL());
  IBqGrant = query();
  IBqCopyPriv = query();
  IBQuery1 = query();
  IBUpdateSQL2 = own(new TIBUpdateSQL());
  IbsDelDanMen = storedProc(QStringLiteral("DELDANMENED"));
  IbStatus = own(new TIBTable());
  IbStatus->setDatabase(MainBase);
  IbStatus->setTransaction(IBTrans);
  IbStatus->TableName = QStringLiteral("STATUS");
  IBUpdateStatus = own(new TIBUpdateSQL());
  IBQRepl = query();
  ScriptMain = own(new TIBSQL());
  ScriptMain->setDatabase(MainBase);
  ScriptMain->setTransaction(IBTrans);
  SdToFile = own(new TSaveDialog());
  OpenSQLDialog = own(new TOpenDialog());

  DsName = new TDataSource(this);
  DsName->setDataSet(IBqName);
  DsOtch = new TDataSource(this);
  DsOtch->setDataSet(IBqOtch);
  DsDorvik = new TDataSource(this);
  DsDorvik->setDataSet(IBqDorvik);
  DsStatus = new TDataSource(this);
  DsStatus->setDataSet(IbStatus);

  // The manager list's rows (shown by TFormSpisUser).
  IBQuery1->SQL = QStringList{QStringLiteral("select MN_ID, MN_MANAGER, MN_ALIAS, MN_OKLAD "),
                              QStringLiteral("from MANAGER order by MN_MANAGER")};
  IBQuery1->setUpdateObject(IBUpdateSQL2);
  IBUpdateSQL2->ModifySQL = QStringList{QStringLiteral("update  MANAGER set MN_OKLAD = :MN_OKLAD where MN_id = :MN_id")};
  {
    TField& id = IBQuery1->addField(QStringLiteral("MN_ID"));
    id.Required = true;
    id.Visible = false;
    TField& name = IBQuery1->addField(QStringLiteral("MN_MANAGER"));
    name.Required = true;
    name.DisplayLabel = QStringLiteral("Ф.И.О. менеджера");
    name.DisplayWidth = 70;
    name.ReadOnly = true;
    TField& alias = IBQuery1->addField(QStringLiteral("MN_ALIAS"));
    alias.Required = true;
    alias.Visible = false;
    TField& salary = IBQuery1->addField(QStringLiteral("MN_OKLAD"));
    salary.DisplayLabel = QStringLiteral("Оклад");
    salary.DisplayWidth = 8;
  }

  // Base.ini is read and the login asked for here, before the widgets:
  // connecting overlaps building them (FormConnected waits for it). The widgets
  // are the first to use a font.
  beginConnection();
  TApplication::loadFontConfiguration();

  // Client area, back to front: the banner, the pages; the progress bar below.
  auto* client = new QWidget(this);
  auto* stack = new QGridLayout(client);
  stack->setContentsMargins(0, 0, 0, 0);
  AName = new TRxLabel(QStringLiteral("Вельтон"), client);
  AName->setObjectName(QStringLiteral("AName"));
  AName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QFont banner(QStringLiteral("Arial"));
  banner.setPixelSize(96);
  banner.setBold(true);
  banner.setItalic(true);
  AName->setFont(banner);
  AName->setFontColor(Qt::blue);
  AName->setShadowColor(palette().color(QPalette::ToolTipText));
  AName->setShadowSize(4);
  AName->setAutoFillBackground(false);
  stack->addWidget(AName, 0, 0);

  PageControl1 = new TPageControl(client);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  AddUser = PageControl1->addPage(QStringLiteral("AddUser"));
  Dorvik = PageControl1->addPage(QStringLiteral("Dorvik"));
  BaseUstan = PageControl1->addPage(QStringLiteral("BaseUstan"));
  for (TTabSheet* page : {AddUser, Dorvik, BaseUstan}) {
    page->setObjectName(page->caption());
    page->setTabVisible(false);
  }
  PageControl1->setActivePage(AddUser);
  stack->addWidget(PageControl1, 0, 0);
  PageControl1->raise();
  clientLayout()->addWidget(client, 1);

  PbRepl = new TProgressBar(this);
  PbRepl->setObjectName(QStringLiteral("PbRepl"));
  PbRepl->setFixedHeight(16);
  PbRepl->setMin(0);
  PbRepl->hide();
  clientLayout()->addWidget(PbRepl);

  DateEdit1 = new TDateEdit(AddUser);
  DateEdit1->setObjectName(QStringLiteral("DateEdit1"));

  buildMenu();
  buildAddUserPage();
  buildRightsPage();
  buildProfileCopy();
  buildSettingsPage();
  buildReplication();
  buildScriptExecution();
  buildMisc();

  OnCreate = [this] { FormCreate(); };
  OnPaint = [this] { FormPaint(); };
  OnClose = [this](TCloseAction& action) { FormClose(action); };
}

TFormMain::~TFormMain() {
  if (FormMain == this) FormMain = nullptr;
  // Widgets observe the datasets: they go first.
  setMenu(nullptr);
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
  delete MainMenu1;
  qDeleteAll(findChildren<TDataSource*>(QString(), Qt::FindDirectChildrenOnly));
  while (!owned_.empty()) {
    owned_.back()();
    owned_.pop_back();
  }
}

void TFormMain::buildMenu() {
  MainMenu1 = new TMainMenu();
  auto item = [](TMenuItem* parent, const QString& caption, const QString& hint, std::function<void()> handler) {
    TMenuItem* i = parent->add(caption);
    i->setHint(hint);
    i->OnClick = std::move(handler);
    return i;
  };
  N2 = MainMenu1->add(QStringLiteral("Пользователь"));
  NewUser = item(N2, QStringLiteral("Новый пользователь"), QString(), [this] { NewUserClick(); });
  OprPriv = item(N2, QStringLiteral("Определить привилегии пользователя"), QString(), [this] { OprPrivClick(); });
  miDelDataUser = item(N2, QStringLiteral("Удалить данные пользователя"), QString(), [this] { miDelDataUserClick(); });
  N3 = MainMenu1->add(QStringLiteral("База"));
  miUstan = item(N3, QStringLiteral("Установки"), QStringLiteral("Задание постоянных переменных для работы"),
                 [this] { miUstanClick(); });
  ReplBase = MainMenu1->add(QStringLiteral("Репликация данных"));
  N5 = item(ReplBase, QStringLiteral("Сохранить измененные данные в файл"),
            QStringLiteral("Сохранить измененные данные из базы данных в файл"), [this] { ReplBaseClick(); });
  sbExecute = item(ReplBase, QStringLiteral("Выполнить синхронизацию данных из файла"),
                   QStringLiteral("Пополнить базу данных информацией из файла репликации"),
                   [this] { sbExecuteClick(); });
  miAbout = MainMenu1->add(QStringLiteral("О программе"));
  miAbout->OnClick = [this] { miAboutClick(); };
  N1 = MainMenu1->add(QStringLiteral("Выход"));
  N1->OnClick = [this] { ExitProgr(); };
}

void TFormMain::beginConnection() {
  const QString programName = Strings::upperAscii(QFileInfo(FileSystem::programPath()).fileName());
  srvUsers->Params.clear();
  if (programName == QLatin1String("ORLANE.EXE") || programName == QLatin1String("MIRTAL.EXE") ||
      programName == QLatin1String("QUIVEN.EXE"))
    return;
  connecting_ = true;

  try {
    QString databaseName;
    const QString settingsFile = QStringLiteral("Base.ini");
    // Only a file counts: a pipe or a device of that name would hold the
    // start-up or read without end.
    if (FileSystem::isFile(settingsFile)) {
      formTextFile.open(settingsFile);
      databaseName = formTextFile.readLine();
      OpenSQLDialog->initialDir = formTextFile.readLine();
      srvUsers->ServerName = Strings::trim(formTextFile.readLine());
      const QString password = Strings::trim(formTextFile.readLine());
      if (!password.isEmpty()) srvUsers->setParamValue(QStringLiteral("password"), password);
      formTextFile.close();
    } else {
      const QString folder = FileSystem::programFolder();
      OpenSQLDialog->initialDir = folder;
      databaseName = folder + QStringLiteral("/RIDOVEZ.FDB");
      MainBase->LoginPrompt = false;
      MainBase->Params << QStringLiteral("user_name=PLUMO") << QStringLiteral("password=plumo");
      srvUsers->ServerName = QStringLiteral("127.0.0.1");
      srvUsers->setParamValue(QStringLiteral("password"), QStringLiteral("quietfern"));
    }
    srvUsers->setParamValue(QStringLiteral("user_name"), QStringLiteral("Sysdba"));
    srvUsers->Protocol = TCP;
    MainBase->DatabaseName = databaseName;
  } catch (...) {
    settingsError_ = std::current_exception();
    return;
  }
  // The login first; the attachment then runs while the window is built.
  MainBase->beginConnect();
}

// The banner's picture and the menu's font and glyphs are made while the
// server answers: otherwise the first paint makes them.
void TFormMain::prepareFirstPaint() {
  AName->prepareCaption();
  QString captions;
  for (const TMenuItem* item : MainMenu1->items()) captions += item->caption();
  QImage image(QFontMetrics(font()).boundingRect(captions).size(), QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setFont(font());
  painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignTop, captions);
}

void TFormMain::FormCreate() {
  if (!connecting_) return;
  if (settingsError_) {
    connecting_ = false;
    std::rethrow_exception(std::exchange(settingsError_, nullptr));
  }
  DateEdit1->setText(System::currentDateText());
  prepareFirstPaint();
}

void TFormMain::FormConnected() {
  if (!connecting_) return;
  connecting_ = false;
  MainBase->setConnected(true);  // waits for the attachment begun before the window was built
  exportBusy = false;
  rememberedLogin = Strings::upperLocale(Strings::trim(MainBase->paramValue(QStringLiteral("user_name"))));
  PageControl1->hide();
  setMenu(MainMenu1);
}

void TFormMain::FormPaint() {
  // A repaint while the message is open shows nothing more.
  if (adminMessageOpen_ || rememberedLogin == QString::fromUtf16(kAdministrator)) return;
  adminMessageOpen_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{adminMessageOpen_};
  Prompter::current().message(QStringLiteral("Для входа требуется учетная запись администратора !!!"));
  close();
}

void TFormMain::FormClose(TCloseAction&) {
  closing = true;
  if (IBTrans->inTransaction()) IBTrans->rollback();
  MainBase->setConnected(false);
}

void TFormMain::ExitProgr() { close(); }

void TFormMain::runInOwnTransaction(const std::function<void()>& work) {
  IBTrans->startTransaction();
  try {
    work();
    IBTrans->commit();
  } catch (...) {
    if (IBTrans->inTransaction()) {
      try {
        IBTrans->rollback();
      } catch (...) {
      }
    }
    throw;
  }
}

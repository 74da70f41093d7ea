#include "InitSet.h"

#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <sys/stat.h>

#include "FirmLogo.h"
#include "db/ClientLibrary.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/FileSystem.h"
#include "os/ReplacingFile.h"
#include "os/Strings.h"
#include "os/System.h"
#include "os/TextFile.h"
#include "ui/Application.h"
#include "ui/Prompter.h"

const char kFactoryPassword[] = "quietfern";

namespace {

bool isDelimiter(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

// Device and inode of the file a name leads to (links followed).
bool fileIdentity(const QString& name, dev_t& device, ino_t& inode) {
  struct stat st;
  if (name.isEmpty() || ::stat(QFile::encodeName(name).constData(), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

bool ownerOnly(const QString& name) {
  struct stat st;
  return ::stat(QFile::encodeName(name).constData(), &st) == 0 && (st.st_mode & 077) == 0;
}

bool sameFile(const QString& a, const QString& b) {
  dev_t deviceA, deviceB;
  ino_t inodeA, inodeB;
  return fileIdentity(a, deviceA, inodeA) && fileIdentity(b, deviceB, inodeB) && deviceA == deviceB &&
         inodeA == inodeB;
}

}  // namespace

QString AddPathDelimiter(const QString& path) {
  if (!path.isEmpty() && isDelimiter(path.back())) return path;
  return path + QLatin1Char('/');
}

void EnsureDirectory(const QString& path) {
  QString folder = path;
  if (!folder.isEmpty() && isDelimiter(folder.back())) folder.chop(1);
  if (FileSystem::directoryExists(folder)) return;
  if (FileSystem::createDirectory(folder)) return;
  throw Exception(QStringLiteral("Cannot create ") + folder);
}

QString FileInFolder(const QString& folder, const QString& name) {
  if (folder.endsWith(QLatin1Char('\\'))) return folder.chopped(1) + QLatin1Char('/') + name;
  return folder + name;
}

void CopyFileBlocks(const QString& source, const QString& destination) {
  BinaryFile in;
  in.openRead(source);
  if (sameFile(source, destination)) {
    in.close();
    return;
  }
  // The copy takes the destination's place once complete; a source that only
  // its owner may read gives a copy that only its owner may read.
  ReplacingFile out;
  out.create(destination, ownerOnly(source) ? ReplacingFile::Access::OwnerOnly : ReplacingFile::Access::KeepTarget);
  char buffer[4096];
  for (;;) {
    const int read = in.read(buffer, int(sizeof buffer));
    if (read <= 0) break;
    out.write(buffer, read);  // a short write raises
  }
  in.close();
  out.commit();
}

QByteArray BaseIniBytes(const QString& folder, const QString& server, const QString& databaseFile,
                        const QString& password) {
  const QByteArray lineEnd("\r\n", 2);
  QByteArray bytes;
  bytes += Cp1251::encode(server) + ':' + Cp1251::encode(databaseFile) + lineEnd;
  bytes += Cp1251::encode(folder) + lineEnd;
  bytes += Cp1251::encode(server) + lineEnd;
  if (password != QLatin1String(kFactoryPassword)) bytes += Cp1251::encode(password) + lineEnd;
  bytes += lineEnd;
  return bytes;
}

void WriteBaseIni(const QString& folder, const QString& server, const QString& databaseFile,
                  const QString& password) {
  // Converted first: a text the code page cannot hold leaves every file alone.
  const QByteArray bytes = BaseIniBytes(folder, server, databaseFile, password);
  EnsureDirectory(folder);
  // Put in place only when complete; a password is for the owner's eyes; a
  // link at the name is replaced, not written through.
  const bool withPassword = password != QLatin1String(kFactoryPassword);
  ReplacingFile file;
  file.create(FileInFolder(folder, QStringLiteral("Base.ini")),
              withPassword ? ReplacingFile::Access::OwnerOnly : ReplacingFile::Access::Fresh,
              ReplacingFile::Link::Replace);
  file.write(bytes.constData(), bytes.size());
  file.commit();
}

// ---- the generator's form

const char kProductPage[] = "https://www.velton.example/";
static_assert(sizeof kProductPage <= 80, "the address must fit in 80 characters with its terminating zero");

TFormMirtal* FormMirtal = nullptr;

namespace {

const char kDefaultInstallationFolder[] = "/opt/velton";

void setBold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

TRxLabel* shadowedTitle(const QString& caption, QWidget* parent) {
  auto* label = new TRxLabel(caption, parent);
  label->setFontColor(QColor(0, 128, 0));
  label->setShadowColor(Qt::black);
  label->setShadowSize(1);
  label->setAlignment(Qt::AlignCenter);
  setBold(label);
  return label;
}

}  // namespace

TFormMirtal::TFormMirtal() {
  setCaption(QString::fromUtf8("Генерация конфигурационного файла"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* client = new QWidget(this);
  client->setFixedSize(701, 293);
  clientLayout()->addWidget(client);
  setFixedSize(701, 293);

  buildPanel(client);
  PageControl1 = new TPageControl(client);
  PageControl1->setGeometry(195, 0, 701 - 195, 293);
  buildFirstPage();
  buildLastPage();
  PageControl1->setActivePage(ts1);

  OnCreate = [this] { FormCreate(); };
}

void TFormMirtal::buildPanel(QWidget* client) {
  Panel1 = new TPanel(client);
  Panel1->setGeometry(0, 0, 195, 293);
  Panel1->setColor(QColor(150, 210, 245));

  RxLabel1 = shadowedTitle(QString::fromUtf8("Информационная\nсистема\n\"Вельтон\""), Panel1);
  QFont font = RxLabel1->font();
  font.setPointSize(font.pointSize() + 3);
  RxLabel1->setFont(font);
  RxLabel1->setGeometry(4, 16, 187, 80);

  FirmLogo = new TAnimatedImage(Panel1);
  FirmLogo->setGeometry((195 - kLogoWidth) / 2, 120, kLogoWidth, kLogoHeight);
  FirmLogo->setCursor(Qt::PointingHandCursor);
  FirmLogo->setAnimate(true);
  FirmLogo->loadDataWhenShown(&FirmLogoGif);
  FirmLogo->OnClick = [this] { FirmLogoClick(); };
}

void TFormMirtal::buildFirstPage() {
  ts1 = PageControl1->addPage(QStringLiteral("ts1"));
  ts1->setTabVisible(false);
  const int left = 16, width = 470, editLeft = 296;

  // created in tab order
  bn1str = new TBitBtn(TBitBtnKind::bkCustom, QString::fromUtf8("Далее"), ts1);
  setStandardGlyph(bn1str, QStyle::SP_ArrowForward);
  bn1str->setGeometry(left + width - 110, 240, 110, 32);
  bn1str->setHint(QString::fromUtf8("Продолжить инсталляцию программы"));
  bn1str->OnClick = [this] { bn1strClick(); };

  PasSYSDBA = new TMaskEdit(ts1);
  PasSYSDBA->setGeometry(editLeft, 190, left + width - editLeft, 24);
  PasSYSDBA->setPasswordChar(QLatin1Char('#'));
  PasSYSDBA->setText(QString::fromLatin1(kFactoryPassword));
  PasSYSDBA->setHint(QString::fromUtf8("Не меняйте значение этого поля,\n"
                                       "если при установке Interbase Вы\n"
                                       "не меняли пароля для логина\n"
                                       "SYSDBA"));
  RxLabel4 = new TRxLabel(QString::fromUtf8("Пароль администратора\nInterbase"), ts1);
  RxLabel4->setShadowSize(0);
  RxLabel4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  RxLabel4->setGeometry(left, 182, 270, 40);

  ServIP = new TEdit(ts1);
  ServIP->setGeometry(editLeft, 134, left + width - editLeft, 24);
  ServIP->setText(QStringLiteral("127.0.0.1"));
  Label2 = new TLabel(QString::fromUtf8("IP адрес или имя сервера БД:\n"
                                        "(определяется автоматически \n"
                                        "при запуске программы на сервере)"),
                      ts1);
  Label2->setGeometry(left, 120, 270, 54);

  FilenameEdit1 = new TFilenameEdit(ts1);
  FilenameEdit1->setGeometry(left, 86, width, 24);
  FilenameEdit1->setText(QStringLiteral("BaseFile"));
  FilenameEdit1->setFilter(QString::fromUtf8("Файлы баз данных|*.fdb"));
  Label3 = new TLabel(QString::fromUtf8("Расположение файла базы данных на сервере:"), ts1);
  Label3->setGeometry(left, 66, width, 18);

  DirectoryEdit1 = new TDirectoryEdit(ts1);
  DirectoryEdit1->setGeometry(left, 32, width, 24);
  DirectoryEdit1->setText(QString::fromLatin1(kDefaultInstallationFolder));
  DirectoryEdit1->emptyStartDir = QString::fromLatin1(kDefaultInstallationFolder);
  DirectoryEdit1->setHint(QString::fromUtf8("Длина описания пути к директории установки ПО\n"
                                            "не должна  превышать 200 символов."));
  Label1 = new TLabel(QString::fromUtf8("Дирректория для сохранения файла инициализации:"), ts1);
  Label1->setGeometry(left, 12, width, 18);

  RxLabel4->setFocusControl(PasSYSDBA);
  Label2->setFocusControl(ServIP);
  Label3->setFocusControl(FilenameEdit1);
  Label1->setFocusControl(DirectoryEdit1);

  // the edits' buttons are for the mouse
  FilenameEdit1->button()->setFocusPolicy(Qt::NoFocus);
  DirectoryEdit1->button()->setFocusPolicy(Qt::NoFocus);
  bn1str->setFocus();
}

void TFormMirtal::buildLastPage() {
  tsEnd = PageControl1->addPage(QStringLiteral("tsEnd"));
  tsEnd->setTabVisible(false);

  RxLabel2 = shadowedTitle(QString::fromUtf8("Генерация конфигурационного файла\nуспешно завершена"), tsEnd);
  QFont font = RxLabel2->font();
  font.setPointSize(font.pointSize() + 2);
  RxLabel2->setFont(font);
  RxLabel2->setGeometry(0, 12, 701 - 195, 52);

  RxLabel3 = new TRxLabel(QString::fromUtf8("Для установки рабочего места менеджера Вам потребуется\n"
                                            "файл настроек сервера!\n"
                                            "Вы можете скопировать из директории установи на внешний \n"
                                            "носитель файл BASE.INI самостоятельно или нажмите на кнопку \n"
                                            "скопировать файл установок."),
                          tsEnd);
  RxLabel3->setShadowSize(0);
  RxLabel3->setAlignment(Qt::AlignCenter);
  RxLabel3->setGeometry(8, 70, 701 - 195 - 16, 100);

  BitBtn2 = new TBitBtn(TBitBtnKind::bkCustom, QString::fromUtf8("Скопировать файл установок"), tsEnd);
  setStandardGlyph(BitBtn2, QStyle::SP_DialogSaveButton);
  BitBtn2->setGeometry(128, 186, 250, 32);
  BitBtn2->OnClick = [this] { BitBtn2Click(); };

  BitBtn1 = new TBitBtn(TBitBtnKind::bkClose, QString::fromUtf8("Выход"), tsEnd);
  setBold(BitBtn1);
  BitBtn1->setGeometry(183, 240, 140, 32);

  SaveDialog1.title = QString::fromUtf8("Скопировать файл установок");
  SaveDialog1.fileName = QStringLiteral("base.ini");
  IBS.LoginPrompt = false;
}

void TFormMirtal::FormCreate() {
  TApplication* application = TApplication::current();
  if (!ClientLibrary::tryLoad()) {
    Prompter::current().message(QStringLiteral("Interbase Client not installed, aborting"));
    if (application) application->terminate();
    return;
  }
  if (ClientLibrary::version() < 6) {
    Prompter::current().message(QStringLiteral("InterBase version less than 6 found, aborting"));
    if (application) application->terminate();
    return;
  }
  // The proposal stays when the name cannot be read.
  const QString name = System::computerName();
  if (!name.isEmpty()) ServIP->setText(name);
}

void TFormMirtal::bn1strClick() {
  if (!FileSystem::fileExists(FilenameEdit1->text())) {
    Prompter::current().message(QString::fromUtf8("Не найден файл базы данных"));
    return;
  }

  IBS.Params.clear();
  IBS.ServerName = Strings::trim(ServIP->text());
  IBS.Protocol = TCP;
  IBS.setParamValue(QStringLiteral("user_name"), QStringLiteral("Sysdba"));
  IBS.setParamValue(QStringLiteral("password"), PasSYSDBA->text());
  IBS.setActive(true);
  QString name;
  try {
    IBS.displayUser(QStringLiteral("Sysdba"));
    // an answer without a record counts as another name
    if (IBS.userInfoCount() > 0) name = Strings::upperLocale(IBS.userInfo(0).UserName);
  } catch (...) {
    try {
      IBS.setActive(false);
    } catch (...) {
    }
    throw;
  }
  IBS.setActive(false);
  if (name != QLatin1String("SYSDBA")) {
    Prompter::current().message(QString::fromUtf8("С заданными параметрами не удалось подключиться к серверу БД"));
    return;
  }

  bn1str->setEnabled(false);
  try {
    installationFolder_ = AddPathDelimiter(DirectoryEdit1->text());
    WriteBaseIni(installationFolder_);
  } catch (...) {
    // the user may correct the folder and press again
    bn1str->setEnabled(true);
    throw;
  }
  PageControl1->setActivePage(tsEnd);
}

void TFormMirtal::WriteBaseIni(const QString& folder) {
  ::WriteBaseIni(folder, ServIP->text(), FilenameEdit1->text(), PasSYSDBA->text());
}

void TFormMirtal::BitBtn2Click() {
  if (!SaveDialog1.execute()) return;
  CopyFileBlocks(FileInFolder(installationFolder_, QStringLiteral("Base.ini")), SaveDialog1.fileName);
}

void TFormMirtal::FirmLogoClick() { Prompter::current().openUrl(QString::fromLatin1(kProductPage)); }

void TFormMirtal::keyPressEvent(QKeyEvent* event) {
  // The form has no close box: Esc ends the program, on either page.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    close();
    return;
  }
  TForm::keyPressEvent(event);
}

void TFormMirtal::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

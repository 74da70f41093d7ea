#pragma once

#include <QByteArray>
#include <QString>

#include "db/IBSecurityService.h"
#include "ui/AnimatedImage.h"
#include "ui/Buttons.h"
#include "ui/ButtonEdits.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/PageControl.h"
#include "ui/RxLabel.h"
#include "ui/StdCtrls.h"

// ---- file routines of the generator

// The SYSDBA password a fresh server installation has; Base.ini carries a
// password only when it differs from this one.
extern const char kFactoryPassword[];

// The path with the trailing delimiter it needs: unchanged when it ends in "/"
// or "\", otherwise (an empty path included) followed by "/".
QString AddPathDelimiter(const QString& path);

// The folder exists on return. One trailing "/" or "\" is dropped; then a
// folder of that name is created unless it exists (one level only: the parent
// must exist). Raises Exception("Cannot create " + name) when it cannot.
void EnsureDirectory(const QString& path);

// A file inside a folder that ends in a delimiter: the folder text followed by
// the name, a trailing "\" taken as the folder's delimiter.
QString FileInFolder(const QString& folder, const QString& name);

// Copies the source's bytes onto the destination in blocks of 4096 bytes,
// replacing the destination once the copy is complete: a failure, a short
// write included, leaves the destination as it was and no partial copy. A
// source that only its owner may read gives such a copy. A missing source
// leaves the destination alone.
// A destination that is the source file itself (under any name) is left as it
// is: it already holds the copy. Failures raise EInOutError with the file
// layer's text.
void CopyFileBlocks(const QString& source, const QString& destination);

// The bytes of Base.ini (Windows-1251, CR LF after every line):
//   server ":" database file / folder / server / [password] / empty line.
// The password line is there only when the password is not the factory one.
// A character Windows-1251 cannot hold raises EConvertError.
QByteArray BaseIniBytes(const QString& folder, const QString& server, const QString& databaseFile,
                        const QString& password);

// Creates the folder if needed (EnsureDirectory) and writes folder + "Base.ini"
// beside its place, putting it there only when complete (a link at the name
// is replaced, not followed). With a password it is readable by its owner only.
void WriteBaseIni(const QString& folder, const QString& server, const QString& databaseFile,
                  const QString& password);

// ---- the generator's form

// The maker's product page, opened by a click on the logo.
extern const char kProductPage[];

// The one form of the generator: the connection settings on the first page,
// "Далее" checks them and writes Base.ini, the last page copies it elsewhere.
class TFormMirtal : public TForm {
  Q_OBJECT

 public:
  TFormMirtal();

  TPanel* Panel1;
  TRxLabel* RxLabel1;
  TAnimatedImage* FirmLogo;
  TPageControl* PageControl1;

  TTabSheet* ts1;
  TBitBtn* bn1str;
  TMaskEdit* PasSYSDBA;
  TRxLabel* RxLabel4;
  TEdit* ServIP;
  TLabel* Label2;
  TFilenameEdit* FilenameEdit1;
  TLabel* Label3;
  TDirectoryEdit* DirectoryEdit1;
  TLabel* Label1;

  TTabSheet* tsEnd;
  TRxLabel* RxLabel2;
  TRxLabel* RxLabel3;
  TBitBtn* BitBtn2;
  TBitBtn* BitBtn1;

  TSaveDialog SaveDialog1;
  TIBSecurityService IBS;

  void FormCreate();
  void bn1strClick();
  void BitBtn2Click();
  void FirmLogoClick();

  // Writes Base.ini into the folder from the texts of ServIP, FilenameEdit1 and
  // PasSYSDBA.
  void WriteBaseIni(const QString& folder);

  // Set by a successful "Далее": the folder of Base.ini with its delimiter.
  QString installationFolder() const { return installationFolder_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildPanel(QWidget* client);
  void buildFirstPage();
  void buildLastPage();

  QString installationFolder_;
};

extern TFormMirtal* FormMirtal;

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <exception>
#include <functional>
#include <vector>

#include "ScriptReader.h"
#include "ShortString.h"
#include "os/TextFile.h"
#include "ui/Form.h"

class QLabel;
class TBitBtn;
class TCheckBox;
class TDataSource;
class TDateEdit;
class TDBDateEdit;
class TDBEdit;
class TEdit;
class TField;
class TGroupBox;
class TIBCustomDataSet;
class TIBDatabase;
class TIBQuery;
class TIBSQL;
class TIBSecurityService;
class TIBStoredProc;
class TIBTable;
class TIBTransaction;
class TIBUpdateSQL;
class TLabel;
class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TPageControl;
class TPanel;
class TProgressBar;
class TRxDBGrid;
class TRxLabel;
class TRxLookupEdit;
class TSaveDialog;
class TTabSheet;

// The main form of the administration program. It owns the one connection, the
// one transaction and the security service that every page and dialog uses;
// the other forms reach it through FormMain.
//
// Every component exists once the constructor has run: the common ones are
// made in Main.cpp, each page's widgets by its build function in its own file
// (MainAddUser.cpp, MainRights.cpp, MainSettings.cpp, MainRepl.cpp, ...).
class TFormMain : public TForm {
  Q_OBJECT

 public:
  // Reads Base.ini (or takes the built-in database) and begins connecting,
  // the login dialog first, before it builds its widgets: FormCreate and
  // FormConnected take it from there.
  TFormMain();
  ~TFormMain() override;

  // ---------------------------------------------------------------- common
  // (Main.cpp)

  // Connection, transaction, security service.
  TIBDatabase* MainBase = nullptr;
  TIBTransaction* IBTrans = nullptr;
  TIBSecurityService* srvUsers = nullptr;

  // The banner shown while no page is open, the pages, the export's progress.
  TRxLabel* AName = nullptr;
  TPageControl* PageControl1 = nullptr;
  TTabSheet* AddUser = nullptr;
  TTabSheet* Dorvik = nullptr;
  TTabSheet* BaseUstan = nullptr;
  TProgressBar* PbRepl = nullptr;

  // The main menu; attached to the form by a successful start-up.
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* N2 = nullptr;  // "Пользователь"
  TMenuItem* NewUser = nullptr;
  TMenuItem* OprPriv = nullptr;
  TMenuItem* miDelDataUser = nullptr;
  TMenuItem* N3 = nullptr;  // "База"
  TMenuItem* miUstan = nullptr;
  TMenuItem* ReplBase = nullptr;  // "Репликация данных"
  TMenuItem* N5 = nullptr;
  TMenuItem* sbExecute = nullptr;
  TMenuItem* miAbout = nullptr;
  TMenuItem* N1 = nullptr;  // "Выход"

  // Non-visual components, all on MainBase and IBTrans.
  TIBQuery* IBqName = nullptr;
  TDataSource* DsName = nullptr;
  TIBQuery* IBqOtch = nullptr;
  TDataSource* DsOtch = nullptr;
  TIBStoredProc* IbsNewMened = nullptr;
  TIBStoredProc* IBsName = nullptr;
  TIBStoredProc* IBsOtch = nullptr;
  TIBQuery* IBqDorvik = nullptr;
  TDataSource* DsDorvik = nullptr;
  TIBUpdateSQL* IBUpdateSQL1 = nullptr;
  TIBQuery* IBqGrant = nullptr;
  TIBQuery* IBqCopyPriv = nullptr;
  TIBQuery* IBQuery1 = nullptr;  // the manager list's rows
  TIBUpdateSQL* IBUpdateSQL2 = nullptr;
  TIBStoredProc* IbsDelDanMen = nullptr;
  TIBTable* IbStatus = nullptr;
  TIBUpdateSQL* IBUpdateStatus = nullptr;
  TDataSource* DsStatus = nullptr;
  TSaveDialog* SdToFile = nullptr;
  TIBQuery* IBQRepl = nullptr;
  TOpenDialog* OpenSQLDialog = nullptr;
  TIBSQL* ScriptMain = nullptr;

  // State shared by the pages and dialogs. Zero, empty or false on creation;
  // closing a page resets none of it.
  qint32 currentManagerId = 0;  // -1: no manager chosen
  ShortString<20> currentAccount;  // the chosen manager's login
  qint32 profileId = 0;  // -1: no profile chosen
  ShortString<20> rememberedLogin;  // upper case: the login MainBase connected with
  ShortString<20> newPassword;
  qint32 allowedMask = 0;
  qint32 grantedMask = 0;
  qint32 editedMask = 0;
  bool loadingRow = false;
  bool exportBusy = false;
  TextFileReader formTextFile;  // Base.ini at start-up; script headers
  bool connecting_ = false;            // begun by beginConnection, taken by FormConnected
  std::exception_ptr settingsError_;  // reading Base.ini failed: FormCreate raises it
  QString scriptHeaderLine1;
  QString scriptHeaderLine2;

  // Start-up, administrator check, closing.
  void beginConnection();
  void prepareFirstPaint();
  // FormCreate's end, run once the program's other forms are made (the
  // connection is made meanwhile): waits for it, then sets up the window for
  // the login it connected with.
  void FormCreate();
  void FormConnected();
  void FormPaint();
  void FormClose(TCloseAction& action);
  void ExitProgr();

  // ---------------------------------------------------------------- new manager
  // (MainAddUser.cpp)
  TBitBtn* BnEditUser = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TEdit* edAccount = nullptr;
  TLabel* lbAccount = nullptr;
  TEdit* edPassword = nullptr;
  TLabel* Label3 = nullptr;
  TEdit* edPasswordAgain = nullptr;
  TLabel* Label4 = nullptr;
  TDateEdit* DateEdit1 = nullptr;  // made in Main.cpp: the start-up sets its text
  TLabel* Label2 = nullptr;
  TEdit* edFamil = nullptr;
  TLabel* lbFirstName = nullptr;
  TRxLookupEdit* RxLeName = nullptr;
  TLabel* lbMiddleName = nullptr;
  TRxLookupEdit* RxLeOtch = nullptr;
  TLabel* lbLastName = nullptr;

  void NewUserClick();
  void BnEditUserClick();
  void BitBtn1Click();
  void RxLeNameExit();
  void RxLeOtchExit();

  void CloseAddUserPage();
  bool CheckPassword(const QString& password);
  qint32 AddManagerRecord(const QString& fullName, const QString& account, const QDateTime& day);
  void AddServerUser(const QString& account, const QString& password);

 private:
  // Whether the transaction is the one this page's opening started: the
  // page's buttons end no other.
  bool addUserHoldsTransaction() const;
  void addListEntryOnExit(TRxLookupEdit* edit, const QString& question, TIBStoredProc* procedure,
                          const QString& parameter);
  // The edit's key value, counting the entries added to its list since the
  // page opened: the list, read once, does not hold them.
  QString addUserKeyValue(const TRxLookupEdit* edit) const;
  struct AddedListEntry {
    const TRxLookupEdit* edit;
    QString text;
    QString key;
  };
  std::vector<AddedListEntry> addedListEntries_;
  bool addUserStartedTransaction_ = false;
  bool addUserRefocusing_ = false;
  bool addUserClosing_ = false;
  bool serverLoginAdded_ = false;
  TIBSQL* addUserSavepoint_ = nullptr;  // takes a failed registration back
  // Removes the login this registration added, on a new attachment of
  // srvUsers with the login its dialog was answered with; answers the
  // error text when that fails, an empty one when the login is gone.
  QString removeAddedServerUser(const QString& login);

 public:
  // ---------------------------------------------------------------- rights
  // (MainRights.cpp)
  TPanel* Panel1 = nullptr;
  TBitBtn* BnOtmen = nullptr;
  TLabel* Label1 = nullptr;
  TRxLabel* RxLUser = nullptr;  // the chosen manager's full name
  TBitBtn* BnZap = nullptr;
  TBitBtn* BnProfil = nullptr;
  TBitBtn* bnChnPass = nullptr;
  TCheckBox* CbRead = nullptr;
  TCheckBox* CbInsert = nullptr;
  TCheckBox* CbDelete = nullptr;
  TCheckBox* CbUpdate = nullptr;
  TCheckBox* CbExecute = nullptr;
  TRxDBGrid* RxDBGrid1 = nullptr;

  void OprPrivClick();
  void IBqDorvikBeforeScroll(TIBCustomDataSet& dataSet);
  void IBqDorvikAfterScroll(TIBCustomDataSet& dataSet);
  void CbReadClick();
  void CbInsertClick();
  void CbDeleteClick();
  void CbUpdateClick();
  void CbExecuteClick();
  // Grants (box ticked) or revokes (unticked) the box's right on the current
  // row's object at once; a change that is refused puts the box back.
  void ChangeRight(TCheckBox* Box, const QString& Right);
  void BnZapClick();
  void BnOtmenClick();

  // ---------------------------------------------------------------- profile copy
  // (MainProfile.cpp)
  // Fields of IBqCopyPriv, the profile's rights (IBqDorvik's select).
  TField* IntegerField1 = nullptr;   // UPR_ID
  TField* IBStringField1 = nullptr;  // OPT_OPIS
  TField* SmallintField1 = nullptr;  // OPT_MASK
  TField* IBStringField2 = nullptr;  // OPT_ISXNAME
  TField* SmallintField2 = nullptr;  // UPR_MASK

  void BnProfilClick();
  // Gives the page's manager the rights of the manager ProfileId on every
  // object both are listed for, by setting the page's boxes row by row.
  void CopyProfile(qint32 ProfileId);

  // ---------------------------------------------------------------- password change
  // (MainPassword.cpp)
  void bnChnPassClick();
  // Sets the server password of the login through srvUsers, which attaches
  // first (its login dialog) unless a refused change left it attached.
  void ChangeServerPassword(const QString& Account, const QString& NewPassword);

  // ---------------------------------------------------------------- settings
  // (MainSettings.cpp)
  TBitBtn* BnIzmUst = nullptr;
  TBitBtn* BitBtn3 = nullptr;
  TDBEdit* ST_PERIOD = nullptr;
  TRxLabel* RxLabel1 = nullptr;
  TDBDateEdit* ST_TIMECOPY = nullptr;
  TRxLabel* RxLabel2 = nullptr;
  TDBEdit* ST_PERPLAN = nullptr;
  TRxLabel* RxLabel3 = nullptr;

  void miUstanClick();
  void BnIzmUstClick();
  void BitBtn3Click();

  // ---------------------------------------------------------------- replication
  // (MainRepl.cpp)
  void ReplBaseClick();
  void sbExecuteClick();

  // Set by FormClose: an export that finds it set once pending events have run
  // stops quietly (the connection may be gone). Cleared when an export starts.
  bool closing = false;
  // Where the export takes the date and time of its header line.
  QDateTime (*exportClock)() = &QDateTime::currentDateTime;

  // ---------------------------------------------------------------- script execution
  // (MainScript.cpp; sbExecuteClick is declared with the export above)

  using ScriptStatement = ::ScriptStatement;
  // The statements of a whole script text, split as the script execution
  // splits a file (ScriptReader); raises as it does.
  static std::vector<ScriptStatement> scriptStatements(const QByteArray& script);

  // ---------------------------------------------------------------- data deletion, About
  // (MainMisc.cpp)
  void miDelDataUserClick();
  void miAboutClick();

 private:
  // Each builds its page's widgets and sets up its components.
  void buildAddUserPage();
  void buildRightsPage();
  void setRightBoxTick(TCheckBox* box, bool on);  // under the loading flag
  void showNoRightsRow();
  // Locks the current row of IBqDorvik in IBTrans before its first statement;
  // refuses when another connection changed its mask since it was loaded.
  void lockRightsRow();
  // Whether the database has a role of this name (letter case and surrounding
  // blanks aside); asked in IBTrans, which must be active.
  bool isRoleName(const QString& name);
  void buildSettingsPage();
  void buildReplication();
  void buildMisc();
  void buildScriptExecution();
  class ScriptRun;  // one script execution's statements (MainScript.cpp)

  void buildMenu();
  void buildProfileCopy();

  // Starts IBTrans, runs the work and commits. A failure rolls the transaction
  // back, so that nothing of the work stays behind, and goes on up: the error
  // shown is the work's, not one of the rollback.
  void runInOwnTransaction(const std::function<void()>& work);

  // Takes ownership of a non-visual component; they are destroyed after the
  // widgets, last made first.
  template <class T>
  T* own(T* component) {
    owned_.push_back([component] { delete component; });
    return component;
  }
  std::vector<std::function<void()>> owned_;
  bool adminMessageOpen_ = false;
  bool settingsTransaction_ = false;  // IBTrans was started by the settings page
  TIBQuery* rightsRowLock_ = nullptr;  // the rights page's row lock
  QSet<qint32> lockedRightsRows_;      // UPR_IDs locked in the page's transaction
  QString checkedAccount_;             // the login found safe in the page's transaction
  TIBQuery* roleLookup_ = nullptr;
};

extern TFormMain* FormMain;

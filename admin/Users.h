#pragma once

#include <functional>
#include <memory>

#include "ui/Form.h"

class TBitBtn;
class TDataSource;
class TDBNavigator;
class TIBStoredProc;
class TPanel;
class TRxDBGrid;

// The manager list: chooses a manager or a profile for the main form. Its rows
// are the main form's IBQuery1, in the main form's one transaction.
class TFormSpisUser : public TForm {
  Q_OBJECT

 public:
  TFormSpisUser();
  ~TFormSpisUser() override;

  // Shows the list to choose a manager, in a transaction of its own that is
  // committed by a choice or a deletion and rolled back otherwise; answers its
  // modal result. Afterwards the current manager id is the chosen MN_ID or -1.
  int SelectUser();
  // Shows the list to choose a profile inside the open transaction, which it
  // neither starts nor ends; answers its modal result. Afterwards the profile
  // id is the chosen MN_ID or -1.
  int SelectProfile();

  TPanel* Panel1 = nullptr;
  TBitBtn* BnOk = nullptr;       // "Выбрать пользователя"
  TBitBtn* BtProfil = nullptr;   // "Выбрать профиль", profile mode only
  TBitBtn* BnDelUser = nullptr;  // "Удалить пользователя"
  TBitBtn* BitBtn2 = nullptr;    // "Главное меню"
  TDBNavigator* DBNavigator1 = nullptr;
  TRxDBGrid* RxDBGrid1 = nullptr;
  TDataSource* DataSource1 = nullptr;
  std::unique_ptr<TIBStoredProc> IBsMenDel;  // MANEGERDELATE

  void BnOkClick();
  void BitBtn2Click();
  void BnDelUserClick();
  void BtProfilClick();

  // Whether the list is laid out to choose a profile.
  bool profileMode() const { return profileMode_; }

 private:
  void setProfileLayout(bool profile);
  void centreOnMainForm();
  // Shows the list modally on the rows of FormMain->IBQuery1, opened for the
  // showing; afterwards runs once the rows are closed, however the showing ends.
  int showList(const std::function<void()>& afterwards);
  // Whether IBQuery1 stands on a row.
  bool hasCurrentRow() const;
  void RxDBGrid1DblClick();

  bool profileMode_ = false;
};

extern TFormSpisUser* FormSpisUser;

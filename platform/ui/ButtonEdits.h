#pragma once

#include <QDate>
#include <QWidget>
#include <functional>

#include "Dialogs.h"

class QCalendarWidget;
class QLineEdit;
class QToolButton;

// An edit with a button at its right.
class TCustomButtonEdit : public QWidget {
  Q_OBJECT

 public:
  explicit TCustomButtonEdit(QWidget* parent = nullptr);

  QString text() const;
  void setText(const QString& text);
  QLineEdit* edit() const { return edit_; }
  QToolButton* button() const { return button_; }
  void setHint(const QString& hint);

  // Presses the button as a person would.
  void clickButton();

  std::function<void()> OnChange;
  std::function<void()> OnExit;

 protected:
  virtual void buttonClick() = 0;
  bool eventFilter(QObject* watched, QEvent* event) override;

  QLineEdit* edit_;
  QToolButton* button_;
};

// Date edit with a calendar. With DirectInput off the date is picked in the
// calendar, never typed. The text is in the system's short date format.
class TDateEdit : public TCustomButtonEdit {
  Q_OBJECT

 public:
  explicit TDateEdit(QWidget* parent = nullptr);
  ~TDateEdit() override;

  bool directInput() const { return directInput_; }
  void setDirectInput(bool on);
  // The calendar starts at today when the text holds no date.
  bool defaultToday = true;

  // The date the text holds; invalid when none.
  QDate date() const;
  void setDate(const QDate& date);

  // The calendar while it is open (nullptr otherwise).
  QCalendarWidget* calendar() const { return calendar_; }
  // Chooses the date in the calendar as a person would (opens it when needed).
  void chooseDate(const QDate& date);

 protected:
  void buttonClick() override;

 private:
  void closeCalendar();

  bool directInput_ = true;
  QWidget* popup_ = nullptr;
  QCalendarWidget* calendar_ = nullptr;
};

// File-name edit: the button opens an open dialog (through the prompter) at the
// edit's folder and puts the chosen path into the edit.
class TFilenameEdit : public TCustomButtonEdit {
  Q_OBJECT

 public:
  explicit TFilenameEdit(QWidget* parent = nullptr);

  TOpenDialog dialog;  // title, filter, default extension, initial folder
  void setFilter(const QString& filter) { dialog.filter = filter; }

 protected:
  void buttonClick() override;
};

// Folder edit: the button opens the folder dialog at the folder in the edit, at
// emptyStartDir when the edit is empty, at the root when that folder does not
// exist, and puts the chosen folder into the edit.
class TDirectoryEdit : public TCustomButtonEdit {
  Q_OBJECT

 public:
  explicit TDirectoryEdit(QWidget* parent = nullptr);

  QString dialogTitle;
  QString emptyStartDir;
  // Where the dialog will start.
  QString startFolder() const;

 protected:
  void buttonClick() override;
};

#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <functional>

// Label with click and double-click handlers. A double-click raises the click
// once and then the double-click.
class TLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLabel(const QString& caption = QString(), QWidget* parent = nullptr);

  QString caption() const { return text(); }
  virtual void setCaption(const QString& caption) { setText(caption); }
  void setHint(const QString& hint) { setToolTip(hint); }

  // Points Alt+letter at the control and names the control after the label for
  // screen readers (a compound control's inner edit too).
  void setFocusControl(QWidget* control);

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
  bool afterDoubleClick_ = false;
  bool clicked_ = false;  // the first click of a double-click has been raised
};

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Single-line edit: MaxLength (0 = no limit), CharCase, PasswordChar; OnChange on
// every change of the text, OnExit when the focus leaves.
class TEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TEdit(QWidget* parent = nullptr);

  QString text() const { return QLineEdit::text(); }
  void setText(const QString& text);

  int maxLength() const { return maxLength_; }
  void setMaxLength(int length);
  TEditCharCase charCase() const { return charCase_; }
  void setCharCase(TEditCharCase charCase);
  QChar passwordChar() const { return passwordChar_; }
  void setPasswordChar(QChar c);  // QChar() shows the text
  void setHint(const QString& hint) { setToolTip(hint); }

  std::function<void()> OnChange;
  std::function<void()> OnExit;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  QString cased(const QString& text) const;

 private:
  int maxLength_ = 0;
  TEditCharCase charCase_ = TEditCharCase::ecNormal;
  QChar passwordChar_;
};

// Masked edit; here used as a password edit ("#" as the password character).
class TMaskEdit : public TEdit {
  Q_OBJECT

 public:
  using TEdit::TEdit;
};

// Check box. Setting the tick by program to a different state raises OnClick
// (called directly: its error reaches the caller), also when the box is disabled;
// the same state raises nothing. A person's click raises OnClick through the guard.
class TCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit TCheckBox(const QString& caption = QString(), QWidget* parent = nullptr);

  QString caption() const { return text(); }
  void setCaption(const QString& caption) { setText(caption); }

  bool checked() const { return isChecked(); }
  void setChecked(bool on);

  int tag = 0;
  std::function<void()> OnClick;

 private:
  bool settingByProgram_ = false;
};

class TGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit TGroupBox(const QString& caption = QString(), QWidget* parent = nullptr) : QGroupBox(caption, parent) {}
  QString caption() const { return title(); }
  void setCaption(const QString& caption) { setTitle(caption); }
};

class TPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TPanel(QWidget* parent = nullptr);
  void setColor(const QColor& color);
};

// Progress bar with Min, Max and Position.
class TProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit TProgressBar(QWidget* parent = nullptr);

  int min() const { return minimum(); }
  void setMin(int value) { setMinimum(value); }
  int max() const { return maximum(); }
  void setMax(int value) { setMaximum(value); }
  int position() const { return value(); }
  // The new position is painted with the pending paints, not at once.
  void setPosition(int value);
};

#pragma once

#include <QAccessible>
#include <QWidget>
#include <functional>

class QVBoxLayout;
class TMainMenu;

// Modal results.
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

// What happens to a form that is asked to close: caNone keeps it open.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Base of every form: a top-level window with caption, modal result, menu and the
// OnCreate, OnPaint and OnClose events. Enter presses the default button, Esc the
// cancel button (see TButton).
class TForm : public QWidget {
  Q_OBJECT

 public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  QString caption() const { return windowTitle(); }
  void setCaption(const QString& caption) { setWindowTitle(caption); }

  int modalResult() const { return modalResult_; }
  // While shown modally, a result other than mrNone ends the showing once the
  // current handler has returned.
  void setModalResult(int result);

  // Shows the form modally through the prompter; answers its modal result.
  int showModal();
  bool showingModally() const { return modal_; }
  // Used by prompters around a modal showing: clear the result, show; hide.
  void beginModal();
  void endModal();

  // Attaches the menu as the form's menu bar (nullptr detaches).
  void setMenu(TMainMenu* menu);
  TMainMenu* menu() const { return menu_; }

  // The form's layout (no margins); the menu bar sits above it.
  QVBoxLayout* clientLayout() const { return layout_; }

  // Runs OnCreate through the guard (the application does this on creation).
  void runCreate();

  std::function<void()> OnCreate;
  // Runs after the form has been painted, once per burst of paints.
  std::function<void()> OnPaint;
  // Asked when the form closes; the action starts as caHide; caNone keeps the
  // form open. An error raised here keeps it open too.
  std::function<void(TCloseAction& action)> OnClose;

  // What a screen reader takes the form for: the application's main form is a
  // window (frame); the other forms, shown modally, and dialog-bordered ones
  // are dialogs.
  QAccessible::Role accessibleRole() const;

  // The default (Enter) or cancel (Esc) button that acts for the focused widget:
  // a visible, enabled one, the nearest to the focus.
  QWidget* defaultButton(bool cancel) const;
  // The button that Enter presses now: the focused button itself, none while a
  // multi-line edit holds the focus, otherwise defaultButton(false).
  QWidget* enterButton() const;
  // Draws the button that Enter presses as the default one, and no other.
  void updateDefaultButton();
  // The same once the current handler has returned (focus changes and the
  // buttons' showing, hiding and enabling ask for it).
  void queueDefaultButtonUpdate();

 signals:
  void modalResultChanged(int result);
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool paintQueued_ = false;
  bool inPaintHandler_ = false;
  bool defaultUpdateQueued_ = false;
  TMainMenu* menu_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
};

// The form that holds the widget, or nullptr.
TForm* owningForm(const QWidget* widget);

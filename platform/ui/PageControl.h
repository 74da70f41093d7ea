#pragma once

#include <QStackedWidget>

class TPageControl;

// One page of a page control.
class TTabSheet : public QWidget {
  Q_OBJECT

 public:
  TTabSheet(TPageControl* owner, const QString& caption);

  QString caption() const { return caption_; }
  bool tabVisible() const { return tabVisible_; }
  void setTabVisible(bool on) { tabVisible_ = on; }
  TPageControl* pageControl() const { return owner_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TPageControl* owner_;
  QString caption_;
  bool tabVisible_ = true;
};

// Pages one above the other; only the active page is shown. Tabs are not drawn:
// the program chooses the page.
class TPageControl : public QStackedWidget {
  Q_OBJECT

 public:
  explicit TPageControl(QWidget* parent = nullptr);

  TTabSheet* addPage(const QString& caption);
  TTabSheet* activePage() const;
  void setActivePage(TTabSheet* page);
  int pageCount() const { return count(); }
  TTabSheet* page(int index) const;
};

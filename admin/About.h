#pragma once

#include <QString>

#include "ui/Form.h"

class TAnimatedImage;
class TButton;
class TLabel;
class TPanel;
class TRxLabel;

// The About box: the system's name, the version, the developer with a link to
// the product's web page, an animated logo and a mail link. Made once, shown
// modally by the main form's "О программе".
class TAboutBox : public TForm {
  Q_OBJECT

 public:
  TAboutBox();
  ~TAboutBox() override;

  TPanel* Panel1 = nullptr;
  TAnimatedImage* RxGIFAnimator1 = nullptr;
  TRxLabel* RxLabel1 = nullptr;
  TLabel* Version = nullptr;
  TLabel* Comments = nullptr;
  TLabel* MailAdres = nullptr;
  TButton* OKButton = nullptr;

  // Opens the product's web page.
  void CommentsDblClick();
  // Opens a new message to the address MailAdres shows.
  void MailSEND();
  // Hands the text to the desktop (web page, mailto link); a failure shows nothing.
  void OpenObject(const QString& text);

  // The product's web page: host and path, no scheme.
  static QString productPage();
};

extern TAboutBox* AboutBox;

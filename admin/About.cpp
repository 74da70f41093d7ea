#include "About.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox() {
  setObjectName(QStringLiteral("AboutBox"));
  setCaption(QStringLiteral("About"));
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

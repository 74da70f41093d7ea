#include <QApplication>

#include "TessanProgram.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  TApplication::loadFontConfiguration();
  return TApplication::runFatalGuarded(TessanMain);
}

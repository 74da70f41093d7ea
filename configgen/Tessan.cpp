#include <QApplication>

#include "TessanProgram.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  return TApplication::runFatalGuarded(TessanMain);
}

#include <QApplication>

#include "Program.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
  TApplication::loadFontConfiguration();
  QApplication app(argc, argv);
  return DorvikProgram::run();
}

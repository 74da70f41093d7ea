#include <QApplication>

#include "Program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return DorvikProgram::run();
}

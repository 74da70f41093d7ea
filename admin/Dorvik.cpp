#include <QApplication>

#include "Program.h"
#include "os/StartupWorker.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
  // The font configuration is loaded beside Qt's start, the first
  // attachment beside the building of the forms.
  StartupWorker::start();
  TApplication::beginFontConfiguration();
  QApplication app(argc, argv);
  return DorvikProgram::run();
}

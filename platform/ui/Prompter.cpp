#include "Prompter.h"

namespace {
Prompter* installed = nullptr;
}

Prompter& Prompter::current() {
  static QtPrompter qtPrompter;
  return installed ? *installed : qtPrompter;
}

Prompter* Prompter::install(Prompter* prompter) {
  Prompter* previous = installed;
  installed = prompter;
  return previous;
}

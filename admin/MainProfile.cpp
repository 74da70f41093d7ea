#include "Main.h"

// Copying a profile's rights onto the manager of the rights page.

void TFormMain::BnProfilClick() {}

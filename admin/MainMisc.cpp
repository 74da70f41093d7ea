#include "About.h"
#include "Main.h"

// Deleting a manager's data; the About box.

void TFormMain::buildMisc() {}

void TFormMain::miDelDataUserClick() {}

void TFormMain::miAboutClick() { AboutBox->showModal(); }

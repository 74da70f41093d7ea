#include "Main.h"

// The settings page (tab sheet BaseUstan).

void TFormMain::buildSettingsPage() {}

void TFormMain::miUstanClick() {}

void TFormMain::BnIzmUstClick() {}

void TFormMain::BitBtn3Click() {}

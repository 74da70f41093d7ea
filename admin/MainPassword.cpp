#include "Main.h"

// A new server password for the manager of the rights page.

void TFormMain::bnChnPassClick() {}

#include "Main.h"

// The new-manager page (tab sheet AddUser).

void TFormMain::buildAddUserPage() {}

void TFormMain::NewUserClick() {}

void TFormMain::BnEditUserClick() {}

void TFormMain::BitBtn1Click() {}

void TFormMain::RxLeNameExit() {}

void TFormMain::RxLeOtchExit() {}

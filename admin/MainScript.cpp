#include "Main.h"

// Execution of a received replication script.

void TFormMain::sbExecuteClick() {}

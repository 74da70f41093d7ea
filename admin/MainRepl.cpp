#include "Main.h"

// Replication scripts: export of the log, execution of a received script.

void TFormMain::buildReplication() {}

void TFormMain::ReplBaseClick() {}

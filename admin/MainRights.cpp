#include "Main.h"

#include "ui/PageControl.h"
#include "ui/RxLabel.h"

// The rights page (tab sheet Dorvik).

void TFormMain::buildRightsPage() {
  RxLUser = new TRxLabel(QStringLiteral("RxLUser"), Dorvik);
  RxLUser->setObjectName(QStringLiteral("RxLUser"));
}

void TFormMain::OprPrivClick() {}

void TFormMain::IBqDorvikBeforeScroll(TIBCustomDataSet&) {}

void TFormMain::IBqDorvikAfterScroll(TIBCustomDataSet&) {}

void TFormMain::CbReadClick() {}

void TFormMain::CbInsertClick() {}

void TFormMain::CbDeleteClick() {}

void TFormMain::CbUpdateClick() {}

void TFormMain::CbExecuteClick() {}

void TFormMain::BnZapClick() {}

void TFormMain::BnOtmenClick() {}

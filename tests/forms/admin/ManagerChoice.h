#pragma once

#include <QTest>

#include "DorvikFixture.h"
#include "Main.h"
#include "Users.h"
#include "db/IBQuery.h"
#include "ui/Buttons.h"

// Queues the manager list's showing in which the manager with this login (as
// stored) is chosen with "Выбрать пользователя", or the list is left with
// "Главное меню" for an empty login.
inline void queueManagerChoice(ScriptedPrompter& prompter, const QString& alias) {
  prompter.expectModal(QStringLiteral("Список пользователей Базы"), [alias](TForm&) {
    if (alias.isEmpty()) {
      QTest::mouseClick(FormSpisUser->BitBtn2, Qt::LeftButton);
      return;
    }
    TIBQuery& rows = *FormMain->IBQuery1;
    const int column = rows.fieldByName(QStringLiteral("MN_ALIAS")).index();
    int row = 0;
    while (row < rows.rowCount() && rows.value(row, column).toString() != alias) ++row;
    ASSERT_LT(row, rows.rowCount()) << "no manager " << alias.toStdString();
    rows.moveTo(row);
    QTest::mouseClick(FormSpisUser->BnOk, Qt::LeftButton);
  });
}

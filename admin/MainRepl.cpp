#include "Main.h"

#include <QFileInfo>

#include "db/Field.h"
#include "db/IBDatabase.h"
#include "db/IBQuery.h"
#include "db/IBTransaction.h"
#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/FileSystem.h"
#include "os/ReplacingFile.h"
#include "os/System.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Prompter.h"
#include "ui/StdCtrls.h"

// Replication scripts: export of the log, execution of a received script.

void TFormMain::buildReplication() {
  SdToFile->fileName = QStringLiteral("Repl");
  SdToFile->defaultExt = QStringLiteral(".sql");
  SdToFile->filter = QStringLiteral("Скрипты|*.sql");

  // The log is read once from first to last row: only the current row is held.
  IBQRepl->SQL = QStringList{QStringLiteral("select * from ReplBase")};
  IBQRepl->setUniDirectional(true);
}

namespace {

// The header's date and time: the system's short date and long time, in
// digits when the locale's text has letters that Windows-1251 lacks.
QByteArray headerLine(const QDateTime& moment) {
  const QString prefix = QStringLiteral("/* Репликация от ");
  const QString suffix = QStringLiteral(" */");
  try {
    return Cp1251::encode(prefix + System::dateTimeText(moment) + suffix);
  } catch (const EConvertError&) {
    return Cp1251::encode(prefix + System::digitsDateTimeText(moment) + suffix);
  }
}

// The rows and their count are one snapshot of the log: the export's
// transaction runs at snapshot isolation, read only. The transaction's own
// parameters stay for every other command.
void startSnapshot(TIBTransaction& transaction) {
  const QStringList own = transaction.Params;
  transaction.Params = QStringList{QStringLiteral("concurrency"), QStringLiteral("nowait"), QStringLiteral("read")};
  try {
    transaction.startTransaction();
  } catch (...) {
    transaction.Params = own;
    throw;
  }
  transaction.Params = own;
}

}  // namespace

// Writes the whole replication log into a script: two header lines, then the
// ITOG text of every row as the connection delivers its bytes. The script goes
// into a new file that takes the place of the chosen one only once complete;
// pending events run after every 100th row.
void TFormMain::ReplBaseClick() {
  if (exportBusy) return;
  if (!SdToFile->execute()) return;
  const QString fileName = SdToFile->fileName;
  if (FileSystem::fileExists(fileName) &&
      Prompter::current().confirm(QStringLiteral("Файл ") + QFileInfo(fileName).fileName() +
                                  QStringLiteral(" существует. Переписать?")) != ConfirmAnswer::Yes)
    return;

  exportBusy = true;
  closing = false;
  ReplacingFile script;
  bool ownTransaction = false;
  // However the export ends, it lets go of what it holds; the transaction it
  // started only read, so rolling it back loses nothing. After the window has
  // closed, the connection is gone and nothing of it is touched.
  auto release = [&]() noexcept {
    exportBusy = false;
    script.discard();
    try {
      IBQRepl->close();
    } catch (...) {
    }
    PbRepl->hide();
    if (ownTransaction && MainBase->connected() && IBTrans->inTransaction()) {
      try {
        IBTrans->rollback();
      } catch (...) {
      }
    }
  };

  static const char lineEnd[] = "\r\n";
  try {
    script.create(fileName);
    script.append(headerLine(exportClock()));
    script.append(lineEnd, 2);
    script.append(QByteArrayLiteral("SET NAMES WIN1251;\r\n"));
    startSnapshot(*IBTrans);
    ownTransaction = true;
    IBQRepl->open();
    PbRepl->show();
    PbRepl->setMax(IBQRepl->recordCount());
    PbRepl->setPosition(0);
    int counter = 0;
    while (!IBQRepl->eof()) {
      ++counter;
      script.append(IBQRepl->fieldByName(QStringLiteral("ITOG")).asBytes());
      script.append(lineEnd, 2);
      IBQRepl->next();
      if (counter % 100 == 0) {
        TApplication::processMessages();
        if (closing) {
          release();
          return;
        }
        PbRepl->setPosition(counter);
      }
    }
    script.finish();
    IBQRepl->close();
    PbRepl->hide();
    IBTrans->commit();
    ownTransaction = false;
    script.commit();
  } catch (...) {
    release();
    throw;
  }
  exportBusy = false;
  Prompter::current().message(QStringLiteral("Репликация данных выполнена успешно"));
}

#include "Dialogs.h"

#include <QFileInfo>
#include <QStringList>

#include "Prompter.h"

QString qtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString masks = parts[i + 1];
    masks.replace(QLatin1Char(';'), QLatin1Char(' '));
    entries << QStringLiteral("%1 (%2)").arg(parts[i], masks);
  }
  return entries.join(QStringLiteral(";;"));
}

bool TFileDialog::finish(bool chosen, const QString& name) {
  if (!chosen) return false;
  QString result = name;
  QString ext = defaultExt;
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (!ext.isEmpty() && QFileInfo(result).suffix().isEmpty() && !result.endsWith(QLatin1Char('.')))
    result += QLatin1Char('.') + ext;
  fileName = result;
  return true;
}

static FileDialogRequest requestOf(const TFileDialog& d) {
  return FileDialogRequest{d.title, d.fileName, d.defaultExt, d.filter, d.initialDir};
}

bool TOpenDialog::execute() {
  QString chosen;
  const bool ok = Prompter::current().openFile(requestOf(*this), chosen);
  // a file that exists under the chosen name is opened as it is named
  if (ok && QFileInfo(chosen).isFile()) {
    fileName = chosen;
    return true;
  }
  return finish(ok, chosen);
}

bool TSaveDialog::execute() {
  QString chosen;
  const bool ok = Prompter::current().saveFile(requestOf(*this), chosen);
  return finish(ok, chosen);
}

#pragma once

#include <QString>

// "Description|*.ext|Other|*.a;*.b" as a Qt file-dialog filter.
QString qtFileFilter(const QString& filter);

// Open and save dialogs run through the prompter. The chosen name is kept in
// fileName for the next time; defaultExt is appended when it has no extension
// (by the open dialog only when no file exists under the name as chosen).
class TFileDialog {
 public:
  QString title;
  QString fileName;
  QString defaultExt;  // "sql" or ".sql"
  QString filter;
  QString initialDir;

 protected:
  bool finish(bool chosen, const QString& name);
};

class TOpenDialog : public TFileDialog {
 public:
  bool execute();
};

class TSaveDialog : public TFileDialog {
 public:
  bool execute();
};

#include "FileSystem.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSystem {

namespace {
bool statMode(const QString& name, mode_t& mode) {
  if (name.isEmpty()) return false;
  struct stat st;
  if (::stat(QFile::encodeName(name).constData(), &st) != 0) return false;
  mode = st.st_mode;
  return true;
}
}  // namespace

bool fileExists(const QString& name) {
  mode_t mode;
  return statMode(name, mode) && !S_ISDIR(mode);
}

bool isFile(const QString& name) {
  mode_t mode;
  return statMode(name, mode) && S_ISREG(mode);
}

bool directoryExists(const QString& name) {
  mode_t mode;
  return statMode(name, mode) && S_ISDIR(mode);
}

bool createDirectory(const QString& name) {
  if (name.isEmpty()) return false;
  return ::mkdir(QFile::encodeName(name).constData(), 0777) == 0;
}

QString programPath() {
  const QString fromProc = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
  if (!fromProc.isEmpty()) return fromProc;
  return QCoreApplication::applicationFilePath();
}

QString programFolder() {
  const QString folder = QFileInfo(programPath()).absolutePath();
  return folder;
}

}  // namespace FileSystem

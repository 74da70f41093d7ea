#include "InitSet.h"

#include <QFile>
#include <sys/stat.h>

#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/FileSystem.h"
#include "os/TextFile.h"

const char kFactoryPassword[] = "quietfern";

namespace {

bool isDelimiter(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

// Device and inode of the file a name leads to (links followed).
bool fileIdentity(const QString& name, dev_t& device, ino_t& inode) {
  struct stat st;
  if (name.isEmpty() || ::stat(QFile::encodeName(name).constData(), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

bool sameFile(const QString& a, const QString& b) {
  dev_t deviceA, deviceB;
  ino_t inodeA, inodeB;
  return fileIdentity(a, deviceA, inodeA) && fileIdentity(b, deviceB, inodeB) && deviceA == deviceB &&
         inodeA == inodeB;
}

}  // namespace

QString AddPathDelimiter(const QString& path) {
  if (!path.isEmpty() && isDelimiter(path.back())) return path;
  return path + QLatin1Char('/');
}

void EnsureDirectory(const QString& path) {
  QString folder = path;
  if (!folder.isEmpty() && isDelimiter(folder.back())) folder.chop(1);
  if (FileSystem::directoryExists(folder)) return;
  if (FileSystem::createDirectory(folder)) return;
  throw Exception(QStringLiteral("Cannot create ") + folder);
}

QString FileInFolder(const QString& folder, const QString& name) {
  if (folder.endsWith(QLatin1Char('\\'))) return folder.chopped(1) + QLatin1Char('/') + name;
  return folder + name;
}

void CopyFileBlocks(const QString& source, const QString& destination) {
  BinaryFile in;
  in.openRead(source);
  if (sameFile(source, destination)) {
    in.close();
    return;
  }
  BinaryFile out;
  out.create(destination);
  char buffer[4096];
  for (;;) {
    const int read = in.read(buffer, int(sizeof buffer));
    if (read <= 0) break;
    if (out.write(buffer, read) != read) break;
  }
  in.close();
  out.close();
}

QByteArray BaseIniBytes(const QString& folder, const QString& server, const QString& databaseFile,
                        const QString& password) {
  const QByteArray lineEnd("\r\n", 2);
  QByteArray bytes;
  bytes += Cp1251::encode(server) + ':' + Cp1251::encode(databaseFile) + lineEnd;
  bytes += Cp1251::encode(folder) + lineEnd;
  bytes += Cp1251::encode(server) + lineEnd;
  if (password != QLatin1String(kFactoryPassword)) bytes += Cp1251::encode(password) + lineEnd;
  bytes += lineEnd;
  return bytes;
}

void WriteBaseIni(const QString& folder, const QString& server, const QString& databaseFile,
                  const QString& password) {
  // Converted first: a text the code page cannot hold leaves every file alone.
  const QByteArray bytes = BaseIniBytes(folder, server, databaseFile, password);
  EnsureDirectory(folder);
  TextFileWriter file;
  file.create(FileInFolder(folder, QStringLiteral("Base.ini")));
  file.write(bytes);
  file.close();
}

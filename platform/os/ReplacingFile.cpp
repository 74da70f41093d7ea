#include "ReplacingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "TextFile.h"

namespace {

constexpr qsizetype kBufferSize = 1 << 20;

[[noreturn]] void raise(int error, const QString& fileName = QString()) {
  throw EInOutError(fileErrorText(error, fileName));
}

[[noreturn]] void notOpen() { throw EInOutError(QStringLiteral("File not open")); }

// A name of its own beside the target: "." + the target's name + "." + random
// letters, the target's name cut where the whole would be too long for a name.
QString besideName(const QFileInfo& target) {
  const QString suffix = QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate64(), 36);
  QString name = target.fileName();
  while (!name.isEmpty() && QFile::encodeName(QLatin1Char('.') + name + suffix).size() > NAME_MAX) name.chop(1);
  return target.absolutePath() + QStringLiteral("/.") + name + suffix;
}

}  // namespace

void ReplacingFile::create(const QString& target, Access access, Link link) {
  discard();
  if (target.isEmpty()) raise(ENOENT);
  const QFileInfo info(target);
  QString real = info.absoluteFilePath();
  if (link == Link::Follow && info.isSymLink() && info.exists()) real = info.canonicalFilePath();
  const QByteArray realName = QFile::encodeName(real);

  struct stat existing;
  const bool exists = (link == Link::Follow ? ::stat(realName.constData(), &existing)
                                            : ::lstat(realName.constData(), &existing)) == 0;
  if (exists && S_ISDIR(existing.st_mode)) raise(EISDIR);
  // A device, a pipe or a socket is no file to put another in place of.
  if (exists && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) raise(EACCES);
  if (exists && !S_ISLNK(existing.st_mode) && ::access(realName.constData(), W_OK) != 0) raise(errno, target);
  const QFileInfo realInfo(real);
  if (!QFileInfo(realInfo.absolutePath()).isDir()) raise(ENOENT, real);

  const mode_t mode = access == Access::OwnerOnly ? 0600 : 0666;
  int fd = -1;
  QString name;
  for (int attempt = 0; fd < 0; ++attempt) {
    name = besideName(realInfo);
    do {
      fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error = errno;
      throw EInOutError(QStringLiteral("Cannot create the new file beside ") + QDir::toNativeSeparators(real) +
                        QStringLiteral(": ") + fileErrorText(error, name));
    }
  }
  // What the user set on the replaced file stays; a password stays the owner's.
  int r = 0;
  if (access == Access::OwnerOnly) {
    r = ::fchmod(fd, 0600);
  } else if (access == Access::KeepTarget && exists && S_ISREG(existing.st_mode)) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) (void)::fchown(fd, uid_t(-1), existing.st_gid);
    r = ::fchmod(fd, existing.st_mode & 07777);
  }
  if (r != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(QFile::encodeName(name).constData());
    raise(error, name);
  }
  fd_ = fd;
  used_ = 0;
  target_ = real;
  temporary_ = name;
}

void ReplacingFile::writeAll(const char* data, qsizetype size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size_t(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      raise(errno);
    }
    if (n == 0) raise(ENOSPC);
    data += n;
    size -= n;
  }
}

void ReplacingFile::flush() {
  if (used_ == 0) return;
  const qsizetype n = used_;
  used_ = 0;
  writeAll(buffer_.constData(), n);
}

void ReplacingFile::append(const char* data, qsizetype size) {
  if (fd_ < 0) notOpen();
  if (buffer_.size() < kBufferSize) buffer_.resize(kBufferSize);
  if (used_ + size > kBufferSize) {
    flush();
    if (size > kBufferSize) return writeAll(data, size);
  }
  std::memcpy(buffer_.data() + used_, data, size_t(size));
  used_ += size;
}

void ReplacingFile::write(const char* data, qsizetype size) {
  if (fd_ < 0) notOpen();
  flush();
  writeAll(data, size);
}

void ReplacingFile::finish() {
  if (fd_ < 0) {
    if (temporary_.isEmpty()) notOpen();
    return;
  }
  flush();
  int r;
  do {
    r = ::fsync(fd_);
  } while (r != 0 && errno == EINTR);
  if (r != 0) raise(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) raise(errno);
}

void ReplacingFile::commit() {
  finish();
  if (::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
    raise(errno, target_);
  temporary_.clear();
  // The new name lasts once the folder is synced too.
  const int dir = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void ReplacingFile::discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  used_ = 0;
  buffer_ = QByteArray();
  if (!temporary_.isEmpty()) ::unlink(QFile::encodeName(temporary_).constData());
  temporary_.clear();
}

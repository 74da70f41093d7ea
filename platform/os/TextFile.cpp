#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Cp1251.h"
#include "Errors.h"

namespace {

constexpr int kReadBlock = 64 * 1024;
constexpr int kWriteFlush = 4096;

[[noreturn]] void raise(int error, const QString& fileName = QString()) {
  throw EInOutError(fileErrorText(error, fileName));
}

[[noreturn]] void notOpen() { throw EInOutError(QStringLiteral("File not open")); }

int openFile(const QString& fileName, int flags) {
  if (fileName.isEmpty()) raise(ENOENT);
  const QByteArray name = QFile::encodeName(fileName);
  const bool reading = !(flags & (O_WRONLY | O_RDWR));
  int fd;
  do {
    // Opening a pipe for reading would wait for a writer: it opens at once
    // here, and is refused below.
    fd = ::open(name.constData(), flags | O_CLOEXEC | (reading ? O_NONBLOCK : 0), 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) raise(errno, fileName);
  if (reading) {
    // Only a file is read: a folder opens for reading on Linux, and a pipe or
    // a device would wait or never end. The opened one is tested, not the name.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      raise(EACCES);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  return fd;
}

void closeFile(int& fd) {
  const int r = ::close(fd);
  fd = -1;
  if (r != 0 && errno != EINTR) raise(errno);
}

}  // namespace

QString fileErrorText(int error, const QString& fileName) {
  switch (error) {
    case ENOENT:
      if (!fileName.isEmpty()) {
        const QString folder = QFileInfo(fileName).absolutePath();
        if (!QFileInfo(folder).isDir()) return QStringLiteral("Path not found");
      }
      return QStringLiteral("File not found");
    case ENOTDIR:
      return QStringLiteral("Path not found");
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
      return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("Disk full");
    case EMFILE:
    case ENFILE:
      return QStringLiteral("Too many open files");
    case ENAMETOOLONG:
      return QStringLiteral("Invalid filename");
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

// ---- reader

TextFileReader::~TextFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

void TextFileReader::open(const QString& fileName) {
  if (fd_ >= 0) ::close(fd_), fd_ = -1;
  buffer_.clear();
  pos_ = 0;
  fd_ = openFile(fileName, O_RDONLY);
}

bool TextFileReader::fill() {
  if (pos_ > 0) {
    buffer_.remove(0, pos_);
    pos_ = 0;
  }
  const qsizetype had = buffer_.size();
  buffer_.resize(had + kReadBlock);
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data() + had, kReadBlock);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    const int error = errno;
    buffer_.resize(had);
    raise(error);
  }
  buffer_.resize(had + qsizetype(n));
  return n > 0;
}

// maxBytes < 0: the whole line.
QByteArray TextFileReader::readLineLimited(qint64 maxBytes) {
  if (fd_ < 0) notOpen();
  // One byte more than asked for is kept, so that a CR before the LF is
  // still known to be the line's last byte.
  const qint64 keep = maxBytes < 0 || maxBytes == std::numeric_limits<qint64>::max() ? -1 : maxBytes + 1;
  QByteArray line;
  bool ended = false;
  for (;;) {
    const qsizetype lf = buffer_.indexOf('\n', pos_);
    const qsizetype end = lf >= 0 ? lf : buffer_.size();
    qint64 take = end - pos_;
    if (keep >= 0) take = std::min<qint64>(take, keep - line.size());
    if (take > 0) line.append(buffer_.constData() + pos_, qsizetype(take));
    if (lf >= 0) {
      pos_ = lf + 1;
      ended = true;
      break;
    }
    pos_ = buffer_.size();
    if (!fill()) break;
  }
  if (ended && line.endsWith('\r') && (keep < 0 || line.size() < keep)) line.chop(1);
  if (maxBytes >= 0 && line.size() > maxBytes) line.truncate(qsizetype(maxBytes));
  return line;
}

QByteArray TextFileReader::readLineBytes() { return readLineLimited(-1); }

QByteArray TextFileReader::readLineBytes(qint64 maxBytes) { return readLineLimited(std::max<qint64>(maxBytes, 0)); }

qint64 TextFileReader::readBytes(char* buffer, qint64 size) {
  if (fd_ < 0) notOpen();
  if (size <= 0) return 0;
  if (pos_ < buffer_.size()) {
    const qint64 n = std::min<qint64>(size, buffer_.size() - pos_);
    std::memcpy(buffer, buffer_.constData() + pos_, size_t(n));
    pos_ += qsizetype(n);
    return n;
  }
  ssize_t n;
  do {
    n = ::read(fd_, buffer, size_t(std::min<qint64>(size, qint64(1) << 30)));
  } while (n < 0 && errno == EINTR);
  if (n < 0) raise(errno);
  return qint64(n);
}

void TextFileReader::rewind() {
  if (fd_ < 0) notOpen();
  buffer_.clear();
  pos_ = 0;
  if (::lseek(fd_, 0, SEEK_SET) < 0) raise(errno);
}

QString TextFileReader::readLine() { return Cp1251::decode(readLineBytes()); }

bool TextFileReader::eof() {
  if (fd_ < 0) notOpen();
  if (pos_ < buffer_.size()) return false;
  return !fill();
}

void TextFileReader::close() {
  if (fd_ < 0) notOpen();
  buffer_.clear();
  pos_ = 0;
  closeFile(fd_);
}

// ---- writer

TextFileWriter::~TextFileWriter() {
  if (fd_ >= 0) {
    try {
      flush();
    } catch (...) {
    }
    ::close(fd_);
  }
}

void TextFileWriter::create(const QString& fileName) {
  if (fd_ >= 0) ::close(fd_), fd_ = -1;
  buffer_.clear();
  fd_ = openFile(fileName, O_WRONLY | O_CREAT | O_TRUNC);
}

void TextFileWriter::write(const QByteArray& bytes) {
  if (fd_ < 0) notOpen();
  buffer_.append(bytes);
}

void TextFileWriter::write(const QString& text) { write(Cp1251::encode(text)); }

void TextFileWriter::writeLineEnd() {
  write(QByteArray("\r\n", 2));
  if (buffer_.size() >= kWriteFlush) flush();
}

void TextFileWriter::flush() {
  const char* p = buffer_.constData();
  qsizetype left = buffer_.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      buffer_.clear();
      raise(error);
    }
    p += n;
    left -= n;
  }
  buffer_.clear();
}

void TextFileWriter::close() {
  if (fd_ < 0) notOpen();
  try {
    flush();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  closeFile(fd_);
}

// ---- replacing writer

void ReplacingTextFile::create(const QString& target) {
  discard();
  if (target.isEmpty()) raise(ENOENT);
  const QFileInfo info(target);
  QString real = info.absoluteFilePath();
  if (info.isSymLink() && info.exists()) real = info.canonicalFilePath();
  const QByteArray realName = QFile::encodeName(real);
  struct stat existing;
  const bool exists = ::stat(realName.constData(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) raise(EISDIR);
  if (exists && ::access(realName.constData(), W_OK) != 0) raise(errno, target);

  const QFileInfo realInfo(real);
  const QString stem = realInfo.absolutePath() + QStringLiteral("/.") + realInfo.fileName() + QLatin1Char('.');
  int fd = -1;
  QString name;
  for (int attempt = 0; fd < 0; ++attempt) {
    name = stem + QString::number(QRandomGenerator::global()->generate(), 36);
    do {
      fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && (errno != EEXIST || attempt >= 100)) raise(errno, target);
  }
  if (exists) ::fchmod(fd, existing.st_mode & 07777);
  out_.fd_ = fd;
  out_.buffer_.clear();
  target_ = real;
  temporary_ = name;
}

void ReplacingTextFile::finish() {
  if (!out_.isOpen()) {
    if (temporary_.isEmpty()) notOpen();
    return;
  }
  out_.flush();
  int r;
  do {
    r = ::fsync(out_.fd_);
  } while (r != 0 && errno == EINTR);
  if (r != 0) raise(errno);
  out_.close();
}

void ReplacingTextFile::commit() {
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

void ReplacingTextFile::discard() noexcept {
  if (out_.fd_ >= 0) {
    ::close(out_.fd_);
    out_.fd_ = -1;
  }
  out_.buffer_.clear();
  if (!temporary_.isEmpty()) ::unlink(QFile::encodeName(temporary_).constData());
  temporary_.clear();
}

// ---- raw bytes

BinaryFile::~BinaryFile() {
  if (fd_ >= 0) ::close(fd_);
}

void BinaryFile::openRead(const QString& fileName) {
  if (fd_ >= 0) ::close(fd_), fd_ = -1;
  fd_ = openFile(fileName, O_RDONLY);
}

void BinaryFile::create(const QString& fileName) {
  if (fd_ >= 0) ::close(fd_), fd_ = -1;
  fd_ = openFile(fileName, O_WRONLY | O_CREAT | O_TRUNC);
}

int BinaryFile::read(char* buffer, int size) {
  if (fd_ < 0) notOpen();
  ssize_t n;
  do {
    n = ::read(fd_, buffer, size_t(size));
  } while (n < 0 && errno == EINTR);
  if (n < 0) raise(errno);
  return int(n);
}

int BinaryFile::write(const char* buffer, int size) {
  if (fd_ < 0) notOpen();
  ssize_t n;
  do {
    n = ::write(fd_, buffer, size_t(size));
  } while (n < 0 && errno == EINTR);
  if (n < 0) raise(errno);
  return int(n);
}

void BinaryFile::close() {
  if (fd_ < 0) notOpen();
  closeFile(fd_);
}

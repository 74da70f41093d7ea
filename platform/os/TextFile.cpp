#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
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

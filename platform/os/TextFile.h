#pragma once

#include <QByteArray>
#include <QString>

// Text files with line semantics. Lines are bytes as they stand in the file; the
// QString variants convert Windows-1251. Failures raise EInOutError with the file
// system's text ("File not found", "Path not found", "File access denied", ...).

// Reads lines: a line ends at LF or CR LF, neither belongs to it (a lone CR stays
// in the line); no length limit. Reading at the end gives an empty line.
class TextFileReader {
 public:
  TextFileReader() = default;
  ~TextFileReader();
  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;

  void open(const QString& fileName);
  bool isOpen() const { return fd_ >= 0; }
  QByteArray readLineBytes();
  // The first maxBytes bytes of the next line (the whole line when shorter);
  // the rest of the line is passed over without being kept.
  QByteArray readLineBytes(qint64 maxBytes);
  QString readLine();
  // Up to size bytes of what is left, line ends included; 0 at the end.
  qint64 readBytes(char* buffer, qint64 size);
  // Back to the first byte of the file.
  void rewind();
  // True when no byte is left to read.
  bool eof();
  void close();

 private:
  bool fill();
  QByteArray readLineLimited(qint64 maxBytes);

  int fd_ = -1;
  QByteArray buffer_;
  qsizetype pos_ = 0;
};

// Raw byte file for block copies.
class BinaryFile {
 public:
  BinaryFile() = default;
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  // An existing file, for reading only.
  void openRead(const QString& fileName);
  // A new file, replacing one of that name.
  void create(const QString& fileName);
  bool isOpen() const { return fd_ >= 0; }
  // Bytes read, 0 at the end.
  int read(char* buffer, int size);
  // Bytes written.
  int write(const char* buffer, int size);
  void close();

 private:
  int fd_ = -1;
};

// The file system's text for an errno value, as the file layer reports it.
QString fileErrorText(int error, const QString& fileName = QString());

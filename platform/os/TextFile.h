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

// Writes a new file (an existing one is replaced); line ends are CR LF. Output is
// buffered: an error shows at a line end, at the latest on close.
class TextFileWriter {
 public:
  TextFileWriter() = default;
  ~TextFileWriter();
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  void create(const QString& fileName);
  bool isOpen() const { return fd_ >= 0; }
  void write(const QByteArray& bytes);
  void write(const QString& text);  // as Windows-1251
  void writeLineEnd();
  void writeLine(const QByteArray& bytes) { write(bytes), writeLineEnd(); }
  void writeLine(const QString& text) { write(text), writeLineEnd(); }
  void close();

 private:
  friend class ReplacingTextFile;
  void flush();

  int fd_ = -1;
  QByteArray buffer_;
};

// A text file that takes the place of another only once it is complete. The
// lines go into a new file beside the target (same folder, a name of its own);
// commit() puts it in place of the target in one step, keeping the target's
// permissions. Until then the target stays exactly as it was, and without
// commit (discard() or destruction) the new file is removed.
class ReplacingTextFile {
 public:
  ReplacingTextFile() = default;
  ~ReplacingTextFile() { discard(); }
  ReplacingTextFile(const ReplacingTextFile&) = delete;
  ReplacingTextFile& operator=(const ReplacingTextFile&) = delete;

  // Refuses what creating the target itself would refuse: a folder, a file
  // that may not be written, a missing folder.
  void create(const QString& target);
  bool isOpen() const { return out_.isOpen(); }
  void write(const QByteArray& bytes) { out_.write(bytes); }
  void write(const QString& text) { out_.write(text); }
  void writeLineEnd() { out_.writeLineEnd(); }
  void writeLine(const QByteArray& bytes) { out_.writeLine(bytes); }
  void writeLine(const QString& text) { out_.writeLine(text); }
  // Writes out the rest, syncs and closes the new file; the target is untouched.
  void finish();
  // Finishes when needed, then puts the new file in place of the target.
  void commit();
  // Closes and removes the new file unless committed; never raises.
  void discard() noexcept;

 private:
  TextFileWriter out_;
  QString target_;     // the file to replace (a link resolved)
  QString temporary_;  // the new file until it is committed
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

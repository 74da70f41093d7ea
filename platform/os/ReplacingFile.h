#pragma once

#include <QByteArray>
#include <QString>

// A file that takes the place of another only once it is complete. The bytes
// go into a new file beside the target (same folder, a name of its own);
// commit() syncs it and puts it in place of the target in one step. Until then
// the target stays exactly as it was, and without commit (discard() or
// destruction) the new file is removed. Failures raise EInOutError with the
// file system's text; a write that stores fewer bytes than given is one.
class ReplacingFile {
 public:
  enum class Access {
    // The replaced file's permissions, owner and group where the process may
    // set them; a new file gets what the umask gives.
    KeepTarget,
    // What the umask gives a new file, whatever the replaced one had.
    Fresh,
    // Readable and writable by its owner only (a file that holds a password).
    OwnerOnly,
  };
  enum class Link {
    Follow,   // a symbolic link at the name: the file it names is replaced
    Replace,  // the link itself is replaced; the file it names stays untouched
  };

  ReplacingFile() = default;
  ~ReplacingFile() { discard(); }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Refuses what creating the target itself would refuse: a folder, a file
  // that may not be written, anything but a file, a missing folder. A new
  // file that cannot be made beside the target is refused with "Cannot create
  // the new file beside " + the target + ": " + the file system's text.
  void create(const QString& target, Access access = Access::KeepTarget, Link link = Link::Follow);
  bool isOpen() const { return fd_ >= 0; }

  // Collects the bytes in a large buffer, written out whenever it is full.
  void append(const char* data, qsizetype size);
  void append(const QByteArray& bytes) { append(bytes.constData(), bytes.size()); }
  // Writes the collected bytes and these at once, nothing kept in memory.
  void write(const char* data, qsizetype size);

  // Writes out the rest, syncs and closes the new file; the target is untouched.
  void finish();
  // Finishes when needed, then puts the new file in place of the target.
  void commit();
  // Closes and removes the new file unless committed; never raises.
  void discard() noexcept;

  // The file that commit() replaces (a followed link resolved).
  const QString& target() const { return target_; }
  // The new file beside the target, empty once committed or discarded.
  const QString& temporary() const { return temporary_; }

 private:
  void flush();
  void writeAll(const char* data, qsizetype size);

  int fd_ = -1;
  QByteArray buffer_;
  qsizetype used_ = 0;
  QString target_;
  QString temporary_;
};

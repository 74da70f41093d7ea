#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>

#include "InitSet.h"
#include "os/Cp1251.h"
#include "os/Errors.h"

namespace {

QString errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.message();
  }
  return QStringLiteral("no error");
}

QByteArray pattern(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// Makes a file unwritable, for root too (the immutable flag); undone when the
// object goes so that the temporary folder can be removed.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const QString& name) : name_(QFile::encodeName(name)) {
    ::chmod(name_.constData(), 0444);
    if (::geteuid() == 0) immutable_ = setImmutable(true);
    effective_ = ::geteuid() != 0 || immutable_;
  }
  ~ReadOnlyFile() {
    if (immutable_) setImmutable(false);
    ::chmod(name_.constData(), 0644);
  }
  // False when the file system offers no way to lock out root.
  bool effective() const { return effective_; }

 private:
  bool setImmutable(bool on) {
    const int fd = ::open(name_.constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  QByteArray name_;
  bool immutable_ = false;
  bool effective_ = false;
};

// Files of this process may grow to the given size only; a write beyond it
// fails (SIGXFSZ ignored, as the programs do). Undone when the object goes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

mode_t modeOf(const QString& name) {
  struct stat st;
  return ::lstat(QFile::encodeName(name).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class InitSetFiles : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
  QString write(const QString& name, const QByteArray& bytes) {
    const QString full = path(name);
    QFile f(full);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return full;
  }
  static QByteArray read(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
  }
  static bool isDir(const QString& name) { return QFileInfo(name).isDir(); }
  // Every name in the folder, hidden ones included.
  QStringList entries(const QString& folder = QString()) const {
    return QDir(folder.isEmpty() ? dir_.path() : folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  }

  QTemporaryDir dir_;
};

}  // namespace

TEST(AddPathDelimiter, AddsTheDelimiterOnlyWhenNeitherEndsThePath) {
  const struct {
    QString path, expected;
  } cases[] = {
      {"/opt/velton", "/opt/velton/"},
      {"/opt/velton/", "/opt/velton/"},
      {"c:/velton", "c:/velton/"},
      {"c:/velton/", "c:/velton/"},
      {"c:\\velton\\", "c:\\velton\\"},
      {"c:\\velton", "c:\\velton/"},
      {"velton//", "velton//"},
      {" velton ", " velton /"},
      {"", "/"},
      {"/", "/"},
      {"\\", "\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(AddPathDelimiter(c.path), c.expected) << c.path.toStdString();
}

TEST_F(InitSetFiles, EnsureDirectoryCreatesOneLevelAndReturnsWhenItExists) {
  const QString folder = path("velton");
  EnsureDirectory(folder + "/");
  EXPECT_TRUE(isDir(folder));
  write("velton/keep", "x");
  EnsureDirectory(folder + "/");  // again: nothing happens
  EnsureDirectory(folder);
  EXPECT_EQ(read(folder + "/keep"), QByteArray("x"));

  // a trailing "\" is a delimiter too
  EnsureDirectory(path("other\\"));
  EXPECT_TRUE(isDir(path("other")));
  EXPECT_FALSE(QFileInfo::exists(path("other\\")));
}

TEST_F(InitSetFiles, EnsureDirectoryRefusalsNameTheFolderWithoutItsDelimiter) {
  write("file", "x");
  const struct {
    QString path, expected;
  } cases[] = {
      {path("missing/data/"), "Cannot create " + path("missing/data")},
      {path("missing/data"), "Cannot create " + path("missing/data")},
      {path("file"), "Cannot create " + path("file")},
      {path("file/"), "Cannot create " + path("file")},
      {"", "Cannot create "},
      {"/", "Cannot create "},
      {"\\", "Cannot create "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(errorOf([&] { EnsureDirectory(c.path); }), c.expected) << c.path.toStdString();
  EXPECT_FALSE(QFileInfo::exists(path("missing")));
  EXPECT_EQ(read(path("file")), QByteArray("x"));
}

TEST_F(InitSetFiles, FileInFolderTakesATrailingBackslashAsTheDelimiter) {
  EXPECT_EQ(FileInFolder("/opt/velton/", "Base.ini"), QString("/opt/velton/Base.ini"));
  EXPECT_EQ(FileInFolder("velton\\", "Base.ini"), QString("velton/Base.ini"));
  EXPECT_EQ(FileInFolder("a\\b/", "Base.ini"), QString("a\\b/Base.ini"));
}

TEST_F(InitSetFiles, CopyFileBlocksCopiesEveryByteAroundTheBlockSize) {
  for (int size : {0, 1, 4095, 4096, 4097, 3 * 4096 + 17}) {
    const QByteArray bytes = pattern(size);
    const QString source = write("source.bin", bytes);
    const QString destination = path("copy.bin");
    CopyFileBlocks(source, destination);
    EXPECT_EQ(read(destination), bytes) << size;
  }
}

TEST_F(InitSetFiles, CopyFileBlocksReplacesAnExistingDestination) {
  const QByteArray bytes("short\r\n\x00\xff", 9);
  const QString source = write("source.bin", bytes);
  const QString destination = write("dest.bin", QByteArray(10000, 'o'));
  CopyFileBlocks(source, destination);
  EXPECT_EQ(read(destination), bytes);
}

TEST_F(InitSetFiles, CopyFileBlocksFromAMissingSourceTouchesNoDestination) {
  const QString kept = write("dest.bin", "old");
  EXPECT_EQ(errorOf([&] { CopyFileBlocks(path("missing.bin"), kept); }), QString("File not found"));
  EXPECT_EQ(read(kept), QByteArray("old"));
  EXPECT_EQ(errorOf([&] { CopyFileBlocks(path("missing.bin"), path("new.bin")); }), QString("File not found"));
  EXPECT_FALSE(QFileInfo::exists(path("new.bin")));
}

TEST_F(InitSetFiles, CopyFileBlocksReportsADestinationThatCannotBeCreated) {
  const QString source = write("source.bin", "abc");
  EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, path("nofolder/copy.bin")); }), QString("Path not found"));
  QDir(dir_.path()).mkdir("folder");
  EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, path("folder")); }), QString("File access denied"));
  EXPECT_EQ(read(source), QByteArray("abc"));
}

TEST_F(InitSetFiles, CopyFileBlocksReadsAReadOnlySource) {
  const QString source = write("source.bin", pattern(5000));
  ReadOnlyFile lock(source);
  if (!lock.effective()) GTEST_SKIP() << "cannot make a file read-only for root here";
  CopyFileBlocks(source, path("copy.bin"));
  EXPECT_EQ(read(path("copy.bin")), pattern(5000));
}

TEST_F(InitSetFiles, CopyFileBlocksOntoTheSourceItselfLeavesItWhole) {
  const QByteArray bytes = pattern(9000);
  const QString source = write("source.bin", bytes);
  ASSERT_EQ(::link(QFile::encodeName(source).constData(), QFile::encodeName(path("hard.bin")).constData()), 0);
  ASSERT_TRUE(QFile::link(source, path("soft.bin")));
  QDir(dir_.path()).mkdir("sub");
  const QString names[] = {source, path("./source.bin"), path("sub/../source.bin"), path("hard.bin"),
                           path("soft.bin")};
  for (const QString& name : names) {
    EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, name); }), QString("no error")) << name.toStdString();
    EXPECT_EQ(read(source), bytes) << name.toStdString();
  }
  const QString relative = QDir::current().relativeFilePath(source);
  CopyFileBlocks(relative, source);
  EXPECT_EQ(read(source), bytes);
}

TEST(BaseIniBytes, TheFactoryPasswordGivesFourLinesTheFourthEmpty) {
  const QByteArray bytes = BaseIniBytes("c:\\velton\\", "DBSERVER", "D:\\DATA\\BASE.FDB", "quietfern");
  EXPECT_EQ(bytes, QByteArray("DBSERVER:D:\\DATA\\BASE.FDB\r\nc:\\velton\\\r\nDBSERVER\r\n\r\n"));
  EXPECT_EQ(bytes.size(), 51);
}

TEST(BaseIniBytes, AnyOtherPasswordIsWrittenAsTypedOnLineFour) {
  const QByteArray head("srv:/data/base.fdb\r\n/opt/velton/\r\nsrv\r\n");
  const struct {
    QString password;
    QByteArray line;  // nullptr: no password line
  } cases[] = {
      {"quietfern", QByteArray()},
      {"Quietfern", "Quietfern\r\n"},
      {"QUIETFERN", "QUIETFERN\r\n"},
      {"quietfern ", "quietfern \r\n"},
      {" quietfern", " quietfern\r\n"},
      {"quietfer", "quietfer\r\n"},
      {"", "\r\n"},
      {"masterkey", "masterkey\r\n"},
      {QString::fromUtf8("пароль"), "\xef\xe0\xf0\xee\xeb\xfc\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BaseIniBytes("/opt/velton/", "srv", "/data/base.fdb", c.password), head + c.line + "\r\n")
        << c.password.toStdString();
}

TEST(BaseIniBytes, TextsAreWrittenAsTheyStandInWindows1251) {
  EXPECT_EQ(BaseIniBytes("/opt/velton/", "  srv ", " /data/base.fdb ", "quietfern"),
            QByteArray("  srv : /data/base.fdb \r\n/opt/velton/\r\n  srv \r\n\r\n"));
  EXPECT_EQ(BaseIniBytes(QString::fromUtf8("/opt/Вельтон/"), "srv", QString::fromUtf8("/data/база.fdb"), "quietfern"),
            QByteArray("srv:/data/\xe1\xe0\xe7\xe0.fdb\r\n/opt/\xc2\xe5\xeb\xfc\xf2\xee\xed/\r\nsrv\r\n\r\n"));
  EXPECT_THROW(BaseIniBytes("/opt/velton/", "srv", QString::fromUtf8("/data/数据.fdb"), "quietfern"), EConvertError);
}

TEST_F(InitSetFiles, WriteBaseIniCreatesTheFolderAndWritesTheFile) {
  const QString folder = AddPathDelimiter(path("velton"));
  WriteBaseIni(folder, "DBSERVER", "D:\\DATA\\BASE.FDB", "quietfern");
  EXPECT_EQ(read(path("velton/Base.ini")),
            "DBSERVER:D:\\DATA\\BASE.FDB\r\n" + Cp1251::encode(folder) + "\r\nDBSERVER\r\n\r\n");

  // again with a password: the longer old file is replaced
  write("velton/Base.ini", QByteArray(500, 'o'));
  WriteBaseIni(folder, "DBSERVER", "D:\\DATA\\BASE.FDB", "secret");
  EXPECT_EQ(read(path("velton/Base.ini")),
            "DBSERVER:D:\\DATA\\BASE.FDB\r\n" + Cp1251::encode(folder) + "\r\nDBSERVER\r\nsecret\r\n\r\n");
}

TEST_F(InitSetFiles, WriteBaseIniIntoAFolderEndingInBackslashWritesInsideIt) {
  const QString folder = path("velton\\");
  WriteBaseIni(folder, "srv", "db", "quietfern");
  EXPECT_EQ(read(path("velton/Base.ini")), "srv:db\r\n" + Cp1251::encode(folder) + "\r\nsrv\r\n\r\n");
}

TEST_F(InitSetFiles, WriteBaseIniFailuresLeaveFilesAsTheyWere) {
  EXPECT_EQ(errorOf([&] { WriteBaseIni(path("missing/velton/"), "srv", "db", "quietfern"); }),
            "Cannot create " + path("missing/velton"));
  EXPECT_FALSE(QFileInfo::exists(path("missing")));

  EXPECT_EQ(errorOf([&] { WriteBaseIni(path("velton/"), "srv", QString::fromUtf8("数据"), "quietfern"); }),
            errorOf([] { BaseIniBytes("/", "srv", QString::fromUtf8("数据"), "quietfern"); }));
  EXPECT_FALSE(QFileInfo::exists(path("velton")));

  QDir(dir_.path()).mkdir("locked");
  const QString old = write("locked/Base.ini", "old\r\n");
  ReadOnlyFile lock(old);
  if (!lock.effective()) GTEST_SKIP() << "cannot make a file read-only for root here";
  EXPECT_EQ(errorOf([&] { WriteBaseIni(path("locked/"), "srv", "db", "quietfern"); }), QString("File access denied"));
  EXPECT_EQ(read(old), QByteArray("old\r\n"));
}

// A write that stores fewer bytes than it was given is an error: the copy of
// 10,000 bytes under a limit of 5,120 says so, with the file system's text,
// and neither a partial copy nor a changed destination stays behind.
TEST_F(InitSetFiles, CopyFileBlocksStoppedShortSaysSoAndLeavesTheDestination) {
  const QString source = write("source.bin", pattern(10000));
  const QString old = write("dest.bin", "old");
  {
    FileSizeLimit limit(5120);
    EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, old); }), QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, path("new.bin")); }), QString::fromLocal8Bit(std::strerror(EFBIG)));
  }
  EXPECT_EQ(read(old), QByteArray("old"));
  EXPECT_EQ(entries(), (QStringList{"dest.bin", "source.bin"}));
  // A pipe at the name is not replaced.
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0644), 0);
  EXPECT_EQ(errorOf([&] { CopyFileBlocks(source, path("pipe")); }), QString("File access denied"));
  EXPECT_TRUE(QFileInfo(path("pipe")).exists() && !QFileInfo(path("pipe")).isFile());
  ASSERT_TRUE(QFile::remove(path("pipe")));
  CopyFileBlocks(source, old);
  EXPECT_EQ(read(old), pattern(10000));
}

TEST_F(InitSetFiles, WriteBaseIniUnderAFileSizeLimitLeavesTheOldFile) {
  const QString folder = AddPathDelimiter(path("velton"));
  WriteBaseIni(folder, "srv", "db", "quietfern");
  const QByteArray old = read(path("velton/Base.ini"));
  {
    FileSizeLimit limit(20);
    EXPECT_EQ(errorOf([&] { WriteBaseIni(folder, "DBSERVER", "D:\\DATA\\BASE.FDB", "secret"); }),
              QString::fromLocal8Bit(std::strerror(EFBIG)));
  }
  EXPECT_EQ(read(path("velton/Base.ini")), old);
  EXPECT_EQ(entries(path("velton")), QStringList{"Base.ini"});
}

// With a password the file and its copy are the owner's alone; without one
// they get what the umask gives. A link at the name is replaced, the file it
// names left as it was.
TEST_F(InitSetFiles, BaseIniWithAPasswordIsReadableByItsOwnerOnly) {
  const mode_t previousMask = ::umask(022);
  const QString folder = AddPathDelimiter(path("velton"));
  const QString file = path("velton/Base.ini");
  WriteBaseIni(folder, "srv", "db", "quietfern");
  EXPECT_EQ(modeOf(file), 0644u);
  CopyFileBlocks(file, path("copy-plain.ini"));
  EXPECT_EQ(modeOf(path("copy-plain.ini")), 0644u);

  WriteBaseIni(folder, "srv", "db", "secret");
  EXPECT_EQ(modeOf(file), 0600u);
  write("copy.ini", "old copy");
  ::chmod(QFile::encodeName(path("copy.ini")).constData(), 0644);
  CopyFileBlocks(file, path("copy.ini"));
  EXPECT_EQ(modeOf(path("copy.ini")), 0600u);
  EXPECT_EQ(read(path("copy.ini")), read(file));
  CopyFileBlocks(file, path("copy-new.ini"));
  EXPECT_EQ(modeOf(path("copy-new.ini")), 0600u);

  WriteBaseIni(folder, "srv", "db", "quietfern");  // no password: the umask again
  EXPECT_EQ(modeOf(file), 0644u);

  const QString elsewhere = write("elsewhere.txt", "not Base.ini");
  ASSERT_TRUE(QFile::remove(file));
  ASSERT_TRUE(QFile::link(elsewhere, file));
  WriteBaseIni(folder, "srv", "db", "secret");
  EXPECT_FALSE(QFileInfo(file).isSymLink());
  EXPECT_EQ(read(file), BaseIniBytes(folder, "srv", "db", "secret"));
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(read(elsewhere), QByteArray("not Base.ini"));
  EXPECT_EQ(entries(path("velton")), QStringList{"Base.ini"});
  ::umask(previousMask);
}

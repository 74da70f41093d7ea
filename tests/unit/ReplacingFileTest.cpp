#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <sys/stat.h>

#include "os/Errors.h"
#include "os/ReplacingFile.h"

namespace {

class ReplacingFiles : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QString write(const char* name, const QByteArray& bytes) {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path(name);
  }
  static QByteArray read(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QStringList entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  }
  static QString errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.message();
    }
    return QStringLiteral("no error");
  }
  QTemporaryDir dir_;
};

}  // namespace

// Appended bytes beyond the buffer and written blocks come out in their order;
// nothing shows at the target before commit, and a dropped file leaves nothing.
TEST_F(ReplacingFiles, BytesReachTheTargetOnlyOnCommit) {
  const QString target = write("t.sql", "old");
  QByteArray expected;
  {
    ReplacingFile file;
    file.create(target);
    file.append(QByteArray(3 << 20, 'x'));
    EXPECT_EQ(read(target), QByteArray("old"));
    EXPECT_EQ(entries().size(), 2);
  }
  EXPECT_EQ(entries(), QStringList{"t.sql"});

  ReplacingFile file;
  file.create(target);
  for (int i = 0; i < 300000; ++i) {
    const QByteArray line = "line " + QByteArray::number(i) + "\r\n";
    file.append(line);
    expected += line;
  }
  file.write("block", 5);
  expected += "block";
  file.append(QByteArray(2 << 20, 'y'));
  expected += QByteArray(2 << 20, 'y');
  file.finish();
  EXPECT_EQ(read(target), QByteArray("old"));
  file.commit();
  EXPECT_EQ(read(target), expected);
  EXPECT_EQ(entries(), QStringList{"t.sql"});
}

// Followed, a link's file is replaced and the link stays; replaced, the link
// goes and its file stays. Anything but a file is refused and left alone.
TEST_F(ReplacingFiles, LinksAndWhatIsNoFile) {
  const QString named = write("named.txt", "named");
  ASSERT_TRUE(QFile::link(named, path("link")));
  ReplacingFile followed;
  followed.create(path("link"));
  followed.append(QByteArray("through"));
  followed.commit();
  EXPECT_TRUE(QFileInfo(path("link")).isSymLink());
  EXPECT_EQ(read(named), QByteArray("through"));

  ReplacingFile replaced;
  replaced.create(path("link"), ReplacingFile::Access::KeepTarget, ReplacingFile::Link::Replace);
  replaced.append(QByteArray("instead"));
  replaced.commit();
  EXPECT_FALSE(QFileInfo(path("link")).isSymLink());
  EXPECT_EQ(read(path("link")), QByteArray("instead"));
  EXPECT_EQ(read(named), QByteArray("through"));

  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0644), 0);
  ReplacingFile pipe;
  EXPECT_EQ(errorOf([&] { pipe.create(path("pipe")); }), QStringLiteral("File access denied"));
  EXPECT_EQ(errorOf([&] { pipe.create(dir_.path()); }), QStringLiteral("File access denied"));
  EXPECT_EQ(errorOf([&] { pipe.create(path("missing/t.sql")); }), QStringLiteral("Path not found"));
  EXPECT_EQ(errorOf([&] { pipe.append("x", 1); }), QStringLiteral("File not open"));
  EXPECT_EQ(entries(), (QStringList{"link", "named.txt", "pipe"}));
}

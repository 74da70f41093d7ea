#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

#include "os/Errors.h"
#include "os/TextFile.h"

namespace {

class TextFiles : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QString write(const QByteArray& bytes) {
    const QString name = path("t.txt");
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return name;
  }
  QByteArray read(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(TextFiles, LinesEndAtLfOrCrLfAndReadingPastTheEndGivesEmptyLines) {
  const struct {
    const char* name;
    QByteArray content;
    std::vector<QByteArray> lines;  // then eof
  } cases[] = {
      {"LF", "one\ntwo\n", {"one", "two"}},
      {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
      {"lone CR inside a line", "a\rb\r\nc", {"a\rb", "c"}},
      {"CR CR LF keeps one CR", "a\r\r\n", {"a\r"}},
      {"last line without end", "one\r\nlast", {"one", "last"}},
      {"empty lines", "\n\r\n\n", {"", "", ""}},
      {"empty file", "", {}},
      {"Windows-1251 bytes as they stand", "\xcf\xd0\xc8\r\n", {"\xcf\xd0\xc8"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextFileReader reader;
    reader.open(write(c.content));
    for (const QByteArray& line : c.lines) {
      EXPECT_FALSE(reader.eof());
      EXPECT_EQ(reader.readLineBytes(), line);
    }
    EXPECT_TRUE(reader.eof());
    EXPECT_EQ(reader.readLineBytes(), QByteArray());
    EXPECT_EQ(reader.readLineBytes(), QByteArray());
    EXPECT_TRUE(reader.eof());
    reader.close();
  }
}

TEST_F(TextFiles, LongLineAcrossReadBlocks) {
  const QByteArray longLine(200000, 'x');
  TextFileReader reader;
  reader.open(write(longLine + "\r\n" + longLine));
  EXPECT_EQ(reader.readLineBytes(), longLine);
  EXPECT_EQ(reader.readLineBytes(), longLine);
  EXPECT_TRUE(reader.eof());
}

TEST_F(TextFiles, LineBeginningsKeepWhatIsAskedForAndPassOverTheRest) {
  const struct {
    const char* name;
    QByteArray content;
    qint64 maxBytes;
    QByteArray first, second;
  } cases[] = {
      {"shorter line", "abc\r\nnext", 16, "abc", "next"},
      {"CR LF right after the limit", "abc\r\nnext", 3, "abc", "next"},
      {"CR LF one past the limit", "abc\r\nnext", 4, "abc", "next"},
      {"longer line", "abcdef\r\nnext", 4, "abcd", "next"},
      {"lone CR stays", "ab\rc\nnext", 3, "ab\r", "next"},
      {"LF alone", "abc\nnext\n", 2, "ab", "next"},
      {"rest of the line across read blocks", QByteArray(200000, 'x') + "\r\nnext", 16, QByteArray(16, 'x'), "next"},
      {"at the end", "", 16, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextFileReader reader;
    reader.open(write(c.content));
    EXPECT_EQ(reader.readLineBytes(c.maxBytes), c.first);
    EXPECT_EQ(reader.readLineBytes(), c.second);
    EXPECT_TRUE(reader.eof());
    reader.close();
  }
}

// A sparse file: line 1 of 2^31 + 10 bytes, then a short one.
TEST_F(TextFiles, LinePastTwoGibibytes) {
  const QString name = path("sparse.txt");
  {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ab");
    ASSERT_TRUE(f.seek((qint64(1) << 31) + 10));
    f.write("\r\nsecond\r\n");
  }
  TextFileReader reader;
  reader.open(name);
  EXPECT_EQ(reader.readLineBytes(16), QByteArray("ab") + QByteArray(14, '\0'));
  EXPECT_EQ(reader.readLineBytes(), QByteArray("second"));
  EXPECT_TRUE(reader.eof());
  reader.rewind();
  EXPECT_EQ(reader.readLineBytes(2), QByteArray("ab"));
  reader.close();
}

TEST_F(TextFiles, BytesAfterLinesAndRewind) {
  TextFileReader reader;
  reader.open(write("one\r\ntwo\r\nthree"));
  EXPECT_EQ(reader.readLineBytes(), QByteArray("one"));
  char buffer[64];
  const qint64 n = reader.readBytes(buffer, sizeof buffer);
  EXPECT_EQ(QByteArray(buffer, int(n)), QByteArray("two\r\nthree"));
  EXPECT_EQ(reader.readBytes(buffer, sizeof buffer), 0);
  reader.rewind();
  EXPECT_EQ(reader.readLineBytes(), QByteArray("one"));
  reader.close();
  EXPECT_THROW(reader.rewind(), EInOutError);
}

TEST_F(TextFiles, ReaderDecodesWindows1251) {
  TextFileReader reader;
  reader.open(write("\xc2\xe5\xeb\xfc\xf2\xee\xed\r\n"));
  EXPECT_EQ(reader.readLine(), QString::fromUtf8("Вельтон"));
}

TEST_F(TextFiles, FailuresCarryTheFileSystemsText) {
  auto textOf = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EInOutError& e) {
      return e.message();
    }
    return QStringLiteral("no error");
  };
  TextFileReader reader;
  EXPECT_EQ(textOf([&] { reader.open(path("missing.txt")); }), QStringLiteral("File not found"));
  EXPECT_EQ(textOf([&] { reader.open(path("nofolder/x.txt")); }), QStringLiteral("Path not found"));
  EXPECT_EQ(textOf([&] { reader.open(dir_.path()); }), QStringLiteral("File access denied"));
  // a pipe without a writer and a device are refused at once, not waited on or read without end
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0644), 0);
  EXPECT_EQ(textOf([&] { reader.open(path("pipe")); }), QStringLiteral("File access denied"));
  EXPECT_EQ(textOf([&] { reader.open(QStringLiteral("/dev/zero")); }), QStringLiteral("File access denied"));
  BinaryFile binary;
  EXPECT_EQ(textOf([&] { binary.openRead(path("pipe")); }), QStringLiteral("File access denied"));
  EXPECT_EQ(textOf([&] { reader.readLineBytes(); }), QStringLiteral("File not open"));
  if (::geteuid() != 0) {
    const QString locked = write("x");
    ::chmod(QFile::encodeName(locked).constData(), 0);
    EXPECT_EQ(textOf([&] { reader.open(locked); }), QStringLiteral("File access denied"));
  }
}

TEST_F(TextFiles, BinaryFileCopiesBlocks) {
  const QString source = write(QByteArray(4097, 'a'));
  BinaryFile in, out;
  in.openRead(source);
  out.create(path("copy.bin"));
  char buffer[4096];
  std::vector<int> reads;
  for (int n; (n = in.read(buffer, sizeof buffer)) > 0;) {
    reads.push_back(n);
    EXPECT_EQ(out.write(buffer, n), n);
  }
  in.close();
  out.close();
  EXPECT_EQ(reads, (std::vector<int>{4096, 1}));
  EXPECT_EQ(read(path("copy.bin")), QByteArray(4097, 'a'));
  EXPECT_THROW(in.openRead(path("missing")), EInOutError);
}

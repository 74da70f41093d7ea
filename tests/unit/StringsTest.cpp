#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "os/FileSystem.h"
#include "os/Strings.h"
#include "os/System.h"

TEST(Strings, TrimRemovesCodesUpTo32AtBothEnds) {
  EXPECT_EQ(Strings::trim(QString::fromUtf8("\x01\t  ИВАНОВ И\r\n \x1f")), QString::fromUtf8("ИВАНОВ И"));
  EXPECT_EQ(Strings::trim(QStringLiteral(" \x7f")), QStringLiteral("\x7f"));  // 127 stays
  EXPECT_EQ(Strings::trim(QString::fromUtf8("\u00a0x\u00a0")), QString::fromUtf8("\u00a0x\u00a0"));
  EXPECT_EQ(Strings::trim(QByteArray(" \x00 ab c\x20", 7)), QByteArray("ab c"));
  EXPECT_EQ(Strings::trim(QString(" \t ")), QString());
}

TEST(Strings, UpperCasing) {
  EXPECT_EQ(Strings::upperAscii(QString::fromUtf8("orlane.exe вася")), QString::fromUtf8("ORLANE.EXE вася"));
  EXPECT_EQ(Strings::upperLocale(QString::fromUtf8("plumo вася ё")), QString::fromUtf8("PLUMO ВАСЯ Ё"));
}

TEST(FileSystem, ExistenceFoldersAndRelativeNames) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("Base.ini"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_TRUE(FileSystem::fileExists(file));
  EXPECT_FALSE(FileSystem::fileExists(dir.path()));
  EXPECT_FALSE(FileSystem::fileExists(QString()));
  EXPECT_TRUE(FileSystem::directoryExists(dir.path()));
  EXPECT_FALSE(FileSystem::directoryExists(file));

  const QString old = QDir::currentPath();
  QDir::setCurrent(dir.path());
  EXPECT_TRUE(FileSystem::fileExists(QStringLiteral("Base.ini")));
  QDir::setCurrent(old);

  EXPECT_TRUE(FileSystem::createDirectory(dir.filePath(QStringLiteral("a"))));
  EXPECT_FALSE(FileSystem::createDirectory(dir.filePath(QStringLiteral("a"))));
  EXPECT_FALSE(FileSystem::createDirectory(dir.filePath(QStringLiteral("x/y"))));
  EXPECT_FALSE(FileSystem::directoryExists(dir.filePath(QStringLiteral("x"))));
}

TEST(System, ProgramComputerAndDates) {
  EXPECT_TRUE(FileSystem::fileExists(FileSystem::programPath()));
  EXPECT_TRUE(FileSystem::programPath().startsWith(FileSystem::programFolder() + QLatin1Char('/')));
  EXPECT_FALSE(FileSystem::programFolder().endsWith(QLatin1Char('/')));
  EXPECT_LE(System::computerName().size(), 15);
  EXPECT_FALSE(System::computerName().isEmpty());

  const QDate day(2026, 3, 7);
  EXPECT_EQ(System::parseShortDate(System::shortDateText(day)), day);
  EXPECT_EQ(System::dateTimeText(QDateTime(day, QTime(0, 0))), System::shortDateText(day));
  EXPECT_TRUE(System::dateTimeText(QDateTime(day, QTime(0, 0, 1))).startsWith(System::shortDateText(day) + " "));
  EXPECT_EQ(System::currentDateText(), System::shortDateText(QDate::currentDate()));
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/ScriptedPrompter.h"
#include "ui/ButtonEdits.h"
#include "ui/Dialogs.h"

TEST(FileDialogs, DefaultExtensionAndLastNameKept) {
  ScriptedPrompter prompter;
  TSaveDialog save;
  save.fileName = QStringLiteral("Repl");
  save.defaultExt = QStringLiteral(".sql");
  save.filter = QString::fromUtf8("Скрипты|*.sql");
  prompter.expectSaveFile(QStringLiteral("/tmp/out")).expectSaveFile(QStringLiteral("/tmp/out.txt")).expectSaveFileCancel();
  EXPECT_TRUE(save.execute());
  EXPECT_EQ(save.fileName, QStringLiteral("/tmp/out.sql"));
  EXPECT_TRUE(save.execute());
  EXPECT_EQ(save.fileName, QStringLiteral("/tmp/out.txt"));
  EXPECT_FALSE(save.execute());
  EXPECT_EQ(save.fileName, QStringLiteral("/tmp/out.txt"));
  ASSERT_EQ(prompter.shown().size(), 3);
  EXPECT_EQ(prompter.shown()[0].file.fileName, QStringLiteral("Repl"));
  EXPECT_EQ(prompter.shown()[1].file.fileName, QStringLiteral("/tmp/out.sql"));
  EXPECT_EQ(qtFileFilter(QString::fromUtf8("SQL скрипты|*.SQL|Все|*.a;*.b")),
            QString::fromUtf8("SQL скрипты (*.SQL);;Все (*.a *.b)"));
}

TEST(FileDialogs, OpenDialogAddsTheDefaultExtensionOnlyToANameWithoutAFile) {
  ScriptedPrompter prompter;
  QTemporaryDir dir;
  for (const char* name : {"script", "script.sql"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  TOpenDialog open;
  open.defaultExt = QStringLiteral("sql");
  open.filter = QString::fromUtf8("SQL скрипты|*.SQL");
  open.initialDir = dir.path();
  const struct {
    const char* chosen;
    const char* opened;
  } cases[] = {
      {"script", "script"},           // exists as named
      {"script.sql", "script.sql"},
      {"other", "other.sql"},         // no such file: the extension is added
      {"other.txt", "other.txt"},
  };
  for (const auto& c : cases) {
    prompter.expectOpenFile(dir.filePath(QString::fromLatin1(c.chosen)));
    EXPECT_TRUE(open.execute());
    EXPECT_EQ(open.fileName, dir.filePath(QString::fromLatin1(c.opened))) << c.chosen;
  }
  ASSERT_EQ(prompter.shown().size(), 4);
  EXPECT_EQ(prompter.shown()[0].file.initialDir, dir.path());
  EXPECT_EQ(prompter.shown()[0].file.fileName, QString());
  EXPECT_EQ(prompter.shown()[1].file.fileName, dir.filePath(QStringLiteral("script")));  // the last name kept
  EXPECT_EQ(prompter.shown()[0].file.filter, QString::fromUtf8("SQL скрипты|*.SQL"));
}

TEST(FileDialogs, FileAndFolderEditsFillTheEdit) {
  ScriptedPrompter prompter;
  QTemporaryDir dir;
  TFilenameEdit file;
  file.setFilter(QString::fromUtf8("Файлы баз данных|*.fdb"));
  file.setText(QStringLiteral("BaseFile"));
  prompter.expectOpenFile(dir.filePath(QStringLiteral("a.fdb")));
  file.clickButton();
  EXPECT_EQ(file.text(), dir.filePath(QStringLiteral("a.fdb")));
  EXPECT_EQ(prompter.shown().back().file.filter, QString::fromUtf8("Файлы баз данных|*.fdb"));

  TDirectoryEdit folder;
  folder.emptyStartDir = dir.path();
  folder.setText(QString());
  EXPECT_EQ(folder.startFolder(), dir.path());
  folder.setText(dir.filePath(QStringLiteral("missing")));
  EXPECT_EQ(folder.startFolder(), QDir::rootPath());
  folder.emptyStartDir = dir.filePath(QStringLiteral("missing"));
  folder.setText(QString());
  EXPECT_EQ(folder.startFolder(), QDir::rootPath());
  folder.setText(dir.path());
  prompter.expectFolder(QStringLiteral("/opt")).expectFolderCancel();
  folder.clickButton();
  EXPECT_EQ(prompter.shown().back().text, dir.path());
  EXPECT_EQ(folder.text(), QStringLiteral("/opt"));
  folder.clickButton();
  EXPECT_EQ(folder.text(), QStringLiteral("/opt"));
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "test_helpers.h"

using balvix::testing::runProgram;
using balvix::testing::writeFile;

TEST(Startup, MissingDatabaseEndsWithAMessageAndCreatesNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  QString error;
  EXPECT_NE(runProgram({"--db", path}, &error), 0);
  EXPECT_TRUE(Contains(error, QDir::toNativeSeparators(path)));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(Startup, TextFileInsteadOfDatabaseIsRefusedAndLeftAlone) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  const QByteArray content = "Это не база данных, а просто текст.\n";
  writeFile(path, content);
  QString error;
  EXPECT_NE(runProgram({"--db", path}, &error), 0);
  EXPECT_TRUE(Contains(error, QStringLiteral("basa.mdb")));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), content);
}

TEST(Startup, NewDatabaseCommandCreatesAFileThatRefusesToBeOverwritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("новая.mdb"));
  EXPECT_EQ(runProgram({"--new-database", path}), 0);
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_NE(runProgram({"--new-database", path}), 0);
}

TEST(Startup, BackupCommandWritesACopyAndRefusesWhatIsNotADatabase) {
  QTemporaryDir dir;
  const QString db = dir.filePath(QStringLiteral("basa.mdb"));
  const QString copy = dir.filePath(QStringLiteral("копия basa.mdb"));
  ASSERT_EQ(runProgram({"--new-database", db}), 0);
  EXPECT_EQ(runProgram({"--backup", db, copy}), 0);
  QFile file(copy);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(16).startsWith("SQLite format 3"));
  // Last week's copy is replaced only when the command says so.
  QString refusal;
  EXPECT_EQ(runProgram({"--backup", db, copy}, &refusal), 1);
  EXPECT_TRUE(Contains(refusal, QStringLiteral("--force")));
  EXPECT_EQ(runProgram({"--backup", db, copy, "--force"}), 0);

  const QString text = dir.filePath(QStringLiteral("текст.mdb"));
  writeFile(text, "не база");
  QString error;
  EXPECT_NE(runProgram({"--backup", text, dir.filePath(QStringLiteral("2.mdb"))}, &error), 0);
  EXPECT_TRUE(Contains(error, QStringLiteral("текст.mdb")));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("2.mdb"))));
  EXPECT_NE(runProgram({"--backup", db}), 0);
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "test_helpers.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString err;
};

Outcome runProgram(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(BALVIX_BINARY), args);
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(Startup, MissingDatabaseEndsWithAMessageAndCreatesNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  const Outcome run = runProgram({"--db", path});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_TRUE(Contains(run.err, QDir::toNativeSeparators(path)));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(Startup, TextFileInsteadOfDatabaseIsRefusedAndLeftAlone) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  const QByteArray content = "Это не база данных, а просто текст.\n";
  balvix::testing::writeFile(path, content);
  const Outcome run = runProgram({"--db", path});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_TRUE(Contains(run.err, QStringLiteral("basa.mdb")));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), content);
}

TEST(Startup, NewDatabaseCommandCreatesAFileThatRefusesToBeOverwritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("новая.mdb"));
  EXPECT_EQ(runProgram({"--new-database", path}).exitCode, 0);
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_NE(runProgram({"--new-database", path}).exitCode, 0);
}

TEST(Startup, BackupCommandWritesACopyAndRefusesWhatIsNotADatabase) {
  QTemporaryDir dir;
  const QString db = dir.filePath(QStringLiteral("basa.mdb"));
  const QString copy = dir.filePath(QStringLiteral("копия basa.mdb"));
  ASSERT_EQ(runProgram({"--new-database", db}).exitCode, 0);
  EXPECT_EQ(runProgram({"--backup", db, copy}).exitCode, 0);
  QFile file(copy);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(16).startsWith("SQLite format 3"));
  file.close();

  const QString text = dir.filePath(QStringLiteral("текст.mdb"));
  balvix::testing::writeFile(text, "не база");
  const Outcome refused = runProgram({"--backup", text, dir.filePath(QStringLiteral("2.mdb"))});
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_TRUE(Contains(refused.err, QStringLiteral("текст.mdb")));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("2.mdb"))));
  EXPECT_NE(runProgram({"--backup", db}).exitCode, 0);
}

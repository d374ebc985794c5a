#include "storage/database_file.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "storage/sql_text.h"
#include "storage/table_rebuild.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

QByteArray contentOf(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int goodsCount(Session& db) {
  return db.openRecordset(QStringLiteral("SELECT count(*) FROM items_Справочник_Товары"))
      .value(0)
      .toInt();
}

void exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK)
      << (message ? message : "");
}

class DatabaseFileTest : public StorageTest {
 protected:
  void SetUp() override {
    BALVIX_FILE_ONLY("the file itself: change log, damaged pages, the copy API, file permissions");
  }
  // Another program's database, caught in the middle of a transaction: the files as a
  // crash (or a copy taken meanwhile) leaves them, with the journal or change log beside.
  QString foreignDatabaseInFlight(bool wal) {
    const QString live = path(wal ? QStringLiteral("живая.db") : QStringLiteral("живая2.db"));
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(live).constData(), &db);
    exec(db, wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE");
    exec(db,
         "PRAGMA wal_autocheckpoint=0; PRAGMA cache_size=5;"
         "CREATE TABLE t(a TEXT);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
         "INSERT INTO t SELECT printf('%0100d', i) FROM n;");
    if (!wal) exec(db, "BEGIN; UPDATE t SET a=upper(a)||'x';");
    const QString copy = path(wal ? QStringLiteral("чужая.db") : QStringLiteral("чужая2.db"));
    for (const QString suffix : {"", "-journal", "-wal"}) {
      if (QFile::exists(live + suffix)) QFile::copy(live + suffix, copy + suffix);
    }
    sqlite3_close_v2(db);
    EXPECT_TRUE(QFile::exists(copy + (wal ? QStringLiteral("-wal") : QStringLiteral("-journal"))));
    return copy;
  }

  void fillGoods(int rows) {
    createGoods();
    Transaction t(db());
    for (int i = 0; i < rows; ++i)
      db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,'%2','1')")
                       .arg(quote(QStringLiteral("Товар номер %1 ").arg(i).repeated(3)))
                       .arg(i));
    t.commit();
  }
};

TEST_F(DatabaseFileTest, AnotherProgramsFileInMidTransactionIsLeftExactlyAsItWas) {
  for (bool wal : {false, true}) {
    SCOPED_TRACE(wal ? "change log" : "journal");
    const QString file = foreignDatabaseInFlight(wal);
    const QString side = file + (wal ? QStringLiteral("-wal") : QStringLiteral("-journal"));
    const QByteArray main = contentOf(file);
    const QByteArray log = contentOf(side);
    ASSERT_FALSE(log.isEmpty());

    EXPECT_EQ(errorNumber([&] { Session::open(file); }), ErrorCode::NotADatabase);
    EXPECT_EQ(errorNumber([&] { backupDatabaseFile(file, path(QStringLiteral("копия.mdb"))); }),
              ErrorCode::NotADatabase);
    EXPECT_EQ(contentOf(file), main);
    EXPECT_EQ(contentOf(side), log);
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-shm")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("копия.mdb"))));

    // The engine itself would have changed the file: the journal was really pending.
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    exec(db, "SELECT count(*) FROM t");
    sqlite3_close(db);
    EXPECT_TRUE(contentOf(file) != main || !QFile::exists(side));
    for (const char* s : {"", "-wal", "-journal", "-shm"}) QFile::remove(file + QLatin1String(s));
  }
}

TEST_F(DatabaseFileTest, OwnDatabaseLeftWithItsChangeLogOpensWithEverything) {
  fillGoods(20);
  // The files as a crash leaves them: the change log has not been folded into the file.
  const QString copy = path(QStringLiteral("после_сбоя.mdb"));
  for (const QString suffix : {"", "-wal"})
    ASSERT_TRUE(QFile::copy(path(QStringLiteral("basa.mdb")) + suffix, copy + suffix));
  auto reopened = Session::open(copy);
  EXPECT_EQ(goodsCount(*reopened), 20);
}

TEST_F(DatabaseFileTest, DamageIsFoundAndReportedAsDamage) {
  fillGoods(3000);
  IntegrityReport sound = checkIntegrity(db(), true);
  EXPECT_TRUE(sound.complete);
  EXPECT_FALSE(sound.damaged());
  const IntegrityReport cancelled =
      checkIntegrity(db(), true, 0, [&](qint64, qint64) { return false; });
  EXPECT_FALSE(cancelled.complete);
  EXPECT_FALSE(cancelled.damaged());

  const QString file = db().path();
  m_db.reset();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  const qint64 pages = f.size() / 4096;
  ASSERT_GT(pages, 20);
  f.seek((pages - 3) * 4096);
  f.write(QByteArray(4096, '\x5a'));
  f.close();

  m_db = Session::open(file);
  const IntegrityReport damaged = checkIntegrity(db(), false);
  EXPECT_TRUE(damaged.damaged());
  EXPECT_TRUE(damaged.description(file).contains(QStringLiteral("повреждена")));
  EXPECT_TRUE(damaged.description(file).contains(QDir::toNativeSeparators(file)));
}

TEST_F(DatabaseFileTest, BackupIsACheckedCopyUnderItsOwnName) {
  fillGoods(500);
  const QString target = path(QStringLiteral("копии/basa 1.mdb"));
  QDir().mkpath(path(QStringLiteral("копии")));
  balvix::testing::writeFile(target, "старая копия");

  qint64 lastDone = -1;
  qint64 lastTotal = -2;
  backupDatabase(db(), target, [&](qint64 done, qint64 total) {
    lastDone = done;
    lastTotal = total;
    return true;
  });
  EXPECT_EQ(lastDone, lastTotal);
  EXPECT_EQ(QDir(path(QStringLiteral("копии"))).entryList(QDir::Files), QStringList{"basa 1.mdb"});
  auto copy = Session::open(target);
  EXPECT_EQ(goodsCount(*copy), 500);
  copy.reset();

  EXPECT_EQ(errorNumber([&] { backupDatabase(db(), db().path()); }), ErrorCode::FileExists);
  EXPECT_EQ(
      errorNumber([&] { backupDatabase(db(), path(QStringLiteral("нет такой папки/копия.mdb"))); }),
      ErrorCode::CannotOpen);
  // A cancelled copy leaves nothing behind.
  EXPECT_NE(errorNumber([&] {
              backupDatabase(db(), path(QStringLiteral("копии/прерванная.mdb")),
                             [](qint64, qint64) { return false; });
            }),
            0);
  EXPECT_EQ(QDir(path(QStringLiteral("копии"))).entryList(QDir::Files), QStringList{"basa 1.mdb"});
}

// A copy taken from another process while this one re-saves a large table holds one
// state or the other, never a mixture.
TEST_F(DatabaseFileTest, CopyTakenDuringAReSaveInAnotherProcessIsConsistent) {
  fillGoods(20000);
  const QString file = db().path();
  m_db.reset();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    struct Signal : RebuildProgress {
      int fd;
      void start(const QString&, qint64) override {}
      void advance(qint64) override {
        if (fd >= 0 && write(fd, "x", 1) == 1) {
          close(fd);
          fd = -1;
        }
      }
      void finish() override {}
    } signal;
    signal.fd = ready[1];
    try {
      auto db = Session::open(file);
      rebuildTable(*db, QStringLiteral("items_Справочник_Товары"),
                   QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),"
                                  "Цена TEXT(50),Количество TEXT(50),Вес TEXT(50))"),
                   &signal, 200);
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);  // the re-save is under way
  close(ready[0]);
  const QString target = path(QStringLiteral("копия.mdb"));
  backupDatabaseFile(file, target);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  auto copy = Session::open(target);
  const IntegrityReport check = checkIntegrity(*copy, true);
  EXPECT_TRUE(check.complete && !check.damaged()) << check.problems.join('\n').toStdString();
  const QStringList columns = copy->columns(QStringLiteral("items_Справочник_Товары"));
  EXPECT_TRUE(columns.size() == 3 || columns.size() == 4) << columns.join(',').toStdString();
  EXPECT_EQ(goodsCount(*copy), 20000);
  copy.reset();
  m_db = Session::open(file);
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")).size(), 4);
}

TEST_F(DatabaseFileTest, RestoreChecksTheCopyKeepsTheCurrentContentAsideAndReplacesIt) {
  fillGoods(10);
  const QString copy = path(QStringLiteral("копия.mdb"));
  backupDatabase(db(), copy);
  db().execute(QStringLiteral("DELETE FROM items_Справочник_Товары"));
  db().execute(QStringLiteral("CREATE TABLE items_Справочник_Новый(Наименование TEXT(50))"));

  // Not a copy of ours, or a damaged one: nothing changes.
  const QString text = path(QStringLiteral("текст.mdb"));
  balvix::testing::writeFile(text, "не база");
  const QString aside = path(QStringLiteral("в сторону.mdb"));
  EXPECT_EQ(errorNumber([&] { restoreDatabase(db(), text, aside); }), ErrorCode::NotADatabase);
  EXPECT_EQ(errorNumber([&] { restoreDatabase(db(), db().path(), aside); }), ErrorCode::FileExists);
  const QString damaged = path(QStringLiteral("поврежденная.mdb"));
  ASSERT_TRUE(QFile::copy(copy, damaged));
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(f.size() - 4096);
    f.write(QByteArray(4096, '\x5a'));
  }
  QString why;
  EXPECT_EQ(errorNumber([&] { restoreDatabase(db(), damaged, aside); }, &why),
            ErrorCode::NotADatabase);
  EXPECT_TRUE(Contains(why, QStringLiteral("повреждена")));
  EXPECT_FALSE(QFile::exists(aside));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 0);

  restoreDatabase(db(), copy, aside);
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 10);
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Новый")));
  auto before = Session::open(aside);
  EXPECT_TRUE(before->tableExists(QStringLiteral("items_Справочник_Новый")));
  EXPECT_EQ(
      asideFileName(QStringLiteral("/д/basa.mdb"), QDateTime(QDate(2026, 12, 6), QTime(15, 30))),
      QStringLiteral("/д/basa до восстановления 2026-12-06 15-30-00.mdb"));
}

TEST_F(DatabaseFileTest, AnInterruptedNewDatabaseLeavesNoFileUnderItsName) {
  const QString file = path(QStringLiteral("новая.mdb"));
  for (int attempt = 0; attempt < 5; ++attempt) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        Session::createNew(file);
      } catch (...) {
      }
      _exit(0);
    }
    const QString temp = file + QStringLiteral(".creating-") + QString::number(child);
    // Killed as soon as its work has begun.
    for (int i = 0; i < 20000 && !QFile::exists(temp) && !QFile::exists(file); ++i)
      QThread::usleep(50);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (QFile::exists(file)) {
      // It finished before the kill: then it is a whole database.
      EXPECT_NO_THROW(Session::open(file));
      QFile::remove(file);
    }
  }
  EXPECT_NO_THROW(Session::createNew(file));
  EXPECT_NO_THROW(Session::open(file));
  // What the killed creations left is gone with the next one.
  EXPECT_EQ(QDir(m_dir.path()).entryList({"новая.mdb.*"}, QDir::Files), QStringList());
}

// What the program says of a database it cannot write, as an ordinary user sees it (the
// superuser may write anything, so the check then runs as "nobody").
TEST_F(DatabaseFileTest, ReadOnlyFileAndReadOnlyFolderAreNamedAsSuch) {
  fillGoods(1);
  m_db.reset();
  const QString file = path(QStringLiteral("basa.mdb"));
  const bool root = geteuid() == 0;
  auto openAsUser = [&](QString* description) {
    if (!root) return errorNumber([&] { Session::open(file); }, description);
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(channel[0]);
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
      QString text;
      const int number = errorNumber([&] { Session::open(file); }, &text);
      const QByteArray out = QByteArray::number(number) + '\n' + text.toUtf8();
      if (write(channel[1], out.constData(), out.size()) < 0) _exit(1);
      _exit(0);
    }
    close(channel[1]);
    QByteArray out;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    close(channel[0]);
    waitpid(child, nullptr, 0);
    const qsizetype line = out.indexOf('\n');
    *description = QString::fromUtf8(out.mid(line + 1));
    return out.left(line).toInt();
  };
  const QByteArray dir = QFile::encodeName(m_dir.path());
  const QByteArray db = QFile::encodeName(file);

  chmod(dir.constData(), root ? 0777 : 0755);
  chmod(db.constData(), 0444);
  QString why;
  EXPECT_EQ(openAsUser(&why), ErrorCode::ReadOnly);
  EXPECT_TRUE(Contains(why, QStringLiteral("Файл базы данных")));
  EXPECT_TRUE(Contains(why, QStringLiteral("только для чтения")));

  // Writable file, folder that is not (for the superuser's children: a folder of root's).
  chmod(db.constData(), 0666);
  chmod(dir.constData(), root ? 0755 : 0555);
  EXPECT_EQ(openAsUser(&why), ErrorCode::ReadOnly);
  EXPECT_TRUE(Contains(why, QStringLiteral("папке")));
  chmod(dir.constData(), 0700);
  chmod(db.constData(), 0644);
}

}  // namespace

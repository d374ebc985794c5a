// What a crash, a full disk or another program holding the file leaves behind, and how the
// program reads it afterwards.
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <chrono>
#include <map>
#include <thread>

#include "storage/database_file.h"
#include "storage/sql_text.h"
#include "storage_fixture.h"

using namespace balvix::storage;
using balvix::testing::rowCount;
using balvix::testing::writeFile;

namespace {

constexpr int kWalHeader = 32;
constexpr int kFrameHeader = 24;

class CrashAndLockTest : public StorageTest {
 protected:
  void SetUp() override {
    BALVIX_FILE_ONLY("the file engine's change log, file locks and a full disk");
  }
  // Fills the database in one transaction that leaves everything in the change log: many
  // new tables (the schema outgrows its first page) and rows in each.
  void writeIntoChangeLog() {
    raw("PRAGMA wal_autocheckpoint=0");
    Transaction t(db());
    for (int i = 0; i < 150; ++i) {
      const QString table = QStringLiteral("items_Справочник_Длинное_имя_справочника_%1").arg(i);
      db().execute(QStringLiteral("CREATE TABLE %1(Наименование TEXT(50))").arg(table));
      db().execute(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                       .arg(table, quote(QStringLiteral("строка %1").arg(i).repeated(20))));
    }
    t.commit();
  }

  // The files as a crash leaves them while the change log was being folded into the file:
  // the newest committed version of the first `share` of the logged pages, in page order
  // as the engine writes them, is already in the file; the change log is all still there.
  QString halfFolded(double share) {
    const QString copy = path(QStringLiteral("после_сбоя.mdb"));
    for (const QString suffix : {"", "-wal"}) QFile::copy(db().path() + suffix, copy + suffix);
    QFile log(copy + QStringLiteral("-wal"));
    EXPECT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray wal = log.readAll();
    const int pageSize = qFromBigEndian<qint32>(wal.constData() + 8);
    std::map<quint32, qsizetype> newest;  // page → offset of its newest frame
    for (qsizetype at = kWalHeader; at + kFrameHeader + pageSize <= wal.size();
         at += kFrameHeader + pageSize)
      newest[qFromBigEndian<quint32>(wal.constData() + at)] = at + kFrameHeader;
    QFile main(copy);
    EXPECT_TRUE(main.open(QIODevice::ReadWrite));
    const auto folded = static_cast<std::size_t>(static_cast<double>(newest.size()) * share);
    std::size_t done = 0;
    for (const auto& [page, offset] : newest) {
      if (done++ == folded) break;
      main.seek(static_cast<qint64>(page - 1) * pageSize);
      main.write(wal.constData() + offset, pageSize);
    }
    return copy;
  }
};

int tablesIn(Session& db) {
  return db
      .openRecordset(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE "
                                    "'items_Справочник_Длинное%'"))
      .value(0)
      .toInt();
}

TEST_F(CrashAndLockTest, AFileCaughtFoldingItsChangeLogOpensWithEveryCommittedRow) {
  writeIntoChangeLog();
  for (double share : {0.0, 0.3, 0.5, 0.9, 1.0}) {
    SCOPED_TRACE(share);
    const QString file = halfFolded(share);
    std::unique_ptr<Session> reopened;
    ASSERT_NO_THROW(reopened = Session::open(file));
    EXPECT_EQ(tablesIn(*reopened), 150);
    const IntegrityReport check = checkIntegrity(*reopened, true);
    EXPECT_TRUE(check.complete && !check.damaged()) << check.problems.join('\n').toStdString();
    reopened.reset();
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(file + QLatin1String(s));
  }
}

// A real process killed at a random moment just after its last commit, while it closes the
// database (and folds the change log into the file).
TEST_F(CrashAndLockTest, AProcessKilledWhileClosingLeavesADatabaseThatOpens) {
  const QString file = db().path();
  m_db.reset();
  for (int round = 0; round < 8; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      try {
        auto db = Session::open(file);
        Transaction t(*db);
        db->execute(QStringLiteral("CREATE TABLE items_Раунд_%1(Текст TEXT(50))").arg(round));
        for (int i = 0; i < 3000; ++i)
          db->execute(QStringLiteral("INSERT INTO items_Раунд_%1 VALUES ('%2')")
                          .arg(round)
                          .arg(QStringLiteral("движение %1 ").arg(i).repeated(8)));
        t.commit();
        if (write(ready[1], "x", 1) != 1) _exit(2);
      } catch (...) {
        _exit(1);
      }
      _exit(0);  // the session is closed by the destructor above, folding the change log
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(
        std::chrono::microseconds(QRandomGenerator::global()->bounded(50'000)));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::unique_ptr<Session> reopened;
    ASSERT_NO_THROW(reopened = Session::open(file)) << "round " << round;
    for (int r = 0; r <= round; ++r)
      EXPECT_EQ(
          reopened->openRecordset(QStringLiteral("SELECT count(*) FROM items_Раунд_%1").arg(r))
              .value(0)
              .toInt(),
          3000);
  }
}

TEST_F(CrashAndLockTest, AFileThatIsNotOursStaysRefusedAfterItsChangeLogIsRead) {
  const QString file = path(QStringLiteral("чужая.db"));
  sqlite3* other = nullptr;
  sqlite3_open(QFile::encodeName(file).constData(), &other);
  sqlite3_exec(other,
               "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; CREATE TABLE t(a); "
               "INSERT INTO t VALUES (1)",
               nullptr, nullptr, nullptr);
  const QString copy = path(QStringLiteral("чужая-копия.db"));
  for (const QString suffix : {"", "-wal"}) QFile::copy(file + suffix, copy + suffix);
  sqlite3_close(other);
  EXPECT_EQ(errorNumber([&] { Session::open(copy); }), ErrorCode::NotADatabase);
}

// Another program holds the write lock for a while: a transaction that reads before it
// writes waits for it (up to the session's timeout) instead of failing at once.
TEST_F(CrashAndLockTest, AWriterWaitsForTheLockAndSaysWhoHoldsItWhenTheWaitRunsOut) {
  createGoods();
  for (int holdMs : {1000, 3000}) {
    SCOPED_TRACE(holdMs);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
      sqlite3* other = nullptr;
      sqlite3_open(QFile::encodeName(db().path()).constData(), &other);
      const int rc = sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM plan WHERE 0", nullptr,
                                  nullptr, nullptr);
      if (rc != SQLITE_OK || write(ready[1], "x", 1) != 1) _exit(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
      sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    QString description;
    const int number = errorNumber(
        [&] {
          Transaction t(db());
          db().openRecordset(QStringLiteral("SELECT count(*) FROM items_Справочник_Товары"));
          db().execute(
              QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) "
                             "VALUES ('а')"));
          t.commit();
        },
        &description);
    waitpid(holder, nullptr, 0);
    if (holdMs < 2000) {
      EXPECT_EQ(number, 0) << description.toStdString();
    } else {
      EXPECT_EQ(number, ErrorCode::Locked);
      EXPECT_TRUE(Contains(description, QStringLiteral("заблокирована")));
      EXPECT_TRUE(Contains(description, QStringLiteral("basa.mdb")));
      EXPECT_TRUE(Contains(description, QStringLiteral("процесс %1").arg(holder)));
    }
  }
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1);
}

TEST_F(CrashAndLockTest, ABackupIsNeverWrittenOverADatabaseInUseNorOverOursUnlessForced) {
  createGoods();
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
  const QString other = path(QStringLiteral("другая.mdb"));
  Session::createNew(other);
  QString description;
  // The open database itself, and a file of ours, whether forced or not while it is open.
  for (bool force : {false, true}) {
    EXPECT_NE(errorNumber([&] { backupDatabaseFile(other, db().path(), {}, force); }, &description),
              0);
    EXPECT_TRUE(Contains(description, QStringLiteral("открыта")));
  }
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1);
  EXPECT_TRUE(QFile::exists(db().path() + QStringLiteral("-wal")));

  const QString copy = path(QStringLiteral("копия.mdb"));
  backupDatabase(db(), copy);
  EXPECT_NE(errorNumber([&] { backupDatabase(db(), copy); }, &description), 0);
  EXPECT_TRUE(Contains(description, QStringLiteral("--force")));
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('б')"));
  backupDatabase(db(), copy, {}, true);
  EXPECT_EQ(rowCount(*Session::open(copy), QStringLiteral("SELECT * FROM items_Справочник_Товары")),
            2);
}

TEST_F(CrashAndLockTest, LeftoversOfKilledWorkAreRemovedAndOnlyThose) {
  const QString target = path(QStringLiteral("копия.mdb"));
  // A process id that is certainly not running, and ours, which is.
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const QString deadPart = target + QStringLiteral(".part-%1-1f").arg(dead);
  const QString livePart = target + QStringLiteral(".part-%1-2f").arg(getpid());
  for (const QString& f : {deadPart, deadPart + "-wal", livePart}) writeFile(f, "x");
  backupDatabase(db(), target);
  EXPECT_FALSE(QFile::exists(deadPart));
  EXPECT_FALSE(QFile::exists(deadPart + "-wal"));
  EXPECT_TRUE(QFile::exists(livePart));

  // A damaged source is named as such, and is left without new files beside it.
  const QString damaged = path(QStringLiteral("битая.mdb"));
  QFile::copy(target, damaged);
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(f.size() - 4096);
    f.write(QByteArray(4096, '\x5a'));
  }
  QString description;
  EXPECT_NE(errorNumber([&] { backupDatabaseFile(damaged, path(QStringLiteral("к.mdb"))); },
                        &description),
            0);
  EXPECT_TRUE(Contains(description, QStringLiteral("битая.mdb")));
  EXPECT_FALSE(description.contains(QStringLiteral("к.mdb")));
  EXPECT_FALSE(QFile::exists(damaged + QStringLiteral("-wal")));
  EXPECT_FALSE(QFile::exists(damaged + QStringLiteral("-shm")));
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("к.mdb"))));
}

TEST_F(CrashAndLockTest, ATextStartingWithAByteOrderMarkReadsBackWhole) {
  createGoods();
  const QString text = QChar(0xFEFF) + QStringLiteral("Брус");
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES (%1)")
                   .arg(quote(text)));
  EXPECT_EQ(value(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары")), text);
}

// A write that the system refuses halfway (the disk or the file size limit is reached) leaves
// the database as it was before the transaction, and the session usable.
TEST_F(CrashAndLockTest, AFullDiskDuringATransactionWritesNothingAndSaysSo) {
  createGoods();
  const QString file = db().path();
  const qint64 before = QFileInfo(file).size() + QFileInfo(file + "-wal").size();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(before + 200'000),
                       static_cast<rlim_t>(before + 200'000)};
    setrlimit(RLIMIT_FSIZE, &limit);
    int code = 3;
    try {
      Transaction t(db());
      for (int i = 0; i < 20000; ++i)
        db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES "
                                    "('%1')")
                         .arg(QStringLiteral("товар %1 ").arg(i).repeated(5)));
      t.commit();
    } catch (const DbError& e) {
      code = e.description().contains(QStringLiteral("места на диске")) ? 0 : 4;
      try {
        db().execute(
            QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES "
                           "('после')"));
      } catch (...) {
        code = 5;
      }
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  m_db.reset();
  m_db = Session::open(file);
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары WHERE Наименование<>'после'")), 0);
  const IntegrityReport check = checkIntegrity(db(), true);
  EXPECT_TRUE(check.complete && !check.damaged());
}

}  // namespace

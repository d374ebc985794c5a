// Locks of objects open for editing and the presence of programs, kept as system file locks
// beside a database file or as a server's session locks; and the data version that tells of
// other programs' commits.
#include "storage/object_locks.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "storage/data_version.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class ObjectLocksTest : public StorageTest {};

TEST_F(ObjectLocksTest, ALockIsHeldByOneProgramUntilItGivesItBack) {
  const auto ivan = objectLocksFor(db());
  auto petr = objectLocksFor(db());
  const QString key = QStringLiteral("Справочник.Товары\nСтол");
  EXPECT_EQ(ivan->tryLock(key, QStringLiteral("Иван@касса")), QString());
  EXPECT_EQ(petr->tryLock(key, QStringLiteral("petr")), QStringLiteral("Иван@касса"));
  // Taken twice by one program (two windows), it is held until both give it back.
  EXPECT_EQ(ivan->tryLock(key, QStringLiteral("Иван@касса")), QString());
  ivan->unlock(key);
  EXPECT_EQ(petr->tryLock(key, QStringLiteral("petr")), QStringLiteral("Иван@касса"));
  ivan->unlock(key);
  EXPECT_EQ(petr->tryLock(key, QStringLiteral("petr")), QString());
  EXPECT_EQ(ivan->tryLock(QStringLiteral("другой ключ"), QStringLiteral("Иван@касса")), QString());
  // A program that ends gives back all it held.
  petr.reset();
  EXPECT_EQ(ivan->tryLock(key, QStringLiteral("Иван@касса")), QString());
}

TEST_F(ObjectLocksTest, EveryProgramIsListedWhileItRuns) {
  auto ivan = objectLocksFor(db());
  auto petr = objectLocksFor(db());
  auto anna = objectLocksFor(db());
  ivan->registerPresence(QStringLiteral("ivan"));
  petr->registerPresence(QStringLiteral("petr"));
  anna->registerPresence(QStringLiteral("anna"));
  EXPECT_EQ(ivan->otherUsers(), (QStringList{"anna", "petr"}));
  petr.reset();
  EXPECT_EQ(ivan->otherUsers(), QStringList{"anna"});
  EXPECT_EQ(anna->otherUsers(), QStringList{"ivan"});
}

TEST_F(ObjectLocksTest, AKilledProgramLeavesNoLockBehind) {
  const QString key = QStringLiteral("Документ.Приход\n07.12.2026 10:00:00");
  for (int round = 0; round < 3; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      auto locks = objectLocksFor(db());
      locks->registerPresence(QStringLiteral("petr"));
      if (!locks->tryLock(key, QStringLiteral("petr")).isEmpty() || write(ready[1], "x", 1) != 1)
        _exit(1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    auto ivan = objectLocksFor(db());
    EXPECT_EQ(ivan->tryLock(key, QStringLiteral("ivan")), QStringLiteral("petr"));
    EXPECT_EQ(ivan->otherUsers(), QStringList{"petr"});
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    // The files stay where it left them; their locks went with it. A server learns of the
    // lost connection a moment later.
    for (int wait = 0; wait < 100 && !ivan->otherUsers().isEmpty(); ++wait) usleep(50000);
    EXPECT_EQ(ivan->otherUsers(), QStringList());
    EXPECT_EQ(ivan->tryLock(key, QStringLiteral("ivan")), QString()) << "round " << round;
  }
}

TEST_F(ObjectLocksTest, TheDataVersionMovesWithAnotherSessionsCommitsOnly) {
  createGoods();
  auto other = Session::open(dbAddress());
  const qint64 start = dataVersion(db());
  ASSERT_GE(start, 0);
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('Стол')"));
  EXPECT_EQ(dataVersion(db()), start);
  other->execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('Стул')"));
  // The server's announcement reaches this session a moment after the commit.
  qint64 after = dataVersion(db());
  for (int wait = 0; wait < 100 && after == start; ++wait, after = dataVersion(db())) usleep(20000);
  EXPECT_NE(after, start);
  // Nor does a transaction of its own that wrote move it.
  {
    Transaction own(db());
    db().execute(
        QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('Шкаф')"));
    own.commit();
  }
  usleep(100000);
  EXPECT_EQ(dataVersion(db()), after);
  // Inside a transaction nothing is asked.
  Transaction t(db());
  EXPECT_EQ(dataVersion(db()), -1);
}

}  // namespace

// Sessions side by side on the server: what two users' programs at once, a program killed in
// the middle of a transaction and a broken connection leave behind.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "storage/posting_locks.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class ServerSessions : public StorageTest {
 protected:
  void SetUp() override {
    if (balvix::testing::testServer().isEmpty())
      GTEST_SKIP() << "needs a server (BALVIX_TEST_DATABASE)";
    db().execute(QStringLiteral("CREATE TABLE Остатки(Товар TEXT(50), Количество INTEGER)"));
    db().execute(QStringLiteral("CREATE TABLE Продажи(Товар TEXT(50), Количество INTEGER)"));
    db().execute(QStringLiteral("INSERT INTO Остатки VALUES ('Гвозди', 10)"));
  }

  // Sells `quantity` the way a posting does: the balance checked, then the movement written,
  // in one transaction. False when the balance was short.
  static bool sell(Session& session, int quantity) {
    Transaction transaction(session);
    lockPostingKey(session, QStringLiteral("Остатки\x01Гвозди"));
    const int left = session
                         .openRecordset(QStringLiteral("SELECT Количество FROM Остатки WHERE "
                                                       "Товар='Гвозди'"))
                         .value(0)
                         .toInt();
    if (left < quantity) return false;
    session.execute(QStringLiteral("UPDATE Остатки SET Количество=Количество-%1 WHERE "
                                   "Товар='Гвозди'")
                        .arg(quantity));
    session.execute(QStringLiteral("INSERT INTO Продажи VALUES ('Гвозди', %1)").arg(quantity));
    transaction.commit();
    return true;
  }
};

// Two postings that take the same goods' keys in opposite orders deadlock once; the one the
// server refuses is rolled back, and its retry takes every key it held, in one order first,
// so it queues behind the other instead of meeting it again.
TEST_F(ServerSessions, ARetryTakesTheKeysItHeldInOneOrderAndDeadlocksNoMore) {
  auto held = [](Session& session) {
    return dynamic_cast<PgSession&>(session)
        .serverRecordset(
            "SELECT 1 FROM pg_catalog.pg_locks WHERE locktype = 'advisory' AND "
            "pid = pg_catalog.pg_backend_pid()")
        .rowCount();
  };
  {
    Transaction first(db());
    lockPostingKey(db(), QStringLiteral("Б"));
    lockPostingKey(db(), QStringLiteral("А"));
    EXPECT_EQ(held(db()), 2);
  }
  EXPECT_EQ(held(db()), 0);
  {
    Transaction retry(db());
    lockPostingKey(db(), QStringLiteral("Б"));
    EXPECT_EQ(held(db()), 2);
    retry.commit();
  }
  {
    Transaction next(db());
    lockPostingKey(db(), QStringLiteral("Б"));
    EXPECT_EQ(held(db()), 1);
  }
  std::unique_ptr<Session> sessions[] = {Session::open(dbAddress()), Session::open(dbAddress())};
  std::atomic<int> attempts{0}, refused{0};
  auto post = [&](Session& session, const char* first, const char* second) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      ++attempts;
      try {
        Transaction transaction(session);
        lockPostingKey(session, QString::fromUtf8(first));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        lockPostingKey(session, QString::fromUtf8(second));
        transaction.commit();
        return;
      } catch (const DbError& e) {
        EXPECT_EQ(e.number(), ErrorCode::Conflict) << e.description().toStdString();
        ++refused;
      }
    }
  };
  std::thread a(post, std::ref(*sessions[0]), "А", "Б");
  std::thread b(post, std::ref(*sessions[1]), "Б", "А");
  a.join();
  b.join();
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(attempts, 3);
}

TEST_F(ServerSessions, TwoSalesOfTheLastStockAtOnceLetExactlyOnePost) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    db().execute(QStringLiteral("UPDATE Остатки SET Количество=10"));
    db().execute(QStringLiteral("DELETE FROM Продажи"));
    std::unique_ptr<Session> first = Session::open(dbAddress());
    std::unique_ptr<Session> second = Session::open(dbAddress());
    std::atomic<int> ready{0};
    std::atomic<int> posted{0};
    auto clerk = [&](Session& session) {
      ++ready;
      while (ready < 2) std::this_thread::yield();
      if (sell(session, 10)) ++posted;
    };
    std::thread a(clerk, std::ref(*first));
    std::thread b(clerk, std::ref(*second));
    a.join();
    b.join();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(value(QStringLiteral("SELECT Количество FROM Остатки")), QStringLiteral("0"));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM Продажи")), 1);
  }
}

TEST_F(ServerSessions, AProgramKilledInTheMiddleOfATransactionLeavesNothing) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      std::unique_ptr<Session> session = Session::open(dbAddress());
      session->beginTransaction();
      for (int i = 0; i < 100; ++i)
        session->execute(QStringLiteral("INSERT INTO Продажи VALUES ('Гвозди', %1)").arg(i));
      session->execute(QStringLiteral("UPDATE Остатки SET Количество=0"));
      if (write(ready[1], "x", 1) != 1) _exit(1);
      pause();
    } catch (...) {
    }
    _exit(1);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM Продажи")), 0);
  // Nothing of the dead program's stays locked: the others go on at once.
  db().setBusyTimeout(5000);
  EXPECT_TRUE(sell(db(), 4));
  EXPECT_EQ(value(QStringLiteral("SELECT Количество FROM Остатки")), QStringLiteral("6"));
  close(ready[0]);
  close(ready[1]);
}

TEST_F(ServerSessions, ALostConnectionIsToldClearlyWritesNothingAndIsMadeAgain) {
  std::unique_ptr<Session> clerk = Session::open(dbAddress());
  const QString pid = balvix::testing::firstText(*clerk, QStringLiteral("SELECT pg_backend_pid()"));
  clerk->beginTransaction();
  clerk->execute(QStringLiteral("INSERT INTO Продажи VALUES ('Гвозди', 1)"));
  value(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
  QString description;
  EXPECT_EQ(errorNumber(
                [&] { clerk->execute(QStringLiteral("INSERT INTO Продажи VALUES ('Гвозди', 2)")); },
                &description),
            ErrorCode::ConnectionLost);
  EXPECT_TRUE(Contains(description, QStringLiteral("Связь с сервером")));
  EXPECT_FALSE(clerk->inTransaction());
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM Продажи")), 0);
  EXPECT_TRUE(sell(*clerk, 3));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM Продажи")), 1);
}

}  // namespace

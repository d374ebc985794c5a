// Posting throughput on a PostgreSQL server through the program's session, with 1, 2 and 4
// client processes posting different goods at once, against the same statements sent through
// libpq directly by one client, in the same run. A posting is one transaction: the balance's
// key locked and its balance read, five movements written through one bound statement, the
// totals row upserted and the document's header row written.
// Usage: server_posting_bench ADDRESS [POSTINGS]   (ADDRESS: an empty database on the server)
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/posting_locks.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMovements = 5;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void prepareTables(storage::Session& db) {
  for (const char* table : {"Движения", "Итоги", "Документы"}) {
    if (db.tableExists(QString::fromUtf8(table)))
      db.execute(QStringLiteral("DROP TABLE ") + QString::fromUtf8(table));
  }
  db.execute(
      QStringLiteral("CREATE TABLE Движения(Товар TEXT(50), Склад TEXT(50), Количество "
                     "TEXT(50), Документ TEXT(50))"));
  db.execute(
      QStringLiteral("CREATE TABLE Итоги(Товар TEXT(50), Месяц INTEGER, Приход REAL, "
                     "PRIMARY KEY(Товар, Месяц))"));
  db.execute(QStringLiteral("CREATE TABLE Документы(Номер TEXT(20), Дата TEXT(10))"));
}

void postThroughSession(storage::Session& db, int client, int count) {
  const QString good = QStringLiteral("Товар %1").arg(client);
  const QString move = QStringLiteral("INSERT INTO Движения VALUES (?,?,?,?)");
  for (int i = 0; i < count; ++i) {
    const QString number = QStringLiteral("%1-%2").arg(client).arg(i);
    storage::Transaction transaction(db);
    storage::lockPostingKey(db, QStringLiteral("Итоги\x01") + good);
    db.openRecordset(QStringLiteral("SELECT sum(Приход) FROM Итоги WHERE Товар=") +
                     storage::quote(good));
    std::vector<QStringList> rows;
    for (int m = 0; m < kMovements; ++m)
      rows.push_back({good, QStringLiteral("Основной"), QString::number(m + 1), number});
    db.executeEach(move, rows);
    db.execute(
        QStringLiteral(
            "INSERT INTO Итоги(Товар, Месяц, Приход) VALUES (%1, 202612, 15) ON CONFLICT(Товар, "
            "Месяц) DO UPDATE SET Приход=Приход+excluded.Приход")
            .arg(storage::quote(good)));
    db.execute(QStringLiteral("INSERT INTO Документы VALUES (%1, '08.12.2026')")
                   .arg(storage::quote(number)));
    transaction.commit();
  }
}

bool ok(PGresult* r) {
  const ExecStatusType s = PQresultStatus(r);
  const bool good = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  if (!good) std::fprintf(stderr, "%s", PQresultErrorMessage(r));
  PQclear(r);
  return good;
}

// The anchor: the same statements, already in the server's form, prepared once.
void postThroughLibpq(const char* address, int client, int count) {
  PGconn* c = PQconnectdb(address);
  const std::string good = "Товар " + std::to_string(client);
  ok(PQprepare(c, "move", "INSERT INTO \"Движения\" VALUES ($1,$2,$3,$4)", 4, nullptr));
  ok(PQprepare(c, "sum", "SELECT sum(\"Приход\") FROM \"Итоги\" WHERE \"Товар\"=$1", 1, nullptr));
  ok(PQprepare(c, "lock", "SELECT pg_advisory_xact_lock(hashtextextended($1, 0))", 1, nullptr));
  ok(PQprepare(c, "total",
               "INSERT INTO \"Итоги\" VALUES ($1, 202612, 15) ON CONFLICT(\"Товар\", \"Месяц\") "
               "DO UPDATE SET \"Приход\"=\"Итоги\".\"Приход\"+excluded.\"Приход\"",
               1, nullptr));
  ok(PQprepare(c, "doc", "INSERT INTO \"Документы\" VALUES ($1, '08.12.2026')", 1, nullptr));
  const std::string key = "Итоги\x01" + good;
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(client) + "-" + std::to_string(i);
    ok(PQexec(c, "BEGIN"));
    const char* k[] = {key.c_str()};
    ok(PQexecPrepared(c, "lock", 1, k, nullptr, nullptr, 0));
    const char* g[] = {good.c_str()};
    ok(PQexecPrepared(c, "sum", 1, g, nullptr, nullptr, 0));
    for (int m = 0; m < kMovements; ++m) {
      const std::string q = std::to_string(m + 1);
      const char* v[] = {good.c_str(), "Основной", q.c_str(), number.c_str()};
      ok(PQexecPrepared(c, "move", 4, v, nullptr, nullptr, 0));
    }
    ok(PQexecPrepared(c, "total", 1, g, nullptr, nullptr, 0));
    const char* d[] = {number.c_str()};
    ok(PQexecPrepared(c, "doc", 1, d, nullptr, nullptr, 0));
    ok(PQexec(c, "COMMIT"));
  }
  PQfinish(c);
}

// Postings per second of `clients` processes posting `count` each, started together.
double run(const QString& address, int clients, int count, bool raw) {
  int go[2];
  if (pipe(go) != 0) return 0;
  std::vector<pid_t> children;
  for (int client = 0; client < clients; ++client) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(go[1]);
      std::unique_ptr<storage::Session> db;
      if (!raw) db = storage::Session::open(address);
      char byte;
      if (read(go[0], &byte, 1) < 0) _exit(1);
      try {
        if (raw)
          postThroughLibpq(address.toUtf8().constData(), client, count);
        else
          postThroughSession(*db, client, count);
      } catch (const storage::DbError& e) {
        std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
        _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  close(go[0]);
  usleep(300000);  // every client connected and waiting
  const Clock::time_point start = Clock::now();
  close(go[1]);
  bool allOk = true;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    allOk = allOk && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  const double seconds = secondsSince(start);
  if (!allOk) std::fprintf(stderr, "a client failed\n");
  return clients * count / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: server_posting_bench ADDRESS [POSTINGS]\n");
    return 2;
  }
  const QString address = QString::fromUtf8(argv[1]);
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
  std::unique_ptr<storage::Session> db;
  try {
    db = storage::Session::open(address);
  } catch (const storage::DbError&) {
    db = storage::Session::createNew(address);
  }
  prepareTables(*db);
  const double raw = run(address, 1, count, true);
  std::printf("raw libpq, 1 client:  %8.0f postings/s\n", raw);
  double one = 0;
  for (int clients : {1, 2, 4}) {
    prepareTables(*db);
    const double rate = run(address, clients, count, false);
    if (clients == 1) one = rate;
    std::printf("session,   %d client%s: %8.0f postings/s  (%.2fx raw, %.2fx one client)\n",
                clients, clients == 1 ? " " : "s", rate, rate / raw, rate / one);
  }
  return 0;
}

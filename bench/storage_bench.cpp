// Cost of the session layer over the bare engine: the same INSERT texts, built with quote(),
// run once through Session::execute and once straight through sqlite3, each on a fresh file
// inside one transaction. Usage: storage_bench [statements] [rounds]
#include <sqlite3.h>

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix::storage;

namespace {

const char* const kCreate =
    "CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),Количество TEXT(50))";

// Processor time of this process: on a machine shared with other work it varies far less than
// the elapsed time, which is reported beside it.
struct Clock {
  struct time_point {
    std::chrono::steady_clock::time_point wall;
    std::clock_t cpu;
  };
  static time_point now() { return {std::chrono::steady_clock::now(), std::clock()}; }
};

double cpuSeconds = 0;

double secondsSince(Clock::time_point start) {
  const Clock::time_point end = Clock::now();
  cpuSeconds = static_cast<double>(end.cpu - start.cpu) / CLOCKS_PER_SEC;
  return std::chrono::duration<double>(end.wall - start.wall).count();
}

QStringList makeStatements(int count) {
  QStringList texts;
  texts.reserve(count);
  for (int i = 1; i <= count; ++i) {
    const QString name = i % 10 == 0 ? QStringLiteral("Товар «O'Neil» %1").arg(i)
                                     : QStringLiteral("Товар %1").arg(i);
    texts << QStringLiteral(
                 "INSERT INTO items_Справочник_Товары (Наименование,Цена,Количество) VALUES "
                 "(%1,%2,%3)")
                 .arg(quote(name), quote(QString::number(10 + i % 990)),
                      quote(QString::number(i % 50)));
  }
  return texts;
}

bool check(sqlite3* db, int rc, const char* what) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE) return true;
  std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
  return false;
}

// Returns the seconds taken, or a negative value on failure.
double runDirect(const QString& file, const QByteArrayList& texts) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    return -1;
  double seconds = -1;
  if (check(db, sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), "wal") &&
      check(db, sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr), "sync") &&
      check(db, sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr), "create")) {
    const auto start = Clock::now();
    bool ok = check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), "begin");
    for (const QByteArray& text : texts) {
      sqlite3_stmt* stmt = nullptr;
      ok = ok && check(db,
                       sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()),
                                          &stmt, nullptr),
                       "prepare");
      ok = ok && check(db, sqlite3_step(stmt), "step");
      sqlite3_finalize(stmt);
      if (!ok) break;
    }
    ok = ok && check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit");
    if (ok) seconds = secondsSince(start);
  }
  sqlite3_close(db);
  return seconds;
}

double runSession(const QString& file, const QStringList& texts) {
  try {
    auto session = Session::createNew(file);
    session->execute(QString::fromUtf8(kCreate));
    const auto start = Clock::now();
    Transaction transaction(*session);
    for (const QString& text : texts) session->execute(text);
    transaction.commit();
    return secondsSince(start);
  } catch (const DbError& error) {
    std::fprintf(stderr, "session: %d %s\n", error.number(),
                 error.description().toUtf8().constData());
    return -1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;

  const QStringList texts = makeStatements(count);
  QByteArrayList utf8;
  utf8.reserve(count);
  for (const QString& text : texts) utf8 << text.toUtf8();

  double bestDirect = 1e9;
  double bestSession = 1e9;
  double bestDirectCpu = 1e9;
  double bestSessionCpu = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const double direct = runDirect(dir.filePath(QStringLiteral("direct%1.db").arg(round)), utf8);
    const double directCpu = cpuSeconds;
    const double session =
        runSession(dir.filePath(QStringLiteral("session%1.mdb").arg(round)), texts);
    const double sessionCpu = cpuSeconds;
    if (direct < 0 || session < 0) return 1;
    std::printf("round %d: direct %.3f s (cpu %.3f s), session %.3f s (cpu %.3f s)\n", round + 1,
                direct, directCpu, session, sessionCpu);
    bestDirect = std::min(bestDirect, direct);
    bestSession = std::min(bestSession, session);
    bestDirectCpu = std::min(bestDirectCpu, directCpu);
    bestSessionCpu = std::min(bestSessionCpu, sessionCpu);
  }
  std::printf("%d INSERT statements in one transaction (best of %d rounds)\n", count, rounds);
  std::printf(
      "direct sqlite3 (prepare/step/finalize, UTF-8 ready): %.3f s (%.2f us per statement)\n",
      bestDirect, bestDirect * 1e6 / count);
  std::printf(
      "Session::execute:                                    %.3f s (%.2f us per statement)\n",
      bestSession, bestSession * 1e6 / count);
  std::printf("ratio: %.2f (target <= 1.3); processor time %.3f s vs %.3f s, ratio %.2f\n",
              bestSession / bestDirect, bestSessionCpu, bestDirectCpu,
              bestSessionCpu / bestDirectCpu);
  return 0;
}

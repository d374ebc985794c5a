// Posting throughput on a database file through the program's session, against the same
// statements through the raw SQLite C API, in the same run: each posting one transaction with
// its balance read, five movements written through one bound statement, the totals row
// upserted and the document's header row written. Built against another version of the
// storage layer it gives the before/after figure of a change there.
// Usage: file_posting_bench [POSTINGS] [ROUNDS]
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMovements = 5;

const char* const kTables[] = {
    "CREATE TABLE Движения(Товар TEXT(50), Склад TEXT(50), Количество TEXT(50), Документ "
    "TEXT(50))",
    "CREATE TABLE Итоги(Товар TEXT(50), Месяц INTEGER, Приход REAL, PRIMARY KEY(Товар, Месяц))",
    "CREATE TABLE Документы(Номер TEXT(20), Дата TEXT(10))",
};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double throughSession(const QString& file, int count) {
  std::unique_ptr<storage::Session> db = storage::Session::createNew(file);
  for (const char* sql : kTables) db->execute(QString::fromUtf8(sql));
  const QString good = QStringLiteral("Товар 1");
  const QString move = QStringLiteral("INSERT INTO Движения VALUES (?,?,?,?)");
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const QString number = QString::number(i);
    storage::Transaction transaction(*db);
    db->openRecordset(QStringLiteral("SELECT sum(Приход) FROM Итоги WHERE Товар=") +
                      storage::quote(good));
    std::vector<QStringList> rows;
    for (int m = 0; m < kMovements; ++m)
      rows.push_back({good, QStringLiteral("Основной"), QString::number(m + 1), number});
    db->executeEach(move, rows);
    db->execute(QStringLiteral("INSERT INTO Итоги(Товар, Месяц, Приход) VALUES (%1, 202612, 15) "
                               "ON CONFLICT(Товар, Месяц) DO UPDATE SET Приход=Приход+"
                               "excluded.Приход")
                    .arg(storage::quote(good)));
    db->execute(QStringLiteral("INSERT INTO Документы VALUES (%1, '08.12.2026')")
                    .arg(storage::quote(number)));
    transaction.commit();
  }
  return count / secondsSince(start);
}

double throughSqlite(const QString& file, int count) {
  sqlite3* db = nullptr;
  sqlite3_open(file.toUtf8().constData(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  for (const char* sql : kTables) sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  auto prepare = [&](const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  };
  sqlite3_stmt* sum = prepare("SELECT sum(Приход) FROM Итоги WHERE Товар=?");
  sqlite3_stmt* move = prepare("INSERT INTO Движения VALUES (?,?,?,?)");
  sqlite3_stmt* total = prepare(
      "INSERT INTO Итоги(Товар, Месяц, Приход) VALUES (?, 202612, 15) ON CONFLICT(Товар, Месяц) "
      "DO UPDATE SET Приход=Приход+excluded.Приход");
  sqlite3_stmt* doc = prepare("INSERT INTO Документы VALUES (?, '08.12.2026')");
  const std::string good = "Товар 1";
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_bind_text(sum, 1, good.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(sum) == SQLITE_ROW) {
    }
    sqlite3_reset(sum);
    for (int m = 0; m < kMovements; ++m) {
      const std::string q = std::to_string(m + 1);
      sqlite3_bind_text(move, 1, good.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(move, 2, "Основной", -1, SQLITE_STATIC);
      sqlite3_bind_text(move, 3, q.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(move, 4, number.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(move);
      sqlite3_reset(move);
    }
    sqlite3_bind_text(total, 1, good.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(total);
    sqlite3_reset(total);
    sqlite3_bind_text(doc, 1, number.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(doc);
    sqlite3_reset(doc);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const double rate = count / secondsSince(start);
  for (sqlite3_stmt* s : {sum, move, total, doc}) sqlite3_finalize(s);
  sqlite3_close(db);
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  QTemporaryDir dir;
  double session = 0;
  double raw = 0;
  for (int round = 0; round < rounds; ++round) {
    const QString a = dir.filePath(QStringLiteral("s%1.mdb").arg(round));
    const QString b = dir.filePath(QStringLiteral("r%1.mdb").arg(round));
    session = std::max(session, throughSession(a, count));
    raw = std::max(raw, throughSqlite(b, count));
  }
  std::printf("session %8.0f postings/s, raw SQLite %8.0f postings/s, ratio %.2f\n", session, raw,
              session / raw);
  return 0;
}

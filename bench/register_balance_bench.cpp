// Walking every balance of a register from a module (ВыбратьОстатки, then Получить in a
// loop reading Количество) against one raw SQLite GROUP BY balance query over the same
// table, in the same run. Usage: register_balance_bench [movements] [groups] [rounds]
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

#include "bench_support.h"
#include "script/engine.h"
#include "storage/session.h"

using namespace balvix;
using bench::Clock;
using bench::secondsSince;

namespace {

const char* const kBalanceQuery =
    "SELECT Товар,Склад,SUM(CASE WHEN Флаг='+' THEN CAST(Количество AS REAL) "
    "ELSE -CAST(Количество AS REAL) END) FROM items_Регистр_Остатки GROUP BY Товар,Склад";

bool fill(const QString& file, int movements, int groups) {
  sqlite3* db = nullptr;
  if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db,
               "CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Склад TEXT(50),Количество "
               "TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5));BEGIN",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO items_Регистр_Остатки VALUES (?,?,?,?,'10:00:00',?,?)", -1,
                     &insert, nullptr);
  const int stores = std::max(1, groups / 100);
  const int goods = std::max(1, groups / stores);
  std::srand(12345);
  for (int i = 0; i < movements; ++i) {
    const QByteArray good = QStringLiteral("Товар %1").arg(std::rand() % goods).toUtf8();
    const QByteArray store = QStringLiteral("Склад %1").arg(std::rand() % stores).toUtf8();
    const QByteArray quantity = QByteArray::number(1 + std::rand() % 100);
    const QByteArray date = QStringLiteral("%1.%2.2026")
                                .arg(1 + std::rand() % 28, 2, 10, QLatin1Char('0'))
                                .arg(1 + std::rand() % 12, 2, 10, QLatin1Char('0'))
                                .toUtf8();
    const QByteArray document = QStringLiteral("Приход").toUtf8();
    sqlite3_bind_text(insert, 1, good.constData(), good.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, store.constData(), store.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, quantity.constData(), quantity.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 4, date.constData(), date.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 5, document.constData(), document.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 6, std::rand() % 4 ? "+" : "-", 1, SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return true;
}

double rawQuery(const QString& file, double& total, int& rows) {
  sqlite3* db = nullptr;
  sqlite3_open(QFile::encodeName(file).constData(), &db);
  const auto start = Clock::now();
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, kBalanceQuery, -1, &stmt, nullptr);
  total = 0;
  rows = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    total += sqlite3_column_double(stmt, 2);
    ++rows;
  }
  sqlite3_finalize(stmt);
  const double seconds = secondsSince(start);
  sqlite3_close(db);
  return seconds;
}

double moduleWalk(storage::Session& session, double& total, int& rows) {
  bench::ModuleEngine module(session);
  script::Engine& engine = module.engine;
  const auto start = Clock::now();
  engine.load(
      QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\n"
                     "Рег.Вид = \"Остатки\"\n"
                     "Итог = 0\nГрупп = 0\n"
                     "Рег.ВыбратьОстатки()\n"
                     "Делать Пока Рег.Получить() = 1\n"
                     "  Итог = Итог + CDbl(Рег.Реквизит(\"Количество\"))\n"
                     "  Групп = Групп + 1\n"
                     "Цикл\n"));
  const double seconds = secondsSince(start);
  total = script::toDouble(engine.variable(QStringLiteral("Итог")));
  rows = script::toLong(engine.variable(QStringLiteral("Групп")));
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int movements = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  const int groups = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("basa.mdb"));
  storage::Session::createNew(file).reset();
  if (!fill(file, movements, groups)) return 1;
  auto session = storage::Session::open(file);

  double bestRaw = 1e9, bestModule = 1e9;
  for (int round = 1; round <= rounds; ++round) {
    double rawTotal = 0, moduleTotal = 0;
    int rawRows = 0, moduleRows = 0;
    const double raw = rawQuery(file, rawTotal, rawRows);
    double module = 0;
    try {
      module = moduleWalk(*session, moduleTotal, moduleRows);
    } catch (const script::ScriptError& e) {
      std::fprintf(stderr, "module: %s\n", e.description().toUtf8().constData());
      return 1;
    }
    if (rawRows != moduleRows || rawTotal != moduleTotal) {
      std::fprintf(stderr, "results differ: raw %d groups, %.0f; module %d groups, %.0f\n", rawRows,
                   rawTotal, moduleRows, moduleTotal);
      return 1;
    }
    std::printf("round %d: raw GROUP BY %.3f s, module walk %.3f s (%d groups)\n", round, raw,
                module, moduleRows);
    bestRaw = std::min(bestRaw, raw);
    bestModule = std::min(bestModule, module);
  }
  std::printf("%d movements in %d groups (best of %d rounds)\n", movements, groups, rounds);
  std::printf("raw SQLite GROUP BY balance query: %.3f s\n", bestRaw);
  std::printf("module ВыбратьОстатки + Получить:   %.3f s\n", bestModule);
  std::printf("ratio: %.2f (target <= 2)\n", bestModule / bestRaw);
  return 0;
}

// A module walking a catalog of 100,000 elements and reading two fields of each, against
// the same walk written in Python 3.11 with its sqlite3 module, in the same run.
// Usage: catalog_walk_bench [elements] [rounds]
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

// Times itself, so that the interpreter's start-up is not counted; prints the seconds and
// the checksum.
const char* const kPython = R"(
import sqlite3, sys, time
start = time.perf_counter()
con = sqlite3.connect(sys.argv[1])
con.row_factory = sqlite3.Row
total = 0
count = 0
for row in con.execute("SELECT * FROM items_Справочник_Товары"):
    total += len(row["Наименование"]) + len(row["Цена"])
    count += 1
print(time.perf_counter() - start, total, count)
)";

bool fill(const QString& file, int elements) {
  sqlite3* db = nullptr;
  if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db,
               "INSERT INTO form_items (name,type) VALUES ('Товары','Справочник');"
               "CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Артикул TEXT(50),"
               "Цена TEXT(50),Единица TEXT(50));BEGIN",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO items_Справочник_Товары VALUES (?,?,?,'шт')", -1, &insert,
                     nullptr);
  for (int i = 0; i < elements; ++i) {
    const QByteArray name = QStringLiteral("Товар номер %1").arg(i).toUtf8();
    const QByteArray code = QStringLiteral("А-%1").arg(i * 7).toUtf8();
    const QByteArray price = QByteArray::number(10 + i % 990) + ",50";
    sqlite3_bind_text(insert, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, code.constData(), code.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, price.constData(), price.size(), SQLITE_TRANSIENT);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return true;
}

double moduleWalk(storage::Session& session, long& total, long& count) {
  bench::ModuleEngine module(session);
  script::Engine& engine = module.engine;
  const auto start = Clock::now();
  engine.load(
      QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                     "Спр.Вид = \"Товары\"\n"
                     "Итог = 0\nЭлементов = 0\n"
                     "Спр.Выбрать()\n"
                     "Делать Пока Спр.Получить() = 1\n"
                     "  Итог = Итог + Len(Спр.Значение(\"Наименование\")) + "
                     "Len(Спр.Значение(\"Цена\"))\n"
                     "  Элементов = Элементов + 1\n"
                     "Цикл\n"));
  const double seconds = secondsSince(start);
  total = script::toLong(engine.variable(QStringLiteral("Итог")));
  count = script::toLong(engine.variable(QStringLiteral("Элементов")));
  return seconds;
}

double pythonWalk(const QString& file, long& total, long& count) {
  const QStringList parts = bench::runPython(QString::fromUtf8(kPython), {file}).split(u' ');
  if (parts.size() != 3) return -1;
  total = parts[1].toLong();
  count = parts[2].toLong();
  return parts[0].toDouble();
}

}  // namespace

int main(int argc, char** argv) {
  const int elements = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("basa.mdb"));
  storage::Session::createNew(file).reset();
  if (!fill(file, elements)) return 1;
  auto session = storage::Session::open(file);

  double bestPython = 1e9, bestModule = 1e9;
  for (int round = 1; round <= rounds; ++round) {
    long pyTotal = 0, pyCount = 0, moduleTotal = 0, moduleCount = 0;
    const double py = pythonWalk(file, pyTotal, pyCount);
    if (py < 0) return 1;
    double module = 0;
    try {
      module = moduleWalk(*session, moduleTotal, moduleCount);
    } catch (const script::ScriptError& e) {
      std::fprintf(stderr, "module: %s\n", e.description().toUtf8().constData());
      return 1;
    }
    if (pyTotal != moduleTotal || pyCount != moduleCount) {
      std::fprintf(stderr, "results differ: python %ld/%ld, module %ld/%ld\n", pyTotal, pyCount,
                   moduleTotal, moduleCount);
      return 1;
    }
    std::printf("round %d: python %.3f s, module %.3f s (%ld elements)\n", round, py, module,
                moduleCount);
    bestPython = std::min(bestPython, py);
    bestModule = std::min(bestModule, module);
  }
  std::printf("%d elements, two fields read from each (best of %d rounds)\n", elements, rounds);
  std::printf("Python 3.11 sqlite3 walk:                 %.3f s\n", bestPython);
  std::printf("module Выбрать + Получить + Значение x2:  %.3f s\n", bestModule);
  std::printf("ratio: %.2f (target <= 1.5)\n", bestModule / bestPython);
  return 0;
}

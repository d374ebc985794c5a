// The check before a catalog element is deleted (where the books name it) on a database with
// 1,000,000 register movements, against raw SQLite running the same queries (the documents'
// DISTINCT keys, the movements' count(*)) in the same run.
// Then the rename of an element that every movement names (config::renameReferences with
// progress, as the element window runs it, in one transaction) against raw SQLite updating the same
// rows in one transaction. Usage: reference_check_bench [movements] [goods] [rounds]
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

#include "bench_support.h"
#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "storage/session.h"

using namespace balvix;
using bench::Clock;
using bench::secondsSince;

namespace {

const int kDocuments = 10000;

// The configuration through the program's own code: goods, a receipt whose rows name a
// good, a stock register.
void configure(storage::Session& db) {
  using config::RequisiteType;
  config::ObjectDefinition goods;
  goods.name = QStringLiteral("Товары");
  goods.requisites = {{QStringLiteral("Наименование"), RequisiteType::parse("Текст")}};
  config::insertDefinition(db, goods);
  db.execute(config::createTableStatement(config::TableRole::Elements, goods.name,
                                          goods.requisiteNames()));
  config::ObjectDefinition receipt;
  receipt.kind = config::ObjectKind::Document;
  receipt.name = QStringLiteral("Приход");
  receipt.requisites = {{QStringLiteral("Наименование"), RequisiteType::parse("Текст")}};
  receipt.hasTablePart = true;
  receipt.tableRequisites = {{QStringLiteral("Товар"), RequisiteType::catalog("Товары")},
                             {QStringLiteral("Количество"), RequisiteType::parse("Число")}};
  config::insertDefinition(db, receipt);
  db.execute(config::createTableStatement(config::TableRole::Header, receipt.name,
                                          receipt.requisiteNames()));
  db.execute(config::createTableStatement(config::TableRole::TablePart, receipt.name,
                                          receipt.tableRequisiteNames()));
  config::ObjectDefinition stock;
  stock.kind = config::ObjectKind::Register;
  stock.name = QStringLiteral("Остатки");
  config::insertDefinition(db, stock);
  db.execute(config::createTableStatement(
      config::TableRole::Movements, stock.name,
      {QStringLiteral("Товар"), QStringLiteral("Склад"), QStringLiteral("Количество")}));
}

bool fill(const QString& file, int movements, int goods) {
  sqlite3* db = nullptr;
  if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* header = nullptr;
  sqlite3_stmt* row = nullptr;
  sqlite3_stmt* move = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO items_Документ_Приход VALUES ('Приход',?,?,'1')", -1, &header,
                     nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO table_Документ_Приход VALUES (?,'1',?,?)", -1, &row, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO items_Регистр_Остатки VALUES (?,'Склад','1',?,?,'Приход','+')",
                     -1, &move, nullptr);
  std::srand(12345);
  for (int i = 0; i < movements; ++i) {
    const int document = i % kDocuments;
    const QByteArray date = QStringLiteral("%1.%2.2026")
                                .arg(1 + document % 28, 2, 10, QLatin1Char('0'))
                                .arg(1 + document / 28 % 12, 2, 10, QLatin1Char('0'))
                                .toUtf8();
    const QByteArray time = QByteArray::number(document);
    const QByteArray good = QStringLiteral("Товар %1").arg(std::rand() % goods).toUtf8();
    if (i < kDocuments) {
      sqlite3_bind_text(header, 1, date.constData(), date.size(), SQLITE_TRANSIENT);
      sqlite3_bind_text(header, 2, time.constData(), time.size(), SQLITE_TRANSIENT);
      sqlite3_step(header);
      sqlite3_reset(header);
    }
    if (i < 5 * kDocuments) {
      sqlite3_bind_text(row, 1, good.constData(), good.size(), SQLITE_TRANSIENT);
      sqlite3_bind_text(row, 2, date.constData(), date.size(), SQLITE_TRANSIENT);
      sqlite3_bind_text(row, 3, time.constData(), time.size(), SQLITE_TRANSIENT);
      sqlite3_step(row);
      sqlite3_reset(row);
    }
    sqlite3_bind_text(move, 1, good.constData(), good.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(move, 2, date.constData(), date.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(move, 3, time.constData(), time.size(), SQLITE_TRANSIENT);
    if (sqlite3_step(move) != SQLITE_DONE) return false;
    sqlite3_reset(move);
  }
  for (sqlite3_stmt* st : {header, row, move}) sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return true;
}

// The anchor: the same two queries through the C API on an open connection.
double rawCheck(sqlite3* db, const QByteArray& good, int& documents, int& movements) {
  const auto start = Clock::now();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT DISTINCT cDATE,cTIME FROM table_Документ_Приход WHERE Товар=?", -1,
                     &st, nullptr);
  sqlite3_bind_text(st, 1, good.constData(), good.size(), SQLITE_TRANSIENT);
  documents = 0;
  while (sqlite3_step(st) == SQLITE_ROW) ++documents;
  sqlite3_finalize(st);
  sqlite3_prepare_v2(db, "SELECT count(*) FROM items_Регистр_Остатки WHERE Товар=?", -1, &st,
                     nullptr);
  sqlite3_bind_text(st, 1, good.constData(), good.size(), SQLITE_TRANSIENT);
  movements = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
  sqlite3_finalize(st);
  return secondsSince(start);
}

double rawRename(sqlite3* db, const char* from, const char* to) {
  const auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  for (const char* sql : {"UPDATE table_Документ_Приход SET Товар=? WHERE Товар=?",
                          "UPDATE items_Регистр_Остатки SET Товар=? WHERE Товар=?"}) {
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    sqlite3_bind_text(st, 1, to, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, from, -1, SQLITE_STATIC);
    sqlite3_step(st);
    sqlite3_finalize(st);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  return secondsSince(start);
}

// Every movement names one good, renamed back and forth by each side in turn.
void renameRun(int movements, int rounds) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("basa.mdb"));
  {
    auto session = storage::Session::createNew(file);
    configure(*session);
  }
  if (!fill(file, movements, 1)) return;
  auto session = storage::Session::open(file);
  config::ensureKeyIndexes(*session);
  config::ensureReferenceIndexes(*session);
  double bestRaw = 1e9, bestRename = 1e9;
  int moved = 0;
  long reports = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    {
      storage::Transaction transaction(*session);
      // As the element window renames: counted first, moved in portions, told how far.
      moved = config::renameReferences(*session, QStringLiteral("Товары"),
                                       QStringLiteral("Товар 0"), QStringLiteral("Товар А"),
                                       [&](qint64, qint64) { return ++reports > 0; });
      transaction.commit();
    }
    bestRename = std::min(bestRename, secondsSince(start));
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &raw);
    bestRaw = std::min(bestRaw, rawRename(raw, "Товар А", "Товар 0"));
    sqlite3_close(raw);
  }
  std::printf(
      "rename carried through %d references with progress (%ld reports): %.3f s (raw SQLite, "
      "same UPDATEs in one transaction: %.3f s, %.2fx)\n",
      moved, reports / rounds, bestRename, bestRaw, bestRename / bestRaw);
}

}  // namespace

int main(int argc, char** argv) {
  const int movements = argc > 1 ? std::max(kDocuments, std::atoi(argv[1])) : 1000000;
  const int goods = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("basa.mdb"));
  {
    auto session = storage::Session::createNew(file);
    configure(*session);
  }
  if (!fill(file, movements, goods)) return 1;
  auto session = storage::Session::open(file);
  // The indexes an existing database gets at start-up.
  const auto indexStart = Clock::now();
  const int indexes = config::ensureKeyIndexes(*session) + config::ensureReferenceIndexes(*session);
  std::printf("indexes made at start-up: %d (%.2f s)\n", indexes, secondsSince(indexStart));
  sqlite3* raw = nullptr;
  sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);

  double bestRaw = 1e9, bestCheck = 1e9;
  bool agree = true;
  for (int round = 0; round < rounds; ++round) {
    const QString good = QStringLiteral("Товар %1").arg(round * 7 % goods);
    int rawDocuments = 0, rawMovements = 0;
    bestRaw = std::min(bestRaw, rawCheck(raw, good.toUtf8(), rawDocuments, rawMovements));
    const auto start = Clock::now();
    const config::ElementReferences found =
        config::findReferences(*session, QStringLiteral("Товары"), good);
    bestCheck = std::min(bestCheck, secondsSince(start));
    const int checkMovements = found.movements.isEmpty() ? 0 : found.movements.first().rows;
    agree = agree && found.documents == rawDocuments && checkMovements == rawMovements;
    if (round == 0) std::printf("%s\n", config::referenceMessage(good, found).toUtf8().constData());
  }
  sqlite3_close(raw);
  std::printf("reference check, %d movements: %.4f s (raw SQLite, same queries: %.4f s, %.1fx)%s\n",
              movements, bestCheck, bestRaw, bestCheck / bestRaw, agree ? "" : "  COUNTS DIFFER");
  renameRun(movements, rounds);
  return agree ? 0 : 1;
}

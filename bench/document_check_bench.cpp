// The check before a document is posted (documents::checkDocument with fresh reference
// values, as every posting makes them) for a document of 50 rows naming goods of a catalog of
// [goods] elements, against raw SQLite reading the same catalog's names in the same run.
// Usage: document_check_bench [goods] [rounds]
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "bench_support.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/document_checks.h"
#include "storage/session.h"

using namespace balvix;
using bench::Clock;

namespace {

using config::RequisiteType;

config::ObjectDefinition configure(storage::Session& db, int goods) {
  config::ObjectDefinition catalog;
  catalog.name = QStringLiteral("Товары");
  catalog.requisites = {{QStringLiteral("Наименование"), RequisiteType::parse("Текст")}};
  config::insertDefinition(db, catalog);
  db.execute(config::createTableStatement(config::TableRole::Elements, catalog.name,
                                          catalog.requisiteNames()));
  {
    storage::Transaction transaction(db);
    for (int i = 0; i < goods; ++i)
      db.execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES ('Товар %1')").arg(i));
    transaction.commit();
  }
  config::ObjectDefinition receipt;
  receipt.kind = config::ObjectKind::Document;
  receipt.name = QStringLiteral("Приход");
  receipt.requisites = {{QStringLiteral("Наименование"), RequisiteType::parse("Текст")}};
  receipt.hasTablePart = true;
  receipt.tableRequisites = {{QStringLiteral("Товар"), RequisiteType::catalog("Товары"), true},
                             {QStringLiteral("Количество"), RequisiteType::parse("Число"), true}};
  return receipt;
}

double rawRead(sqlite3* db, int& names) {
  const auto start = Clock::now();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT Наименование FROM items_Справочник_Товары", -1, &st, nullptr);
  names = 0;
  while (sqlite3_step(st) == SQLITE_ROW)
    if (sqlite3_column_text(st, 0)) ++names;
  sqlite3_finalize(st);
  return bench::millisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  const int goods = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("basa.mdb"));
  std::unique_ptr<storage::Session> db = storage::Session::createNew(file);
  const config::ObjectDefinition receipt = configure(*db, goods);
  script::DocumentContent content;
  content.kind = receipt.name;
  content.header = {{QStringLiteral("Наименование"), QStringLiteral("1")}};
  content.hasTablePart = true;
  content.rowColumns = receipt.tableRequisiteNames();
  for (int r = 0; r < 50; ++r)
    content.rows << QStringList{QStringLiteral("Товар %1").arg(r * (goods / 50)), "1"};

  bool passed = false;
  const double check = bench::bestOf(rounds, [&] {
    const auto start = Clock::now();
    documents::ReferenceValues references(*db);
    passed = !documents::checkDocument(references, receipt, content);
    return bench::millisecondsSince(start);
  });
  sqlite3* raw = nullptr;
  sqlite3_open(QFile::encodeName(file).constData(), &raw);
  int names = 0;
  const double anchor = bench::bestOf(rounds, [&] { return rawRead(raw, names); });
  sqlite3_close(raw);
  std::printf(
      "catalog of %d goods, 50 rows: check %.1f ms (%s), raw SQLite reading %d names "
      "%.1f ms, ratio %.2f\n",
      goods, check, passed ? "passed" : "REFUSED", names, anchor, check / anchor);
  return passed ? 0 : 1;
}

// Times the opening of a catalog list of many elements until its first rows are
// painted, against its anchors in the same run: the same names read with the raw SQLite
// C API, and with CPython's sqlite3 (/usr/bin/python3.11).
#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "runtime/catalog_list.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

const char* kQuery = "SELECT Наименование FROM items_Справочник_Товары";

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int elements = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  auto db = storage::Session::createNew(path);
  db->execute(QStringLiteral(
      "CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),Артикул TEXT(50),"
      "Поставщик TEXT(50))"));
  {
    storage::Transaction t(*db);
    for (int i = 0; i < elements; ++i)
      db->execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,%2,%3,%4)")
                      .arg(storage::quote(QStringLiteral("Товар номер %1").arg(i)),
                           storage::quote(QString::number(i % 977)),
                           storage::quote(QStringLiteral("A-%1").arg(i)),
                           storage::quote(QStringLiteral("Поставщик %1").arg(i % 50))));
    t.commit();
  }

  shell::AppState state;
  state.db = db.get();
  state.currentObjectName = QStringLiteral("Товары");
  int rows = 0;
  const double best = bench::bestOf(3, [&] {
    const auto start = bench::Clock::now();
    auto* list = new runtime::frmSprList(state);
    list->show();
    // The first rows are on screen once the list's viewport has painted.
    list->list()->viewport()->grab();
    const double ms = bench::millisecondsSince(start);
    rows = list->model()->rowCount();
    delete list;
    return ms;
  });
  const double raw = bench::bestOf(3, [&] { return bench::rawReadAllMs(path, kQuery); });
  const double py = bench::bestOf(3, [&] { return bench::pythonReadAllMs(path, kQuery); });
  std::printf("catalog list of %d elements, first rows painted: %.1f ms (best of 3)\n", rows, best);
  std::printf("anchor raw SQLite, names read: %.1f ms; ratio %.2f\n", raw, best / raw);
  std::printf("anchor CPython sqlite3, names read: %.1f ms; ratio %.2f\n", py, best / py);
  return rows == elements && best < 300 ? 0 : 1;
}

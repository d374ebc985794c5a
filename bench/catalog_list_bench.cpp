// Times the opening of a catalog list of many elements until its first rows are
// painted, against its anchors in the same run: the same names read with the raw SQLite
// C API, and with CPython's sqlite3 (/usr/bin/python3.11).
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/catalog_list.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

double rawSqliteMs(const QString& path) {
  QElapsedTimer timer;
  timer.start();
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT Наименование FROM items_Справочник_Товары", -1, &st, nullptr);
  std::vector<std::string> names;
  while (sqlite3_step(st) == SQLITE_ROW)
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double pythonMs(const QString& path) {
  const QString script = QStringLiteral(
      "import sqlite3,sys,time\n"
      "t=time.perf_counter()\n"
      "c=sqlite3.connect(sys.argv[1])\n"
      "names=[r[0] for r in c.execute('SELECT Наименование FROM items_Справочник_Товары')]\n"
      "print((time.perf_counter()-t)*1000)\n");
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3.11"), {QStringLiteral("-c"), script, path});
  if (!p.waitForFinished(60000)) return -1;
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble();
}

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
  double best = 1e9;
  int rows = 0;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer timer;
    timer.start();
    auto* list = new runtime::frmSprList(state);
    list->show();
    // The first rows are on screen once the list's viewport has painted.
    list->list()->viewport()->grab();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    rows = list->model()->rowCount();
    delete list;
  }
  double raw = 1e9, py = 1e9;
  for (int run = 0; run < 3; ++run) {
    raw = std::min(raw, rawSqliteMs(path));
    py = std::min(py, pythonMs(path));
  }
  std::printf("catalog list of %d elements, first rows painted: %.1f ms (best of 3)\n", rows, best);
  std::printf("anchor raw SQLite, names read: %.1f ms; ratio %.2f\n", raw, best / raw);
  std::printf("anchor CPython sqlite3, names read: %.1f ms; ratio %.2f\n", py, best / py);
  return rows == elements && best < 300 ? 0 : 1;
}

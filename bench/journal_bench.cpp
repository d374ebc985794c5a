// Times the opening of a journal of many documents until its first rows are painted,
// against its anchors in the same run: the same columns read with the raw SQLite C API,
// and with CPython's sqlite3 (/usr/bin/python3.11).
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/journal.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

const char* kQuery = "SELECT Наименование,cDATE,cTIME,Проводка FROM items_Документ_Приход";

double rawSqliteMs(const QString& path) {
  QElapsedTimer timer;
  timer.start();
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, kQuery, -1, &st, nullptr);
  std::vector<std::string> rows;
  while (sqlite3_step(st) == SQLITE_ROW)
    for (int c = 0; c < 4; ++c)
      rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double pythonMs(const QString& path) {
  const QString script = QStringLiteral(
                             "import sqlite3,sys,time\n"
                             "t=time.perf_counter()\n"
                             "c=sqlite3.connect(sys.argv[1])\n"
                             "rows=list(c.execute('") +
                         QString::fromUtf8(kQuery) +
                         QStringLiteral(
                             "'))\n"
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
  const int documents = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  auto db = storage::Session::createNew(path);
  db->execute(
      QStringLiteral("INSERT INTO form_items (name,descript,type,zurnal) VALUES "
                     "('Приход','Приход','Документ','Основной')"));
  db->execute(QStringLiteral(
      "CREATE TABLE items_Документ_Приход(Наименование TEXT(50),Сумма TEXT(50),cDATE TEXT(10),"
      "cTIME TEXT(10),Проводка TEXT(10))"));
  const int year = QDate::currentDate().year();
  {
    storage::Transaction t(*db);
    for (int i = 0; i < documents; ++i)
      db->execute(
          QStringLiteral("INSERT INTO items_Документ_Приход VALUES (%1,'100',%2,%3,%4)")
              .arg(storage::quote(QStringLiteral("Документ %1").arg(i)),
                   storage::quote(
                       QDate(year, 1, 1).addDays(i % 365).toString(QStringLiteral("dd.MM.yyyy"))),
                   storage::quote(
                       QTime(0, 0).addSecs(i % 86400).toString(QStringLiteral("hh:mm:ss"))),
                   storage::quote(i % 3 ? QStringLiteral("1") : QStringLiteral("0"))));
    t.commit();
  }

  shell::AppState state;
  state.db = db.get();
  state.currentObjectName = QStringLiteral("Основной");
  double best = 1e9;
  int rows = 0;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer timer;
    timer.start();
    auto* journal = new runtime::frmZurnal(state);
    journal->show();
    // The first rows are on screen once the list's viewport has painted.
    journal->list()->viewport()->grab();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    rows = journal->model()->rowCount();
    delete journal;
  }
  double raw = 1e9, py = 1e9;
  for (int run = 0; run < 3; ++run) {
    raw = std::min(raw, rawSqliteMs(path));
    py = std::min(py, pythonMs(path));
  }
  std::printf("journal of %d documents, first rows painted: %.1f ms (best of 3)\n", rows, best);
  std::printf("anchor raw SQLite, same columns read: %.1f ms; ratio %.2f\n", raw, best / raw);
  std::printf("anchor CPython sqlite3, same columns read: %.1f ms; ratio %.2f\n", py, best / py);
  return rows == documents && best < 500 ? 0 : 1;
}

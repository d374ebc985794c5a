// Times the opening of a journal of many documents until its first rows are painted,
// against its anchors in the same run: the same columns read with the raw SQLite C API,
// and with CPython's sqlite3 (/usr/bin/python3.11).
#include <QApplication>
#include <QComboBox>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "runtime/journal.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

const char* kQuery = "SELECT Наименование,cDATE,cTIME,Проводка FROM items_Документ_Приход";
const char* kPostedQuery =
    "SELECT Наименование,cDATE,cTIME,Проводка FROM items_Документ_Приход WHERE Проводка='1'";

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
  int rows = 0;
  const double best = bench::bestOf(3, [&] {
    const auto start = bench::Clock::now();
    auto* journal = new runtime::frmZurnal(state);
    journal->show();
    // The first rows are on screen once the list's viewport has painted.
    journal->list()->viewport()->grab();
    const double ms = bench::millisecondsSince(start);
    rows = journal->model()->rowCount();
    delete journal;
    return ms;
  });
  // Choosing «Проведенные» filters the rows in memory, to the repainted list.
  auto* journal = new runtime::frmZurnal(state);
  journal->show();
  journal->list()->viewport()->grab();
  int posted = 0;
  const double filter = bench::bestOf(3, [&] {
    journal->stateFilter()->setCurrentIndex(0);
    const auto start = bench::Clock::now();
    journal->stateFilter()->setCurrentIndex(1);
    journal->list()->viewport()->grab();
    const double ms = bench::millisecondsSince(start);
    posted = journal->list()->model()->rowCount();
    return ms;
  });
  delete journal;
  const double rawPosted =
      bench::bestOf(3, [&] { return bench::rawReadAllMs(path, kPostedQuery); });
  const double raw = bench::bestOf(3, [&] { return bench::rawReadAllMs(path, kQuery); });
  const double py = bench::bestOf(3, [&] { return bench::pythonReadAllMs(path, kQuery); });
  std::printf("journal of %d documents, first rows painted: %.1f ms (best of 3)\n", rows, best);
  std::printf("anchor raw SQLite, same columns read: %.1f ms; ratio %.2f\n", raw, best / raw);
  std::printf("anchor CPython sqlite3, same columns read: %.1f ms; ratio %.2f\n", py, best / py);
  std::printf("state filter «Проведенные», %d rows repainted: %.1f ms (best of 3)\n", posted,
              filter);
  std::printf("anchor raw SQLite, the posted rows read: %.1f ms; ratio %.2f\n", rawPosted,
              filter / rawPosted);
  return rows == documents && best < 500 ? 0 : 1;
}

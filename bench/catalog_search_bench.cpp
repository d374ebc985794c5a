// Times find-as-you-type in a catalog list of many elements: from each keystroke's text
// change to the filtered list painted offscreen, against the same search run by raw SQLite
// (SELECT … WHERE Наименование LIKE '%…%') in the same run. The second pass is timed; the
// first keystroke of the first pass, which folds every row's text once, is printed apart.
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench_support.h"
#include "runtime/catalog_list.h"
#include "runtime/list_search.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

// Every row of the LIKE query read through the raw C API on an open connection, as a
// search per keystroke would read it; milliseconds.
double rawLikeMs(sqlite3* db, const QString& typed, int* rows) {
  const auto start = bench::Clock::now();
  const QByteArray sql =
      (QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование LIKE ") +
       storage::quote(QLatin1Char('%') + typed + QLatin1Char('%')))
          .toUtf8();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
  std::vector<std::string> values;
  const int columns = sqlite3_column_count(st);
  *rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++*rows;
    for (int c = 0; c < columns; ++c)
      values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
  }
  sqlite3_finalize(st);
  return bench::millisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int elements = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  auto db = storage::Session::createNew(path);
  db->execute(
      QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Артикул TEXT(50),"
                     "Единица TEXT(50),Цена TEXT(50))"));
  // The price is an amount, so that every painted and searched row formats a number.
  db->execute(
      QStringLiteral("INSERT INTO form_items (name,descript,code,type,items_type) VALUES "
                     "('Товары','Товары','_','Справочник','Текст;Текст;Текст;Число.Сумма;')"));
  {
    storage::Transaction t(*db);
    for (int i = 0; i < elements; ++i)
      db->execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,%2,'шт',%3)")
                      .arg(storage::quote(QStringLiteral("Товар номер %1").arg(i)),
                           storage::quote(QStringLiteral("A-%1").arg(i)),
                           storage::quote(QString::number(i % 977))));
    t.commit();
  }

  shell::AppState state;
  state.db = db.get();
  state.currentObjectName = QStringLiteral("Товары");
  auto* list = new runtime::frmSprList(state);
  list->resize(900, 600);
  list->show();
  list->list()->viewport()->grab();

  // The user types a name part key by key, then takes it back key by key.
  const QString word = QStringLiteral("номер 4242");
  QStringList steps;
  for (int n = 1; n <= word.size(); ++n) steps << word.left(n);
  for (int n = word.size() - 1; n >= 1; --n) steps << word.left(n);

  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
  double first = 0;
  double oursTotal = 0, oursWorst = 0, rawTotal = 0, rawWorst = 0;
  bool same = true;
  for (int run = 0; run < 2; ++run) {
    for (const QString& typed : steps) {
      const auto start = bench::Clock::now();
      list->searchField()->setText(typed);
      // The new list is on screen once the viewport has laid out and painted it.
      list->list()->viewport()->grab();
      const double ms = bench::millisecondsSince(start);
      if (run == 0 && first == 0) first = ms;
      int rawRows = 0;
      const double rawMs = rawLikeMs(raw, typed, &rawRows);
      if (run == 1) {
        oursTotal += ms;
        oursWorst = std::max(oursWorst, ms);
        rawTotal += rawMs;
        rawWorst = std::max(rawWorst, rawMs);
      }
      same = same && rawRows == list->list()->model()->rowCount();
    }
  }
  sqlite3_close(raw);
  // The same typing over a list sorted by name: the order is kept by the model, so a
  // keystroke still only filters.
  list->searchField()->clear();
  const auto sortStart = bench::Clock::now();
  list->list()->sortByColumn(1, Qt::AscendingOrder);
  list->list()->viewport()->grab();
  const double sortMs = bench::millisecondsSince(sortStart);
  double sortedTotal = 0, sortedWorst = 0;
  for (const QString& typed : steps) {
    const auto start = bench::Clock::now();
    list->searchField()->setText(typed);
    list->list()->viewport()->grab();
    const double ms = bench::millisecondsSince(start);
    sortedTotal += ms;
    sortedWorst = std::max(sortedWorst, ms);
  }
  const double ours = oursTotal / steps.size();
  const double anchor = rawTotal / steps.size();
  std::printf("catalog list of %d elements, %lld keystrokes of «%s» typed and taken back\n",
              list->model()->rowCount(), static_cast<long long>(steps.size()),
              word.toUtf8().constData());
  std::printf("search field to painted list: mean %.1f ms, worst %.1f ms per keystroke\n", ours,
              oursWorst);
  std::printf("first keystroke, folding every row's text once: %.1f ms\n", first);
  std::printf(
      "anchor raw SQLite LIKE query: mean %.1f ms, worst %.1f ms; ratio %.2f (worst %.2f)\n",
      anchor, rawWorst, ours / anchor, oursWorst / rawWorst);
  std::printf(
      "sorted by name (%.1f ms to sort and paint): mean %.1f ms, worst %.1f ms per keystroke\n",
      sortMs, sortedTotal / steps.size(), sortedWorst);
  std::printf("same rows as the LIKE query: %s\n", same ? "yes" : "no");
  delete list;
  return same && std::max({first, oursWorst, sortedWorst}) < 100 ? 0 : 1;
}

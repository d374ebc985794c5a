// Times the re-save of a large catalog: the element table is re-created with one more
// column through the same rebuild the catalog designer uses, and every element is
// carried over. The anchor is the bare engine doing the same in one transaction on an
// identical table: rename aside, create, one INSERT ... SELECT, drop.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "configurator/table_rebuild.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int elements = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  auto db = storage::Session::createNew(dir.filePath(QStringLiteral("basa.mdb")));
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

  QElapsedTimer timer;
  timer.start();
  const configurator::RebuildResult result = configurator::rebuildTable(
      *db, QStringLiteral("items_Справочник_Товары"),
      QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),"
                     "Артикул TEXT(50),Поставщик TEXT(50),Вес TEXT(50))"));
  const qint64 ms = timer.elapsed();
  const int after =
      db->openRecordset(QStringLiteral("SELECT COUNT(*) FROM items_Справочник_Товары"))
          .value(0)
          .toInt();
  // The anchor: the same table again, rebuilt by the bare engine.
  db->execute(QStringLiteral(
      "CREATE TABLE items_Справочник_Копия(Наименование TEXT(50),Цена TEXT(50),Артикул TEXT(50),"
      "Поставщик TEXT(50))"));
  db->execute(
      QStringLiteral("INSERT INTO items_Справочник_Копия SELECT Наименование,Цена,"
                     "Артикул,Поставщик FROM items_Справочник_Товары"));
  timer.restart();
  sqlite3_exec(db->handle(),
               "BEGIN;"
               "ALTER TABLE items_Справочник_Копия RENAME TO old_Копия;"
               "CREATE TABLE items_Справочник_Копия(Наименование TEXT(50),Цена TEXT(50),"
               "Артикул TEXT(50),Поставщик TEXT(50),Вес TEXT(50));"
               "INSERT INTO items_Справочник_Копия(_rowid_,Наименование,Цена,Артикул,Поставщик) "
               "SELECT _rowid_,Наименование,Цена,Артикул,Поставщик FROM old_Копия;"
               "DROP TABLE old_Копия;"
               "COMMIT;",
               nullptr, nullptr, nullptr);
  const qint64 anchorMs = timer.elapsed();
  std::printf(
      "re-save of a catalog with %d elements and one added column: %lld ms "
      "(%lld rows copied, %d rows after); bare engine: %lld ms; ratio %.2f\n",
      elements, static_cast<long long>(ms), static_cast<long long>(result.rowsCopied), after,
      static_cast<long long>(anchorMs), anchorMs > 0 ? double(ms) / double(anchorMs) : 0.0);
  return after == elements ? 0 : 1;
}

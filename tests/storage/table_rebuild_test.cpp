#include "storage/table_rebuild.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "storage/sql_text.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class RecordingProgress : public RebuildProgress {
 public:
  void start(const QString& table, qint64 totalRows) override {
    this->table = table;
    total = totalRows;
  }
  void advance(qint64 copiedRows) override { steps.push_back(copiedRows); }
  void finish() override { finished = true; }

  QString table;
  qint64 total = -1;
  std::vector<qint64> steps;
  bool finished = false;
};

class TableRebuildStorageTest : public StorageTest {
 protected:
  // A catalog table with `rows` elements; every third element is deleted again so that
  // the row ids have gaps.
  void makeCatalog(int rows) {
    db().execute(
        QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена "
                       "TEXT(50),Старое TEXT(50))"));
    Transaction t(db());
    for (int i = 0; i < rows * 3 / 2; ++i) {
      db().execute(
          QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,%2,'x')")
              .arg(quote(QStringLiteral("Товар %1").arg(i)), quote(QString::number(i * 10))));
    }
    db().execute(QStringLiteral(
        "DELETE FROM items_Справочник_Товары WHERE CAST(Цена AS INTEGER) % 30 = 20"));
    t.commit();
  }

  void raw(const QString& sql) {
    StorageTest::raw(sql.toUtf8());
    db().refreshTables();
  }

  // Of the tables the tests make: the postings table of a new database has its own index.
  QStringList schemaNames(const QString& type) {
    return column(QStringLiteral("SELECT name FROM sqlite_master WHERE type='%1' AND sql IS NOT "
                                 "NULL AND tbl_name<>'itogi' ORDER BY name")
                      .arg(type),
                  QStringLiteral("name"));
  }

  std::vector<qint64> rowids(const QString& table) {
    std::vector<qint64> ids;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = ("SELECT _rowid_ FROM \"" + table + "\" ORDER BY 1").toUtf8();
    sqlite3_prepare_v2(db().handle(), sql.constData(), -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return ids;
  }
};

TEST_F(TableRebuildStorageTest, ColumnsNamedLikeTheRowIdLoseNoRow) {
  BALVIX_FILE_ONLY("the file engine's row ids");
  // Each shadowing set: one alias taken, then all three (the copy has no chunks then).
  const QStringList shadows[] = {{"rowid"}, {"OID"}, {"_rowid_"}, {"RowId", "oid", "_ROWID_"}};
  for (const QStringList& shadow : shadows) {
    SCOPED_TRACE(shadow.join(',').toStdString());
    QString columns = QStringLiteral("Наименование TEXT(50)");
    for (const QString& c : shadow) columns += QStringLiteral(",%1 TEXT(50)").arg(c);
    raw(QStringLiteral("DROP TABLE IF EXISTS items_Справочник_Т"));
    raw(QStringLiteral("CREATE TABLE items_Справочник_Т(%1)").arg(columns));
    QString values;
    for (int i = 0; i < 90; ++i) {
      // The user columns hold the same value on every row, or nothing at all.
      QString row = QStringLiteral("('Товар %1'").arg(i);
      for (int c = 0; c < shadow.size(); ++c)
        row += i % 2 ? QStringLiteral(",NULL") : QStringLiteral(",'5'");
      values += (i ? QStringLiteral(",") : QString()) + row + QLatin1Char(')');
    }
    raw(QStringLiteral("INSERT INTO items_Справочник_Т VALUES ") + values);
    raw(
        QStringLiteral("DELETE FROM items_Справочник_Т WHERE _rowid_ % 10 = 0 OR oid % 10 = 0 OR "
                       "rowid % 10 = 0"));
    const int before = count(QStringLiteral("items_Справочник_Т"));
    ASSERT_GT(before, 0);

    const RebuildResult r = rebuildTable(
        db(), QStringLiteral("items_Справочник_Т"),
        QStringLiteral("CREATE TABLE items_Справочник_Т(%1,Цена TEXT(50))").arg(columns), nullptr,
        7);
    EXPECT_EQ(r.rowsCopied, before);
    EXPECT_EQ(count(QStringLiteral("items_Справочник_Т")), before);
    EXPECT_EQ(count(QStringLiteral("items_Справочник_Т WHERE Наименование='Товар 2'")), 1);
  }
}

TEST_F(TableRebuildStorageTest, RowIdsAtTheEndsOfTheRangeAreCopiedOnceAndKept) {
  BALVIX_FILE_ONLY("the file engine's row ids");
  raw(QStringLiteral("CREATE TABLE items_Регистр_Р(Товар TEXT(50))"));
  const qint64 max = std::numeric_limits<qint64>::max();
  const qint64 min = std::numeric_limits<qint64>::min();
  const std::vector<qint64> ids = {min, min + 1, -5, 1, 2, 3, max - 2, max - 1, max};
  for (qint64 id : ids)
    raw(QStringLiteral("INSERT INTO items_Регистр_Р(rowid,Товар) VALUES (%1,'т%1')").arg(id));
  for (int chunk : {1, 2, 4, 100}) {
    SCOPED_TRACE(chunk);
    const RebuildResult r = rebuildTable(
        db(), QStringLiteral("items_Регистр_Р"),
        QStringLiteral("CREATE TABLE items_Регистр_Р(Товар TEXT(50),Флаг%1 TEXT(5))").arg(chunk),
        nullptr, chunk);
    EXPECT_EQ(r.rowsCopied, static_cast<qint64>(ids.size()));
    EXPECT_EQ(rowids(QStringLiteral("items_Регистр_Р")), ids);
  }
  EXPECT_EQ(column(QStringLiteral("SELECT Товар FROM items_Регистр_Р WHERE rowid=") +
                       QString::number(max),
                   QStringLiteral("Товар")),
            QStringList{QStringLiteral("т%1").arg(max)});
}

TEST_F(TableRebuildStorageTest, IndexesTriggersAndViewsOutliveTheRebuild) {
  BALVIX_FILE_ONLY("written in the file engine's trigger language");
  raw(
      QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),"
                     "Старое TEXT(50))"));
  raw(QStringLiteral("CREATE TABLE Журнал(Запись TEXT(50))"));
  raw(QStringLiteral(
      "INSERT INTO items_Справочник_Товары VALUES ('Стол','10','x'),('Стул','5','y')"));
  raw(QStringLiteral("CREATE INDEX по_имени ON items_Справочник_Товары(Наименование)"));
  raw(QStringLiteral("CREATE UNIQUE INDEX по_цене ON \"items_Справочник_Товары\"(\"Цена\")"));
  raw(QStringLiteral("CREATE INDEX по_старому ON items_Справочник_Товары(Цена, Старое)"));
  raw(
      QStringLiteral("CREATE TRIGGER учет AFTER INSERT ON items_Справочник_Товары BEGIN "
                     "INSERT INTO Журнал VALUES (NEW.Наименование); END"));
  raw(
      QStringLiteral("CREATE TRIGGER учет_старого AFTER UPDATE ON items_Справочник_Товары BEGIN "
                     "INSERT INTO Журнал VALUES (NEW.Старое); END"));
  raw(QStringLiteral(
      "CREATE VIEW Прайс AS SELECT Наименование, Цена FROM items_Справочник_Товары"));
  raw(QStringLiteral("CREATE VIEW Архив AS SELECT Старое FROM items_Справочник_Товары"));

  // The kept column changes its letter case, "Старое" goes.
  const RebuildResult r = rebuildTable(
      db(), QStringLiteral("items_Справочник_Товары"),
      QStringLiteral("CREATE TABLE items_Справочник_Товары(наименование TEXT(50),Цена TEXT(50),"
                     "Вес TEXT(50))"));
  EXPECT_EQ(r.keptIndexes, (QStringList{"по_имени", "по_цене"}));
  EXPECT_EQ(r.droppedIndexes, QStringList{"по_старому"});
  EXPECT_EQ(r.keptTriggers, QStringList{"учет"});
  EXPECT_EQ(r.droppedTriggers, QStringList{"учет_старого"});
  EXPECT_EQ(r.brokenViews, QStringList{"Архив"});
  EXPECT_TRUE(r.lossSummary().contains(QStringLiteral("по_старому")));
  EXPECT_TRUE(r.lossSummary().contains(QStringLiteral("учет_старого")));
  EXPECT_TRUE(r.lossSummary().contains(QStringLiteral("Архив")));
  EXPECT_EQ(schemaNames(QStringLiteral("index")), (QStringList{"по_имени", "по_цене"}));

  // The unique index still holds, the trigger fires (but did not for the copied rows), the
  // views read the new table.
  EXPECT_EQ(
      errorNumber([&] {
        db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары(Цена) VALUES ('10')"));
      }),
      ErrorCode::DuplicateKey);
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары(Наименование,Цена) VALUES "
                     "('Шкаф','20')"));
  EXPECT_EQ(column(QStringLiteral("SELECT Запись FROM Журнал"), QStringLiteral("Запись")),
            QStringList{"Шкаф"});
  EXPECT_EQ(column(QStringLiteral("SELECT * FROM Прайс ORDER BY 2"), QStringLiteral("Цена")),
            (QStringList{"10", "20", "5"}));
  EXPECT_EQ(count(QStringLiteral("Прайс WHERE наименование='Стул'")), 1);
}

TEST_F(TableRebuildStorageTest, AFailedRebuildKeepsIndexesAndTriggers) {
  BALVIX_FILE_ONLY("written in the file engine's trigger language");
  raw(QStringLiteral("CREATE TABLE items_Справочник_Т(Наименование TEXT(50))"));
  raw(QStringLiteral("CREATE INDEX и1 ON items_Справочник_Т(Наименование)"));
  raw(QStringLiteral("CREATE TRIGGER т1 AFTER DELETE ON items_Справочник_Т BEGIN SELECT 1; END"));
  EXPECT_NE(errorNumber([&] {
              rebuildTable(
                  db(), QStringLiteral("items_Справочник_Т"),
                  QStringLiteral("CREATE TABLE items_Справочник_Т(А TEXT(50),а TEXT(50))"));
            }),
            0);
  EXPECT_EQ(schemaNames(QStringLiteral("index")), QStringList{"и1"});
  EXPECT_EQ(schemaNames(QStringLiteral("trigger")), QStringList{"т1"});
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Т")), QStringList{"Наименование"});
  // The legacy rename was for the rebuild only.
  EXPECT_EQ(db().openRecordset(QStringLiteral("PRAGMA legacy_alter_table")).value(0).toInt(), 0);
}

TEST_F(TableRebuildStorageTest, CreatesATableThatDoesNotExistYet) {
  RebuildResult r = rebuildTable(db(), QStringLiteral("items_Регистр_Склад"),
                                 QStringLiteral("CREATE TABLE items_Регистр_Склад(Товар TEXT(50),"
                                                "cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),"
                                                "Флаг TEXT(5))"));
  EXPECT_FALSE(r.hadTable);
  EXPECT_EQ(db().columns(QStringLiteral("items_Регистр_Склад")),
            (QStringList{"Товар", "cDATE", "cTIME", "Документ", "Флаг"}));
}

TEST_F(TableRebuildStorageTest, KeepsEveryRowForTheColumnsThatSurvive) {
  makeCatalog(1000);
  const int before = count(QStringLiteral("items_Справочник_Товары"));
  ASSERT_EQ(before, 1000);
  RecordingProgress progress;
  // "наименование" in another letter case is the same column; "Старое" goes, "Новое" comes.
  RebuildResult r = rebuildTable(
      db(), QStringLiteral("items_Справочник_Товары"),
      QStringLiteral("CREATE TABLE items_Справочник_Товары(наименование TEXT(50),Новое TEXT(50),"
                     "Цена TEXT(50))"),
      &progress, 64);
  EXPECT_TRUE(r.hadTable);
  EXPECT_EQ(r.rowsCopied, 1000);
  EXPECT_EQ(r.keptColumns, (QStringList{"наименование", "Цена"}));
  EXPECT_EQ(r.droppedColumns, QStringList{"Старое"});
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"наименование", "Новое", "Цена"}));

  Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование='Товар 7'"));
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.text("Цена"), QStringLiteral("70"));
  EXPECT_TRUE(rs.isNull("Новое"));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1000);

  EXPECT_EQ(progress.table, QStringLiteral("items_Справочник_Товары"));
  EXPECT_EQ(progress.total, 1000);
  // The server copies the rows in one statement and reports once.
  ASSERT_GT(progress.steps.size(), balvix::testing::testServer().isEmpty() ? 10u : 0u);
  EXPECT_TRUE(std::is_sorted(progress.steps.begin(), progress.steps.end()));
  EXPECT_EQ(progress.steps.back(), 1000);
  EXPECT_TRUE(progress.finished);
  // Nothing of the copy is left behind.
  db().refreshTables();
  for (int i = 0; i < db().tableCount(); ++i)
    EXPECT_FALSE(db().table(i).name.startsWith(QStringLiteral("old_")))
        << db().table(i).name.toStdString();
}

TEST_F(TableRebuildStorageTest, AFailingRebuildLeavesTheTableAndItsRowsAsTheyWere) {
  makeCatalog(300);
  const QStringList columnsBefore = db().columns(QStringLiteral("items_Справочник_Товары"));
  for (const QString& create :
       {QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),"
                       "цена TEXT(50))"),
        QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена-товара "
                       "TEXT(50))")}) {
    // the same column twice, then a column name the database rejects
    SCOPED_TRACE(create.toStdString());
    EXPECT_THROW(rebuildTable(db(), QStringLiteral("items_Справочник_Товары"), create, nullptr, 50),
                 DbError);
    EXPECT_FALSE(db().inTransaction());
    EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")), columnsBefore);
    EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 300);
    Recordset rs = db().openRecordset(
        QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование='Товар 1'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.text("Цена"), QStringLiteral("10"));
    EXPECT_EQ(rs.text("Старое"), QStringLiteral("x"));
  }
}

TEST_F(TableRebuildStorageTest, RollsBackWithTheCallersTransaction) {
  makeCatalog(10);
  {
    Transaction outer(db());
    db().execute(
        QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Товары','Справочник')"));
    rebuildTable(db(), QStringLiteral("items_Справочник_Товары"),
                 QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50))"));
    EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")), QStringList{"Наименование"});
    // no commit: a later step of the caller failed
  }
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Старое"}));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 10);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE name='Товары'")), 0);
}

TEST_F(TableRebuildStorageTest, EmptyTableAndTableWithoutSurvivingColumns) {
  db().execute(QStringLiteral("CREATE TABLE items_Регистр_Р(А TEXT(50),Б TEXT(50))"));
  RebuildResult empty = rebuildTable(db(), QStringLiteral("items_Регистр_Р"),
                                     QStringLiteral("CREATE TABLE items_Регистр_Р(А TEXT(50))"));
  EXPECT_EQ(empty.rowsCopied, 0);
  db().execute(QStringLiteral("INSERT INTO items_Регистр_Р VALUES ('1')"));
  RebuildResult none = rebuildTable(db(), QStringLiteral("items_Регистр_Р"),
                                    QStringLiteral("CREATE TABLE items_Регистр_Р(В TEXT(50))"));
  EXPECT_EQ(none.droppedColumns, QStringList{"А"});
  EXPECT_EQ(db().columns(QStringLiteral("items_Регистр_Р")), QStringList{"В"});
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Р")), 0);
}

}  // namespace

#include "configurator/table_rebuild.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "storage/sql_text.h"

namespace balvix::configurator {
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

class TableRebuildTest : public ::testing::Test {
 protected:
  TableRebuildTest() { db = storage::Session::createNew(dir.filePath(QStringLiteral("basa.mdb"))); }

  // A catalog table with `rows` elements; every third element is deleted again so that
  // the row ids have gaps.
  void makeCatalog(int rows) {
    db->execute(
        QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена "
                       "TEXT(50),Старое TEXT(50))"));
    storage::Transaction t(*db);
    for (int i = 0; i < rows * 3 / 2; ++i) {
      db->execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,%2,'x')")
                      .arg(storage::quote(QStringLiteral("Товар %1").arg(i)),
                           storage::quote(QString::number(i * 10))));
    }
    db->execute(QStringLiteral("DELETE FROM items_Справочник_Товары WHERE rowid % 3 = 0"));
    t.commit();
  }

  int count(const QString& table) {
    return db->openRecordset(QStringLiteral("SELECT * FROM ") + table).rowCount();
  }

  QTemporaryDir dir;
  std::unique_ptr<storage::Session> db;
};

TEST_F(TableRebuildTest, CreatesATableThatDoesNotExistYet) {
  RebuildResult r = rebuildTable(*db, QStringLiteral("items_Регистр_Склад"),
                                 QStringLiteral("CREATE TABLE items_Регистр_Склад(Товар TEXT(50),"
                                                "cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),"
                                                "Флаг TEXT(5))"));
  EXPECT_FALSE(r.hadTable);
  EXPECT_EQ(db->columns(QStringLiteral("items_Регистр_Склад")),
            (QStringList{"Товар", "cDATE", "cTIME", "Документ", "Флаг"}));
}

TEST_F(TableRebuildTest, KeepsEveryRowForTheColumnsThatSurvive) {
  makeCatalog(1000);
  const int before = count(QStringLiteral("items_Справочник_Товары"));
  ASSERT_EQ(before, 1000);
  RecordingProgress progress;
  // "наименование" in another letter case is the same column; "Старое" goes, "Новое" comes.
  RebuildResult r = rebuildTable(
      *db, QStringLiteral("items_Справочник_Товары"),
      QStringLiteral("CREATE TABLE items_Справочник_Товары(наименование TEXT(50),Новое TEXT(50),"
                     "Цена TEXT(50))"),
      &progress, 64);
  EXPECT_TRUE(r.hadTable);
  EXPECT_EQ(r.rowsCopied, 1000);
  EXPECT_EQ(r.keptColumns, (QStringList{"наименование", "Цена"}));
  EXPECT_EQ(r.droppedColumns, QStringList{"Старое"});
  EXPECT_EQ(db->columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"наименование", "Новое", "Цена"}));

  storage::Recordset rs = db->openRecordset(
      QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование='Товар 7'"));
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.text("Цена"), QStringLiteral("70"));
  EXPECT_TRUE(rs.isNull("Новое"));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1000);

  EXPECT_EQ(progress.table, QStringLiteral("items_Справочник_Товары"));
  EXPECT_EQ(progress.total, 1000);
  ASSERT_GT(progress.steps.size(), 10u);
  EXPECT_TRUE(std::is_sorted(progress.steps.begin(), progress.steps.end()));
  EXPECT_EQ(progress.steps.back(), 1000);
  EXPECT_TRUE(progress.finished);
  // Nothing of the copy is left behind.
  db->refreshTables();
  for (int i = 0; i < db->tableCount(); ++i)
    EXPECT_FALSE(db->table(i).name.startsWith(QStringLiteral("old_")))
        << db->table(i).name.toStdString();
}

TEST_F(TableRebuildTest, AFailingRebuildLeavesTheTableAndItsRowsAsTheyWere) {
  makeCatalog(300);
  const QStringList columnsBefore = db->columns(QStringLiteral("items_Справочник_Товары"));
  for (const QString& create :
       {QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена TEXT(50),"
                       "цена TEXT(50))"),
        QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена-товара "
                       "TEXT(50))")}) {
    // the same column twice, then a column name the database rejects
    SCOPED_TRACE(create.toStdString());
    EXPECT_THROW(rebuildTable(*db, QStringLiteral("items_Справочник_Товары"), create, nullptr, 50),
                 storage::DbError);
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(db->columns(QStringLiteral("items_Справочник_Товары")), columnsBefore);
    EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 300);
    storage::Recordset rs = db->openRecordset(
        QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование='Товар 1'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.text("Цена"), QStringLiteral("10"));
    EXPECT_EQ(rs.text("Старое"), QStringLiteral("x"));
  }
}

TEST_F(TableRebuildTest, RollsBackWithTheCallersTransaction) {
  makeCatalog(10);
  {
    storage::Transaction outer(*db);
    db->execute(
        QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Товары','Справочник')"));
    rebuildTable(*db, QStringLiteral("items_Справочник_Товары"),
                 QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50))"));
    EXPECT_EQ(db->columns(QStringLiteral("items_Справочник_Товары")), QStringList{"Наименование"});
    // no commit: a later step of the caller failed
  }
  EXPECT_EQ(db->columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Старое"}));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 10);
  EXPECT_EQ(
      db->openRecordset(QStringLiteral("SELECT * FROM form_items WHERE name='Товары'")).rowCount(),
      0);
}

TEST_F(TableRebuildTest, EmptyTableAndTableWithoutSurvivingColumns) {
  db->execute(QStringLiteral("CREATE TABLE items_Регистр_Р(А TEXT(50),Б TEXT(50))"));
  RebuildResult empty = rebuildTable(*db, QStringLiteral("items_Регистр_Р"),
                                     QStringLiteral("CREATE TABLE items_Регистр_Р(А TEXT(50))"));
  EXPECT_EQ(empty.rowsCopied, 0);
  db->execute(QStringLiteral("INSERT INTO items_Регистр_Р VALUES ('1')"));
  RebuildResult none = rebuildTable(*db, QStringLiteral("items_Регистр_Р"),
                                    QStringLiteral("CREATE TABLE items_Регистр_Р(В TEXT(50))"));
  EXPECT_EQ(none.droppedColumns, QStringList{"А"});
  EXPECT_EQ(db->columns(QStringLiteral("items_Регистр_Р")), QStringList{"В"});
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Р")), 0);
}

TEST(RequisiteNamesProblem, NamesTheFirstProblem) {
  EXPECT_EQ(requisiteNamesProblem({"Наименование", "Цена", "Кол_во2"}), QString());
  EXPECT_TRUE(requisiteNamesProblem({"Наименование", "Цена товара"}).contains("Цена товара"));
  EXPECT_TRUE(requisiteNamesProblem({"2шт"}).contains("2шт"));
  EXPECT_TRUE(requisiteNamesProblem({"Наименование", "Новый"}).contains("зарезервировано"));
  EXPECT_EQ(requisiteNamesProblem({"Цена", "Наименование", "цена"}),
            QStringLiteral("Реквизит «цена» указан дважды."));
  EXPECT_TRUE(requisiteNamesProblem({"Товар", "cdate"}, {"cDATE", "cTIME"}).contains("служебная"));
  EXPECT_EQ(requisiteNamesProblem({"Товар", "Документ"}), QString());
  EXPECT_EQ(requisiteColumns({"А", "Б"}), QStringLiteral("А TEXT(50),Б TEXT(50),"));
}

}  // namespace
}  // namespace balvix::configurator

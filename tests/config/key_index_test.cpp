#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/table_indexes.h"
#include "test_helpers.h"

using namespace balvix;
using namespace balvix::config;

namespace {

const QStringList kKey = {"cDATE", "cTIME"};

class KeyIndexTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void create(TableRole role, const QString& name) {
    m_db->execute(createTableStatement(role, name, {"Товар"}));
  }
  bool keyed(const QString& table) { return storage::hasIndexOn(*m_db, table, kKey); }
  // The indexes the file lists (of `name`, or all); the server's catalog is not read by
  // these tests, which look at it through hasIndexOn only: -1 there.
  int indexCount(const QString& name = QString()) {
    if (m_db->isServer()) return -1;
    return m_db
        ->openRecordset(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index'") +
                        (name.isEmpty() ? QString() : QStringLiteral(" AND name='%1'").arg(name)))
        .value(0)
        .toInt();
  }
};

TEST_F(KeyIndexTest, ANewDatabaseIndexesThePostingsAndTheDesignersIndexTheirTables) {
  EXPECT_TRUE(keyed(QStringLiteral("itogi")));
  create(TableRole::Header, QStringLiteral("Приход"));
  create(TableRole::TablePart, QStringLiteral("Приход"));
  create(TableRole::Movements, QStringLiteral("Остатки"));
  create(TableRole::Elements, QStringLiteral("Товары"));
  ensureKeyIndex(*m_db, TableRole::Header, QStringLiteral("Приход"));
  ensureKeyIndex(*m_db, TableRole::TablePart, QStringLiteral("Приход"));
  ensureKeyIndex(*m_db, TableRole::Movements, QStringLiteral("Остатки"));
  ensureKeyIndex(*m_db, TableRole::Elements, QStringLiteral("Товары"));
  EXPECT_TRUE(keyed(QStringLiteral("items_Документ_Приход")));
  EXPECT_TRUE(keyed(QStringLiteral("table_Документ_Приход")));
  EXPECT_TRUE(keyed(QStringLiteral("items_Регистр_Остатки")));
  EXPECT_FALSE(storage::hasIndexOn(*m_db, QStringLiteral("items_Справочник_Товары"), {"Товар"}));
  // Asking again adds nothing; a table that is not there is no error.
  const int before = indexCount();
  ensureKeyIndex(*m_db, TableRole::Header, QStringLiteral("Приход"));
  ensureKeyIndex(*m_db, TableRole::Header, QStringLiteral("Нет"));
  EXPECT_EQ(indexCount(), before);
}

TEST_F(KeyIndexTest, AnOlderDatabaseGetsTheMissingIndexesOnceAndHandMadeTablesAreLeftAlone) {
  m_db->execute(QStringLiteral("DROP INDEX idx_itogi"));
  create(TableRole::Header, QStringLiteral("Приход"));
  create(TableRole::TablePart, QStringLiteral("Приход"));
  create(TableRole::Movements, QStringLiteral("Остатки"));
  // The index name of one table already belongs to something else: another name is taken.
  m_db->execute(QStringLiteral("CREATE TABLE Прочее(а TEXT)"));
  m_db->execute(QStringLiteral("CREATE INDEX idx_items_Регистр_Остатки ON Прочее(а)"));
  // A table whose name follows the rules but which has no key columns.
  m_db->execute(QStringLiteral("CREATE TABLE items_Документ_Чужой(а TEXT)"));
  // One already indexed by its owner on the key (with a third column) keeps its index only.
  create(TableRole::Header, QStringLiteral("Расход"));
  m_db->execute(QStringLiteral("CREATE INDEX свой ON items_Документ_Расход(cDATE,cTIME,Проводка)"));

  EXPECT_EQ(ensureKeyIndexes(*m_db), 4);
  for (const char* table : {"itogi", "items_Документ_Приход", "table_Документ_Приход",
                            "items_Регистр_Остатки", "ITEMS_документ_расход"})
    EXPECT_TRUE(keyed(QString::fromUtf8(table))) << table;
  if (!m_db->isServer()) EXPECT_EQ(indexCount(QStringLiteral("idx_items_Регистр_Остатки_2")), 1);
  EXPECT_EQ(ensureKeyIndexes(*m_db), 0);
  // A lookup by the key searches the index instead of reading the whole table.
  if (m_db->isServer()) return;  // the plan below is the file engine's
  const QString plan =
      m_db->openRecordset(QStringLiteral("EXPLAIN QUERY PLAN SELECT * FROM items_Документ_Приход "
                                         "WHERE cDATE='01.02.2026' AND cTIME='10:00:00'"))
          .text(3);
  EXPECT_TRUE(Contains(plan, QStringLiteral("INDEX")));
}

// A register keeps no types: its column indexed for the check before a delete is the one
// a catalog-typed requisite shares its name with (here in other letter case).
TEST(ReferenceIndexTest, RegisterColumnsNamedLikeCatalogRequisitesAreIndexedOnce) {
  balvix::testing::TempDatabase temp;
  storage::Session& db = temp.db();
  ObjectDefinition receipt;
  receipt.kind = ObjectKind::Document;
  receipt.name = QStringLiteral("Приход");
  receipt.requisites = {{QStringLiteral("Склад"), RequisiteType::catalog("Склады")}};
  insertDefinition(db, receipt);
  db.execute(createTableStatement(TableRole::Header, receipt.name, receipt.requisiteNames()));
  ObjectDefinition goods;
  goods.name = QStringLiteral("Склады");
  insertDefinition(db, goods);
  ObjectDefinition stock;
  stock.kind = ObjectKind::Register;
  stock.name = QStringLiteral("Остатки");
  insertDefinition(db, stock);
  db.execute(createTableStatement(TableRole::Movements, stock.name,
                                  {QStringLiteral("склад"), QStringLiteral("Количество")}));
  EXPECT_EQ(ensureReferenceIndexes(db), 1);
  EXPECT_TRUE(storage::hasIndexOn(db, registerTable(stock.name), {QStringLiteral("склад")}));
  EXPECT_FALSE(storage::hasIndexOn(db, registerTable(stock.name), {QStringLiteral("Количество")}));
  EXPECT_EQ(ensureReferenceIndexes(db), 0);
}

}  // namespace

#include <sqlite3.h>

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

using Tables = StorageTest;
using Transactions = StorageTest;

QStringList tableNames(Session& db) {
  QStringList names;
  for (int i = 0; i < db.tableCount(); ++i) names << db.table(i).name;
  return names;
}

TEST_F(Tables, ListFollowsCreateDropAndRefresh) {
  BALVIX_FILE_ONLY("the file engine's own tables in the list");
  const QStringList fixed = {"form_items", "itogi", "plan", "ГлобальныйМодуль", "ОписаниеЯзыка"};
  EXPECT_EQ(tableNames(db()), fixed);
  for (int i = 0; i < db().tableCount(); ++i) EXPECT_EQ(db().table(i).attributes, 0);

  createGoods();
  EXPECT_TRUE(tableNames(db()).contains(QStringLiteral("items_Справочник_Товары")));
  db().execute(QStringLiteral("DROP TABLE items_Справочник_Товары"));
  EXPECT_EQ(tableNames(db()), fixed);

  // A table made behind the session's back shows after a refresh; the engine's own
  // tables are marked as system tables.
  raw("CREATE TABLE seq(id INTEGER PRIMARY KEY AUTOINCREMENT, a)");
  EXPECT_EQ(db().tableCount(), 5);
  db().refreshTables();
  const QStringList names = tableNames(db());
  ASSERT_TRUE(names.contains(QStringLiteral("seq")));
  ASSERT_TRUE(names.contains(QStringLiteral("sqlite_sequence")));
  EXPECT_EQ(db().table(static_cast<int>(names.indexOf(QStringLiteral("seq")))).attributes, 0);
  EXPECT_NE(
      db().table(static_cast<int>(names.indexOf(QStringLiteral("sqlite_sequence")))).attributes, 0);
}

TEST_F(Tables, ExistenceAndColumnsIgnoreLetterCase) {
  EXPECT_TRUE(db().tableExists(QStringLiteral("ОПИСАНИЕЯЗЫКА")));
  EXPECT_TRUE(db().tableExists(QStringLiteral("Plan")));
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
  EXPECT_EQ(db().columns(QStringLiteral("PLAN")), (QStringList{"Код", "Наименование", "Признак"}));
  EXPECT_TRUE(db().columns(QStringLiteral("нет")).isEmpty());
  // Always current, also for a table created directly on the handle.
  raw("CREATE TABLE прямая(Поле)");
  EXPECT_TRUE(db().tableExists(QStringLiteral("ПРЯМАЯ")));
  EXPECT_EQ(db().columns(QStringLiteral("ПРЯМАЯ")), QStringList{"Поле"});
}

TEST_F(Transactions, RollbackUndoesEverythingSinceTheOutermostBegin) {
  createGoods();
  db().beginTransaction();
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
  db().beginTransaction();
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('б')"));
  db().commit();  // inner: nothing is written yet
  EXPECT_TRUE(db().inTransaction());
  db().rollback();
  EXPECT_FALSE(db().inTransaction());
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 0);
  EXPECT_EQ(errorNumber([&] { db().commit(); }), ErrorCode::NoTransaction);
  EXPECT_EQ(errorNumber([&] { db().rollback(); }), ErrorCode::NoTransaction);
}

TEST_F(Transactions, GuardRollsBackWhenAnErrorPassesAndCommitsOtherwise) {
  createGoods();
  try {
    Transaction transaction(db());
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Нет (Наименование) VALUES ('б')"));
    transaction.commit();
  } catch (const DbError& error) {
    EXPECT_EQ(error.number(), ErrorCode::TableNotFound);
  }
  EXPECT_FALSE(db().inTransaction());
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 0);

  {
    Transaction transaction(db());
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('в')"));
    transaction.commit();
  }
  const QString file = db().path();
  m_db.reset();
  m_db = Session::open(file);
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1);
}

TEST_F(Transactions, RolledBackTableIsGoneEverywhere) {
  db().beginTransaction();
  createGoods();
  EXPECT_TRUE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
  db().rollback();
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
  EXPECT_EQ(db().tableCount(), 5);
  EXPECT_EQ(errorNumber([&] { count(QStringLiteral("items_Справочник_Товары")); }),
            ErrorCode::TableNotFound);
}

}  // namespace

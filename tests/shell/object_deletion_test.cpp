#include "shell/object_deletion.h"

#include <sqlite3.h>

#include <QTreeWidget>

#include "shell_fixture.h"

using namespace balvix;

namespace {

class ObjectDeletionTest : public ShellTest {
 protected:
  bool remove(const QString& type, const QString& name) {
    return shell::deleteConfigurationObject(m_state, type, name);
  }
  int formItemsRows(const QString& type, const QString& name) {
    return value(QStringLiteral("SELECT count(*) FROM form_items WHERE type=") +
                 storage::quote(type) + QStringLiteral(" AND name=") + storage::quote(name))
        .toInt();
  }
};

}  // namespace

TEST_F(ObjectDeletionTest, DeletingObjectsWithoutTablesRemovesOnlyTheirRow) {
  for (const char* type : {"Перечисление", "Отчет", "Журнал"}) {
    addObject(QString::fromUtf8(type), QStringLiteral("Прочее"));
  }
  m_db->execute(QStringLiteral("CREATE TABLE items_Справочник_Прочее(Наименование TEXT(50))"));
  const int tables = [&] {
    m_db->refreshTables();
    return m_db->tableCount();
  }();
  for (const char* type : {"Перечисление", "Отчет", "Журнал"}) {
    EXPECT_TRUE(remove(QString::fromUtf8(type), QStringLiteral("Прочее")));
    EXPECT_EQ(formItemsRows(QString::fromUtf8(type), QStringLiteral("Прочее")), 0);
  }
  m_db->refreshTables();
  EXPECT_EQ(m_db->tableCount(), tables);
  EXPECT_EQ(m_messages.messages().back().title, QStringLiteral("Удаление объекта"));
  EXPECT_EQ(m_messages.last(), QStringLiteral("Все успешно удалено."));
}

TEST_F(ObjectDeletionTest, DeletingACatalogDropsItsTableOnlyAndUpdatesTreeAndMenus) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  addObject(QStringLiteral("Документ"), QStringLiteral("Товары"));
  m_db->execute(QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50))"));
  m_db->execute(QStringLiteral(
      "CREATE TABLE table_Документ_Товары(Товар TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
  m_main->BuildMenus();
  m_main->BuildConfigTree();
  ASSERT_TRUE(remove(QStringLiteral("Справочник"), QStringLiteral("Товары")));
  EXPECT_FALSE(m_db->tableExists(QStringLiteral("items_Справочник_Товары")));
  EXPECT_TRUE(m_db->tableExists(QStringLiteral("table_Документ_Товары")));
  EXPECT_EQ(formItemsRows(QStringLiteral("Документ"), QStringLiteral("Товары")), 1);
  EXPECT_TRUE(m_main->userMenuItems(0)[0]->data().toString().isEmpty());
  EXPECT_TRUE(
      m_main->configTree()
          ->findItems(QStringLiteral("Справочник.Товары"), Qt::MatchExactly | Qt::MatchRecursive)
          .isEmpty());
}

TEST_F(ObjectDeletionTest, PostedDocumentsBlockDeletionAndUnpostedOnesGoWithBothTables) {
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"));
  m_db->execute(
      QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),cDATE TEXT(10),"
                     "cTIME TEXT(10),Проводка TEXT(10))"));
  m_db->execute(QStringLiteral(
      "CREATE TABLE table_Документ_Приход(Товар TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
  m_db->execute(
      QStringLiteral("INSERT INTO items_Документ_Приход VALUES ('а','01.02.2026','10:00:00','0')"));
  m_db->execute(
      QStringLiteral("INSERT INTO items_Документ_Приход VALUES ('б','01.02.2026','11:00:00','1')"));

  EXPECT_FALSE(remove(QStringLiteral("Документ"), QStringLiteral("Приход")));
  EXPECT_EQ(m_messages.last(),
            QStringLiteral("Удаляемый объект имеет движения, удаление невозможно!"));
  EXPECT_TRUE(m_db->tableExists(QStringLiteral("items_Документ_Приход")));
  EXPECT_TRUE(m_db->tableExists(QStringLiteral("table_Документ_Приход")));

  m_db->execute(QStringLiteral("UPDATE items_Документ_Приход SET Проводка='0'"));
  // Answering No changes nothing.
  m_messages.reply(shell::MsgAnswer::No);
  EXPECT_FALSE(remove(QStringLiteral("Документ"), QStringLiteral("Приход")));
  EXPECT_TRUE(m_db->tableExists(QStringLiteral("items_Документ_Приход")));

  EXPECT_TRUE(remove(QStringLiteral("Документ"), QStringLiteral("Приход")));
  EXPECT_FALSE(m_db->tableExists(QStringLiteral("items_Документ_Приход")));
  EXPECT_FALSE(m_db->tableExists(QStringLiteral("table_Документ_Приход")));
  EXPECT_EQ(formItemsRows(QStringLiteral("Документ"), QStringLiteral("Приход")), 0);
}

// Counts the rows the engine hands out from statements that read a document header table.
int headerRowsRead(unsigned type, void* context, void* statement, void*) {
  if (type == SQLITE_TRACE_ROW &&
      QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(statement)))
          .contains(QStringLiteral("items_Документ_")))
    ++*static_cast<int*>(context);
  return 0;
}

TEST_F(ObjectDeletionTest, TheDeletionAsksForOnePostedDocumentInsteadOfReadingThemAll) {
  addObject(QStringLiteral("Документ"), QStringLiteral("Расход"));
  m_db->execute(
      QStringLiteral("CREATE TABLE items_Документ_Расход(Наименование TEXT(50),cDATE TEXT(10),"
                     "cTIME TEXT(10),Проводка TEXT(10))"));
  m_db->execute(
      QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<500) "
                     "INSERT INTO items_Документ_Расход SELECT 'д'||i,'01.02.2026',i,'0' FROM n"));
  m_db->execute(
      QStringLiteral("INSERT INTO items_Документ_Расход VALUES ('п','02.02.2026','1','1')"));
  int rows = 0;
  sqlite3_trace_v2(m_db->handle(), SQLITE_TRACE_ROW, headerRowsRead, &rows);
  m_messages.reply(shell::MsgAnswer::Yes);
  EXPECT_FALSE(remove(QStringLiteral("Документ"), QStringLiteral("Расход")));
  sqlite3_trace_v2(m_db->handle(), 0, nullptr, nullptr);
  EXPECT_EQ(m_messages.last(),
            QStringLiteral("Удаляемый объект имеет движения, удаление невозможно!"));
  EXPECT_LE(rows, 1);
  EXPECT_TRUE(m_db->tableExists(QStringLiteral("items_Документ_Расход")));
}

TEST_F(ObjectDeletionTest, AnObjectWhoseTableIsAlreadyGoneCanStillBeDeleted) {
  addObject(QStringLiteral("Регистр"), QStringLiteral("Остатки"));
  EXPECT_TRUE(remove(QStringLiteral("Регистр"), QStringLiteral("Остатки")));
  EXPECT_EQ(formItemsRows(QStringLiteral("Регистр"), QStringLiteral("Остатки")), 0);
}

TEST_F(ObjectDeletionTest, ATypeOfNoKindNamesNothingToDelete) {
  addObject(QStringLiteral("Константа"), QStringLiteral("Прочее"));
  EXPECT_FALSE(remove(QStringLiteral("Константа"), QStringLiteral("Прочее")));
  EXPECT_TRUE(m_messages.messages().empty());
  EXPECT_EQ(formItemsRows(QStringLiteral("Константа"), QStringLiteral("Прочее")), 1);
}

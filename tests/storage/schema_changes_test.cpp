#include <sqlite3.h>

#include "storage/row_guards.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

using SchemaChanges = StorageTest;

// A server keeps only 63 bytes of a name (31 Cyrillic letters); the program's long names are
// read back whole, and a long name the server would cut into another's is refused.
TEST_F(SchemaChanges, LongNamesAreKeptWholeAndTheirCutFormsCannotMeet) {
  const QString table = QStringLiteral("items_Документ_ПриходныйКассовыйОрдерОсновной");
  const QString sum = QStringLiteral("СуммаПоступившихДенежныхСредствОтПокупателя");
  db().execute(
      QStringLiteral("CREATE TABLE %1(Наименование TEXT(50),%2 TEXT(50))").arg(table, sum));
  db().execute(QStringLiteral("INSERT INTO %1 VALUES ('Приход','5')").arg(table));
  EXPECT_TRUE(db().tableExists(table));
  EXPECT_EQ(db().columns(table), (QStringList{QStringLiteral("Наименование"), sum}));
  EXPECT_EQ(column(QStringLiteral("SELECT %1 FROM %2").arg(sum, table), sum),
            QStringList{QStringLiteral("5")});
  bool listed = false;
  for (int i = 0; i < db().tableCount(); ++i) listed = listed || db().table(i).name == table;
  EXPECT_TRUE(listed);
  // Another session reads the same names.
  auto other = Session::open(dbAddress());
  EXPECT_EQ(other->columns(table), db().columns(table));
  QString why;
  const int refused = errorNumber(
      [&] {
        db().execute(QStringLiteral("CREATE TABLE %1Дополнительный(Наименование TEXT(50))")
                         .arg(table.left(table.size() - 8)));
      },
      &why);
  if (db().isServer()) {
    EXPECT_NE(refused, 0);
    EXPECT_TRUE(Contains(why, QStringLiteral("слишком длинное"))) << why.toStdString();
  } else {
    EXPECT_EQ(refused, 0) << why.toStdString();
  }
  EXPECT_EQ(count(table), 1);
  // The guards of a long-named table stay three, each refusing its own change.
  const QString guard = QStringLiteral("guard_period_") + table;
  for (const auto& [suffix, event] :
       {std::pair{"_i", RowEvent::Insert}, std::pair{"_u", RowEvent::Update},
        std::pair{"_d", RowEvent::Delete}})
    createRowGuard(db(), guard + QString::fromUtf8(suffix), table, event, {},
                   QStringLiteral("закрыто"));
  EXPECT_EQ(rowGuards(db(), QStringLiteral("guard_period_")).size(), 3);
  for (const char* sql :
       {"INSERT INTO %1 VALUES ('x','1')", "UPDATE %1 SET Наименование='y'", "DELETE FROM %1"})
    EXPECT_EQ(errorNumber([&] { db().execute(QString::fromUtf8(sql).arg(table)); }),
              ErrorCode::Refused)
        << sql;
  for (const QString& name : rowGuards(db(), QStringLiteral("guard_period_")))
    dropRowGuard(db(), name);
  EXPECT_EQ(rowGuards(db(), QStringLiteral("guard_period_")), QStringList());
}

TEST_F(SchemaChanges, RenameKeepsATableWithColumnsDifferingInLetterCase) {
  BALVIX_FILE_ONLY("a schema left by a script of the file engine");
  // Only an older database can hold such a table; a rename must not take it for a new one.
  raw("CREATE TABLE items_Справочник_Старый(Поле TEXT(50),поле TEXT(50));"
      "INSERT INTO items_Справочник_Старый VALUES ('1','2')");
  db().refreshTables();
  db().execute(
      QStringLiteral("ALTER TABLE items_справочник_старый RENAME TO items_Справочник_Новый"));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Новый")), 1);

  // A new table with such columns is refused with a readable message naming it.
  QString description;
  EXPECT_EQ(errorNumber(
                [&] {
                  db().execute(
                      QStringLiteral("CREATE TABLE items_Справочник_Дубль(Цвет TEXT(50),ЦВЕТ "
                                     "TEXT(50))"));
                },
                &description),
            ErrorCode::DuplicateField);
  EXPECT_EQ(description, QStringLiteral("Поле «ЦВЕТ» указано в описании таблицы "
                                        "«items_Справочник_Дубль» более одного раза."));
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Дубль")));
  EXPECT_TRUE(db().tableExists(QStringLiteral("items_Справочник_Новый")));
}

TEST_F(SchemaChanges, AlterTableCannotAddAColumnInAnotherLetterCase) {
  createGoods();
  EXPECT_EQ(errorNumber([&] {
              db().execute(
                  QStringLiteral("ALTER TABLE items_справочник_товары ADD COLUMN ЦЕНА "
                                 "TEXT(50)"));
            }),
            ErrorCode::DuplicateField);
  EXPECT_EQ(errorNumber([&] {
              db().execute(
                  QStringLiteral("ALTER TABLE items_Справочник_Товары RENAME COLUMN "
                                 "количество TO \"цена\""));
            }),
            // The server names the clash itself; the file engine's message says only "error".
            balvix::testing::testServer().isEmpty() ? ErrorCode::Other : ErrorCode::DuplicateField);
  db().execute(
      QStringLiteral("ALTER TABLE items_Справочник_Товары RENAME COLUMN количество TO "
                     "Остаток"));
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Остаток"}));
}

TEST_F(SchemaChanges, AnotherProgramsTablesAreFoundInAnyLetterCase) {
  createGoods();
  EXPECT_EQ(count(QStringLiteral("items_справочник_товары")), 0);
  auto other = Session::open(dbAddress());
  other->execute(QStringLiteral("CREATE TABLE items_Справочник_Склады(Наименование TEXT(50))"));
  other->execute(QStringLiteral("INSERT INTO items_Справочник_Склады VALUES ('Главный')"));
  other->execute(QStringLiteral("ALTER TABLE items_Справочник_Товары ADD COLUMN Цвет TEXT(50)"));

  EXPECT_TRUE(db().tableExists(QStringLiteral("ITEMS_СПРАВОЧНИК_СКЛАДЫ")));
  EXPECT_EQ(column(QStringLiteral("SELECT наименование FROM items_справочник_склады"),
                   QStringLiteral("Наименование")),
            QStringList{"Главный"});
  db().execute(
      QStringLiteral("INSERT INTO items_справочник_товары (наименование,цвет) VALUES "
                     "('Гвозди','серый')"));
  EXPECT_EQ(
      column(QStringLiteral("SELECT цвет FROM items_справочник_товары"), QStringLiteral("Цвет")),
      QStringList{"серый"});
  // The table list follows too.
  bool listed = false;
  for (int i = 0; i < db().tableCount(); ++i)
    listed = listed || db().table(i).name == QStringLiteral("items_Справочник_Склады");
  EXPECT_TRUE(listed);
}

TEST_F(SchemaChanges, TableVersionNamesTheChange) {
  createGoods();
  const Session::TableVersion goods = db().tableVersion(QStringLiteral("items_справочник_товары"));
  const Session::TableVersion absent = db().tableVersion(QStringLiteral("items_Справочник_Склады"));
  EXPECT_TRUE(goods.exists);
  EXPECT_FALSE(absent.exists);
  EXPECT_EQ(db().tableChangedSince(goods), QString());
  EXPECT_EQ(db().tableChangedSince(absent), QString());
  const int version = db().schemaVersion();

  auto other = Session::open(dbAddress());
  other->execute(QStringLiteral("ALTER TABLE items_Справочник_Товары ADD COLUMN Цвет TEXT(50)"));
  other->execute(QStringLiteral("CREATE TABLE items_Справочник_Склады(Наименование TEXT(50))"));

  EXPECT_GT(db().schemaVersion(), version);
  EXPECT_EQ(db().tableChangedSince(goods),
            QStringLiteral("в таблице «items_справочник_товары» добавлены поля «Цвет»"));
  EXPECT_EQ(db().tableChangedSince(absent),
            QStringLiteral("таблица «items_Справочник_Склады» создана другим пользователем или "
                           "программой"));
  other->execute(QStringLiteral("DROP TABLE items_Справочник_Склады"));
  const Session::TableVersion created =
      db().tableVersion(QStringLiteral("items_Справочник_Склады"));
  EXPECT_FALSE(created.exists);
}

TEST_F(SchemaChanges, ColumnsAreLearnedWithoutReadingRows) {
  createGoods();
  for (int i = 0; i < 50; ++i)
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
  Recordset rs = db().openColumns(QStringLiteral("SELECT * FROM items_справочник_товары"));
  EXPECT_TRUE(rs.isOpen());
  EXPECT_TRUE(rs.eof());
  EXPECT_EQ(rs.rowCount(), 0);
  ASSERT_EQ(rs.fieldCount(), 3);
  EXPECT_EQ(rs.fieldName(1), QStringLiteral("Цена"));
  EXPECT_EQ(
      errorNumber([&] { db().openColumns(QStringLiteral("SELECT * FROM items_Справочник_Нет")); }),
      ErrorCode::TableNotFound);
}

}  // namespace

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class RecordsetTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    createGoods();
    for (const char* name : {"Гвозди", "Шурупы", "Болты"})
      db().execute(QStringLiteral(
                       "INSERT INTO items_Справочник_Товары (Наименование,Цена) VALUES ('%1','1')")
                       .arg(QString::fromUtf8(name)));
  }
};

TEST_F(RecordsetTest, ReadsForwardToTheEnd) {
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM items_Справочник_Товары"));
  EXPECT_TRUE(rs.isOpen());
  EXPECT_EQ(rs.fieldCount(), 3);
  EXPECT_EQ(rs.fieldName(2), QStringLiteral("Количество"));
  EXPECT_EQ(rs.rowCount(), 3);
  QStringList names;
  while (!rs.eof()) {
    names << rs.text(0);
    rs.moveNext();
  }
  EXPECT_EQ(names, (QStringList{"Гвозди", "Шурупы", "Болты"}));
  rs.moveNext();  // past the end: nothing happens
  EXPECT_TRUE(rs.eof());
  EXPECT_EQ(errorNumber([&] { rs.value(0); }), ErrorCode::NoCurrentRecord);
}

TEST_F(RecordsetTest, UnknownFieldsAndClosedRecordsets) {
  auto rs = db().openRecordset(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары"));
  EXPECT_EQ(errorNumber([&] { rs.value(QStringLiteral("Вес")); }), ErrorCode::ItemNotFound);
  EXPECT_EQ(errorNumber([&] { rs.value(1); }), ErrorCode::ItemNotFound);
  EXPECT_EQ(errorNumber([&] { rs.value(-1); }), ErrorCode::ItemNotFound);
  EXPECT_EQ(errorNumber([&] { rs.fieldName(5); }), ErrorCode::ItemNotFound);

  Recordset copy = rs;  // copies share the cursor
  copy.moveNext();
  EXPECT_EQ(rs.text(0), QStringLiteral("Шурупы"));
  rs.close();
  EXPECT_TRUE(copy.eof());
  EXPECT_FALSE(copy.isOpen());
  EXPECT_EQ(errorNumber([&] { copy.value(0); }), ErrorCode::ObjectClosed);

  Recordset empty;
  EXPECT_TRUE(empty.eof());
  EXPECT_FALSE(empty.isOpen());
}

TEST_F(RecordsetTest, RowsOutliveTheirTable) {
  // A recordset kept between events must not block the designers from dropping its table.
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM items_Справочник_Товары"));
  db().execute(QStringLiteral("DROP TABLE items_Справочник_Товары"));
  rs.moveNext();
  EXPECT_EQ(rs.text(QStringLiteral("наименование")), QStringLiteral("Шурупы"));
}

TEST_F(RecordsetTest, ValuesKeepTheirKind) {
  auto rs = db().openRecordset(QStringLiteral(
      "SELECT Признак, Код, 1.5 AS дробь, NULL AS пусто FROM plan WHERE Код='41.1'"));
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.value(0).toInt(), 1);
  EXPECT_EQ(rs.value(1).toString(), QStringLiteral("41.1"));
  EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("ДРОБЬ")).toDouble(), 1.5);
  EXPECT_TRUE(rs.isNull(QStringLiteral("пусто")));
}

}  // namespace

// A database copied whole from a file to a server and back.
#include "storage/database_copy.h"

#include "storage/row_guards.h"
#include "storage/sql_text.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class DatabaseCopy : public StorageTest {
 protected:
  void SetUp() override {
    if (balvix::testing::testServer().isEmpty())
      GTEST_SKIP() << "needs a server (BALVIX_TEST_DATABASE)";
  }
  balvix::testing::ServerDatabase m_empty;
};

TEST_F(DatabaseCopy, FileToServerAndBackKeepsRowsNullsIndexesAndGuards) {
  const QString file = path(QStringLiteral("файл.mdb"));
  {
    std::unique_ptr<Session> source = Session::createNew(file);
    source->execute(
        QStringLiteral("CREATE TABLE Товары(Наименование TEXT(50), Цена TEXT(20), "
                       "Остаток INTEGER)"));
    source->execute(QStringLiteral("CREATE INDEX idx_Товары ON Товары(Наименование)"));
    source->execute(QStringLiteral("INSERT INTO Товары VALUES ('Гвозди', '1.5', 10)"));
    source->execute(QStringLiteral("INSERT INTO Товары VALUES ('it''s', NULL, NULL)"));
    createRowGuard(*source, QStringLiteral("guard_Товары"), QStringLiteral("Товары"),
                   RowEvent::Delete, QStringLiteral("OLD.Остаток > 0"),
                   QStringLiteral("Товар с остатком не удаляется."));
    // A condition that reads other rows: the server allows no query in a trigger's WHEN.
    createRowGuard(*source, QStringLiteral("guard_Товары_три"), QStringLiteral("Товары"),
                   RowEvent::Insert, QStringLiteral("(SELECT count(*) FROM Товары) >= 3"),
                   QStringLiteral("Не больше трех товаров."));
    copyDatabase(*source, m_empty.address());
  }
  const QString back = path(QStringLiteral("обратно.mdb"));
  copyDatabase(*Session::open(m_empty.address()), back);
  for (const QString& copy : {m_empty.address(), back}) {
    SCOPED_TRACE(copy.toStdString());
    std::unique_ptr<Session> db = Session::open(copy);
    EXPECT_EQ(balvix::testing::rowCount(*db, QStringLiteral("SELECT * FROM form_items")),
              balvix::testing::rowCount(*Session::open(file),
                                        QStringLiteral("SELECT * FROM form_items")));
    Recordset rs = db->openRecordset(
        QStringLiteral("SELECT Наименование, Цена, Остаток FROM Товары ORDER BY Остаток DESC"));
    ASSERT_EQ(rs.rowCount(), 2);
    if (rs.isNull(QStringLiteral("Остаток"))) rs.moveNext();
    EXPECT_EQ(rs.text(0), QStringLiteral("Гвозди"));
    EXPECT_EQ(rs.value(2).toInt(), 10);
    rs =
        db->openRecordset(QStringLiteral("SELECT Наименование, Цена, Остаток FROM Товары WHERE "
                                         "Остаток IS NULL"));
    ASSERT_EQ(rs.rowCount(), 1);
    EXPECT_EQ(rs.text(0), QStringLiteral("it's"));
    EXPECT_TRUE(rs.isNull(QStringLiteral("Цена")));
    EXPECT_TRUE(rs.isNull(QStringLiteral("Остаток")));
    EXPECT_EQ(errorNumber([&] {
                db->execute(QStringLiteral("DELETE FROM Товары WHERE Наименование='Гвозди'"));
              }),
              ErrorCode::Refused);
    db->execute(QStringLiteral("DELETE FROM Товары WHERE Наименование='it''s'"));
    db->execute(QStringLiteral("INSERT INTO Товары VALUES ('Шурупы', '2', 0), ('Болты', '3', 0)"));
    EXPECT_EQ(errorNumber([&] {
                db->execute(QStringLiteral("INSERT INTO Товары VALUES ('Гайки', '1', 0)"));
              }),
              ErrorCode::Refused);
    EXPECT_EQ(rowGuards(*db, QStringLiteral("guard_")).size(), 2);
    dropRowGuard(*db, QStringLiteral("guard_Товары_три"));
    db->execute(QStringLiteral("INSERT INTO Товары VALUES ('Гайки', '1', 0)"));
  }
}

TEST_F(DatabaseCopy, ATargetThatHoldsTablesIsRefused) {
  const QString file = path(QStringLiteral("файл.mdb"));
  std::unique_ptr<Session> source = Session::createNew(file);
  EXPECT_EQ(errorNumber([&] { copyDatabase(*source, dbAddress()); }), ErrorCode::FileExists);
  EXPECT_EQ(errorNumber([&] { copyDatabase(db(), file); }), ErrorCode::FileExists);
}

}  // namespace

#include <sqlite3.h>

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

// Two catalogs spell the same columns differently, as older databases may. Each statement is
// written in a careless letter case and run through the session; its twin, written with the
// stored spellings, runs straight on the engine. Both must give the same rows and leave the
// same data behind.
class ScopeResolution : public StorageTest {
 protected:
  void SetUp() override {
    // The resolver is the same for both engines; these compare it with the file engine's own.
    BALVIX_FILE_ONLY("compared with the file engine's own name resolution");
    StorageTest::SetUp();
    createGoods();
    raw("CREATE TABLE items_Справочник_Услуги(НАИМЕНОВАНИЕ TEXT(50),ЦЕНА TEXT(50))");
    db().refreshTables();
    for (const char* row : {"('Гвозди','10','5')", "('Шурупы','20','7')", "('Доски','30','1')"})
      raw(QByteArray("INSERT INTO items_Справочник_Товары VALUES ") + row);
    raw("INSERT INTO items_Справочник_Услуги VALUES ('Доставка','20'),('Сборка','40')");
  }

  // Every row of a query straight from the engine, values joined by "|".
  QStringList rawRows(const QByteArray& sql) {
    QStringList rows;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db().handle(), sql.constData(), -1, &stmt, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db().handle()) << " in " << sql.constData();
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
      QStringList values;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
      rows << values.join(QLatin1Char('|'));
    }
    sqlite3_finalize(stmt);
    return rows;
  }

  QStringList sessionRows(const QString& sql) {
    QStringList rows;
    for (auto rs = db().openRecordset(sql); !rs.eof(); rs.moveNext()) {
      QStringList values;
      for (int c = 0; c < rs.fieldCount(); ++c) values << rs.text(c);
      rows << values.join(QLatin1Char('|'));
    }
    return rows;
  }

  QStringList contents() {
    return rawRows(
        "SELECT 'Т', * FROM items_Справочник_Товары UNION ALL "
        "SELECT 'У', *, NULL FROM items_Справочник_Услуги ORDER BY 1, 2, 3, 4");
  }
};

struct Case {
  const char* written;
  const char* stored;
};

TEST_F(ScopeResolution, QueriesGiveTheRowsOfTheStoredSpelling) {
  const Case cases[] = {
      {"SELECT наименование FROM items_справочник_товары WHERE цена IN "
       "(SELECT цена FROM items_справочник_услуги)",
       "SELECT Наименование FROM items_Справочник_Товары WHERE Цена IN "
       "(SELECT ЦЕНА FROM items_Справочник_Услуги)"},
      {"SELECT наименование FROM items_справочник_товары т WHERE EXISTS "
       "(SELECT 1 FROM items_справочник_услуги у WHERE у.цена = т.цена)",
       "SELECT Наименование FROM items_Справочник_Товары т WHERE EXISTS "
       "(SELECT 1 FROM items_Справочник_Услуги у WHERE у.ЦЕНА = т.Цена)"},
      {"SELECT т.наименование, у.наименование FROM items_справочник_товары AS Т, "
       "items_справочник_услуги AS У WHERE т.цена = у.цена",
       "SELECT Т.Наименование, У.НАИМЕНОВАНИЕ FROM items_Справочник_Товары AS Т, "
       "items_Справочник_Услуги AS У WHERE Т.Цена = У.ЦЕНА"},
      {"SELECT цена*2 AS Стоимость FROM items_справочник_товары ORDER BY стоимость DESC",
       "SELECT Цена*2 AS Стоимость FROM items_Справочник_Товары ORDER BY Стоимость DESC"},
      {"SELECT наименование FROM items_справочник_услуги WHERE цена > "
       "(SELECT min(цена) FROM items_справочник_товары)",
       "SELECT НАИМЕНОВАНИЕ FROM items_Справочник_Услуги WHERE ЦЕНА > "
       "(SELECT min(Цена) FROM items_Справочник_Товары)"},
      {"SELECT s.цена FROM (SELECT цена FROM items_справочник_услуги) AS s ORDER BY s.цена",
       "SELECT s.ЦЕНА FROM (SELECT ЦЕНА FROM items_Справочник_Услуги) AS s ORDER BY s.ЦЕНА"},
      {"SELECT x.наименование FROM (SELECT * FROM items_справочник_товары) x "
       "WHERE x.количество='7'",
       "SELECT x.Наименование FROM (SELECT * FROM items_Справочник_Товары) x "
       "WHERE x.Количество='7'"},
      {"SELECT наименование, (SELECT count(*) FROM items_справочник_услуги WHERE "
       "items_справочник_услуги.цена >= ITEMS_СПРАВОЧНИК_ТОВАРЫ.цена) FROM items_справочник_товары",
       "SELECT Наименование, (SELECT count(*) FROM items_Справочник_Услуги WHERE "
       "items_Справочник_Услуги.ЦЕНА >= items_Справочник_Товары.Цена) FROM "
       "items_Справочник_Товары"},
      {"SELECT наименование FROM items_справочник_товары UNION "
       "SELECT наименование FROM items_справочник_услуги ORDER BY 1",
       "SELECT Наименование FROM items_Справочник_Товары UNION "
       "SELECT НАИМЕНОВАНИЕ FROM items_Справочник_Услуги ORDER BY 1"},
      {"SELECT т.наименование имя FROM items_справочник_товары т JOIN items_справочник_услуги у "
       "ON у.цена = т.цена ORDER BY ИМЯ",
       "SELECT т.Наименование имя FROM items_Справочник_Товары т JOIN items_Справочник_Услуги у "
       "ON у.ЦЕНА = т.Цена ORDER BY имя"},
      {"SELECT \"наименование\", [цена] FROM \"items_справочник_товары\" WHERE `цена`<>'10'",
       "SELECT Наименование, Цена FROM items_Справочник_Товары WHERE Цена<>'10'"},
      {"SELECT CAST(цена AS INTEGER) + 1 AS к FROM items_справочник_услуги ORDER BY К",
       "SELECT CAST(ЦЕНА AS INTEGER) + 1 AS к FROM items_Справочник_Услуги ORDER BY к"},
      {"SELECT наименование FROM items_справочник_товары WHERE наименование IN "
       "(SELECT наименование FROM items_справочник_товары WHERE цена >= '20') ORDER BY 1",
       "SELECT Наименование FROM items_Справочник_Товары WHERE Наименование IN "
       "(SELECT Наименование FROM items_Справочник_Товары WHERE Цена >= '20') ORDER BY 1"},
  };
  for (const Case& c : cases) {
    const QStringList expected = rawRows(c.stored);
    EXPECT_FALSE(expected.isEmpty()) << c.stored;
    EXPECT_EQ(sessionRows(QString::fromUtf8(c.written)), expected) << c.written;
  }
}

TEST_F(ScopeResolution, ChangesTouchTheRowsOfTheStoredSpelling) {
  const Case cases[] = {
      {"UPDATE items_справочник_товары SET цена=(SELECT цена FROM items_справочник_услуги "
       "WHERE наименование='Сборка') WHERE наименование='Гвозди'",
       "UPDATE items_Справочник_Товары SET Цена=(SELECT ЦЕНА FROM items_Справочник_Услуги "
       "WHERE НАИМЕНОВАНИЕ='Сборка') WHERE Наименование='Гвозди'"},
      {"UPDATE items_справочник_товары SET количество='0' WHERE \"цена\"<>'10'",
       "UPDATE items_Справочник_Товары SET Количество='0' WHERE Цена<>'10'"},
      {"DELETE FROM items_справочник_товары WHERE цена IN (SELECT цена FROM "
       "items_справочник_услуги)",
       "DELETE FROM items_Справочник_Товары WHERE Цена IN (SELECT ЦЕНА FROM "
       "items_Справочник_Услуги)"},
      {"INSERT INTO items_справочник_услуги (наименование, цена) SELECT наименование, цена "
       "FROM items_справочник_товары WHERE количество='1'",
       "INSERT INTO items_Справочник_Услуги (НАИМЕНОВАНИЕ, ЦЕНА) SELECT Наименование, Цена "
       "FROM items_Справочник_Товары WHERE Количество='1'"},
      {"UPDATE items_справочник_услуги SET цена='1' WHERE EXISTS (SELECT 1 FROM "
       "items_справочник_товары т WHERE т.цена = items_справочник_услуги.цена)",
       "UPDATE items_Справочник_Услуги SET ЦЕНА='1' WHERE EXISTS (SELECT 1 FROM "
       "items_Справочник_Товары т WHERE т.Цена = items_Справочник_Услуги.ЦЕНА)"},
  };
  for (const Case& c : cases) {
    db().beginTransaction();
    raw(c.stored);
    const int expectedChanges = sqlite3_changes(db().handle());
    const QStringList expected = contents();
    db().rollback();

    db().beginTransaction();
    db().execute(QString::fromUtf8(c.written));
    EXPECT_EQ(db().changes(), expectedChanges) << c.written;
    EXPECT_EQ(contents(), expected) << c.written;
    db().rollback();
    EXPECT_GT(expectedChanges, 0) << c.stored;
  }
}

TEST_F(ScopeResolution, CreateTableAsSelectTakesTheStoredSpelling) {
  db().execute(
      QStringLiteral("CREATE TABLE items_Справочник_Копия AS SELECT наименование, цена "
                     "FROM items_справочник_услуги WHERE цена='40'"));
  EXPECT_EQ(db().columns(QStringLiteral("items_справочник_копия")),
            (QStringList{"НАИМЕНОВАНИЕ", "ЦЕНА"}));
  EXPECT_EQ(sessionRows(QStringLiteral("SELECT * FROM items_справочник_копия")),
            QStringList{"Сборка|40"});
}

TEST_F(ScopeResolution, UnknownQuotedNamesAreErrorsNotTexts) {
  for (const char* sql :
       {"SELECT \"неизвестное\" FROM items_справочник_товары",
        "SELECT [нет] FROM items_Справочник_Товары",
        "SELECT наименование FROM items_Справочник_Товары WHERE \"ценаа\"<>'1'"}) {
    EXPECT_EQ(errorNumber([&] { db().openRecordset(QString::fromUtf8(sql)); }),
              ErrorCode::ColumnNotFound)
        << sql;
  }
  EXPECT_EQ(errorNumber([&] {
              db().execute(QStringLiteral(
                  "UPDATE items_справочник_товары SET количество='0' WHERE \"цeна\"<>'10'"));
            }),
            ErrorCode::ColumnNotFound);
  EXPECT_EQ(rawRows("SELECT count(*) FROM items_Справочник_Товары WHERE Количество='0'"),
            QStringList{"0"});
}

TEST_F(ScopeResolution, ColumnOfTwoTablesInOneQueryMustBeQualified) {
  QString description;
  EXPECT_EQ(errorNumber(
                [&] {
                  db().openRecordset(QStringLiteral(
                      "SELECT цена FROM items_справочник_товары, items_справочник_услуги"));
                },
                &description),
            ErrorCode::Other);
  EXPECT_TRUE(Contains(description, QStringLiteral("цена")));
}

}  // namespace

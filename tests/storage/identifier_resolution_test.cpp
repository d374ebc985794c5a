#include <sqlite3.h>

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

class IdentifierResolution : public StorageTest {
 protected:
  void SetUp() override {
    // The resolver is the same for both engines; these compare it with the file engine's own.
    BALVIX_FILE_ONLY("compared with the file engine's own name resolution");
    StorageTest::SetUp();
    createGoods();
    db().execute(QStringLiteral(
        "CREATE TABLE items_Документ_Приход(Наименование TEXT(50),Поставщик TEXT(50),"
        "cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10))"));
    db().execute(QStringLiteral(
        "CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Количество TEXT(50),cDATE TEXT(10),"
        "cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5))"));
  }
};

TEST_F(IdentifierResolution, ColumnsInAnyLetterCaseInEveryKindOfStatement) {
  db().execute(
      QStringLiteral("INSERT INTO items_справочник_товары (наименование,ЦЕНА,количество) VALUES "
                     "('Гвозди','10','5')"));
  db().execute(
      QStringLiteral("INSERT INTO ITEMS_СПРАВОЧНИК_ТОВАРЫ (НАИМЕНОВАНИЕ,цена,Количество) VALUES "
                     "('Шурупы','20','7')"));

  EXPECT_EQ(column(QStringLiteral("SELECT наименование FROM items_Справочник_Товары WHERE "
                                  "цена='20'"),
                   QStringLiteral("Наименование")),
            QStringList{"Шурупы"});

  db().execute(QStringLiteral(
      "UPDATE items_справочник_Товары SET цена='15', КОЛИЧЕСТВО='1' WHERE наименование='Гвозди'"));
  EXPECT_EQ(db().changes(), 1);
  EXPECT_EQ(
      column(QStringLiteral("SELECT ЦЕНА FROM items_Справочник_Товары WHERE Наименование='Гвозди'"),
             QStringLiteral("Цена")),
      QStringList{"15"});

  db().execute(QStringLiteral("DELETE FROM Items_Справочник_товары WHERE НаИмЕнОвАнИе='Шурупы'"));
  EXPECT_EQ(db().changes(), 1);
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 1);

  db().execute(QStringLiteral("DROP TABLE items_справочник_товары"));
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
}

TEST_F(IdentifierResolution, SystemColumnsOfDocumentsAndRegisters) {
  db().execute(
      QStringLiteral("INSERT INTO items_Документ_Приход (Наименование,cdate,CTIME,проводка) "
                     "VALUES ('П-1','01.02.2024','10:00:00','1')"));
  db().execute(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки (товар,количество,cDate,cTime,документ,флаг) "
      "VALUES ('Гвозди','5','01.02.2024','10:00:00','Приход','+')"));

  auto rs = db().openRecordset(QStringLiteral(
      "SELECT cdate, cTime, ПРОВОДКА FROM items_Документ_Приход WHERE cDate='01.02.2024'"));
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.fieldName(0), QStringLiteral("cDATE"));
  EXPECT_EQ(rs.fieldName(2), QStringLiteral("Проводка"));
  EXPECT_EQ(rs.text(QStringLiteral("CTIME")), QStringLiteral("10:00:00"));

  EXPECT_EQ(column(QStringLiteral("SELECT флаг FROM items_Регистр_Остатки WHERE документ='Приход' "
                                  "AND cdate='01.02.2024'"),
                   QStringLiteral("Флаг")),
            QStringList{"+"});
}

TEST_F(IdentifierResolution, SameNameWithOtherSpellingInAnotherTable) {
  // plan.Код and ГлобальныйМодуль.код differ only in letter case: each table gets its own.
  EXPECT_EQ(column(QStringLiteral("SELECT КОД FROM ГлобальныйМодуль"), QStringLiteral("код")),
            QStringList{QString()});
  EXPECT_EQ(column(QStringLiteral("SELECT код, наименование FROM plan WHERE код='41'"),
                   QStringLiteral("Наименование")),
            QStringList{"Товары"});
  db().execute(
      QStringLiteral("INSERT INTO itogi (Код,Дебет,cDATE,cTIME,Документ) VALUES "
                     "('41','100','01.02.2024','10:00:00','Приход')"));
  EXPECT_EQ(column(QStringLiteral("SELECT Код FROM itogi WHERE код='41' GROUP BY Код"),
                   QStringLiteral("код")),
            QStringList{"41"});
  EXPECT_EQ(column(QStringLiteral("SELECT itogi.дебет FROM ITOGI WHERE itogi.код='41'"),
                   QStringLiteral("Дебет")),
            QStringList{"100"});
}

TEST_F(IdentifierResolution, LiteralsAndCommentsAreLeftAloneQuotedNamesResolved) {
  const QString sql = QStringLiteral(
      "SELECT наименование, 'наименование', \"наименование\", [цена] FROM items_справочник_товары "
      "/* наименование */ WHERE x'00'=?1 -- наименование");
  EXPECT_EQ(
      db().resolveIdentifiers(sql),
      QStringLiteral("SELECT Наименование, 'наименование', \"Наименование\", [Цена] FROM "
                     "items_Справочник_Товары /* наименование */ WHERE x'00'=?1 -- наименование"));
  // Unknown words and keywords stay as written.
  EXPECT_EQ(db().resolveIdentifiers(QStringLiteral("select неизвестное from plan")),
            QStringLiteral("select неизвестное from plan"));
  EXPECT_EQ(db().resolveIdentifiers(QStringLiteral("SELECT 'it''s код' AS к FROM plan")),
            QStringLiteral("SELECT 'it''s код' AS к FROM plan"));
}

TEST_F(IdentifierResolution, KeywordsAreNeverRewritten) {
  // Names that fold to keywords (a long s, the Kelvin sign) come only from older databases;
  // they must not take the keywords' place.
  db().execute(QStringLiteral(
      "CREATE TABLE items_Справочник_Старый(\"ſelect\" TEXT(50),\"ſet\" TEXT(50),\"\u212A\" "
      "TEXT(50),Наименование TEXT(50))"));
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Старый (Наименование) VALUES ('а')"));
  EXPECT_EQ(column(QStringLiteral("SELECT наименование FROM items_справочник_старый"),
                   QStringLiteral("Наименование")),
            QStringList{"а"});
  db().execute(QStringLiteral("UPDATE items_справочник_старый SET наименование='б'"));
  EXPECT_EQ(db().changes(), 1);
  EXPECT_EQ(db().resolveIdentifiers(QStringLiteral("select k from items_справочник_товары")),
            QStringLiteral("select k from items_Справочник_Товары"));
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары"),
                   QStringLiteral("наименование")),
            QStringList{});
}

TEST_F(IdentifierResolution, TablesDifferingOnlyInLetterCase) {
  // A quoted name is resolved like a bare one: no second table in another letter case.
  EXPECT_EQ(
      errorNumber([&] {
        db().execute(QStringLiteral("CREATE TABLE \"items_справочник_товары\"(Поле TEXT(50))"));
      }),
      ErrorCode::TableExists);
  // An older database may hold two; the exact spelling then names its own table.
  raw("CREATE TABLE items_справочник_товары(Другое TEXT(50));"
      "INSERT INTO items_справочник_товары VALUES ('нижний')");
  db().refreshTables();
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('верх')"));
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары"),
                   QStringLiteral("Наименование")),
            QStringList{"верх"});
  EXPECT_EQ(column(QStringLiteral("SELECT другое FROM items_справочник_товары"),
                   QStringLiteral("Другое")),
            QStringList{"нижний"});
}

TEST_F(IdentifierResolution, NewTablesKeepTheDesignersSpelling) {
  // "код" exists elsewhere as "Код"; the new table must still get the spelling it was given.
  db().execute(
      QStringLiteral("CREATE TABLE items_Справочник_Склады(код TEXT(50),наименование TEXT(50))"));
  EXPECT_EQ(db().columns(QStringLiteral("ITEMS_СПРАВОЧНИК_СКЛАДЫ")),
            (QStringList{"код", "наименование"}));
  db().execute(QStringLiteral("ALTER TABLE items_справочник_склады ADD COLUMN Адрес TEXT(50)"));
  db().execute(QStringLiteral("ALTER TABLE items_Справочник_Склады ADD COLUMN Документ TEXT(50)"));
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Склады")).mid(2),
            (QStringList{"Адрес", "Документ"}));

  // The same table name in another letter case is the same table, not a second one.
  EXPECT_EQ(errorNumber([&] {
              db().execute(QStringLiteral("CREATE TABLE items_справочник_склады(Поле TEXT(50))"));
            }),
            ErrorCode::TableExists);
}

TEST_F(IdentifierResolution, RecordsetFieldsByNameInAnyLetterCase) {
  db().execute(QStringLiteral(
      "INSERT INTO items_Справочник_Товары (Наименование,Цена) VALUES ('Ёлка','3')"));
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM items_Справочник_Товары"));
  EXPECT_EQ(rs.fieldIndex(QStringLiteral("наименование")), 0);
  EXPECT_EQ(rs.fieldIndex(QStringLiteral("ЦЕНА")), 1);
  EXPECT_EQ(rs.fieldIndex(QStringLiteral("Цена2")), -1);
  EXPECT_EQ(rs.text(QStringLiteral("НАИМЕНОВАНИЕ")), QStringLiteral("Ёлка"));
}

TEST_F(IdentifierResolution, RepeatedStatementFollowsSchemaChanges) {
  // The same text is cached after its first run; a re-created table with other spelling must
  // still be found.
  const QString select = QStringLiteral("SELECT наименование FROM items_справочник_товары");
  for (int rows = 1; rows <= 4; ++rows) {
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('А')"));
    EXPECT_EQ(column(select, QStringLiteral("Наименование")).size(), rows);
  }

  db().execute(QStringLiteral("DROP TABLE items_Справочник_Товары"));
  db().execute(QStringLiteral("CREATE TABLE ITEMS_СПРАВОЧНИК_ТОВАРЫ(НАИМЕНОВАНИЕ TEXT(50))"));
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('В')"));
  auto rs = db().openRecordset(select);
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.fieldName(0), QStringLiteral("НАИМЕНОВАНИЕ"));
  EXPECT_EQ(rs.text(0), QStringLiteral("В"));
}

TEST_F(IdentifierResolution, ARepeatedBeginningDoesNotHideNamesAfterIt) {
  // The first statement shows its beginning (up to the first value) to be plain; what follows
  // the value in the next ones must still be looked at.
  const QString plain = QStringLiteral(
      "UPDATE items_Справочник_Товары SET Цена='1', Количество='2' WHERE Наименование='А'");
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('А')"));
  db().execute(plain);
  EXPECT_EQ(db().resolveIdentifiers(plain), plain);
  EXPECT_EQ(
      db().resolveIdentifiers(QStringLiteral(
          "UPDATE items_Справочник_Товары SET Цена='1', количество='3' WHERE наименование='А'")),
      QStringLiteral(
          "UPDATE items_Справочник_Товары SET Цена='1', Количество='3' WHERE Наименование='А'"));
  db().execute(QStringLiteral(
      "UPDATE items_Справочник_Товары SET Цена='1', количество='3' WHERE наименование='А'"));
  EXPECT_EQ(db().changes(), 1);

  // A beginning in which a comment or a quoted name starts, or a word that runs into the
  // quote, is never taken as read: here the quote inside the comment would hide the rest.
  const QString commented = QStringLiteral(
      "SELECT Цена -- одна 'кавычка\n, количество FROM items_Справочник_Товары WHERE Цена='1'");
  db().resolveIdentifiers(
      QStringLiteral("SELECT Цена -- одна 'кавычка\n FROM items_Справочник_Товары"));
  EXPECT_EQ(db().resolveIdentifiers(commented),
            QStringLiteral("SELECT Цена -- одна 'кавычка\n, Количество FROM "
                           "items_Справочник_Товары WHERE Цена='1'"));
}

}  // namespace

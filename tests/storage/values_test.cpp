#include "storage/sql_text.h"
#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

using Values = StorageTest;

TEST(Quote, DoublesEveryQuoteAndWraps) {
  EXPECT_EQ(quote(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
  EXPECT_EQ(quote(QStringLiteral("''")), QStringLiteral("''''''"));
  EXPECT_EQ(quote(QString()), QStringLiteral("''"));
}

TEST_F(Values, AnyTextRoundTripsAndCannotChangeTheStatement) {
  createGoods();
  QString longText;
  for (int i = 0; i < 10000; ++i) longText += QChar(i % 7 == 0 ? u'\'' : u'я');
  QStringList values = {
      "it's",
      "a;b",
      "-- не комментарий",
      "строка 1\nстрока 2\r\nстрока 3",
      "Товар «Ёлка» №5",
      longText,
      "x'); DROP TABLE items_Справочник_Товары; --",
      "' OR '1'='1",
      "/* ' */",
      QStringLiteral("до") + QChar(0) + "после",
  };
  if (!balvix::testing::testServer().isEmpty()) {
    // The server's texts cannot hold the zero character: refused, nothing cut short.
    EXPECT_NE(errorNumber([&] {
                db().execute(
                    QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES (%1)")
                        .arg(quote(values.takeLast())));
              }),
              0);
  }
  for (const QString& value : values) {
    db().execute(
        QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование,Цена) VALUES (%1,'1')")
            .arg(quote(value)));
    auto rs = db().openRecordset(
        QStringLiteral("SELECT Наименование FROM items_Справочник_Товары WHERE Наименование=") +
        quote(value));
    ASSERT_FALSE(rs.eof()) << value.left(40).toStdString();
    EXPECT_EQ(rs.text(0), value);
    rs.moveNext();
    EXPECT_TRUE(rs.eof()) << "the condition matched other rows too";
  }
  EXPECT_TRUE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), values.size());

  db().execute(QStringLiteral("UPDATE items_Справочник_Товары SET Цена='2' WHERE Наименование=") +
               quote(QStringLiteral("' OR '1'='1")));
  EXPECT_EQ(db().changes(), 1);

  // Bound rather than quoted, many rows through one statement, the names resolved as ever.
  std::vector<QStringList> rows;
  for (const QString& value : values) rows.push_back({value, QStringLiteral("3")});
  db().executeEach(
      QStringLiteral("INSERT INTO items_справочник_товары (наименование,цена) VALUES (?,?)"), rows);
  for (const QString& value : values)
    EXPECT_EQ(db().openRecordset(QStringLiteral("SELECT Цена FROM items_Справочник_Товары WHERE "
                                                "Наименование=") +
                                 quote(value) + QStringLiteral(" AND Цена='3'"))
                  .rowCount(),
              1)
        << value.left(40).toStdString();
}

TEST_F(Values, NullIsNotTheEmptyText) {
  createGoods();
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование,Цена) VALUES ('а','')"));
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM items_Справочник_Товары"));
  ASSERT_FALSE(rs.eof());
  EXPECT_FALSE(rs.value(QStringLiteral("Количество")).isValid());
  EXPECT_TRUE(rs.isNull(QStringLiteral("Количество")));
  EXPECT_EQ(rs.text(QStringLiteral("Количество")), QString());
  EXPECT_TRUE(rs.value(QStringLiteral("Цена")).isValid());
  EXPECT_FALSE(rs.isNull(QStringLiteral("Цена")));
  EXPECT_EQ(rs.text(QStringLiteral("Цена")), QString());
}

TEST(Identifiers, ValidNames) {
  for (const char* name : {"Товары", "Товары_2", "_x", "Goods", "Ёжик", "cDATE"})
    EXPECT_TRUE(isValidIdentifier(QString::fromUtf8(name))) << name;
}

TEST(Identifiers, ProblemsAreNamed) {
  const QString what = QStringLiteral("Имя реквизита");
  struct Case {
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"", "не указано"},
      {"2шт", "начинается с цифры"},
      {"Цена товара", "пробел"},
      {"Цена-1", "«-»"},
      {"Цена'", "«'»"},
      {"a;b", "«;»"},
      {"Новый", "зарезервировано"},
      {"новый", "зарезервировано"},
      {"Select", "служебное слово"},
      {"\u017Felect", "«\u017F», который выглядит как «s»"},
      {"\u017Fet", "«\u017F»"},
      {"\u212Aод", "«\u212A», который выглядит как «K»"},
      {"Ｃена", "выглядит как «C»"},
      {"Цен\u0430\u0306", "отдельными знаками"},
      {"Цена\uFE0F", "невидимый знак с кодом U+FE0F"},
      {"Цена\u3164", "невидимый знак с кодом U+3164"},
      {"Ценa", "кириллица и латиница"},
      {"Pricе", "латиница и кириллица"},
      {"rowid", "номер записи"},
      {"ROWID", "номер записи"},
      {"Oid", "номер записи"},
      {"_RowId_", "номер записи"},
      {"ГЛОБАЛЬНЫЙМОДУЛЬ", "служебная таблица базы данных «ГлобальныйМодуль»"},
      {"Itogi", "служебная таблица"},
  };
  for (const Case& c : cases) {
    const QString name = QString::fromUtf8(c.name);
    const QString problem = identifierProblem(name, what);
    EXPECT_FALSE(isValidIdentifier(name)) << c.name;
    EXPECT_TRUE(problem.startsWith(what)) << problem.toStdString();
    EXPECT_TRUE(Contains(problem, QString::fromUtf8(c.expected)));
  }
  for (const char* name : {"Цена", "НДС_VAT", "Цена2", "rowid2", "Ёмкость", "Итоги"})
    EXPECT_EQ(identifierProblem(QString::fromUtf8(name), what), QString()) << name;
}

TEST_F(Values, ValidNamesMakeWorkingTables) {
  // Whatever the validation accepts must be usable as written in the designers' statements.
  for (const char* name : {"Ёжик", "Товары_2", "_x"}) {
    const QString table = QStringLiteral("items_Справочник_") + QString::fromUtf8(name);
    db().execute(
        QStringLiteral("CREATE TABLE %1(%2 TEXT(50))").arg(table, QString::fromUtf8(name)));
    db().execute(
        QStringLiteral("INSERT INTO %1 (%2) VALUES ('1')").arg(table, QString::fromUtf8(name)));
    EXPECT_EQ(count(table), 1);
  }
}

}  // namespace

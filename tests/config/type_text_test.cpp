#include <gtest/gtest.h>

#include "config/object_kind.h"
#include "config/requisite_type.h"
#include "config/table_names.h"

using namespace balvix::config;
using Kind = RequisiteType::Kind;

TEST(ObjectKinds, TypeWordsConvertBothWays) {
  const std::pair<ObjectKind, QString> words[] = {
      {ObjectKind::Catalog, "Справочник"}, {ObjectKind::Document, "Документ"},
      {ObjectKind::Journal, "Журнал"},     {ObjectKind::Enumeration, "Перечисление"},
      {ObjectKind::Register, "Регистр"},   {ObjectKind::Report, "Отчет"}};
  for (const auto& [kind, word] : words) {
    EXPECT_EQ(typeWord(kind), word);
    EXPECT_EQ(kindFromWord(word), kind);
  }
  EXPECT_EQ(kindFromWord(QStringLiteral("справочник")), std::nullopt);
  EXPECT_EQ(kindFromWord(QStringLiteral("Глобальный модуль")), std::nullopt);
  EXPECT_EQ(kindFromWord(QString()), std::nullopt);
  EXPECT_EQ(objectPath(ObjectKind::Catalog, QStringLiteral("Товары")),
            QStringLiteral("Справочник.Товары"));
}

TEST(TypeTexts, ParseIntoKindAndObject) {
  const struct {
    QString text;
    Kind kind;
    QString object;
  } cases[] = {
      {"Текст", Kind::Text, QString()},
      {"Число", Kind::Number, QString()},
      {"Число.Сумма", Kind::Number, QString()},
      {"Число.Количество", Kind::Other, "Число.Количество"},
      {"Дата", Kind::Date, QString()},
      {"Счет.ПланСчетов", Kind::Account, "ПланСчетов"},
      {"Счет", Kind::Account, QString()},
      {"Счет.", Kind::Account, ""},
      {"Справочник.Товары", Kind::Catalog, "Товары"},
      {"Перечисление.Да.Нет", Kind::Enumeration, "Да.Нет"},
      {QString(), Kind::None, QString()},
      {"Справочник.", Kind::Other, "Справочник."},
      {"текст", Kind::Other, "текст"},
      {"Строка(20)", Kind::Other, "Строка(20)"},
  };
  for (const auto& c : cases) {
    const RequisiteType type = RequisiteType::parse(c.text);
    EXPECT_EQ(type.kind, c.kind) << c.text.toStdString();
    EXPECT_EQ(type.object, c.object) << c.text.toStdString();
    EXPECT_EQ(type.isMoney(), c.text == QStringLiteral("Число.Сумма")) << c.text.toStdString();
    // Printing gives back exactly what was parsed, whatever the user typed.
    EXPECT_EQ(type.text(), c.text) << c.text.toStdString();
  }
}

TEST(TypeTexts, PrintFromParts) {
  EXPECT_EQ(RequisiteType::ofKind(Kind::Number).text(), QStringLiteral("Число"));
  EXPECT_EQ(RequisiteType::account().text(), QStringLiteral("Счет.ПланСчетов"));
  EXPECT_EQ(RequisiteType::catalog(QStringLiteral("Склады")).text(),
            QStringLiteral("Справочник.Склады"));
  EXPECT_EQ(RequisiteType::enumeration(QStringLiteral("Виды")).text(),
            QStringLiteral("Перечисление.Виды"));
  EXPECT_EQ(RequisiteType::catalog(QStringLiteral("Склады")).kindWord(),
            QStringLiteral("Справочник"));
  EXPECT_TRUE(RequisiteType::account().isChosen());
  EXPECT_FALSE(RequisiteType::ofKind(Kind::Date).isChosen());
  // An amount is a number to everything that asks what kind of value it is.
  EXPECT_EQ(RequisiteType::amount().text(), QStringLiteral("Число.Сумма"));
  EXPECT_EQ(RequisiteType::amount().kindWord(), QStringLiteral("Число"));
  EXPECT_TRUE(RequisiteType::amount().isNumber());
  EXPECT_FALSE(RequisiteType::ofKind(Kind::Number).isMoney());
  EXPECT_EQ(parseTypeEntries(QStringLiteral("Число.Сумма!;"))[0].type, RequisiteType::amount());
  EXPECT_EQ(fixedTypeTexts(),
            (QStringList{"Текст", "Число", "Число.Сумма", "Дата", "Счет.ПланСчетов"}));
}

TEST(TypeTexts, TypeAndValueListsEndEveryEntryWithSemicolon) {
  const QString list = QStringLiteral("Текст;;Справочник.Товары;Число;");
  const QList<RequisiteType> types = parseTypeList(list);
  ASSERT_EQ(types.size(), 4);
  EXPECT_EQ(types[1].kind, Kind::None);
  EXPECT_EQ(types[2], RequisiteType::catalog(QStringLiteral("Товары")));
  EXPECT_EQ(typeListText(types), list);
  EXPECT_TRUE(parseTypeList(QString()).isEmpty());
  // A text after the last ";" is not an entry.
  EXPECT_EQ(parseTypeList(QStringLiteral("Текст;Число")).size(), 1);

  EXPECT_EQ(parseValueList(QStringLiteral("Да;Нет;")), (QStringList{"Да", "Нет"}));
  EXPECT_EQ(parseValueList(QStringLiteral("Да;Нет")), QStringList{"Да"});
  EXPECT_EQ(valueListText({"Да", "Нет"}), QStringLiteral("Да;Нет;"));
}

TEST(TableNames, EveryGeneratedTableAndItsStatement) {
  const QString name = QStringLiteral("Приход");
  EXPECT_EQ(catalogTable(name), QStringLiteral("items_Справочник_Приход"));
  EXPECT_EQ(documentHeaderTable(name), QStringLiteral("items_Документ_Приход"));
  EXPECT_EQ(documentTablePartTable(name), QStringLiteral("table_Документ_Приход"));
  EXPECT_EQ(registerTable(name), QStringLiteral("items_Регистр_Приход"));
  EXPECT_EQ(itemsTable(ObjectKind::Journal, name), QString());
  EXPECT_EQ(ownTables(ObjectKind::Document, name),
            (QStringList{documentHeaderTable(name), documentTablePartTable(name)}));
  EXPECT_TRUE(ownTables(ObjectKind::Report, name).isEmpty());

  const QStringList requisites{"Наименование", "Сумма"};
  EXPECT_EQ(
      createTableStatement(TableRole::Elements, QStringLiteral("Товары"), requisites),
      QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Сумма TEXT(50))"));
  EXPECT_EQ(createTableStatement(TableRole::Header, name, requisites),
            QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),Сумма "
                           "TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10),Номер "
                           "TEXT(10))"));
  EXPECT_EQ(createTableStatement(TableRole::TablePart, name, {"Товар"}),
            QStringLiteral("CREATE TABLE table_Документ_Приход(Товар TEXT(50),cDATE "
                           "TEXT(10),cTIME TEXT(10))"));
  EXPECT_EQ(createTableStatement(TableRole::Movements, QStringLiteral("Остатки"), {"Количество"}),
            QStringLiteral("CREATE TABLE items_Регистр_Остатки(Количество TEXT(50),cDATE "
                           "TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5))"));

  EXPECT_EQ(systemColumnCount(TableRole::Movements), 4);
  // Header tables from before numbers lack Номер: the system columns go by name.
  EXPECT_EQ(requisiteColumns(TableRole::Header, {"Сумма", "cDATE", "cTIME", "Проводка"}),
            QStringList{"Сумма"});
  EXPECT_EQ(
      requisiteColumns(TableRole::Header, {"Сумма", "Цена", "CDATE", "cTIME", "Проводка", "номер"}),
      (QStringList{"Сумма", "Цена"}));
  EXPECT_TRUE(requisiteColumns(TableRole::TablePart, {"cDATE"}).isEmpty());
}

#include "config/object_definition.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "config/form_layout.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

using namespace balvix;
using namespace balvix::config;

namespace {

// Rows as the designers, the module editor and the forms leave them.
const char* const kRows[] = {
    "INSERT INTO form_items (name,descript,code,type,items_type) VALUES "
    "('Товары','Товары','_','Справочник','Текст;Число;Справочник.Склады;;')",
    "INSERT INTO form_items (name,descript,code,type,items_type,item,size) VALUES "
    "('Склады','Склады','_','Справочник','Текст;',"
    "'name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n','7905-4875')",
    "INSERT INTO form_items (name,code,zurnal,descript,type,items_type,table_,TableItemsType) "
    "VALUES ('Приход','Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры\r\n','Полный',"
    "'Приходная накладная','Документ','Текст;Дата;Перечисление.Виды;','1',"
    "'Справочник.Товары;Число;Счет.ПланСчетов;')",
    "INSERT INTO form_items (name,code,zurnal,descript,type,items_type,table_,TableItemsType) "
    "VALUES ('Акт','','Акты','Акт','Документ','Текст;','0','')",
    "INSERT INTO form_items (name,descript,type) VALUES ('Акты','Журнал актов','Журнал')",
    "INSERT INTO form_items (type,name,code) VALUES ('Перечисление','Виды','Да;Нет;')",
    "INSERT INTO form_items (name,type,descript) VALUES ('Остатки','Регистр','Остатки товаров')",
    "INSERT INTO form_items (type,name,descript,code,item,table_) VALUES "
    "('Отчет','Продажи','Продажи за период','Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры',"
    "'A1=Итого','name=lbl;index=1;caption=Период;\r\n')",
};

class ObjectDefinitionTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    for (const char* sql : kRows) db().execute(QString::fromUtf8(sql));
  }

  FormItemRow row(ObjectKind kind, const QString& name) {
    std::optional<FormItemRow> r = readFormItemRow(db(), kind, name);
    EXPECT_TRUE(r.has_value());
    return r.value_or(FormItemRow());
  }

  // Read, interpret, write under the same name after deleting the original, read again.
  void expectRoundTrip(ObjectKind kind, const QString& name) {
    const FormItemRow stored = row(kind, name);
    const std::optional<ObjectDefinition> definition = ObjectDefinition::fromRow(stored);
    ASSERT_TRUE(definition.has_value()) << name.toStdString();
    EXPECT_EQ(definition->toRow(), stored) << name.toStdString();
    db().execute(QStringLiteral("DELETE FROM form_items WHERE name=") + storage::quote(name));
    insertDefinition(db(), *definition);
    EXPECT_EQ(row(kind, name), stored) << name.toStdString();
  }
};

}  // namespace

TEST_F(ObjectDefinitionTest, EveryKindsRowRoundTrips) {
  // "Полный" comes with the new database; the others from the rows above.
  const std::pair<ObjectKind, const char*> objects[] = {
      {ObjectKind::Catalog, "Товары"},   {ObjectKind::Catalog, "Склады"},
      {ObjectKind::Document, "Приход"},  {ObjectKind::Document, "Акт"},
      {ObjectKind::Journal, "Акты"},     {ObjectKind::Journal, "Полный"},
      {ObjectKind::Enumeration, "Виды"}, {ObjectKind::Register, "Остатки"},
      {ObjectKind::Report, "Продажи"}};
  for (const auto& [kind, name] : objects) expectRoundTrip(kind, QString::fromUtf8(name));
}

TEST_F(ObjectDefinitionTest, RowIsInterpretedByKind) {
  const ObjectDefinition document =
      *ObjectDefinition::fromRow(row(ObjectKind::Document, QStringLiteral("Приход")));
  EXPECT_EQ(document.kind, ObjectKind::Document);
  EXPECT_EQ(document.journal, QStringLiteral("Полный"));
  EXPECT_EQ(document.description, QStringLiteral("Приходная накладная"));
  EXPECT_TRUE(document.hasTablePart);
  ASSERT_EQ(document.requisites.size(), 3);
  EXPECT_EQ(document.requisites[2].type, RequisiteType::enumeration(QStringLiteral("Виды")));
  ASSERT_EQ(document.tableRequisites.size(), 3);
  EXPECT_EQ(document.tableRequisites[2].type.kind, RequisiteType::Kind::Account);
  EXPECT_FALSE(document.layout.has_value());
  EXPECT_EQ(document.path(), QStringLiteral("Документ.Приход"));

  const ObjectDefinition values =
      *ObjectDefinition::fromRow(row(ObjectKind::Enumeration, QStringLiteral("Виды")));
  EXPECT_EQ(values.enumerationValues(), (QStringList{"Да", "Нет"}));

  const ObjectDefinition catalog =
      *ObjectDefinition::fromRow(row(ObjectKind::Catalog, QStringLiteral("Склады")));
  ASSERT_TRUE(catalog.layout.has_value());
  EXPECT_EQ(parseLayout(*catalog.layout).layout.elements.size(), 1);

  FormItemRow unknown;
  unknown.type = QStringLiteral("Константа");
  EXPECT_FALSE(ObjectDefinition::fromRow(unknown).has_value());
  EXPECT_FALSE(readFormItemRow(db(), ObjectKind::Catalog, QStringLiteral("Нет")).has_value());
  EXPECT_EQ(readFormItemRows(db(), ObjectKind::Catalog).size(), 2);
}

TEST_F(ObjectDefinitionTest, RequisiteNamesComeFromTheTables) {
  db().execute(createTableStatement(TableRole::Header, QStringLiteral("Приход"),
                                    {"Наименование", "Дата", "Вид"}));
  db().execute(createTableStatement(TableRole::TablePart, QStringLiteral("Приход"),
                                    {"Товар", "Цена", "Счет"}));
  db().execute(createTableStatement(TableRole::Movements, QStringLiteral("Остатки"),
                                    {"Товар", "Количество"}));

  const ObjectDefinition document =
      *readDefinition(db(), ObjectKind::Document, QStringLiteral("Приход"));
  EXPECT_EQ(document.requisiteNames(), (QStringList{"Наименование", "Дата", "Вид"}));
  EXPECT_EQ(document.requisites[1].type.kind, RequisiteType::Kind::Date);
  EXPECT_EQ(document.tableRequisiteNames(), (QStringList{"Товар", "Цена", "Счет"}));

  const ObjectDefinition movements =
      *readDefinition(db(), ObjectKind::Register, QStringLiteral("Остатки"));
  EXPECT_EQ(movements.requisiteNames(), (QStringList{"Товар", "Количество"}));
  EXPECT_EQ(movements.requisites[0].type.kind, RequisiteType::Kind::None);

  // A catalog whose table is missing still has its typed requisites, without names.
  const ObjectDefinition goods =
      *readDefinition(db(), ObjectKind::Catalog, QStringLiteral("Товары"));
  ASSERT_EQ(goods.requisites.size(), 4);
  EXPECT_TRUE(goods.requisites[0].name.isEmpty());
  EXPECT_FALSE(readDefinition(db(), ObjectKind::Report, QStringLiteral("Нет")).has_value());
}

TEST_F(ObjectDefinitionTest, DesignerUpdateLeavesModuleAndLayoutAlone) {
  ObjectDefinition catalog = *readDefinition(db(), ObjectKind::Catalog, QStringLiteral("Склады"));
  catalog.name = QStringLiteral("Места");
  catalog.description = QStringLiteral("Места хранения");
  catalog.requisites.append({"Адрес", RequisiteType::ofKind(RequisiteType::Kind::Text)});
  catalog.module = QStringLiteral("не сохраняется");
  catalog.layout = QStringLiteral("не сохраняется");
  EXPECT_EQ(updateDesignedColumns(db(), QStringLiteral("Склады"), catalog), 1);
  const FormItemRow stored = row(ObjectKind::Catalog, QStringLiteral("Места"));
  EXPECT_EQ(stored.descript, QStringLiteral("Места хранения"));
  EXPECT_EQ(stored.itemsType, QStringLiteral("Текст;Текст;"));
  EXPECT_EQ(stored.code, QStringLiteral("_"));
  EXPECT_TRUE(stored.item->startsWith(QStringLiteral("name=txt;")));
  EXPECT_EQ(updateDesignedColumns(db(), QStringLiteral("Склады"), catalog), 0);

  ObjectDefinition values = *readDefinition(db(), ObjectKind::Enumeration, QStringLiteral("Виды"));
  values.setEnumerationValues({"Приход", "Расход"});
  EXPECT_EQ(updateDesignedColumns(db(), QStringLiteral("Виды"), values), 1);
  EXPECT_EQ(row(ObjectKind::Enumeration, QStringLiteral("Виды")).code,
            QStringLiteral("Приход;Расход;"));

  EXPECT_EQ(
      writeFormLayout(db(), ObjectKind::Document, QStringLiteral("Приход"),
                      QStringLiteral("name=txt;caption=O'Brien;\r\n"), QStringLiteral("8000-5000")),
      1);
  const FormItemRow document = row(ObjectKind::Document, QStringLiteral("Приход"));
  EXPECT_EQ(document.item, QStringLiteral("name=txt;caption=O'Brien;\r\n"));
  EXPECT_EQ(document.size, QStringLiteral("8000-5000"));
}

TEST_F(ObjectDefinitionTest, ObjectsOfAKindAreListedAndTheirModulesRead) {
  // In the order the database keeps them (by name here).
  EXPECT_EQ(objectNames(db(), ObjectKind::Catalog), (QStringList{"Склады", "Товары"}));
  EXPECT_EQ(objectNames(db(), ObjectKind::Journal), (QStringList{"Акты", "Полный"}));
  const QList<ObjectDefinition> documents = readDefinitions(db(), ObjectKind::Document);
  ASSERT_EQ(documents.size(), 2);
  EXPECT_EQ(documents[0].name, QStringLiteral("Акт"));
  EXPECT_EQ(documents[0].journal, QStringLiteral("Акты"));

  const ObjectDefinition report =
      *readDefinition(db(), ObjectKind::Report, QStringLiteral("Продажи"));
  EXPECT_EQ(report.dialog, QStringLiteral("name=lbl;index=1;caption=Период;\r\n"));
  EXPECT_EQ(readModule(db(), ObjectKind::Report, QStringLiteral("Продажи")),
            QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры"));
  // The kind is part of the address: no catalog is called "Продажи".
  EXPECT_FALSE(readModule(db(), ObjectKind::Catalog, QStringLiteral("Продажи")).has_value());
  EXPECT_EQ(readEnumerationValues(db(), QStringLiteral("Виды")), (QStringList{"Да", "Нет"}));
  EXPECT_TRUE(readEnumerationValues(db(), QStringLiteral("Нет")).isEmpty());
}

TEST_F(ObjectDefinitionTest, OneColumnWritesChangeOnlyTheirColumn) {
  using Column = std::optional<QString> FormItemRow::*;
  using Write = int (*)(storage::Session&, const QString&, const QString&);
  const struct {
    const char* what;
    Write write;
    ObjectKind kind;
    const char* name;
    Column column;
  } cases[] = {
      {"module",
       [](storage::Session& db, const QString& name, const QString& text) {
         return writeModule(db, ObjectKind::Catalog, name, text);
       },
       ObjectKind::Catalog, "Товары", &FormItemRow::code},
      {"report layout", writeReportLayout, ObjectKind::Report, "Продажи", &FormItemRow::item},
      {"report dialog", writeReportDialog, ObjectKind::Report, "Продажи", &FormItemRow::tablePart},
      {"journal", writeDocumentJournal, ObjectKind::Document, "Приход", &FormItemRow::zurnal},
  };
  const QString text = QStringLiteral("Сообщить(\"O'Brien\")");
  for (const auto& c : cases) {
    const QString name = QString::fromUtf8(c.name);
    FormItemRow expected = row(c.kind, name);
    expected.*c.column = text;
    EXPECT_EQ(c.write(db(), name, text), 1) << c.what;
    EXPECT_EQ(row(c.kind, name), expected) << c.what;
    EXPECT_EQ(c.write(db(), QStringLiteral("Нет"), text), 0) << c.what;
  }
}

TEST_F(ObjectDefinitionTest, DeletingARowRemovesOnlyThatObject) {
  EXPECT_EQ(deleteObjectRow(db(), ObjectKind::Catalog, QStringLiteral("Приход")), 0);
  EXPECT_EQ(deleteObjectRow(db(), ObjectKind::Document, QStringLiteral("Приход")), 1);
  EXPECT_EQ(objectNames(db(), ObjectKind::Document), (QStringList{"Акт"}));
  EXPECT_EQ(deleteObjectRow(db(), ObjectKind::Document, QStringLiteral("Приход")), 0);
}

#include "documents/document_checks.h"

#include <gtest/gtest.h>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/document_service.h"
#include "message_host.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::documents::testing {
namespace {

using config::ObjectDefinition;
using config::ObjectKind;
using config::Requisite;
using config::RequisiteType;
using Kind = RequisiteType::Kind;

// A warehouse receipt with one requisite of every checked kind: catalogs, an enumeration and
// an account, some of them required.
class DocumentChecks : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    ObjectDefinition units;
    units.kind = ObjectKind::Enumeration;
    units.name = QStringLiteral("Единицы");
    units.setEnumerationValues({QStringLiteral("шт"), QStringLiteral("кг")});
    config::insertDefinition(db(), units);
    for (const auto& [name, elements] :
         {std::pair{QStringLiteral("Товары"), QStringList{"Стол", "Стул"}},
          std::pair{QStringLiteral("Склады"), QStringList{"Основной"}}}) {
      ObjectDefinition catalog;
      catalog.kind = ObjectKind::Catalog;
      catalog.name = name;
      catalog.requisites = {{QStringLiteral("Наименование"), RequisiteType::ofKind(Kind::Text)}};
      config::insertDefinition(db(), catalog);
      db().execute(config::createTableStatement(config::TableRole::Elements, name,
                                                catalog.requisiteNames()));
      for (const QString& element : elements)
        db().execute(QStringLiteral("INSERT INTO ") + config::catalogTable(name) +
                     QStringLiteral(" (Наименование) VALUES (") + storage::quote(element) + ')');
    }
    receipt.kind = ObjectKind::Document;
    receipt.name = QStringLiteral("Приход");
    receipt.requisites = {
        {QStringLiteral("Наименование"), RequisiteType::ofKind(Kind::Text)},
        {QStringLiteral("Склад"), RequisiteType::catalog(QStringLiteral("Склады")), true},
        {QStringLiteral("Единица"), RequisiteType::enumeration(QStringLiteral("Единицы"))},
        {QStringLiteral("Счет"), RequisiteType::account()}};
    receipt.hasTablePart = true;
    receipt.tableRequisites = {
        {QStringLiteral("Товар"), RequisiteType::catalog(QStringLiteral("Товары")), true},
        {QStringLiteral("Количество"), RequisiteType::ofKind(Kind::Number), true},
        {QStringLiteral("Примечание"), RequisiteType::ofKind(Kind::Text)}};
    config::insertDefinition(db(), receipt);
    db().execute(config::createTableStatement(config::TableRole::Header, receipt.name,
                                              receipt.requisiteNames()));
    db().execute(config::createTableStatement(config::TableRole::TablePart, receipt.name,
                                              receipt.tableRequisiteNames()));
  }

  // A receipt that passes: header values and rows as given, the rest filled well.
  script::DocumentContent content(QList<QPair<QString, QString>> header = {},
                                  QList<QStringList> rows = {{"Стол", "2", ""}}) {
    script::DocumentContent doc;
    doc.kind = receipt.name;
    doc.date = QDate(2026, 12, 7);
    doc.header = {{"Наименование", "1"}, {"Склад", "Основной"}, {"Единица", "шт"}, {"Счет", "41"}};
    for (const auto& [name, value] : header)
      for (auto& field : doc.header)
        if (field.first == name) field.second = value;
    doc.hasTablePart = true;
    doc.rowColumns = {"Товар", "Количество", "Примечание"};
    doc.rows = rows;
    return doc;
  }

  ObjectDefinition receipt;
};

TEST_F(DocumentChecks, TheFirstProblemNamesTheFieldAndTheRow) {
  const struct {
    const char* what;
    QList<QPair<QString, QString>> header;
    QList<QStringList> rows;
    std::optional<FieldProblem> problem;
  } cases[] = {
      {"filled well", {}, {{"Стол", "2", ""}, {" Стул ", "1", ""}}, std::nullopt},
      {"optional fields empty", {{"Единица", ""}, {"Счет", ""}}, {{"Стол", "2", ""}}, std::nullopt},
      {"no rows", {}, {}, std::nullopt},
      {"empty required header",
       {{"Склад", " "}},
       {{"", "", ""}},
       FieldProblem{"Не заполнено обязательное поле «Склад».", "Склад", -1}},
      {"empty required cell",
       {},
       {{"Стол", "2", ""}, {"Стул", "", ""}},
       FieldProblem{"Строка 2: не заполнено обязательное поле «Количество».", "Количество", 1}},
      {"free-text good",
       {},
       {{"Несуществующий товар", "1", ""}},
       FieldProblem{"Строка 1, поле «Товар»: «Несуществующий товар» нет в справочнике «Товары».",
                    "Товар", 0}},
      {"letter case counts",
       {{"Склад", "основной"}},
       {},
       FieldProblem{"Поле «Склад»: «основной» нет в справочнике «Склады».", "Склад", -1}},
      {"enumeration value",
       {{"Единица", "м"}},
       {},
       FieldProblem{"Поле «Единица»: «м» нет в перечислении «Единицы».", "Единица", -1}},
      {"account",
       {{"Счет", "99.9"}},
       {},
       FieldProblem{"Поле «Счет»: счета «99.9» нет в плане счетов.", "Счет", -1}},
  };
  for (const auto& c : cases) {
    ReferenceValues references(db());
    EXPECT_EQ(checkDocument(references, receipt, content(c.header, c.rows)), c.problem) << c.what;
  }
}

TEST_F(DocumentChecks, AnElementAddedMeanwhileExists) {
  ReferenceValues references(db());
  const RequisiteType goods = RequisiteType::catalog(QStringLiteral("Товары"));
  EXPECT_EQ(references.values(goods), (QStringList{"Стол", "Стул"}));
  EXPECT_FALSE(references.exists(goods, QStringLiteral("Шкаф")));
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('Шкаф')"));
  EXPECT_TRUE(references.exists(goods, QStringLiteral("Шкаф")));
  // A catalog the configuration does not have gives nothing to compare with.
  EXPECT_TRUE(references.exists(RequisiteType::catalog(QStringLiteral("Нет")), "x"));
}

TEST_F(DocumentChecks, APostingRefusedWritesNothingAndADraftIsNotChecked) {
  script::MessageHost host;
  script::SharedContext context;
  context.db = &db();
  const QString header = config::documentHeaderTable(receipt.name);
  const QString rows = config::documentTablePartTable(receipt.name);
  const SaveOutcome refused =
      saveAndPost(context, host, content({}, {{"Несуществующий товар", "1", ""}}), std::nullopt,
                  nullptr, QTime(10, 0, 0), true);
  ASSERT_TRUE(refused.problem);
  EXPECT_EQ(refused.problem->row, 0);
  EXPECT_EQ(refused.outcome, script::PostOutcome::Aborted);
  EXPECT_EQ(this->rows(QStringLiteral("SELECT * FROM ") + header), 0);
  EXPECT_EQ(this->rows(QStringLiteral("SELECT * FROM ") + rows), 0);
  EXPECT_EQ(this->rows(QStringLiteral("SELECT * FROM itogi")), 0);

  const SaveOutcome draft = saveAndPost(context, host, content({{"Склад", ""}}), std::nullopt,
                                        nullptr, QTime(10, 0, 0), false);
  EXPECT_FALSE(draft.problem);
  EXPECT_EQ(draft.outcome, script::PostOutcome::Posted);
  EXPECT_EQ(this->rows(QStringLiteral("SELECT * FROM ") + header), 1);

  const SaveOutcome posted =
      saveAndPost(context, host, content(), std::nullopt, nullptr, QTime(11, 0, 0), true);
  EXPECT_FALSE(posted.problem);
  EXPECT_EQ(posted.outcome, script::PostOutcome::Posted);
  EXPECT_EQ(this->rows(QStringLiteral("SELECT * FROM ") + header), 2);
}

TEST(TypeListMarks, RequiredRoundTripsAndOldListsReadAsNotRequired) {
  config::FormItemRow row;
  row.type = QStringLiteral("Справочник");
  row.name = QStringLiteral("Склады");
  // Written before the mark existed: every entry bare.
  row.itemsType = QStringLiteral("Текст;Справочник.Товары;");
  std::optional<ObjectDefinition> old = ObjectDefinition::fromRow(row);
  ASSERT_TRUE(old);
  EXPECT_FALSE(old->requisites[1].required);
  EXPECT_EQ(old->requisites[1].type, RequisiteType::catalog(QStringLiteral("Товары")));

  old->requisites[1].required = true;
  const QString stored = old->toRow().itemsType.value_or(QString());
  EXPECT_EQ(stored, QStringLiteral("Текст;Справочник.Товары!;"));
  // Every reader of the bare types still sees the bare type.
  EXPECT_EQ(config::parseTypeList(stored)[1], RequisiteType::catalog(QStringLiteral("Товары")));
  row.itemsType = stored;
  EXPECT_TRUE(ObjectDefinition::fromRow(row)->requisites[1].required);
}

}  // namespace
}  // namespace balvix::documents::testing

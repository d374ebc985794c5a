#include <gtest/gtest.h>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "object_fixture.h"
#include "script/objects/document_content_objects.h"

namespace balvix::script::testing {
namespace {

class DocumentContentTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    config::ObjectDefinition doc;
    doc.kind = config::ObjectKind::Document;
    doc.name = QStringLiteral("Приход");
    const auto text = config::RequisiteType::parse(QStringLiteral("Текст"));
    doc.requisites = {{QStringLiteral("Наименование"), text}, {QStringLiteral("Склад"), text}};
    doc.hasTablePart = true;
    doc.tableRequisites = {{QStringLiteral("Товар"), text}, {QStringLiteral("Количество"), text}};
    config::insertDefinition(*session, doc);
    exec(config::createTableStatement(config::TableRole::Header, doc.name, doc.requisiteNames()));
    exec(config::createTableStatement(config::TableRole::TablePart, doc.name,
                                      doc.tableRequisiteNames()));
  }
  // Runs the module over a new document of the kind; the error text when it fails.
  QString runOn(DocumentContent& content, const QString& module) {
    host.messages.clear();
    Engine engine(host);
    engine.setGlobalObject(createGlobalFunctions(host, context));
    engine.addObject(
        QStringLiteral("Форма"),
        std::make_shared<ContentForm>(content, QStringLiteral("Документ.Приход.Новый")));
    engine.addObject(QStringLiteral("Таблица"), std::make_shared<ContentTable>(content));
    try {
      engine.load(module);
    } catch (const ScriptError& e) {
      return QStringLiteral("%1: %2").arg(e.line()).arg(e.description());
    }
    return QString();
  }
};

TEST_F(DocumentContentTest, ANewDocumentHasItsFieldsAndColumnsEmpty) {
  EXPECT_FALSE(newDocumentContent(*session, QStringLiteral("Нет"), QDate(2026, 12, 1)));
  std::optional<DocumentContent> doc =
      newDocumentContent(*session, QStringLiteral("Приход"), QDate(2026, 12, 1));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->rowColumns, (QStringList{"Товар", "Количество"}));
  EXPECT_TRUE(doc->rows.isEmpty());
  EXPECT_EQ(runOn(*doc, QStringLiteral("склад = Форма.значение(\"СКЛАД\")\r\n"
                                       "Форма.Значение(\"Склад\") = \"Основной\"\r\n"
                                       "Форма.Значение(\"Нет такого\") = \"х\"\r\n"
                                       "Сообщить(склад & \"|\" & Форма.Значение(\"склад\") & \"|\" "
                                       "& Форма.Значение(\"Нет такого\") & \"|\" & "
                                       "Форма.Заголовок)\r\n")),
            QString());
  EXPECT_EQ(host.messages, QStringList{"|Основной||Документ.Приход.Новый"});
  EXPECT_EQ(doc->header.value(1).second, QStringLiteral("Основной"));
}

TEST_F(DocumentContentTest, TheTableIsFilledWalkedAndClearedAsInTheWindow) {
  DocumentContent doc = *newDocumentContent(*session, QStringLiteral("Приход"), QDate());
  EXPECT_EQ(runOn(doc, QStringLiteral("Таблица.ДобавитьЗначение \"Гвозди\", \"Товар\"\r\n"
                                      "Таблица.НоваяСтрока()\r\n"
                                      "Таблица.ДобавитьЗначение 5, 2\r\n"
                                      "Таблица.ВыбратьСтроки()\r\n"
                                      "Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
                                      "  Таблица.УстановитьЗначениеКолонки \"товар\", "
                                      "Таблица.ЗначениеКолонки(1) & \"!\"\r\n"
                                      "Цикл\r\n"
                                      "Сообщить(Таблица.КоличествоСтрок())\r\n")),
            QString());
  EXPECT_EQ(host.messages, QStringList{"2"});
  EXPECT_EQ(doc.rows, (QList<QStringList>{{"Гвозди!", ""}, {"!", "5"}}));
  EXPECT_EQ(runOn(doc, QStringLiteral("Таблица.ДобавитьЗначение 1, \"Цвет\"\r\n")),
            QStringLiteral("1: В таблице нет колонки «Цвет»"));
  EXPECT_EQ(runOn(doc, QStringLiteral("Таблица.УстановитьЗначениеКолонки \"Товар\", 1\r\n")),
            QStringLiteral("1: В таблице нет колонки «Товар» или не выбрана строка"));
  EXPECT_EQ(runOn(doc, QStringLiteral("Таблица.ОчиститьТаблицу()\r\n"
                                      "Сообщить(Таблица.КоличествоСтрок())\r\n")),
            QString());
  EXPECT_EQ(host.messages, QStringList{"0"});
}

}  // namespace
}  // namespace balvix::script::testing

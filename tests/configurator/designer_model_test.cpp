#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "config/form_layout.h"
#include "config/object_definition.h"
#include "configurator/document_designer.h"
#include "configurator/requisite_editor.h"
#include "fixture.h"

namespace balvix::configurator::testing {
namespace {

using config::RequisiteType;

// What the designers save is what the configuration model reads back.
class DesignerModelTest : public ConfiguratorTest {
 protected:
  void addRow(frmDocs* d, bool header, const QString& name, const QString& type) {
    addRequisite(d, header ? "Command5" : "Command6", name, type);
  }
};

TEST_F(DesignerModelTest, SavedDocumentReadsBackAsItsDefinition) {
  auto* d = openDesigner<frmDocs>(frmDocs::kWindowName, QStringLiteral("Документ"),
                                  QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Приход"), QStringLiteral("Приходная накладная"));
  addRow(d, true, QStringLiteral("Поставщик"), QStringLiteral("Справочник.Контрагенты"));
  addRow(d, false, QStringLiteral("Товар"), QStringLiteral("Справочник.Товары"));
  addRow(d, false, QStringLiteral("Счет"), QStringLiteral("Счет.ПланСчетов"));
  messages.reply(shell::MsgAnswer::No);
  ASSERT_TRUE(d->save());

  const auto document =
      config::readDefinition(db(), config::ObjectKind::Document, QStringLiteral("Приход"));
  ASSERT_TRUE(document.has_value());
  EXPECT_EQ(document->description, QStringLiteral("Приходная накладная"));
  EXPECT_EQ(document->journal, QStringLiteral("Полный"));
  EXPECT_EQ(document->module, frmDocs::moduleTemplate());
  EXPECT_EQ(document->requisiteNames(), (QStringList{"Наименование", "Поставщик"}));
  EXPECT_EQ(document->requisites[1].type, RequisiteType::catalog(QStringLiteral("Контрагенты")));
  ASSERT_TRUE(document->hasTablePart);
  EXPECT_EQ(document->tableRequisiteNames(), (QStringList{"Товар", "Счет"}));
  EXPECT_EQ(document->tableRequisites[1].type, RequisiteType::account());
  EXPECT_FALSE(document->layout.has_value());

  // The form a document without a stored layout opens with.
  EXPECT_EQ(config::composeDefaultLayout(document->requisites).text(),
            QStringLiteral("name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n"
                           "name=txt;index=2;top=1200;left=250;caption=Поставщик;"
                           "type=Справочник.Контрагенты;\r\n"));

  // A re-save keeps the layout the form stored meanwhile.
  config::writeFormLayout(db(), config::ObjectKind::Document, QStringLiteral("Приход"),
                          QStringLiteral("name=lbl;caption=Шапка;\r\n"),
                          QStringLiteral("8000-5000"));
  messages.reply(shell::MsgAnswer::No);
  ASSERT_TRUE(d->save());
  const auto again =
      config::readDefinition(db(), config::ObjectKind::Document, QStringLiteral("Приход"));
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->layout, QStringLiteral("name=lbl;caption=Шапка;\r\n"));
  EXPECT_EQ(again->size, QStringLiteral("8000-5000"));
  EXPECT_EQ(again->requisites, document->requisites);
}

TEST_F(DesignerModelTest, ATypeWithASemicolonIsRefusedAndTheEditorStaysOpen) {
  auto* d = openDesigner<frmDocs>(frmDocs::kWindowName, QStringLiteral("Документ"),
                                  QStringLiteral("Новый"));
  addRow(d, true, QStringLiteral("Сумма"), QStringLiteral("Число;Текст"));
  auto* editor = window<frmItem>(frmItem::kWindowName);
  EXPECT_TRUE(editor->isVisible());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Число;Текст")));
  auto* header = child<QListWidget>(d, "List1");
  EXPECT_EQ(header->count(), 1);  // only Наименование
  child<QComboBox>(editor, "Combo1")->setCurrentText(QStringLiteral("Число"));
  child(editor, "Command2")->click();
  EXPECT_FALSE(editor->isVisible());
  ASSERT_EQ(header->count(), 2);
  EXPECT_EQ(header->item(1)->data(Qt::UserRole).toString(), QStringLiteral("Число"));
}

}  // namespace
}  // namespace balvix::configurator::testing

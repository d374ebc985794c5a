#include "configurator/requisite_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "configurator/catalog_designer.h"
#include "configurator/document_designer.h"
#include "configurator/register_designer.h"
#include "fixture.h"
#include "storage/sql_text.h"

namespace balvix::configurator::testing {
namespace {

class RequisiteEditorTest : public ConfiguratorTest {
 protected:
  frmItem* editor() { return window<frmItem>(QStringLiteral("frmItem")); }
  QStringList comboItems() {
    QStringList items;
    auto* combo = child<QComboBox>(editor(), "Combo1");
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  void chooseType(const QString& type) {
    auto* combo = child<QComboBox>(editor(), "Combo1");
    const int index = combo->findText(type);
    ASSERT_GE(index, 0) << type.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  void insertObject(const QString& type, const QString& name) {
    db().execute(QStringLiteral("INSERT INTO form_items (type,name) VALUES (%1,%2)")
                     .arg(storage::quote(type), storage::quote(name)));
  }
  frmSprFrm* openNewCatalog() {
    return openDesigner<frmSprFrm>(QStringLiteral("frmSprFrm"), QStringLiteral("Справочник"),
                                   QStringLiteral("Новый"));
  }
  void apply() { child(editor(), "Command2")->click(); }
};

TEST_F(RequisiteEditorTest, TypeListFollowsTheConfigurationOnEveryOpening) {
  insertObject(QStringLiteral("Перечисление"), QStringLiteral("Цвета"));
  insertObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  insertObject(QStringLiteral("Документ"), QStringLiteral("Накладная"));
  editor()->open(QStringLiteral("Справочник Новый"), QStringLiteral("Новый"));
  EXPECT_EQ(comboItems(), (QStringList{"Текст", "Число", "Число.Сумма", "Дата", "Счет.ПланСчетов",
                                       "Справочник.Товары", "Перечисление.Цвета"}));
  EXPECT_EQ(child<QComboBox>(editor(), "Combo1")->currentText(), QStringLiteral("Текст"));
  EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Справочник Новый"));
  EXPECT_EQ(child<QLineEdit>(editor(), "Text1")->text(), QStringLiteral("Новый"));

  child(editor(), "Command1")->click();
  EXPECT_FALSE(editor()->isVisible());
  insertObject(QStringLiteral("Справочник"), QStringLiteral("Клиенты"));
  editor()->open(QStringLiteral("Справочник Новый"), QStringLiteral("Новый"));
  // Catalogs come in the order the query returns them.
  QStringList expected{"Текст", "Число", "Число.Сумма", "Дата", "Счет.ПланСчетов"};
  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Справочник'"));
  for (; !rs.eof(); rs.moveNext()) expected << QStringLiteral("Справочник.") + rs.text("name");
  expected << QStringLiteral("Перечисление.Цвета");
  EXPECT_EQ(expected.size(), 8);
  EXPECT_EQ(comboItems(), expected);
}

TEST_F(RequisiteEditorTest, LengthBoxFollowsTheChosenType) {
  editor()->open(QStringLiteral("Справочник Новый"), QStringLiteral("Новый"));
  auto* length = child<QLineEdit>(editor(), "Text3");
  EXPECT_EQ(length->text(), QStringLiteral("50"));
  chooseType(QStringLiteral("Дата"));
  EXPECT_EQ(length->text(), QStringLiteral("10"));
  EXPECT_FALSE(length->isEnabled());
  chooseType(QStringLiteral("Число"));
  EXPECT_EQ(length->text(), QStringLiteral("6"));
  EXPECT_FALSE(length->isEnabled());
  chooseType(QStringLiteral("Текст"));
  EXPECT_EQ(length->text(), QStringLiteral("10"));
  EXPECT_TRUE(length->isEnabled());
  chooseType(QStringLiteral("Число"));
  EXPECT_EQ(length->text(), QStringLiteral("6"));
  EXPECT_TRUE(length->isEnabled());
}

TEST_F(RequisiteEditorTest, ApplyWritesIntoTheCatalogListAndCloses) {
  frmSprFrm* designer = openNewCatalog();
  auto* list = child<QListWidget>(designer, "List1");

  // Adding and applying without editing adds a requisite named "Новый".
  child(designer, "Command5")->click();
  ASSERT_TRUE(editor()->isVisible());
  apply();
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_FALSE(editor()->isLoaded());
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("Новый"));
  EXPECT_EQ(list->item(1)->data(Qt::UserRole).toString(), QStringLiteral("Текст"));

  list->setCurrentRow(1);
  child(designer, "Command4")->click();
  EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Справочник Изменить"));
  child<QLineEdit>(editor(), "Text1")->setText(QStringLiteral("Цена"));
  chooseType(QStringLiteral("Число"));
  apply();
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("Цена"));
  EXPECT_EQ(list->item(1)->data(Qt::UserRole).toString(), QStringLiteral("Число"));

  // Cancel writes nothing.
  child(designer, "Command5")->click();
  child<QLineEdit>(editor(), "Text1")->setText(QStringLiteral("Лишний"));
  child(editor(), "Command1")->click();
  EXPECT_EQ(list->count(), 2);
  EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(RequisiteEditorTest, WritesNothingIntoAClosedDesignerOrForAnUnknownMode) {
  frmSprFrm* designer = openNewCatalog();
  auto* list = child<QListWidget>(designer, "List1");
  child(designer, "Command5")->click();
  designer->close();
  apply();
  EXPECT_FALSE(editor()->isVisible());

  designer->show();
  EXPECT_EQ(list->count(), 1);
  editor()->open(QStringLiteral("Справочник новый"), QStringLiteral("Цена"));
  apply();
  EXPECT_EQ(list->count(), 1);
  EXPECT_FALSE(editor()->isVisible());
}

TEST_F(RequisiteEditorTest, ClosingRestoresTheDesignTimeStateAndElementModeOnlyCloses) {
  editor()->open(QStringLiteral("Регистр Новый"), QStringLiteral("Остаток"), QString(), false);
  EXPECT_FALSE(child<QComboBox>(editor(), "Combo1")->isEnabled());
  child(editor(), "Command1")->click();

  editor()->show();
  EXPECT_EQ(editor()->windowTitle(), frmItem::kElementMode);
  EXPECT_EQ(child<QLineEdit>(editor(), "Text1")->text(), QStringLiteral("Новый"));
  EXPECT_EQ(child<QLineEdit>(editor(), "Text3")->text(), QStringLiteral("50"));
  EXPECT_EQ(comboItems().size(), 5);
  state.contextFormKind = QStringLiteral("zur");
  apply();
  EXPECT_FALSE(editor()->isVisible());
  state.contextFormKind = QStringLiteral("spr");
  editor()->show();
  apply();
  EXPECT_FALSE(editor()->isVisible());
}

TEST_F(RequisiteEditorTest, DocumentAndRegisterModes) {
  state.currentObjectType = QStringLiteral("Документ");
  state.currentObjectName = QStringLiteral("Новый");
  auto* docs = window<frmDocs>(QStringLiteral("frmDocs"));
  docs->show();
  auto* list2 = child<QListWidget>(docs, "List2");
  addRequisiteRow(list2, QStringLiteral("Товар"), QStringLiteral("Справочник.Товары"));
  list2->setCurrentRow(0);
  // A table-part change shows the row's own type, so renaming keeps it.
  child(docs, "Command7")->click();
  EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Список Изменить"));
  EXPECT_EQ(child<QComboBox>(editor(), "Combo1")->currentText(),
            QStringLiteral("Справочник.Товары"));
  child<QLineEdit>(editor(), "Text1")->setText(QStringLiteral("Номенклатура"));
  apply();
  EXPECT_EQ(list2->item(0)->text(), QStringLiteral("Номенклатура"));
  EXPECT_EQ(list2->item(0)->data(Qt::UserRole).toString(), QStringLiteral("Справочник.Товары"));

  docs->close();
  state.currentObjectType = QStringLiteral("Регистр");
  auto* reg = window<frmRegister>(QStringLiteral("frmRegister"));
  reg->show();
  child(reg, "Command5")->click();
  EXPECT_FALSE(child<QComboBox>(editor(), "Combo1")->isEnabled());
  child<QLineEdit>(editor(), "Text1")->setText(QStringLiteral("Количество"));
  apply();
  auto* list = child<QListWidget>(reg, "List1");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("Количество"));
  EXPECT_FALSE(list->item(0)->data(Qt::UserRole).isValid());
}

// «Обязательный» goes into the stored type list as a mark after the type, and comes back
// when the designer is opened again; a list stored without marks reads as nothing required.
TEST_F(RequisiteEditorTest, TheRequiredFlagRoundTripsThroughTheDesigner) {
  auto required = [this] {
    for (auto* box : editor()->findChildren<QCheckBox*>())
      if (box->accessibleName() == QStringLiteral("Обязательный")) return box;
    return static_cast<QCheckBox*>(nullptr);
  };
  frmSprFrm* d = openNewCatalog();
  child<QLineEdit>(d, "Text1")->setText(QStringLiteral("Товары"));
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Товары"));
  for (const bool flag : {true, false}) {
    child(d, "Command5")->click();
    child<QLineEdit>(editor(), "Text1")
        ->setText(flag ? QStringLiteral("Цена") : QStringLiteral("Артикул"));
    child<QComboBox>(editor(), "Combo1")->setCurrentText(QStringLiteral("Число"));
    ASSERT_TRUE(required());
    EXPECT_FALSE(required()->isChecked());
    required()->setChecked(flag);
    apply();
  }
  messages.reply(shell::MsgAnswer::Yes);
  ASSERT_TRUE(d->save()) << messages.texts().join('|').toStdString();
  EXPECT_EQ(value(QStringLiteral("SELECT items_type FROM form_items WHERE name='Товары'")),
            QStringLiteral("Текст;Число!;Число;"));

  const struct {
    const char* stored;
    bool required;
  } cases[] = {{"Текст;Число!;Число;", true}, {"Текст;Число;Число;", false}};
  for (const auto& c : cases) {
    window<frmSprFrm>(QStringLiteral("frmSprFrm"))->close();
    db().execute(QStringLiteral("UPDATE form_items SET items_type='%1' WHERE name='Товары'")
                     .arg(QString::fromUtf8(c.stored)));
    d = openDesigner<frmSprFrm>(QStringLiteral("frmSprFrm"), QStringLiteral("Справочник"),
                                QStringLiteral("Товары"));
    auto* list = child<QListWidget>(d, "List1");
    EXPECT_EQ(requisiteTypes(list), (QStringList{"Текст", "Число", "Число"})) << c.stored;
    list->setCurrentRow(1);
    child(d, "Command4")->click();
    EXPECT_EQ(child<QComboBox>(editor(), "Combo1")->currentText(), QStringLiteral("Число"));
    EXPECT_EQ(required()->isChecked(), c.required) << c.stored;
    child(editor(), "Command1")->click();
  }
}

}  // namespace
}  // namespace balvix::configurator::testing

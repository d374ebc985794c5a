#include "configurator/register_designer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "configurator/requisite_editor.h"
#include "fixture.h"
#include "storage/sql_text.h"
#include "storage/table_indexes.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class RegisterDesignerTest : public ConfiguratorTest {
 protected:
  frmRegister* open(const QString& name) {
    return openDesigner<frmRegister>(QStringLiteral("frmRegister"), QStringLiteral("Регистр"),
                                     name);
  }
  QListWidget* list(frmRegister* d) { return child<QListWidget>(d, "List1"); }
  void addRequisite(frmRegister* d, const QString& name) {
    child(d, "Command5")->click();
    auto* editor = window<frmItem>(QStringLiteral("frmItem"));
    EXPECT_FALSE(child<QComboBox>(editor, "Combo1")->isEnabled());
    child<QLineEdit>(editor, "Text1")->setText(name);
    child(editor, "Command2")->click();
  }
  void createRegister(const QString& name, const QStringList& requisites) {
    frmRegister* d = open(QStringLiteral("Новый"));
    setNames(d, name, QStringLiteral("Остатки товаров"));
    for (const QString& r : requisites) addRequisite(d, r);
    ASSERT_TRUE(d->save());
    messages.clear();
  }
  int count(const QString& table) { return rows(QStringLiteral("SELECT * FROM ") + table); }
  void storeMovements(int movements) {
    storage::Transaction t(db());
    for (int i = 0; i < movements; ++i)
      db().execute(QStringLiteral("INSERT INTO items_Регистр_Склад VALUES (%1,%2,'01.02.2024',%3,"
                                  "'Приход','+')")
                       .arg(storage::quote(QStringLiteral("Товар %1").arg(i)),
                            storage::quote(QString::number(i)),
                            storage::quote(QStringLiteral("10:%1:00").arg(i % 60))));
    t.commit();
  }
};

TEST_F(RegisterDesignerTest, TwoRequisitesGiveSixColumnsAndTheSaveCloses) {
  frmRegister* d = open(QStringLiteral("Новый"));
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Регистр: Новый"));
  EXPECT_EQ(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("Новый"));
  EXPECT_EQ(list(d)->count(), 0);
  setNames(d, QStringLiteral("Склад"), QStringLiteral("Остатки товаров"));
  addRequisite(d, QStringLiteral("Товар"));
  addRequisite(d, QStringLiteral("Количество"));
  child(d, "Command2")->click();
  EXPECT_EQ(messages.texts(), QStringList{"Регистр создан успешно."});
  EXPECT_FALSE(d->isVisible());

  EXPECT_EQ(db().columns(QStringLiteral("items_Регистр_Склад")),
            (QStringList{"Товар", "Количество", "cDATE", "cTIME", "Документ", "Флаг"}));
  EXPECT_TRUE(storage::hasIndexOn(db(), QStringLiteral("items_Регистр_Склад"), {"cDATE", "cTIME"}));
  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Регистр' AND name='Склад'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Склад"));
  EXPECT_EQ(rs.text("type"), QStringLiteral("Регистр"));
  EXPECT_EQ(rs.text("descript"), QStringLiteral("Остатки товаров"));
  for (const char* column :
       {"code", "zurnal", "items_type", "table_", "TableItemsType", "item", "size"})
    EXPECT_TRUE(rs.isNull(QLatin1String(column))) << column;

  d = open(QStringLiteral("Склад"));
  EXPECT_FALSE(child<QLineEdit>(d, "Text1")->isEnabled());
  EXPECT_EQ(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("Остатки товаров"));
  EXPECT_EQ(requisiteNames(list(d)), (QStringList{"Товар", "Количество"}));
}

TEST_F(RegisterDesignerTest, ResaveStoresTheDescriptionAndKeepsMovements) {
  createRegister(QStringLiteral("Склад"), {"Товар", "Количество"});
  storeMovements(500);

  frmRegister* d = open(QStringLiteral("Склад"));
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Товары на складах"));
  list(d)->setCurrentRow(1);
  child(d, "Command4")->click();
  child<QLineEdit>(window<frmItem>(QStringLiteral("frmItem")), "Text1")
      ->setText(QStringLiteral("Место"));
  child(window<frmItem>(QStringLiteral("frmItem")), "Command2")->click();
  addRequisite(d, QStringLiteral("Количество"));
  EXPECT_EQ(requisiteNames(list(d)), (QStringList{"Товар", "Место", "Количество"}));
  ASSERT_TRUE(d->save());
  EXPECT_EQ(value(QStringLiteral("SELECT descript FROM form_items WHERE name='Склад'")),
            QStringLiteral("Товары на складах"));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE name='Склад'")), 1);
  EXPECT_EQ(db().columns(QStringLiteral("items_Регистр_Склад")),
            (QStringList{"Товар", "Место", "Количество", "cDATE", "cTIME", "Документ", "Флаг"}));
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Склад")), 500);
  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM items_Регистр_Склад WHERE Товар='Товар 61'"));
  EXPECT_EQ(rs.text("Количество"), QStringLiteral("61"));
  EXPECT_EQ(rs.text("cTIME"), QStringLiteral("10:1:00"));
  EXPECT_EQ(rs.text("Флаг"), QStringLiteral("+"));
  EXPECT_TRUE(rs.isNull("Место"));
}

TEST_F(RegisterDesignerTest, RefusalsAndFailuresLeaveTheDesignerOpen) {
  createRegister(QStringLiteral("Склад"), {"Товар", "Количество"});
  storeMovements(20);

  frmRegister* d = open(QStringLiteral("Новый"));
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название."));
  child<QLineEdit>(d, "Text1")->setText(QStringLiteral("Остатки"));
  EXPECT_EQ(refusal(d), QStringLiteral("Регистр должен иметь реквизиты"));
  addRequisite(d, QStringLiteral("Флаг"));
  EXPECT_TRUE(refusal(d).contains(QStringLiteral("Флаг")));
  list(d)->item(0)->setText(QStringLiteral("Товар"));
  addRequisite(d, QStringLiteral("ТОВАР"));
  EXPECT_EQ(refusal(d), QStringLiteral("Реквизит «ТОВАР» указан дважды."));
  list(d)->setCurrentRow(1);
  messages.reply(MsgAnswer::Yes);
  child(d, "Command3")->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить выбранный элемент - ТОВАР?"));
  EXPECT_EQ(requisiteNames(list(d)), QStringList{"Товар"});
  child<QLineEdit>(d, "Text1")->setText(QStringLiteral("склад"));
  EXPECT_EQ(refusal(d), QStringLiteral("Регистр «склад» уже существует."));
  d->close();

  d = open(QStringLiteral("Склад"));
  messages.clear();
  for (int i = 0; i < 2100; ++i) list(d)->addItem(QStringLiteral("Р%1").arg(i));
  EXPECT_FALSE(d->save());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_NE(messages.last(), QStringLiteral("Регистр создан успешно."));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(db().columns(QStringLiteral("items_Регистр_Склад")),
            (QStringList{"Товар", "Количество", "cDATE", "cTIME", "Документ", "Флаг"}));
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Склад")), 20);
}

}  // namespace
}  // namespace balvix::configurator::testing

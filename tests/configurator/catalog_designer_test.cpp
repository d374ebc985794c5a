#include "configurator/catalog_designer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "configurator/requisite_editor.h"
#include "fixture.h"
#include "storage/sql_text.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class CatalogDesignerTest : public ConfiguratorTest {
 protected:
  frmSprFrm* open(const QString& name) {
    return openDesigner<frmSprFrm>(QStringLiteral("frmSprFrm"), QStringLiteral("Справочник"), name);
  }
  QListWidget* list(frmSprFrm* d) { return child<QListWidget>(d, "List1"); }
  void addRequisite(frmSprFrm* d, const QString& name, const QString& type) {
    ConfiguratorTest::addRequisite(d, "Command5", name, type);
  }
  // Creates a catalog through the designer and leaves the designer closed.
  void createCatalog(const QString& name, const QList<std::pair<QString, QString>>& requisites) {
    frmSprFrm* d = open(QStringLiteral("Новый"));
    setNames(d, name, name + QStringLiteral(" (меню)"));
    for (const auto& [requisite, type] : requisites) addRequisite(d, requisite, type);
    messages.reply(MsgAnswer::Yes);
    ASSERT_TRUE(d->save());
    ASSERT_FALSE(d->isVisible());
    messages.clear();
  }
  int metadataRows(const QString& name) {
    return rows(QStringLiteral("SELECT * FROM form_items WHERE type='Справочник' AND name=") +
                storage::quote(name));
  }
  void fillElements(const QString& catalog, int count) {
    storage::Transaction t(db());
    for (int i = 0; i < count; ++i)
      db().execute(QStringLiteral("INSERT INTO items_Справочник_%1 (Наименование,Цена,Артикул) "
                                  "VALUES (%2,%3,%4)")
                       .arg(catalog, storage::quote(QStringLiteral("Товар '%1'").arg(i)),
                            storage::quote(QString::number(i)),
                            storage::quote(QStringLiteral("A%1").arg(i))));
    t.commit();
  }
};

TEST_F(CatalogDesignerTest, NewCatalogWithOnlyTheNameRequisite) {
  frmSprFrm* d = open(QStringLiteral("Новый"));
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Справочник: Новый"));
  EXPECT_EQ(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("Новый"));
  EXPECT_TRUE(child<QLineEdit>(d, "Text1")->isEnabled());
  EXPECT_FALSE(child(d, "Command2")->isEnabled());
  EXPECT_EQ(requisiteNames(list(d)), QStringList{"Наименование"});

  setNames(d, QStringLiteral("Товары"), QStringLiteral("Товары 'и' услуги"));
  messages.reply(MsgAnswer::No);
  child(d, "Command1")->click();
  EXPECT_EQ(messages.texts(), QStringList{"Закрыть форму?"});
  EXPECT_TRUE(d->isVisible());
  EXPECT_TRUE(d->isExisting());
  EXPECT_FALSE(child<QLineEdit>(d, "Text1")->isEnabled());

  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Справочник' AND name='Товары'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Товары"));
  EXPECT_EQ(rs.text("type"), QStringLiteral("Справочник"));
  EXPECT_EQ(rs.text("descript"), QStringLiteral("Товары 'и' услуги"));
  EXPECT_EQ(rs.text("code"), QStringLiteral("_"));
  EXPECT_EQ(rs.text("items_type"), QStringLiteral("Текст;"));
  for (const char* column : {"zurnal", "table_", "TableItemsType", "item", "size"})
    EXPECT_TRUE(rs.isNull(QLatin1String(column))) << column;
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")), QStringList{"Наименование"});

  // A second save updates the row instead of adding another one.
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Номенклатура"));
  messages.reply(MsgAnswer::Yes);
  child(d, "Command1")->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(metadataRows(QStringLiteral("Товары")), 1);
  EXPECT_EQ(value(QStringLiteral("SELECT descript FROM form_items WHERE name='Товары'")),
            QStringLiteral("Номенклатура"));

  frmSprFrm* again = open(QStringLiteral("Товары"));
  EXPECT_EQ(again->windowTitle(), QStringLiteral("Справочник: Товары"));
  EXPECT_FALSE(child<QLineEdit>(again, "Text1")->isEnabled());
  EXPECT_EQ(requisiteNames(list(again)), QStringList{"Наименование"});
  EXPECT_EQ(requisiteTypes(list(again)), QStringList{"Текст"});
}

TEST_F(CatalogDesignerTest, ReopeningRestoresRequisitesWithTheirTypes) {
  createCatalog(QStringLiteral("Товары"),
                {{"Цена", "Число"}, {"Поставщик", "Справочник.Клиенты"}, {"Поступил", "Дата"}});
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Поставщик", "Поступил"}));
  frmSprFrm* d = open(QStringLiteral("Товары"));
  EXPECT_EQ(requisiteNames(list(d)),
            (QStringList{"Наименование", "Цена", "Поставщик", "Поступил"}));
  EXPECT_EQ(requisiteTypes(list(d)), (QStringList{"Текст", "Число", "Справочник.Клиенты", "Дата"}));
  EXPECT_EQ(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("Товары (меню)"));

  // With fewer type entries than columns the first column without an entry is listed
  // without a type and the rest are not listed.
  d->close();
  db().execute(
      QStringLiteral("UPDATE form_items SET items_type='Текст;Число;' WHERE name='Товары'"));
  d = open(QStringLiteral("Товары"));
  EXPECT_EQ(requisiteNames(list(d)), (QStringList{"Наименование", "Цена", "Поставщик"}));
  EXPECT_FALSE(list(d)->item(2)->data(Qt::UserRole).isValid());
}

TEST_F(CatalogDesignerTest, NameRequisiteCannotBeChangedOrDeleted) {
  frmSprFrm* d = open(QStringLiteral("Новый"));
  addRequisite(d, QStringLiteral("Цена"), QStringLiteral("Число"));
  list(d)->setCurrentRow(0);
  child(d, "Command4")->click();
  EXPECT_FALSE(window<frmItem>(QStringLiteral("frmItem"))->isVisible());
  child(d, "Command3")->click();
  EXPECT_TRUE(messages.texts().isEmpty());
  EXPECT_EQ(list(d)->count(), 2);

  list(d)->setCurrentRow(1);
  messages.reply(MsgAnswer::No);
  child(d, "Command3")->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить выбранный элемент - Цена?"));
  EXPECT_EQ(list(d)->count(), 2);
  messages.reply(MsgAnswer::Yes);
  child(d, "Command3")->click();
  EXPECT_EQ(requisiteNames(list(d)), QStringList{"Наименование"});
}

TEST_F(CatalogDesignerTest, RefusesIncompleteOrUnsafeInput) {
  frmSprFrm* d = open(QStringLiteral("Новый"));
  auto* text1 = child<QLineEdit>(d, "Text1");
  auto* text2 = child<QLineEdit>(d, "Text2");
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название."));
  text1->clear();
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название."));
  text1->setText(QStringLiteral("Мои товары"));
  EXPECT_TRUE(refusal(d).contains(QStringLiteral("Мои товары")));
  text1->setText(QStringLiteral("Товары"));
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название элемента меню"));
  text2->setText(QStringLiteral("Товары"));

  // The untouched default name of a new requisite is refused at save.
  child(d, "Command5")->click();
  child(window<frmItem>(QStringLiteral("frmItem")), "Command2")->click();
  EXPECT_TRUE(refusal(d).contains(QStringLiteral("Новый")));
  list(d)->item(1)->setText(QStringLiteral("наименование"));
  EXPECT_EQ(refusal(d), QStringLiteral("Реквизит «наименование» указан дважды."));
  list(d)->item(1)->setText(QStringLiteral("Цена за шт"));
  EXPECT_TRUE(refusal(d).contains(QStringLiteral("Цена за шт")));
  list(d)->clear();
  EXPECT_EQ(refusal(d), QStringLiteral("Справочник должен иметь элементы диалога"));
  EXPECT_EQ(metadataRows(QStringLiteral("Товары")), 0);
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Товары")));

  // A second catalog of the same name would share the first one's table.
  d->close();
  createCatalog(QStringLiteral("Товары"), {});
  d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("ТОВАРЫ"), QStringLiteral("Ещё"));
  EXPECT_EQ(refusal(d), QStringLiteral("Справочник «ТОВАРЫ» уже существует."));
  EXPECT_EQ(metadataRows(QStringLiteral("Товары")), 1);
}

TEST_F(CatalogDesignerTest, RequisiteNamesThatWouldConfuseTheDatabaseAreRefused) {
  createCatalog(QStringLiteral("Товары"), {{"Цена", "Число"}});
  frmSprFrm* d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Услуги"), QStringLiteral("Услуги"));
  addRequisite(d, QStringLiteral("Новый"), QStringLiteral("Текст"));
  auto refusal = [&](const QString& requisite) {
    list(d)->item(1)->setText(requisite);
    messages.clear();
    EXPECT_FALSE(d->save()) << requisite.toStdString();
    return messages.texts().join('|');
  };
  // Another table spells it "Цена": one name is written one way throughout the database.
  EXPECT_EQ(refusal(QStringLiteral("ЦЕНА")),
            QStringLiteral("Имя реквизита «ЦЕНА» недопустимо: в базе данных уже есть имя «Цена», "
                           "которое отличается только регистром букв; используйте написание "
                           "«Цена»."));
  EXPECT_TRUE(refusal(QStringLiteral("rowid")).contains(QStringLiteral("номер записи")));
  EXPECT_TRUE(refusal(QStringLiteral("_ROWID_")).contains(QStringLiteral("номер записи")));
  EXPECT_TRUE(refusal(QStringLiteral("\u017Felect")).contains(QStringLiteral("выглядит как")));
  EXPECT_TRUE(refusal(QStringLiteral("Ценa")).contains(QStringLiteral("кириллица и латиница")));
  EXPECT_TRUE(refusal(QStringLiteral("Цена\uFE0F")).contains(QStringLiteral("невидимый знак")));
  EXPECT_TRUE(refusal(QStringLiteral("ГЛОБАЛЬНЫЙМОДУЛЬ")).contains(QStringLiteral("служебная")));
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Услуги")));

  // The stored spelling is accepted, and a catalog may change the letter case of its own.
  list(d)->item(1)->setText(QStringLiteral("Цена"));
  messages.reply(MsgAnswer::Yes);
  EXPECT_TRUE(d->save()) << messages.texts().join('|').toStdString();
  d = open(QStringLiteral("Товары"));
  list(d)->item(1)->setText(QStringLiteral("ЦЕНА"));
  messages.clear();
  messages.reply(MsgAnswer::Yes);
  EXPECT_FALSE(d->save());
  EXPECT_TRUE(messages.texts().join('|').contains(QStringLiteral("«Цена»")));
}

TEST_F(CatalogDesignerTest, ResaveKeepsEveryElement) {
  createCatalog(QStringLiteral("Товары"), {{"Цена", "Число"}, {"Артикул", "Текст"}});
  fillElements(QStringLiteral("Товары"), 1000);

  frmSprFrm* d = open(QStringLiteral("Товары"));
  list(d)->setCurrentRow(2);
  messages.reply(MsgAnswer::Yes);
  child(d, "Command3")->click();  // Артикул goes
  addRequisite(d, QStringLiteral("Вес"), QStringLiteral("Число"));
  messages.reply(MsgAnswer::Yes);
  ASSERT_TRUE(d->save());

  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Вес"}));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM items_Справочник_Товары")), 1000);
  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Наименование='Товар ''999'''"));
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.text("Цена"), QStringLiteral("999"));
  EXPECT_TRUE(rs.isNull("Вес"));
  EXPECT_EQ(value(QStringLiteral("SELECT items_type FROM form_items WHERE name='Товары'")),
            QStringLiteral("Текст;Число;Число;"));
}

TEST_F(CatalogDesignerTest, FailedResaveShowsTheErrorAndChangesNothing) {
  createCatalog(QStringLiteral("Товары"), {{"Цена", "Число"}, {"Артикул", "Текст"}});
  fillElements(QStringLiteral("Товары"), 50);

  frmSprFrm* d = open(QStringLiteral("Товары"));
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Изменённое меню"));
  // More columns than the database allows in one table: every name is fine, the table
  // is not.
  for (int i = 0; i < 2100; ++i)
    addRequisiteRow(list(d), QStringLiteral("Р%1").arg(i), QStringLiteral("Текст"));
  EXPECT_FALSE(d->save());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_FALSE(messages.last().isEmpty());
  EXPECT_NE(messages.last(), QStringLiteral("Закрыть форму?"));
  EXPECT_TRUE(d->isVisible());

  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цена", "Артикул"}));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM items_Справочник_Товары")), 50);
  storage::Recordset meta =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE name='Товары'"));
  EXPECT_EQ(meta.text("descript"), QStringLiteral("Товары (меню)"));
  EXPECT_EQ(meta.text("items_type"), QStringLiteral("Текст;Число;Текст;"));
}

TEST_F(CatalogDesignerTest, SaveRebuildsTheTreeAndMenusAndCloseEndsDesignMode) {
  shell::frmMain* main = mainWindow();
  state.selectedConfigNode = QStringLiteral("Справочник.Новый");
  state.objectNodeSelected = true;
  createCatalog(QStringLiteral("Товары"), {});
  auto* tree = main->findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
  ASSERT_NE(tree, nullptr);
  EXPECT_FALSE(
      tree->findItems(QStringLiteral("Справочник.Товары"), Qt::MatchExactly | Qt::MatchRecursive)
          .isEmpty());

  frmSprFrm* d = open(QStringLiteral("Товары"));
  EXPECT_FALSE(state.formDesignMode);
  state.formDesignMode = true;
  child(d, "Command6")->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(state.formDesignMode);
}

}  // namespace
}  // namespace balvix::configurator::testing

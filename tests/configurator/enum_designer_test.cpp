#include "configurator/enum_designer.h"

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

class EnumDesignerTest : public ConfiguratorTest {
 protected:
  frmEnum* open(const QString& name) {
    return openDesigner<frmEnum>(QStringLiteral("frmEnum"), QStringLiteral("Перечисление"), name);
  }
  QLineEdit* text1(frmEnum* d) { return d->findChild<QLineEdit*>(QStringLiteral("Text1")); }
  QListWidget* list1(frmEnum* d) { return d->findChild<QListWidget*>(QStringLiteral("List1")); }
  // Adds a value the way the user does: "До&бавить", then the requisite editor.
  void addThroughEditor(frmEnum* d, const QString& value) {
    child(d, "Command5")->click();
    auto* editor = window<frmItem>(QStringLiteral("frmItem"));
    ASSERT_TRUE(editor->isVisible());
    editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(value);
    child(editor, "Command2")->click();
  }
  int rowCount(const QString& where) {
    return rows(QStringLiteral("SELECT * FROM form_items WHERE ") + where);
  }
  void insertEnum(const QString& name, const QString& code) {
    db().execute(QStringLiteral("INSERT INTO form_items (type,name,code) VALUES ('Перечисление',") +
                 storage::quote(name) + QLatin1Char(',') + storage::quote(code) + QLatin1Char(')'));
  }
};

TEST_F(EnumDesignerTest, NewEnumerationIsStoredAndReopensInOrder) {
  frmEnum* d = open(QStringLiteral("Новый"));
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Перечисление: Новый"));
  EXPECT_TRUE(text1(d)->isEnabled());
  EXPECT_EQ(text1(d)->text(), QStringLiteral("Новый"));

  text1(d)->setText(QStringLiteral("Ответ"));
  addThroughEditor(d, QStringLiteral("Да"));
  addThroughEditor(d, QStringLiteral("Нет"));
  ASSERT_EQ(requisiteNames(list1(d)), (QStringList{"Да", "Нет"}));
  child(d, "Command2")->click();

  EXPECT_EQ(messages.texts(), QStringList{"Закрыть форму?"});
  EXPECT_FALSE(d->isVisible());
  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Перечисление'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Ответ"));
  EXPECT_EQ(rs.text("code"), QStringLiteral("Да;Нет;"));
  for (const char* column :
       {"descript", "zurnal", "items_type", "table_", "TableItemsType", "item", "size"})
    EXPECT_TRUE(rs.isNull(QLatin1String(column))) << column;

  d = open(QStringLiteral("Ответ"));
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Перечисление: Ответ"));
  EXPECT_FALSE(text1(d)->isEnabled());
  EXPECT_EQ(text1(d)->text(), QStringLiteral("Ответ"));
  EXPECT_EQ(requisiteNames(list1(d)), (QStringList{"Да", "Нет"}));
}

TEST_F(EnumDesignerTest, StoredListWithoutClosingSeparatorLosesItsLastValue) {
  insertEnum(QStringLiteral("Цвет"), QStringLiteral("Красный;Синий;Зеленый"));
  frmEnum* d = open(QStringLiteral("Цвет"));
  EXPECT_EQ(requisiteNames(list1(d)), (QStringList{"Красный", "Синий"}));
  EXPECT_EQ(splitValueList(QString()), QStringList());
  EXPECT_EQ(splitValueList(QStringLiteral(";")), QStringList{QString()});
}

TEST_F(EnumDesignerTest, SavingAnExistingEnumerationChangesOnlyItsCode) {
  insertEnum(QStringLiteral("Ответ"), QStringLiteral("Да;"));
  db().execute(QStringLiteral("UPDATE form_items SET descript='заметка' WHERE name='Ответ'"));
  frmEnum* d = open(QStringLiteral("Ответ"));
  list1(d)->setCurrentRow(0);
  child(d, "Command4")->click();
  auto* editor = window<frmItem>(QStringLiteral("frmItem"));
  editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("Конечно"));
  child(editor, "Command2")->click();
  addThroughEditor(d, QStringLiteral("Нет"));
  messages.reply(MsgAnswer::No);
  child(d, "Command2")->click();

  EXPECT_TRUE(d->isVisible());
  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Перечисление'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Ответ"));
  EXPECT_EQ(rs.text("descript"), QStringLiteral("заметка"));
  EXPECT_EQ(rs.text("code"), QStringLiteral("Конечно;Нет;"));
}

TEST_F(EnumDesignerTest, SecondSaveOfANewEnumerationUpdatesItsRow) {
  frmEnum* d = open(QStringLiteral("Новый"));
  text1(d)->setText(QStringLiteral("Ответ"));
  list1(d)->addItem(QStringLiteral("Да"));
  messages.reply(MsgAnswer::No);
  child(d, "Command2")->click();
  ASSERT_TRUE(d->isExisting());
  EXPECT_FALSE(text1(d)->isEnabled());
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Перечисление: Ответ"));

  list1(d)->addItem(QStringLiteral("Нет"));
  child(d, "Command2")->click();
  EXPECT_EQ(rowCount(QStringLiteral("type='Перечисление'")), 1);
  EXPECT_EQ(rowCount(QStringLiteral("type='Перечисление' AND code='Да;Нет;'")), 1);
}

TEST_F(EnumDesignerTest, RefusesBadNamesAndValuesWithoutWriting) {
  insertEnum(QStringLiteral("Есть"), QStringLiteral("А;"));
  frmEnum* d = open(QStringLiteral("Новый"));
  auto attempt = [&](const QString& name, const QStringList& values) {
    messages.clear();
    text1(d)->setText(name);
    list1(d)->clear();
    list1(d)->addItems(values);
    EXPECT_FALSE(d->save()) << name.toStdString();
    EXPECT_EQ(messages.texts().size(), 1);
    return messages.last();
  };
  EXPECT_EQ(attempt(QStringLiteral("Новый"), {"Да"}),
            QStringLiteral("Необходимо ввести название."));
  EXPECT_EQ(attempt(QString(), {"Да"}), QStringLiteral("Необходимо ввести название."));
  EXPECT_EQ(attempt(QStringLiteral("Ответ"), {}),
            QStringLiteral("Перечисление должно иметь элементы"));
  EXPECT_TRUE(attempt(QStringLiteral("Мой ответ"), {"Да"}).contains(QStringLiteral("Мой ответ")));
  EXPECT_TRUE(attempt(QStringLiteral("Ответ"), {"Да;Нет"}).contains(QStringLiteral("\";\"")));
  EXPECT_TRUE(attempt(QStringLiteral("Ответ"), {"Да", ""}).contains(QStringLiteral("пуст")));
  EXPECT_EQ(attempt(QStringLiteral("Есть"), {"Да"}),
            QStringLiteral("Перечисление \"Есть\" уже существует."));
  EXPECT_EQ(attempt(QStringLiteral("ЕСТЬ"), {"Да"}),
            QStringLiteral("Перечисление \"ЕСТЬ\" уже существует."));
  EXPECT_TRUE(attempt(QStringLiteral("Цвeта"), {"Да"}).contains(QStringLiteral("латиница")));
  EXPECT_EQ(rowCount(QStringLiteral("type='Перечисление'")), 1);
  EXPECT_TRUE(d->isVisible());

  // Values are text, not identifiers: blanks and quotes are kept as typed.
  messages.clear();
  text1(d)->setText(QStringLiteral("Ответ"));
  list1(d)->clear();
  list1(d)->addItems({"Не знаю", "Д'Артаньян"});
  EXPECT_TRUE(d->save());
  EXPECT_EQ(rowCount(QStringLiteral("name='Ответ' AND code='Не знаю;Д''Артаньян;'")), 1);
}

TEST_F(EnumDesignerTest, DeleteAsksAndActsOnlyOnYes) {
  insertEnum(QStringLiteral("Ответ"), QStringLiteral("Да;Нет;"));
  frmEnum* d = open(QStringLiteral("Ответ"));
  child(d, "Command3")->click();  // nothing selected: nothing asked
  EXPECT_TRUE(messages.texts().isEmpty());

  list1(d)->setCurrentRow(1);
  messages.reply(MsgAnswer::No);
  child(d, "Command3")->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить выбранный элемент - Нет?"));
  EXPECT_EQ(list1(d)->count(), 2);
  child(d, "Command3")->click();
  EXPECT_EQ(requisiteNames(list1(d)), QStringList{"Да"});
}

TEST_F(EnumDesignerTest, AValueStillHeldIsTakenOutOnlyAfterSayingWhere) {
  insertEnum(QStringLiteral("Ответ"), QStringLiteral("Да;Нет;"));
  db().execute(
      QStringLiteral("INSERT INTO form_items (type,name,items_type) VALUES "
                     "('Справочник','Анкеты','Текст;Перечисление.Ответ;')"));
  db().execute(
      QStringLiteral("CREATE TABLE items_Справочник_Анкеты(Наименование TEXT(50),"
                     "Согласие TEXT(50))"));
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Анкеты VALUES ('А','Нет'),('Б','Нет'),"
                     "('В','Да')"));
  frmEnum* d = open(QStringLiteral("Ответ"));
  list1(d)->setCurrentRow(1);
  child(d, "Command3")->click();
  ASSERT_EQ(requisiteNames(list1(d)), QStringList{"Да"});
  messages.clear();
  const QString question = QStringLiteral(
      "Значение «Нет» используется: 2 элемента справочника «Анкеты».\n"
      "Удалить из перечисления «Ответ» всё равно?");
  messages.reply(MsgAnswer::No);
  child(d, "Command2")->click();
  EXPECT_EQ(messages.texts(), QStringList{question});
  EXPECT_EQ(value(QStringLiteral("SELECT code FROM form_items WHERE name='Ответ'")),
            QStringLiteral("Да;Нет;"));
  messages.clear();
  messages.reply(MsgAnswer::Yes);
  child(d, "Command2")->click();
  EXPECT_EQ(messages.texts().value(0), question);
  EXPECT_EQ(value(QStringLiteral("SELECT code FROM form_items WHERE name='Ответ'")),
            QStringLiteral("Да;"));
}

TEST_F(EnumDesignerTest, FailedSaveShowsTheErrorAndKeepsTheDesignerOpen) {
  balvix::testing::failWrites(db(), "INSERT", "form_items", "запись запрещена");
  frmEnum* d = open(QStringLiteral("Новый"));
  text1(d)->setText(QStringLiteral("Ответ"));
  list1(d)->addItem(QStringLiteral("Да"));
  child(d, "Command2")->click();
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("запись запрещена")));
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(d->isExisting());
  EXPECT_EQ(requisiteNames(list1(d)), QStringList{"Да"});
}

TEST_F(EnumDesignerTest, SaveRebuildsTheConfigurationTree) {
  mainWindow();
  frmEnum* d = open(QStringLiteral("Новый"));
  text1(d)->setText(QStringLiteral("Ответ"));
  list1(d)->addItem(QStringLiteral("Да"));
  child(d, "Command2")->click();
  auto* tree = state.mainWindow->findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
  ASSERT_TRUE(tree);
  EXPECT_FALSE(
      tree->findItems(QStringLiteral("Перечисление.Ответ"), Qt::MatchExactly | Qt::MatchRecursive)
          .isEmpty());
}

}  // namespace
}  // namespace balvix::configurator::testing

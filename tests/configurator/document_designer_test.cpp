#include "configurator/document_designer.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "configurator/requisite_editor.h"
#include "fixture.h"
#include "storage/sql_text.h"
#include "storage/table_indexes.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class DocumentDesignerTest : public ConfiguratorTest {
 protected:
  frmDocs* open(const QString& name) {
    return openDesigner<frmDocs>(QStringLiteral("frmDocs"), QStringLiteral("Документ"), name);
  }
  // The header's or the table part's "add" button, then the requisite editor.
  void addRow(frmDocs* d, bool header, const QString& name, const QString& type) {
    addRequisite(d, header ? "Command5" : "Command6", name, type);
  }
  void createDocument(const QString& name, bool withTablePart) {
    frmDocs* d = open(QStringLiteral("Новый"));
    setNames(d, name, QStringLiteral("Приходная накладная"));
    addRow(d, true, QStringLiteral("Сумма"), QStringLiteral("Число"));
    if (withTablePart) {
      addRow(d, false, QStringLiteral("Товар"), QStringLiteral("Справочник.Товары"));
      addRow(d, false, QStringLiteral("Количество"), QStringLiteral("Число"));
    }
    messages.reply(MsgAnswer::Yes);
    ASSERT_TRUE(d->save());
    ASSERT_FALSE(d->isVisible());
    messages.clear();
  }
  int count(const QString& table) { return rows(QStringLiteral("SELECT * FROM ") + table); }
  void storeDocuments(int documents) {
    storage::Transaction t(db());
    for (int i = 0; i < documents; ++i) {
      const QString key =
          storage::quote(QStringLiteral("01.02.2024")) + QLatin1Char(',') +
          storage::quote(QStringLiteral("10:00:%1").arg(i, 2, 10, QLatin1Char('0')));
      db().execute(QStringLiteral("INSERT INTO items_Документ_Приход VALUES (%1,%2,%3,'1',%4)")
                       .arg(storage::quote(QStringLiteral("Док %1").arg(i)),
                            storage::quote(QString::number(i * 100)), key,
                            storage::quote(QString::number(i + 1))));
      for (int line = 0; line < 3; ++line)
        db().execute(QStringLiteral("INSERT INTO table_Документ_Приход VALUES (%1,%2,%3)")
                         .arg(storage::quote(QStringLiteral("Товар %1").arg(line)),
                              storage::quote(QString::number(line + 1)), key));
    }
    t.commit();
  }
};

TEST_F(DocumentDesignerTest, NewDocumentRowAndTables) {
  db().execute(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Склад','Журнал')"));
  frmDocs* d = open(QStringLiteral("Новый"));
  EXPECT_TRUE(state.formDesignMode);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Документ: Новый"));
  auto* combo = child<QComboBox>(d, "Combo1");
  EXPECT_EQ(combo->currentText(), QStringLiteral("Полный"));
  EXPECT_NE(combo->findText(QStringLiteral("Склад")), -1);
  EXPECT_FALSE(child(d, "Command2")->isEnabled());
  EXPECT_FALSE(child(d, "Command9")->isEnabled());
  EXPECT_EQ(requisiteNames(child<QListWidget>(d, "List1")), QStringList{"Наименование"});

  setNames(d, QStringLiteral("Приход"), QStringLiteral("Приходная накладная"));
  combo->setCurrentText(QStringLiteral("Склад"));
  addRow(d, true, QStringLiteral("Сумма"), QStringLiteral("Число"));
  addRow(d, false, QStringLiteral("Товар"), QStringLiteral("Справочник.Товары"));
  addRow(d, false, QStringLiteral("Количество"), QStringLiteral("Число"));
  messages.reply(MsgAnswer::No);
  child(d, "Command1")->click();
  EXPECT_EQ(messages.texts(), QStringList{"Закрыть форму?"});
  EXPECT_TRUE(child(d, "Command9")->isEnabled());
  EXPECT_FALSE(child(d, "Command2")->isEnabled());

  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Документ' AND name='Приход'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Приход"));
  EXPECT_EQ(rs.text("type"), QStringLiteral("Документ"));
  EXPECT_EQ(rs.text("code"),
            QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры\r\n\r\n"
                           "Процедура ПриСохранении\r\n\r\nКонецПроцедуры\r\n"));
  EXPECT_EQ(rs.text("zurnal"), QStringLiteral("Склад"));
  EXPECT_EQ(rs.text("descript"), QStringLiteral("Приходная накладная"));
  EXPECT_EQ(rs.text("items_type"), QStringLiteral("Текст;Число;"));
  EXPECT_EQ(rs.text("table_"), QStringLiteral("1"));
  EXPECT_EQ(rs.text("TableItemsType"), QStringLiteral("Справочник.Товары;Число;"));
  EXPECT_TRUE(rs.isNull("item"));
  EXPECT_TRUE(rs.isNull("size"));
  EXPECT_EQ(db().columns(QStringLiteral("items_Документ_Приход")),
            (QStringList{"Наименование", "Сумма", "cDATE", "cTIME", "Проводка", "Номер"}));
  EXPECT_EQ(db().columns(QStringLiteral("table_Документ_Приход")),
            (QStringList{"Товар", "Количество", "cDATE", "cTIME"}));
  // Documents are found by their key: both tables are indexed on it.
  for (const char* table : {"items_Документ_Приход", "table_Документ_Приход"})
    EXPECT_TRUE(storage::hasIndexOn(db(), QString::fromUtf8(table), {"cDATE", "cTIME"}));

  // Saved once, the document is an existing one: a second save updates its row.
  messages.reply(MsgAnswer::Yes);
  child(d, "Command1")->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(state.formDesignMode);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE name='Приход'")), 1);

  d = open(QStringLiteral("Приход"));
  EXPECT_FALSE(child<QLineEdit>(d, "Text1")->isEnabled());
  EXPECT_TRUE(child(d, "Command9")->isEnabled());
  EXPECT_EQ(combo->currentText(), QStringLiteral("Склад"));
  EXPECT_EQ(requisiteNames(child<QListWidget>(d, "List1")), (QStringList{"Наименование", "Сумма"}));
  EXPECT_EQ(requisiteTypes(child<QListWidget>(d, "List1")), (QStringList{"Текст", "Число"}));
  EXPECT_EQ(requisiteNames(child<QListWidget>(d, "List2")), (QStringList{"Товар", "Количество"}));
  EXPECT_EQ(requisiteTypes(child<QListWidget>(d, "List2")),
            (QStringList{"Справочник.Товары", "Число"}));
}

TEST_F(DocumentDesignerTest, WithoutTablePart) {
  createDocument(QStringLiteral("Приход"), false);
  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT table_, TableItemsType FROM form_items WHERE name='Приход'"));
  EXPECT_EQ(rs.text(0), QStringLiteral("0"));
  EXPECT_EQ(rs.text(1), QString());
  EXPECT_FALSE(db().tableExists(QStringLiteral("table_Документ_Приход")));

  // A table part removed later leaves its table (and lines) where they are.
  frmDocs* d = open(QStringLiteral("Приход"));
  addRow(d, false, QStringLiteral("Товар"), QStringLiteral("Текст"));
  messages.reply(MsgAnswer::No);
  ASSERT_TRUE(d->save());
  db().execute(QStringLiteral(
      "INSERT INTO table_Документ_Приход VALUES ('Гвозди','01.02.2024','10:00:00')"));
  auto* list2 = child<QListWidget>(d, "List2");
  list2->setCurrentRow(0);
  messages.reply(MsgAnswer::Yes);
  child(d, "Command8")->click();
  EXPECT_EQ(messages.texts().last(), QStringLiteral("Удалить выбранный элемент - Товар?"));
  EXPECT_EQ(list2->count(), 0);
  messages.reply(MsgAnswer::Yes);
  ASSERT_TRUE(d->save());
  EXPECT_EQ(value(QStringLiteral("SELECT table_ FROM form_items WHERE name='Приход'")),
            QStringLiteral("0"));
  EXPECT_EQ(count(QStringLiteral("table_Документ_Приход")), 1);
}

TEST_F(DocumentDesignerTest, ListEditingAndRefusals) {
  frmDocs* d = open(QStringLiteral("Новый"));
  auto* text1 = child<QLineEdit>(d, "Text1");
  auto* list1 = child<QListWidget>(d, "List1");
  auto* editor = window<frmItem>(QStringLiteral("frmItem"));

  // Changing or deleting "Наименование" does nothing.
  list1->setCurrentRow(0);
  child(d, "Command4")->click();
  child(d, "Command3")->click();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_TRUE(messages.texts().isEmpty());
  EXPECT_EQ(list1->count(), 1);

  text1->clear();
  child(d, "Command5")->click();
  child(d, "Command6")->click();
  EXPECT_EQ(messages.texts(),
            (QStringList{"Необходимо ввести название.", "Необходимо ввести название."}));
  EXPECT_FALSE(editor->isVisible());

  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название диалога."));
  text1->setText(QStringLiteral("Новый"));
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название диалога."));
  text1->setText(QStringLiteral("Приход"));
  EXPECT_EQ(refusal(d), QStringLiteral("Необходимо ввести название элемента меню"));
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Приход"));
  addRow(d, true, QStringLiteral("cDate"), QStringLiteral("Дата"));
  EXPECT_TRUE(refusal(d).contains(QStringLiteral("cDate")));
  list1->item(1)->setText(QStringLiteral("Сумма"));
  addRow(d, false, QStringLiteral("Товар"), QStringLiteral("Текст"));
  addRow(d, false, QStringLiteral("товар"), QStringLiteral("Текст"));
  EXPECT_EQ(refusal(d), QStringLiteral("Реквизит «товар» указан дважды."));
  list1->clear();
  EXPECT_EQ(refusal(d), QStringLiteral("Документ должен иметь элементы диалога"));
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Документ_Приход")));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE name='Приход'")), 0);
}

TEST_F(DocumentDesignerTest, BlanksLeaveTheNameWithOneMessage) {
  frmDocs* d = open(QStringLiteral("Новый"));
  d->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(d));
  auto* text1 = child<QLineEdit>(d, "Text1");
  text1->setFocus();
  text1->setText(QStringLiteral("Приходная накладная  2"));
  child<QLineEdit>(d, "Text2")->setFocus();
  EXPECT_EQ(text1->text(), QStringLiteral("Приходнаянакладная2"));
  EXPECT_EQ(messages.texts(), QStringList{"Неправильный идентификатор, запись исправлена."});
  // Leaving the corrected field again says nothing more.
  text1->setFocus();
  child<QLineEdit>(d, "Text2")->setFocus();
  EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(DocumentDesignerTest, ModuleButtonOpensTheModuleEditor) {
  createDocument(QStringLiteral("Приход"), false);
  frmDocs* d = open(QStringLiteral("Приход"));
  child(d, "Command9")->click();
  QWidget* editor = designers().sharedWindow(QStringLiteral("frmEdit"));
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), QStringLiteral("Модуль: (Документ.Приход)"));
  EXPECT_EQ(state.currentObjectName, QStringLiteral("Приход"));
  editor->close();
}

TEST_F(DocumentDesignerTest, ResaveKeepsDocumentsAndLines) {
  createDocument(QStringLiteral("Приход"), true);
  storeDocuments(40);

  frmDocs* d = open(QStringLiteral("Приход"));
  addRow(d, true, QStringLiteral("Склад"), QStringLiteral("Текст"));
  auto* list2 = child<QListWidget>(d, "List2");
  list2->setCurrentRow(0);
  messages.reply(MsgAnswer::Yes);
  child(d, "Command8")->click();  // Товар goes
  addRow(d, false, QStringLiteral("Цена"), QStringLiteral("Число"));
  messages.reply(MsgAnswer::Yes);
  ASSERT_TRUE(d->save());

  EXPECT_EQ(db().columns(QStringLiteral("items_Документ_Приход")),
            (QStringList{"Наименование", "Сумма", "Склад", "cDATE", "cTIME", "Проводка", "Номер"}));
  EXPECT_EQ(db().columns(QStringLiteral("table_Документ_Приход")),
            (QStringList{"Количество", "Цена", "cDATE", "cTIME"}));
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 40);
  EXPECT_EQ(count(QStringLiteral("table_Документ_Приход")), 120);
  storage::Recordset doc = db().openRecordset(
      QStringLiteral("SELECT * FROM items_Документ_Приход WHERE cTIME='10:00:07'"));
  EXPECT_EQ(doc.text("Сумма"), QStringLiteral("700"));
  EXPECT_EQ(doc.text("Проводка"), QStringLiteral("1"));
  EXPECT_EQ(doc.text("Номер"), QStringLiteral("8"));
  EXPECT_TRUE(doc.isNull("Склад"));
  EXPECT_EQ(
      count(QStringLiteral("table_Документ_Приход WHERE cTIME='10:00:07' AND Количество='3'")), 1);
}

TEST_F(DocumentDesignerTest, FailedResaveChangesNothing) {
  createDocument(QStringLiteral("Приход"), true);
  storeDocuments(5);
  frmDocs* d = open(QStringLiteral("Приход"));
  child<QLineEdit>(d, "Text2")->setText(QStringLiteral("Другое меню"));
  addRow(d, true, QStringLiteral("Склад"), QStringLiteral("Текст"));
  // The header is rebuilt first; the table part then fails with too many columns.
  auto* list2 = child<QListWidget>(d, "List2");
  for (int i = 0; i < 2100; ++i)
    addRequisiteRow(list2, QStringLiteral("К%1").arg(i), QStringLiteral("Число"));
  EXPECT_FALSE(d->save());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_NE(messages.last(), QStringLiteral("Закрыть форму?"));
  EXPECT_TRUE(d->isVisible());

  EXPECT_EQ(db().columns(QStringLiteral("items_Документ_Приход")),
            (QStringList{"Наименование", "Сумма", "cDATE", "cTIME", "Проводка", "Номер"}));
  EXPECT_EQ(db().columns(QStringLiteral("table_Документ_Приход")),
            (QStringList{"Товар", "Количество", "cDATE", "cTIME"}));
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 5);
  EXPECT_EQ(count(QStringLiteral("table_Документ_Приход")), 15);
  EXPECT_EQ(value(QStringLiteral("SELECT descript FROM form_items WHERE name='Приход'")),
            QStringLiteral("Приходная накладная"));
}

}  // namespace
}  // namespace balvix::configurator::testing

#include "configurator/journal_designer.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "fixture.h"
#include "storage/sql_text.h"

namespace balvix::configurator::testing {
namespace {

class JournalDesignerTest : public ConfiguratorTest {
 protected:
  JournalDesignerTest() {
    addDocument(QStringLiteral("Приход"), QStringLiteral("Полный"));
    addDocument(QStringLiteral("Расход"), QStringLiteral("Склад"));
    addDocument(QStringLiteral("Возврат"), QStringLiteral("Склад"));
    db().execute(
        QStringLiteral("INSERT INTO form_items (name,descript,type) VALUES ('Склад','Складской "
                       "журнал','Журнал')"));
  }
  void addDocument(const QString& name, const QString& journal) {
    db().execute(QStringLiteral("INSERT INTO form_items (name,type,zurnal) VALUES (") +
                 storage::quote(name) + QStringLiteral(",'Документ',") + storage::quote(journal) +
                 QLatin1Char(')'));
  }
  QString journalOf(const QString& document) {
    storage::Recordset rs = db().openRecordset(
        QStringLiteral("SELECT zurnal FROM form_items WHERE type='Документ' AND name=") +
        storage::quote(document));
    return rs.eof() ? QStringLiteral("<нет>") : rs.text("zurnal");
  }
  frmZurnalFrm* open(const QString& name) {
    return openDesigner<frmZurnalFrm>(QStringLiteral("frmZurnalFrm"), QStringLiteral("Журнал"),
                                      name);
  }
  QLineEdit* edit(QWidget* d, const char* name) { return child<QLineEdit>(d, name); }
  QListWidget* list1(QWidget* d) { return d->findChild<QListWidget*>(QStringLiteral("List1")); }
  QListWidgetItem* entry(QWidget* d, const QString& text) {
    const auto found = list1(d)->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
  }
  void clickSave(QWidget* d) { d->findChild<QPushButton*>(QStringLiteral("Command1"))->click(); }
};

TEST_F(JournalDesignerTest, NewJournalTakesSelectedDocumentsFromOtherJournals) {
  frmZurnalFrm* d = open(QStringLiteral("Новый"));
  EXPECT_TRUE(state.formDesignMode);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Журнал: Новый"));
  EXPECT_TRUE(edit(d, "Text1")->isEnabled());
  EXPECT_EQ(edit(d, "Text1")->text(), QStringLiteral("Новый"));
  ASSERT_EQ(list1(d)->count(), 3);
  EXPECT_TRUE(list1(d)->selectedItems().isEmpty());

  setNames(d, QStringLiteral("Продажи"), QStringLiteral("Журнал продаж"));
  entry(d, QStringLiteral("Расход"))->setSelected(true);
  clickSave(d);

  EXPECT_EQ(messages.texts(), QStringList{"Реорганизация документов завершена"});
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(state.formDesignMode);
  EXPECT_EQ(journalOf(QStringLiteral("Расход")), QStringLiteral("Продажи"));
  EXPECT_EQ(journalOf(QStringLiteral("Возврат")), QStringLiteral("Склад"));
  EXPECT_EQ(journalOf(QStringLiteral("Приход")), QStringLiteral("Полный"));

  storage::Recordset rs = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Журнал' AND name='Продажи'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("descript"), QStringLiteral("Журнал продаж"));
  for (const char* column :
       {"code", "zurnal", "items_type", "table_", "TableItemsType", "item", "size"})
    EXPECT_TRUE(rs.isNull(QLatin1String(column))) << column;

  d = open(QStringLiteral("Продажи"));
  EXPECT_FALSE(edit(d, "Text1")->isEnabled());
  EXPECT_EQ(edit(d, "Text2")->text(), QStringLiteral("Журнал продаж"));
  ASSERT_EQ(list1(d)->selectedItems().size(), 1);
  EXPECT_EQ(list1(d)->selectedItems().first()->text(), QStringLiteral("Расход"));
}

TEST_F(JournalDesignerTest, ClearingASelectionReturnsTheDocumentToTheFullJournal) {
  frmZurnalFrm* d = open(QStringLiteral("Склад"));
  ASSERT_EQ(list1(d)->selectedItems().size(), 2);
  EXPECT_EQ(edit(d, "Text2")->text(), QStringLiteral("Складской журнал"));
  entry(d, QStringLiteral("Возврат"))->setSelected(false);
  edit(d, "Text2")->setText(QStringLiteral("Склад и остатки"));
  clickSave(d);

  EXPECT_EQ(journalOf(QStringLiteral("Расход")), QStringLiteral("Склад"));
  EXPECT_EQ(journalOf(QStringLiteral("Возврат")), QStringLiteral("Полный"));
  EXPECT_EQ(journalOf(QStringLiteral("Приход")), QStringLiteral("Полный"));
  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Журнал'"));
  EXPECT_EQ(rs.rowCount(), 2);  // "Полный" and "Склад": no row added
  EXPECT_EQ(value(QStringLiteral("SELECT descript FROM form_items WHERE "
                                 "type='Журнал' AND name='Склад'")),
            QStringLiteral("Склад и остатки"));
}

TEST_F(JournalDesignerTest, JournalWithoutDocumentsIsSaved) {
  frmZurnalFrm* d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Пустой"), QStringLiteral("Пустой журнал"));
  clickSave(d);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE type='Журнал' AND "
                                "name='Пустой'")),
            1);
  EXPECT_EQ(journalOf(QStringLiteral("Расход")), QStringLiteral("Склад"));
  EXPECT_EQ(journalOf(QStringLiteral("Приход")), QStringLiteral("Полный"));
}

TEST_F(JournalDesignerTest, RefusalsWriteNothing) {
  frmZurnalFrm* d = open(QStringLiteral("Новый"));
  entry(d, QStringLiteral("Приход"))->setSelected(true);
  auto attempt = [&](const QString& name, const QString& menu) {
    messages.clear();
    setNames(d, name, menu);
    EXPECT_FALSE(d->save());
    EXPECT_EQ(messages.texts().size(), 1);
    return messages.last();
  };
  EXPECT_EQ(attempt(QStringLiteral("Новый"), QStringLiteral("М")),
            QStringLiteral("Необходимо ввести название диалога."));
  EXPECT_EQ(attempt(QString(), QStringLiteral("М")),
            QStringLiteral("Необходимо ввести название диалога."));
  EXPECT_EQ(attempt(QStringLiteral("Продажи"), QString()),
            QStringLiteral("Необходимо ввести название элемента меню"));
  EXPECT_TRUE(attempt(QStringLiteral("Полный"), QStringLiteral("М")).contains("Полный"));
  EXPECT_EQ(attempt(QStringLiteral("Склад"), QStringLiteral("М")),
            QStringLiteral("Журнал \"Склад\" уже существует."));
  EXPECT_EQ(attempt(QStringLiteral("СКЛАД"), QStringLiteral("М")),
            QStringLiteral("Журнал \"СКЛАД\" уже существует."));
  EXPECT_TRUE(attempt(QStringLiteral("Журнал 'продаж'"), QStringLiteral("М")).contains("продаж"));
  EXPECT_TRUE(d->isVisible());
  EXPECT_TRUE(state.formDesignMode);
  EXPECT_EQ(journalOf(QStringLiteral("Приход")), QStringLiteral("Полный"));
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE type='Журнал'")), 2);
}

TEST_F(JournalDesignerTest, FailedSaveRollsBackTheDocumentBindings) {
  balvix::testing::failWrites(db(), "INSERT", "form_items", "журналы запрещены");
  frmZurnalFrm* d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Продажи"), QStringLiteral("Журнал продаж"));
  entry(d, QStringLiteral("Расход"))->setSelected(true);
  clickSave(d);

  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("журналы запрещены")));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(journalOf(QStringLiteral("Расход")), QStringLiteral("Склад"));
}

TEST_F(JournalDesignerTest, CloseButtonEndsFormDesignMode) {
  frmZurnalFrm* d = open(QStringLiteral("Склад"));
  EXPECT_TRUE(state.formDesignMode);
  d->findChild<QPushButton*>(QStringLiteral("Command6"))->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(state.formDesignMode);
  EXPECT_EQ(journalOf(QStringLiteral("Расход")), QStringLiteral("Склад"));
}

}  // namespace
}  // namespace balvix::configurator::testing

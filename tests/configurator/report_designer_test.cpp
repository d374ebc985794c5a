#include "configurator/report_designer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "configurator/module_editor.h"
#include "fixture.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class ReportDesignerTest : public ConfiguratorTest {
 protected:
  // A new database brings the chart of accounts' report; these tests count their own.
  ReportDesignerTest() {
    db().execute(QStringLiteral("DELETE FROM form_items WHERE type='Отчет'"));
  }
  frmRepFrm* open(const QString& name) {
    return openDesigner<frmRepFrm>(QStringLiteral("frmRepFrm"), QStringLiteral("Отчет"), name);
  }
  QLineEdit* edit(QWidget* d, const char* name) { return child<QLineEdit>(d, name); }
  int reportRows() { return rows(QStringLiteral("SELECT * FROM form_items WHERE type='Отчет'")); }
};

TEST_F(ReportDesignerTest, NewReportInsertsOneRowWithTheTemplate) {
  frmRepFrm* d = open(QStringLiteral("Новый"));
  EXPECT_TRUE(state.formDesignMode);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("Отчет: Новый"));
  EXPECT_EQ(edit(d, "Text1")->text(), QStringLiteral("Новый"));
  EXPECT_FALSE(child(d, "Command3")->isEnabled());
  // The dialog and layout windows belong to working mode and stay disabled here.
  EXPECT_FALSE(child(d, "Command4")->isEnabled());
  EXPECT_FALSE(child(d, "Command2")->isEnabled());
  EXPECT_FALSE(child(d, "Command2")->toolTip().isEmpty());

  setNames(d, QStringLiteral("Итоги"), QStringLiteral("Итоги месяца"));
  messages.reply(MsgAnswer::No);
  child(d, "Command1")->click();

  EXPECT_EQ(messages.texts(), QStringList{"Закрыть форму?"});
  EXPECT_TRUE(d->isVisible());
  EXPECT_TRUE(child(d, "Command3")->isEnabled());
  EXPECT_FALSE(edit(d, "Text1")->isEnabled());
  EXPECT_EQ(state.currentObjectName, QStringLiteral("Итоги"));

  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Отчет'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text("name"), QStringLiteral("Итоги"));
  EXPECT_EQ(rs.text("descript"), QStringLiteral("Итоги месяца"));
  EXPECT_EQ(rs.text("code"), QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры"));
  for (const char* column : {"zurnal", "items_type", "table_", "TableItemsType", "item", "size"})
    EXPECT_TRUE(rs.isNull(QLatin1String(column))) << column;

  // A second save of the same window updates the row it has just written.
  edit(d, "Text2")->setText(QStringLiteral("Итоги за месяц"));
  child(d, "Command1")->click();
  EXPECT_EQ(reportRows(), 1);
  EXPECT_FALSE(d->isVisible());
  EXPECT_FALSE(state.formDesignMode);
}

TEST_F(ReportDesignerTest, RefusesNamesWithoutWriting) {
  db().execute(QStringLiteral(
      "INSERT INTO form_items (type,name,descript) VALUES ('Отчет','Остатки','Остатки')"));
  frmRepFrm* d = open(QStringLiteral("Новый"));
  auto attempt = [&](const QString& name, const QString& menu) {
    messages.clear();
    setNames(d, name, menu);
    child(d, "Command1")->click();
    EXPECT_EQ(messages.texts().size(), 1);
    return messages.last();
  };
  EXPECT_EQ(attempt(QStringLiteral("Новый"), QStringLiteral("М")),
            QStringLiteral("Необходимо ввести название."));
  EXPECT_EQ(attempt(QString(), QStringLiteral("М")), QStringLiteral("Необходимо ввести название."));
  EXPECT_EQ(attempt(QStringLiteral("Итоги"), QString()),
            QStringLiteral("Необходимо ввести название элемента меню"));
  EXPECT_EQ(attempt(QStringLiteral("Остатки"), QStringLiteral("М")),
            QStringLiteral("Отчет \"Остатки\" уже существует."));
  EXPECT_EQ(attempt(QStringLiteral("остатки"), QStringLiteral("М")),
            QStringLiteral("Отчет \"остатки\" уже существует."));
  EXPECT_TRUE(attempt(QStringLiteral("1Итоги"), QStringLiteral("М")).contains("1Итоги"));
  EXPECT_EQ(reportRows(), 1);
  EXPECT_FALSE(child(d, "Command3")->isEnabled());
  EXPECT_TRUE(d->isVisible());

  // A caption is free text: a quote in it is stored as typed.
  messages.clear();
  setNames(d, QStringLiteral("Итоги"), QStringLiteral("Итоги 'за месяц'"));
  child(d, "Command1")->click();
  EXPECT_EQ(value(QStringLiteral("SELECT descript FROM form_items WHERE name='Итоги'")),
            QStringLiteral("Итоги 'за месяц'"));
}

TEST_F(ReportDesignerTest, ResavingChangesOnlyTheCaptionOfTheReport) {
  db().execute(
      QStringLiteral("INSERT INTO form_items (type,name,descript,code,item) VALUES "
                     "('Отчет','Итоги','Итоги месяца','sub MAIN','макет')"));
  db().execute(
      QStringLiteral("INSERT INTO form_items (type,name,descript,code,items_type) VALUES "
                     "('Справочник','Итоги','Справочник итогов','_','Текст;')"));
  frmRepFrm* d = open(QStringLiteral("Итоги"));
  EXPECT_FALSE(edit(d, "Text1")->isEnabled());
  EXPECT_TRUE(child(d, "Command3")->isEnabled());
  EXPECT_EQ(edit(d, "Text2")->text(), QStringLiteral("Итоги месяца"));

  edit(d, "Text2")->setText(QStringLiteral("Итоги квартала"));
  child(d, "Command1")->click();
  EXPECT_FALSE(d->isVisible());

  storage::Recordset report = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Отчет' AND name='Итоги'"));
  ASSERT_EQ(report.rowCount(), 1);
  EXPECT_EQ(report.text("descript"), QStringLiteral("Итоги квартала"));
  EXPECT_EQ(report.text("code"), QStringLiteral("sub MAIN"));
  EXPECT_EQ(report.text("item"), QStringLiteral("макет"));
  storage::Recordset catalog = db().openRecordset(
      QStringLiteral("SELECT * FROM form_items WHERE type='Справочник' AND name='Итоги'"));
  ASSERT_EQ(catalog.rowCount(), 1);
  EXPECT_EQ(catalog.text("descript"), QStringLiteral("Справочник итогов"));
}

TEST_F(ReportDesignerTest, FailedSaveShowsTheErrorAndKeepsTheReportNew) {
  balvix::testing::failWrites(db(), "INSERT", "form_items", "отчеты запрещены");
  frmRepFrm* d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Итоги"), QStringLiteral("Итоги месяца"));
  child(d, "Command1")->click();
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("отчеты запрещены")));
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(d->isExisting());
  EXPECT_FALSE(child(d, "Command3")->isEnabled());
  EXPECT_EQ(reportRows(), 0);
}

TEST_F(ReportDesignerTest, ModuleButtonOpensTheReportModule) {
  frmRepFrm* d = open(QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Итоги"), QStringLiteral("Итоги месяца"));
  messages.reply(MsgAnswer::No);
  child(d, "Command1")->click();
  // The tree has moved on meanwhile; the module button still opens this report's module.
  state.currentObjectType = QStringLiteral("Справочник");
  state.currentObjectName = QStringLiteral("Товары");
  child(d, "Command3")->click();

  auto* editor = window<frmEdit>(QStringLiteral("frmEdit"));
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), QStringLiteral("Модуль: (Отчет.Итоги)"));
  EXPECT_EQ(editor->findChild<QPlainTextEdit*>(QStringLiteral("Rich"))->toPlainText(),
            QStringLiteral("Главная Процедура ПриОткрытии\n\nКонецПроцедуры"));
  editor->close();
}

}  // namespace
}  // namespace balvix::configurator::testing

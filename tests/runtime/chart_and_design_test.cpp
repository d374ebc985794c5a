#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "configurator/catalog_designer.h"
#include "configurator/requisite_editor.h"
#include "runtime/catalog_form.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/design_overlay.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/list_search.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"
#include "script/objects/object_factory.h"

namespace balvix::runtime::testing {
namespace {

using shell::MsgAnswer;

class ChartTest : public RuntimeTest {
 protected:
  frmPlan* openChart() {
    main()->findChild<QAction*>(QStringLiteral("mnuPlan"))->trigger();
    processEvents();
    return qobject_cast<frmPlan*>(windows().existingSharedWindow(QStringLiteral("frmPlan")));
  }
  static int rowOf(frmPlan* plan, const QString& code) {
    for (int r = 0; r < plan->model()->rowCount(); ++r)
      if (plan->model()->account(r)->code == code) return r;
    return -1;
  }
  // An element form of a catalog with an account requisite, and the chart it asked for
  // with F4 in that field.
  std::pair<frmUniSpr*, frmPlan*> chooseAccountForAnElement() {
    createCatalog(QStringLiteral("Статьи"),
                  {{"Наименование", "Текст"}, {"Счет", "Счет.ПланСчетов"}});
    state.currentObjectName = QStringLiteral("Статьи");
    auto* form = qobject_cast<frmUniSpr*>(windows().newWindow(QStringLiteral("frmUniSpr")));
    if (!form) return {nullptr, nullptr};
    showChild(state, form);
    QTest::keyClick(form->form()->field(QStringLiteral("Счет"))->focusWidget(), Qt::Key_F4);
    processEvents();
    return {form,
            qobject_cast<frmPlan*>(windows().existingSharedWindow(QStringLiteral("frmPlan")))};
  }
};

TEST_F(ChartTest, TopLevelAccountsUntilExpanded) {
  frmPlan* plan = openChart();
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->windowTitle(), QStringLiteral("План счетов - Основной"));
  EXPECT_GE(rowOf(plan, QStringLiteral("41")), 0);
  EXPECT_GE(rowOf(plan, QStringLiteral("62")), 0);
  EXPECT_LT(rowOf(plan, QStringLiteral("41.1")), 0);
  const int topLevel = plan->model()->rowCount();
  plan->expanded()->click();
  EXPECT_GE(rowOf(plan, QStringLiteral("41.1")), 0);
  EXPECT_GT(plan->model()->rowCount(), topLevel);
  plan->rowClicked(rowOf(plan, QStringLiteral("41.1")));
  EXPECT_EQ(plan->label()->text(), QStringLiteral("Товары на складах"));
  // One chart for every opener.
  EXPECT_EQ(openChart(), plan);
}

TEST_F(ChartTest, OnlyAccountsThatTakePostingsAreChosenIntoTheAskingForm) {
  const auto [form, plan] = chooseAccountForAnElement();
  ASSERT_TRUE(form && plan);
  EXPECT_EQ(plan->tag(), form->windowTitle() + QStringLiteral(";Счет"));
  // 41 takes no postings (icon 1): nothing happens and the chart stays.
  const int no = rowOf(plan, QStringLiteral("41"));
  EXPECT_EQ(plan->model()->index(no, 0).data(Qt::UserRole).toInt(), 1);
  plan->rowDoubleClicked(no);
  processEvents();
  EXPECT_EQ(form->form()->value(QStringLiteral("Счет")), QString());
  ASSERT_TRUE(windows().existingSharedWindow(QStringLiteral("frmPlan")));
  plan->expanded()->click();
  const int yes = rowOf(plan, QStringLiteral("41.1"));
  EXPECT_EQ(plan->model()->index(yes, 0).data(Qt::UserRole).toInt(), 2);
  plan->rowDoubleClicked(yes);
  processEvents();
  EXPECT_EQ(form->form()->value(QStringLiteral("Счет")), QStringLiteral("41.1"));
  EXPECT_FALSE(windows().existingSharedWindow(QStringLiteral("frmPlan")));
}

TEST_F(ChartTest, TheChartFiltersAsTypedAndEnterChooses) {
  const auto [form, plan] = chooseAccountForAnElement();
  ASSERT_TRUE(form && plan);
  plan->expanded()->click();
  QTest::keyClicks(plan->searchField(), QStringLiteral("41.1"));
  ASSERT_GE(plan->list()->model()->rowCount(), 1);
  EXPECT_LT(plan->list()->model()->rowCount(), plan->model()->rowCount());
  EXPECT_EQ(plan->list()->model()->index(0, 1).data().toString(), QStringLiteral("41.1"));
  QTest::keyClick(plan->searchField(), Qt::Key_Return);
  processEvents();
  EXPECT_EQ(form->form()->value(QStringLiteral("Счет")), QStringLiteral("41.1"));
}

TEST_F(ChartTest, BrowsingOrAClosedRequesterChoosesNothing) {
  frmPlan* plan = openChart();
  plan->expanded()->click();
  // Without a report «КарточкаСчета» in the configuration no card opens either.
  EXPECT_EQ(plan->rowDoubleClicked(rowOf(plan, QStringLiteral("41.1"))), nullptr);
  processEvents();
  EXPECT_TRUE(windows().existingSharedWindow(QStringLiteral("frmPlan")));
  {
    FormControl gone;
    plan->setChoiceTarget(&gone, QStringLiteral("X"), QStringLiteral("Счет"));
  }
  plan->rowDoubleClicked(rowOf(plan, QStringLiteral("41.1")));
  processEvents();
  EXPECT_TRUE(windows().existingSharedWindow(QStringLiteral("frmPlan")));
}

class LayoutDesignTest : public RuntimeTest {
 protected:
  LayoutDesignTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}, {"Цена", "Число"}});
  }
  frmUniSpr* openDesign() {
    state.currentObjectType = QStringLiteral("Справочник");
    state.currentObjectName = QStringLiteral("Товары");
    state.selectedConfigNode = QStringLiteral("Справочник.Товары");
    auto* designer =
        qobject_cast<configurator::frmSprFrm*>(windows().sharedWindow(QStringLiteral("frmSprFrm")));
    designer->show();
    processEvents();
    auto* button = designer->findChild<QPushButton*>(QStringLiteral("Command2"));
    EXPECT_TRUE(button->isEnabled());
    button->click();
    processEvents();
    return qobject_cast<frmUniSpr*>(windows().existingSharedWindow(QStringLiteral("frmUniSpr")));
  }
};

TEST_F(LayoutDesignTest, DesignerFormButtonArrangesAndStoresTheLayout) {
  frmUniSpr* form = openDesign();
  ASSERT_TRUE(form);
  FormControl* frm = form->form();
  EXPECT_TRUE(frm->designMode());
  EXPECT_EQ(frm->elementNames(), (QStringList{"Наименование", "Цена"}));
  auto* overlay = frm->findChild<DesignOverlay*>();
  ASSERT_TRUE(overlay);

  // A palette type, then a click on the form, places an element there.
  state.pendingControlType = QStringLiteral("Надпись");
  QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(300, 150));
  EXPECT_EQ(frm->elementNames(), (QStringList{"Наименование", "Цена", "Надпись1"}));
  EXPECT_TRUE(state.pendingControlType.isEmpty());
  QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(300, 250));
  EXPECT_EQ(frm->elementNames().size(), 3);

  // Right click: the element menu for that element; "Новое имя" through the editor.
  QTest::mouseClick(overlay, Qt::RightButton, {},
                    frm->elementWidget(QStringLiteral("Надпись1"))->geometry().center());
  EXPECT_EQ(state.contextItemName, QStringLiteral("Надпись1"));
  EXPECT_EQ(state.contextFormKind, QStringLiteral("spr"));
  main()->findChild<QAction*>(QStringLiteral("mnuNewNameItem"))->trigger();
  auto* editor =
      qobject_cast<configurator::frmItem*>(windows().sharedWindow(QStringLiteral("frmItem")));
  ASSERT_TRUE(editor && editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), QStringLiteral(" Элемент"));
  EXPECT_FALSE(editor->findChild<QComboBox*>(QStringLiteral("Combo1"))->isEnabled());
  EXPECT_EQ(editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(),
            QStringLiteral("Новый"));
  editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("Цена"));
  editor->apply();
  EXPECT_TRUE(messages.last().contains(QStringLiteral("уже есть")));
  EXPECT_TRUE(frm->elementNames().contains(QStringLiteral("Надпись1")));
  main()->renameContextElement();
  editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("Подсказка"));
  editor->apply();
  EXPECT_EQ(frm->elementNames(), (QStringList{"Наименование", "Цена", "Подсказка"}));

  // "Удалить" of the element menu removes the right-clicked element.
  QTest::mouseClick(overlay, Qt::RightButton, {},
                    frm->elementWidget(QStringLiteral("Цена"))->geometry().center());
  main()->findChild<QAction*>(QStringLiteral("mnuDelItem"))->trigger();
  EXPECT_EQ(frm->elementNames(), (QStringList{"Наименование", "Подсказка"}));

  // Close does nothing in design; closing the window offers to store the layout.
  form->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
  processEvents();
  ASSERT_TRUE(windows().existingSharedWindow(QStringLiteral("frmUniSpr")));
  EXPECT_FALSE(form->save());
  const QString layout = frm->GetLayout();
  messages.clear();
  messages.reply(MsgAnswer::Yes);
  form->close();
  processEvents();
  EXPECT_EQ(messages.texts(), QStringList{"Сохранить элементы на форме?"});
  storage::Recordset rs =
      db().openRecordset(QStringLiteral("SELECT item, size FROM form_items WHERE name='Товары'"));
  EXPECT_EQ(rs.text(0), layout);
  EXPECT_TRUE(rs.text(1).contains(QLatin1Char('-')));

  // Working mode uses the stored layout.
  state.formDesignMode = false;
  state.currentObjectName = QStringLiteral("Товары");
  auto* working = qobject_cast<frmUniSpr*>(windows().newWindow(QStringLiteral("frmUniSpr")));
  ASSERT_TRUE(working);
  EXPECT_EQ(working->form()->GetLayout(), layout);
  EXPECT_FALSE(working->form()->designMode());
  delete working;
}

// ОткрытьФорму of a module running in a document window: the list or the chart feeds
// the current cell of that window's table part.
class OpenFormTest : public RuntimeTest {
 protected:
  OpenFormTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}});
    addElement(QStringLiteral("Товары"), QStringLiteral("Стол"));
    document = new QWidget;
    document->setWindowTitle(QStringLiteral("Документ.Приход.Новый"));
    form = new FormControl(document);
    form->setHost(state.host);
    form->table()->addColumn(QStringLiteral("Товар"));
    form->table()->addColumn(QStringLiteral("Счет"));
    form->setTablePart(true);
    form->table()->newRow();
    showChild(state, document);
    state.documentWindow = document;
  }
  bool run(const QString& module) {
    return form->LoadModule(module, script::createGlobalFunctions(*state.host, state));
  }
  QWidget* document = nullptr;
  FormControl* form = nullptr;
};

TEST_F(OpenFormTest, CatalogAndAccountChoicesGoToTheCurrentCell) {
  form->tableView()->setCurrentIndex(form->table()->index(0, 0));
  ASSERT_TRUE(run(QStringLiteral("ОткрытьФорму \"Справочник.Товары\"\r\n")));
  processEvents();
  auto* list = qobject_cast<frmSprList*>(state.choiceWindow.data());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->tag(), QStringLiteral("Документ.Приход.Новый;table"));
  EXPECT_EQ(state.currentObjectName, QStringLiteral("Товары"));
  list->rowDoubleClicked(0);
  EXPECT_EQ(form->table()->cell(0, 0), QStringLiteral("Стол"));

  form->tableView()->setCurrentIndex(form->table()->index(0, 1));
  ASSERT_TRUE(run(QStringLiteral("ОткрытьФорму \"Счет.ПланСчетов\"\r\n")));
  processEvents();
  auto* plan = qobject_cast<frmPlan*>(windows().existingSharedWindow(QStringLiteral("frmPlan")));
  ASSERT_TRUE(plan);
  plan->expanded()->click();
  for (int r = 0; r < plan->model()->rowCount(); ++r)
    if (plan->model()->account(r)->code == QStringLiteral("41.1")) plan->rowDoubleClicked(r);
  EXPECT_EQ(form->table()->cell(0, 1), QStringLiteral("41.1"));
}

TEST_F(OpenFormTest, WithoutADocumentWindowTheModuleGetsAnError) {
  state.documentWindow = nullptr;
  EXPECT_FALSE(run(QStringLiteral("Dim x\r\nx = 1\r\nОткрытьФорму \"Справочник.Товары\"\r\n")));
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("строка 3")));
  EXPECT_TRUE(openWindows<frmSprList>().isEmpty());
}

}  // namespace
}  // namespace balvix::runtime::testing

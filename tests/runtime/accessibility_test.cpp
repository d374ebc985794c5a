#include <QAccessible>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "runtime/catalog_list.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/journal.h"
#include "runtime/report_window.h"
#include "runtime/toolbar_control.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

// What an outside accessibility client sees: the tree walked down from the application.
QAccessibleInterface* application() {
  return QAccessible::queryAccessibleInterface(qApp);
}

QAccessibleInterface* findInTree(QAccessibleInterface* from,
                                 const std::function<bool(QAccessibleInterface*)>& match,
                                 int depth = 0) {
  if (!from || depth > 40) return nullptr;
  if (match(from)) return from;
  for (int i = 0; i < from->childCount(); ++i)
    if (QAccessibleInterface* found = findInTree(from->child(i), match, depth + 1)) return found;
  return nullptr;
}

QAccessibleInterface* named(QAccessible::Role role, const QString& name,
                            QAccessibleInterface* from = application()) {
  return findInTree(from, [&](QAccessibleInterface* i) {
    return i->role() == role && i->text(QAccessible::Name) == name;
  });
}

QStringList childNames(QAccessibleInterface* parent) {
  QStringList names;
  for (int i = 0; parent && i < parent->childCount(); ++i)
    if (QAccessibleInterface* c = parent->child(i)) names << c->text(QAccessible::Name);
  return names;
}

class AccessibilityTest : public RuntimeTest {
 protected:
  AccessibilityTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}});
    addElement(QStringLiteral("Товары"), QStringLiteral("Стол"));
    addElement(QStringLiteral("Товары"), QStringLiteral("Стул"));
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
    db().execute(
        QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,"
                       "items_type,table_) VALUES ('Приход','Приход','_','Документ',"
                       "'Основной','Текст;','0')"));
    db().execute(
        QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    for (const char* time : {"10:00:00", "11:00:00"})
      db().execute(QStringLiteral("INSERT INTO items_Документ_Приход VALUES ('Поставка',%1,'%2',"
                                  "'1','1')")
                       .arg(storage::quote(today), QString::fromLatin1(time)));
    db().execute(
        QStringLiteral("INSERT INTO form_items (type,name,descript,code) VALUES "
                       "('Отчет','Остатки','Остатки','Отчет.Вывести(\"Шапка\")')"));
    db().execute(
        QStringLiteral("INSERT INTO form_items (name,descript,code,type,items_type,"
                       "table_,TableItemsType) VALUES ('Расход','Расход','_','Документ',"
                       "'Текст;','1','Текст;Число;')"));
    db().execute(
        QStringLiteral("CREATE TABLE items_Документ_Расход(Наименование TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
    db().execute(
        QStringLiteral("CREATE TABLE table_Документ_Расход(Товар TEXT(50),"
                       "Количество TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
    main()->BuildMenus();
  }
};

TEST_F(AccessibilityTest, OpenPopupMenusAreNamedAndReachableFromTheApplication) {
  frmZurnal* journal = clickMenu<frmZurnal>(2, QStringLiteral("Основной"));
  ASSERT_TRUE(journal);
  journal->list()->setCurrentIndex(journal->list()->model()->index(0, 0));
  EXPECT_FALSE(named(QAccessible::PopupMenu, QStringLiteral("Операции с документом")));
  journal->showContextMenu(journal->list()->mapToGlobal(QPoint(20, 20)));
  processEvents();
  QAccessibleInterface* menu =
      named(QAccessible::PopupMenu, QStringLiteral("Операции с документом"));
  ASSERT_TRUE(menu) << childNames(application()).join(u'|').toStdString() << " "
                    << application()->childCount();
  EXPECT_EQ(childNames(menu), QStringList{QStringLiteral("Сделать не проведенным")});
  EXPECT_GE(application()->indexOfChild(menu), 0);
  main()->operatorsMenu()->hide();

  frmUniDoc* doc = clickMenu<frmUniDoc>(1, QStringLiteral("Приход"));
  ASSERT_TRUE(doc);
  doc->form()->AddChoice(QStringLiteral("Штука"));
  doc->form()->AddChoice(QStringLiteral("Килограмм"));
  doc->form()->ShowChoices();
  processEvents();
  menu = named(QAccessible::PopupMenu, QStringLiteral("Выбор значения"));
  ASSERT_TRUE(menu);
  EXPECT_EQ(childNames(menu), (QStringList{"Штука", "Килограмм"}));
}

// The title bar's close button is painted; each child window offers it as «Закрыть».
TEST_F(AccessibilityTest, EveryChildWindowHasAReachableCloseButton) {
  ASSERT_TRUE(clickMenu<frmZurnal>(2, QStringLiteral("Основной")));
  ASSERT_TRUE(clickMenu<frmSprList>(0, QStringLiteral("Товары")));
  ASSERT_TRUE(clickMenu<frmUniDoc>(1, QStringLiteral("Приход")));
  QMdiArea* area = main()->mdiArea();
  ASSERT_EQ(area->subWindowList().size(), 3);
  while (!area->subWindowList().isEmpty()) {
    QMdiSubWindow* sub = area->subWindowList().first();
    const QString title = sub->windowTitle();
    SCOPED_TRACE(title.toStdString());
    QAccessibleInterface* window = named(QAccessible::Window, title);
    ASSERT_TRUE(window);
    // Among the window's own children, not the content's «Закрыть» buttons.
    QAccessibleInterface* close = nullptr;
    for (int i = 0; i < window->childCount(); ++i)
      if (QAccessibleInterface* c = window->child(i);
          c && c->role() == QAccessible::Button &&
          c->text(QAccessible::Name) == QStringLiteral("Закрыть"))
        close = c;
    ASSERT_TRUE(close);
    EXPECT_EQ(close->parent(), window);
    ASSERT_TRUE(close->actionInterface());
    close->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(area->subWindowList().contains(sub));
    if (area->subWindowList().contains(sub)) break;
  }
}

// A row selected by an accessibility client is the chosen row: the journal's «Открыть» and
// «Удалить» become available, the catalog list's current element follows.
TEST_F(AccessibilityTest, SelectingARowThroughTheAccessibilityInterfaceChoosesIt) {
  frmZurnal* journal = clickMenu<frmZurnal>(2, QStringLiteral("Основной"));
  ASSERT_TRUE(journal);
  journal->list()->clearSelection();
  journal->list()->setCurrentIndex(QModelIndex());
  processEvents();
  for (int n : {2, 3, 4}) journal->toolbar()->DisableButton(n);
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(journal->list());
  ASSERT_TRUE(table && table->tableInterface());
  EXPECT_TRUE(table->tableInterface()->selectRow(1));
  EXPECT_EQ(journal->list()->currentIndex().row(), 1);
  EXPECT_GE(journal->selectedRow(), 0);
  for (int n : {2, 3, 4}) EXPECT_TRUE(journal->toolbar()->isButtonEnabled(n)) << n;

  frmSprList* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  table = QAccessible::queryAccessibleInterface(list->list());
  ASSERT_TRUE(table && table->tableInterface());
  const int before = list->list()->currentIndex().row();
  const int other = before == 1 ? 0 : 1;
  EXPECT_TRUE(table->tableInterface()->selectRow(other));
  EXPECT_EQ(list->list()->currentIndex().row(), other);
  // The list's cells read, its numbers as values too, and take nothing: a list is not edited.
  QAccessibleInterface* code = table->tableInterface()->cellAt(other, 0);
  ASSERT_TRUE(code && code->valueInterface());
  EXPECT_EQ(code->text(QAccessible::Name), QStringLiteral("Код"));
  EXPECT_EQ(code->valueInterface()->currentValue().toInt(),
            list->list()->model()->index(other, 0).data().toInt());
  EXPECT_FALSE(code->editableTextInterface());
  EXPECT_TRUE(code->state().readOnly);
}

// The report's commands all fit; the «››» of a toolbar too narrow for its buttons is named.
TEST_F(AccessibilityTest, TheReportToolbarShowsEveryCommandAndItsOverflowButtonIsNamed) {
  auto* report = clickMenu<frmReport>(3, QStringLiteral("Остатки"));
  if (!report) {
    main()->reportClicked(1);
    processEvents();
    report = openWindows<frmReport>().value(0);
  }
  ASSERT_TRUE(report);
  auto* bar = report->findChild<QToolBar*>(QStringLiteral("usrMenu1"));
  ASSERT_TRUE(bar);
  for (const char* name : {"actRebuild", "actPdf", "actCsv", "actXlsx"}) {
    QAction* action = report->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_TRUE(action) << name;
    QWidget* button = bar->widgetForAction(action);
    EXPECT_TRUE(button && button->isVisible()) << name;
  }
  for (QToolBar* toolbar :
       {bar,
        static_cast<QToolBar*>(clickMenu<frmZurnal>(2, QStringLiteral("Основной"))->toolbar())}) {
    auto* overflow = toolbar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    ASSERT_TRUE(overflow);
    EXPECT_EQ(overflow->accessibleName(), QStringLiteral("Остальные кнопки панели"));
  }
}

// The cell of a row found by its column's name, as a client finds it: among the table's
// children.
QAccessibleInterface* cellOfColumn(QAccessibleInterface* table, const QString& column, int row) {
  for (int i = 0; table && i < table->childCount(); ++i)
    if (QAccessibleInterface* c = table->child(i);
        c && c->role() == QAccessible::Cell && c->text(QAccessible::Name) == column &&
        c->tableCellInterface() && c->tableCellInterface()->rowIndex() == row)
      return c;
  return nullptr;
}

// A table-part cell is named by its column and reads what it shows; a client writes it
// through the text and value interfaces, and focusing it makes it the current cell.
TEST_F(AccessibilityTest, TablePartCellsReadAndTakeTheirTextAndValue) {
  frmUniDoc* doc = clickMenu<frmUniDoc>(1, QStringLiteral("Расход"));
  ASSERT_TRUE(doc && doc->hasTable());
  doc->toolbar()->click(2);
  doc->toolbar()->click(2);
  FormTable* rows = doc->form()->table();
  rows->setCell(0, 0, QStringLiteral("Стол"));
  rows->setCell(1, 1, QStringLiteral("1234567.5"));
  QAccessibleInterface* window = named(QAccessible::Window, doc->windowTitle());
  ASSERT_TRUE(window);
  QAccessibleInterface* table = named(QAccessible::Table, QStringLiteral("Таблица"), window);
  ASSERT_TRUE(table && table->tableInterface());
  QStringList headers;
  for (int i = 0; i < table->childCount(); ++i)
    if (table->child(i)->role() == QAccessible::ColumnHeader)
      headers << table->child(i)->text(QAccessible::Name);
  EXPECT_EQ(headers, (QStringList{"Товар", "Количество"}));

  QAccessibleInterface* good = cellOfColumn(table, QStringLiteral("Товар"), 0);
  ASSERT_TRUE(good && good->textInterface());
  EXPECT_EQ(good->text(QAccessible::Value), QStringLiteral("Стол"));
  EXPECT_EQ(good->textInterface()->text(0, good->textInterface()->characterCount()),
            QStringLiteral("Стол"));
  EXPECT_FALSE(good->valueInterface());
  ASSERT_TRUE(good->editableTextInterface());
  good->editableTextInterface()->insertText(4, QStringLiteral(" дубовый"));
  EXPECT_EQ(rows->cell(0, 0), QStringLiteral("Стол дубовый"));

  QAccessibleInterface* quantity = cellOfColumn(table, QStringLiteral("Количество"), 1);
  ASSERT_TRUE(quantity && quantity->valueInterface());
  const QString shown = QStringLiteral("1 234 567,5").replace(u' ', QChar(0x00A0));
  EXPECT_EQ(quantity->text(QAccessible::Value), shown);
  EXPECT_DOUBLE_EQ(quantity->valueInterface()->currentValue().toDouble(), 1234567.5);
  quantity->setText(QAccessible::Value, QStringLiteral("2 000").replace(u' ', QChar(0x00A0)));
  EXPECT_EQ(rows->cell(1, 1), QStringLiteral("2000"));
  quantity->valueInterface()->setCurrentValue(3.25);
  EXPECT_EQ(rows->cell(1, 1), QStringLiteral("3.25"));
  // The totals row under the table follows, and reads the same way.
  QAccessibleInterface* totals = named(QAccessible::Table, QStringLiteral("Итого"), window);
  QAccessibleInterface* sum = cellOfColumn(totals, QStringLiteral("Количество"), 0);
  ASSERT_TRUE(sum);
  EXPECT_EQ(sum->text(QAccessible::Value), QStringLiteral("3,25"));
  EXPECT_FALSE(sum->editableTextInterface());

  // Focusing a cell makes it current, and the view's own focus event names that cell among
  // the table's children; a row added above keeps the client's cell its own.
  ASSERT_TRUE(quantity->actionInterface());
  quantity->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
  EXPECT_EQ(doc->form()->tableView()->currentIndex(), rows->index(1, 1));
  // The children are numbered as Qt's own table numbers them, which is how the view names
  // the cell of its focus and selection events.
  QTableView plain;
  plain.setModel(rows);
  QAccessibleInterface* qt = QAccessible::queryAccessibleInterface(&plain);
  ASSERT_EQ(qt->childCount(), table->childCount());
  for (int i = 0; i < qt->childCount(); ++i) {
    QAccessibleInterface* theirs = qt->child(i);
    QAccessibleInterface* ours = table->child(i);
    ASSERT_TRUE(theirs && ours) << i;
    EXPECT_EQ(ours->role(), theirs->role()) << i;
    if (theirs->tableCellInterface()) {
      EXPECT_EQ(std::pair(ours->tableCellInterface()->rowIndex(),
                          ours->tableCellInterface()->columnIndex()),
                std::pair(theirs->tableCellInterface()->rowIndex(),
                          theirs->tableCellInterface()->columnIndex()))
          << i;
    }
    EXPECT_EQ(table->indexOfChild(ours), i);
  }
  ASSERT_EQ(quantity->tableCellInterface()->rowHeaderCells().size(), 1);
  EXPECT_EQ(quantity->tableCellInterface()->rowHeaderCells()[0]->text(QAccessible::Name),
            QStringLiteral("2"));
  rows->newRow();
  EXPECT_EQ(table->tableInterface()->cellAt(1, 1), quantity);
  rows->removeRow(0);
  EXPECT_EQ(table->tableInterface()->cellAt(0, 1), quantity);
  EXPECT_EQ(quantity->tableCellInterface()->rowIndex(), 0);

  // A read-only table part (a posted document's) reads but takes nothing.
  rows->setReadOnly(true);
  EXPECT_FALSE(quantity->editableTextInterface());
  quantity->setText(QAccessible::Value, QStringLiteral("7"));
  EXPECT_EQ(rows->cell(0, 1), QStringLiteral("3.25"));
}

}  // namespace
}  // namespace balvix::runtime::testing

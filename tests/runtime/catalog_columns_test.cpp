#include <QHeaderView>
#include <QTest>

#include "runtime/catalog_list.h"
#include "runtime/form_control.h"
#include "runtime/journal.h"
#include "runtime/list_search.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

// Catalog lists, journals and choice lists as the user browses them: every requisite a
// column, sorting by a header, remembered widths and the search field.
class CatalogColumnsTest : public RuntimeTest {
 protected:
  CatalogColumnsTest() {
    createCatalog(
        QStringLiteral("Товары"),
        {{"Наименование", "Текст"}, {"Артикул", "Текст"}, {"Цена", "Число"}, {"Поступил", "Дата"}});
    for (const auto& [name, code, price, date] :
         {std::tuple{"Стол письменный", "A-17", "100", "15.01.2024"},
          std::tuple{"СТОЛИК", "B-2", "9", "01.02.2024"},
          std::tuple{"Ёлочная игрушка", "C-3", "10,5", "03.03.2023"},
          std::tuple{"Елка искусственная", "D-4", "1 200", "28.02.2024"},
          std::tuple{"арбуз", "E-5", "", ""}})
      db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES (%1,%2,%3,%4)")
                       .arg(storage::quote(QString::fromUtf8(name)),
                            storage::quote(QString::fromUtf8(code)),
                            storage::quote(QString::fromUtf8(price)),
                            storage::quote(QString::fromUtf8(date))));
    main()->BuildMenus();
  }
  frmSprList* openList() { return clickMenu<frmSprList>(0, QStringLiteral("Товары")); }
  // One column of the rows the list shows, top to bottom.
  static QStringList shown(QAbstractItemView* view, int column) {
    QStringList values;
    for (int r = 0; r < view->model()->rowCount(); ++r)
      values << view->model()->index(r, column).data().toString();
    return values;
  }
  static QStringList headers(QAbstractItemView* view) {
    QStringList names;
    for (int c = 0; c < view->model()->columnCount(); ++c)
      names << view->model()->headerData(c, Qt::Horizontal).toString();
    return names;
  }
};

TEST_F(CatalogColumnsTest, EveryRequisiteIsAColumnInItsOrder) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  EXPECT_EQ(headers(list->list()),
            (QStringList{"Код", "Наименование", "Артикул", "Цена", "Поступил"}));
  EXPECT_EQ(shown(list->list(), 2), (QStringList{"A-17", "B-2", "C-3", "D-4", "E-5"}));
  EXPECT_EQ(shown(list->list(), 4).first(), QStringLiteral("15.01.2024"));
  EXPECT_EQ(list->searchField()->accessibleName(), QStringLiteral("Поиск"));
}

TEST_F(CatalogColumnsTest, AHeaderSortsByTheRequisitesType) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  const struct {
    int column;
    Qt::SortOrder order;
    QStringList codes;  // Артикул of the rows in the order shown
  } cases[] = {
      {3, Qt::AscendingOrder, {"E-5", "B-2", "C-3", "A-17", "D-4"}},   // numbers, empty first
      {3, Qt::DescendingOrder, {"D-4", "A-17", "C-3", "B-2", "E-5"}},  //
      {4, Qt::AscendingOrder, {"E-5", "C-3", "A-17", "B-2", "D-4"}},   // dates
      {1, Qt::AscendingOrder, {"E-5", "D-4", "C-3", "A-17", "B-2"}},   // texts: case, ё/е
      {0, Qt::AscendingOrder, {"A-17", "B-2", "C-3", "D-4", "E-5"}},   // the reading order
  };
  for (const auto& c : cases) {
    list->list()->sortByColumn(c.column, c.order);
    EXPECT_EQ(shown(list->list(), 2), c.codes) << c.column << ' ' << c.order;
  }
  // A click on the header sorts too, and each element keeps its code.
  QHeaderView* header = list->list()->horizontalHeader();
  header->setSortIndicator(-1, Qt::AscendingOrder);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(shown(list->list(), 0), (QStringList{"5", "2", "3", "1", "4"}));
}

TEST_F(CatalogColumnsTest, ColumnWidthsAreRememberedPerCatalog) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  list->list()->horizontalHeader()->resizeSection(2, 177);
  list->close();
  processEvents();
  list = openList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->list()->horizontalHeader()->sectionSize(2), 177);
  EXPECT_NE(list->list()->horizontalHeader()->sectionSize(3), 177);
}

TEST_F(CatalogColumnsTest, TypingFiltersByAnyColumnIgnoringCaseAndYo) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  const struct {
    const char* typed;
    QStringList codes;
  } cases[] = {
      {"стол", {"A-17", "B-2"}},
      {"ЕЛ", {"C-3", "D-4"}},
      {"ёлк", {"D-4"}},
      {"a-1", {"A-17"}},
      {"2024", {"A-17", "B-2", "D-4"}},
      {"нет такого", {}},
      {"", {"A-17", "B-2", "C-3", "D-4", "E-5"}},
  };
  for (const auto& c : cases) {
    list->searchField()->clear();
    typeText(list->searchField(), QString::fromUtf8(c.typed));
    EXPECT_EQ(shown(list->list(), 2), c.codes) << c.typed;
  }
  // Esc empties the field and brings every row back; a filtered row opens the right element.
  typeText(list->searchField(), QStringLiteral("арб"));
  ASSERT_EQ(shown(list->list(), 1), QStringList{"арбуз"});
  list->rowClicked(0);
  messages.reply(shell::MsgAnswer::No);
  list->toolbar()->click(4);
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить данный элемент справочника арбуз ?"));
  QTest::keyClick(list->searchField(), Qt::Key_Escape);
  EXPECT_TRUE(list->searchField()->text().isEmpty());
  EXPECT_EQ(list->list()->model()->rowCount(), 5);
}

TEST_F(CatalogColumnsTest, CtrlFPutsTheFocusInTheSearchField) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  QApplication::setActiveWindow(main());
  list->list()->setFocus();
  processEvents();
  QTest::keyClick(list->list(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(QApplication::focusWidget(), list->searchField());
}

TEST_F(CatalogColumnsTest, AChoiceListFiltersAndEnterChooses) {
  createCatalog(QStringLiteral("Заказы"),
                {{"Наименование", "Текст"}, {"Товар", "Справочник.Товары"}});
  main()->BuildMenus();
  frmSprList* orders = clickMenu<frmSprList>(0, QStringLiteral("Заказы"));
  ASSERT_TRUE(orders);
  orders->toolbar()->click(1);
  processEvents();
  FormControl* form = nullptr;
  for (QWidget* w : QApplication::allWidgets())
    if (auto* f = qobject_cast<FormControl*>(w); f && f->isVisible()) form = f;
  ASSERT_TRUE(form);
  QTest::keyClick(form->field(QStringLiteral("Товар"))->focusWidget(), Qt::Key_F4);
  processEvents();
  auto* chooser = qobject_cast<frmSprList*>(state.choiceWindow.data());
  ASSERT_TRUE(chooser && chooser->choiceMode());
  typeText(chooser->searchField(), QStringLiteral("иск"));
  ASSERT_EQ(shown(chooser->list(), 1), QStringList{"Елка искусственная"});
  QTest::keyClick(chooser->searchField(), Qt::Key_Return);
  processEvents();
  EXPECT_EQ(form->value(QStringLiteral("Товар")), QStringLiteral("Елка искусственная"));
}

TEST_F(CatalogColumnsTest, AJournalFiltersItsDocuments) {
  db().execute(QStringLiteral(
      "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
  db().execute(
      QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,items_type) "
                     "VALUES ('Приход','Приход','_','Документ','Основной','Текст;')"));
  db().execute(
      QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),cDATE TEXT(10),"
                     "cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
  const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  int n = 0;
  for (const char* name : {"Поставка ёлок", "Возврат", "Поставка столов"}) {
    ++n;
    db().execute(QStringLiteral("INSERT INTO items_Документ_Приход VALUES (%1,%2,%3,'1',%4)")
                     .arg(storage::quote(QString::fromUtf8(name)), storage::quote(today),
                          storage::quote(QStringLiteral("10:00:0%1").arg(n)),
                          storage::quote(QString::number(n))));
  }
  main()->BuildMenus();
  auto* journal = clickMenu<frmZurnal>(2, QStringLiteral("Основной"));
  ASSERT_TRUE(journal);
  ASSERT_EQ(journal->list()->model()->rowCount(), 3);
  const struct {
    const char* typed;
    QStringList names;
  } cases[] = {
      {"ПОСТАВКА ЕЛ", {"Поставка ёлок"}},
      {"поставка", {"Поставка ёлок", "Поставка столов"}},
      {"", {"Поставка ёлок", "Возврат", "Поставка столов"}},
  };
  for (const auto& c : cases) {
    journal->searchField()->clear();
    typeText(journal->searchField(), QString::fromUtf8(c.typed));
    EXPECT_EQ(shown(journal->list(), JournalModel::Name), c.names) << c.typed;
  }
}

}  // namespace
}  // namespace balvix::runtime::testing

#include <QAccessible>
#include <QHeaderView>
#include <QScrollBar>

#include "demo_windows_fixture.h"
#include "runtime/catalog_list.h"

namespace balvix::runtime::testing {
namespace {

const QString nb = QString(QChar(0x00A0));

// A sale's amounts read as an accountant writes them, while what is posted is the text
// the user typed (without the blanks between thousands) and what the module wrote.
TEST_F(DemoWindowsTest, ASalesAmountsAreShownFormattedAndStoredAsTyped) {
  frmUniDoc* doc = newSale(QStringLiteral("Брус 50×50"), QStringLiteral("Центральный склад"),
                           QStringLiteral("3"), QStringLiteral("1 250"));
  ASSERT_TRUE(doc);
  FormTable* table = doc->form()->table();
  EXPECT_EQ(table->cell(0, 2), QStringLiteral("1250"));
  EXPECT_EQ(table->cell(0, 3), QStringLiteral("3750"));  // the module's Количество × Цена
  const QStringList shown{table->index(0, 1).data().toString(),
                          table->index(0, 2).data().toString(),
                          table->index(0, 3).data().toString()};
  EXPECT_EQ(shown, (QStringList{"3", "1" + nb + "250,00", "3" + nb + "750,00"}));
  post(doc);
  EXPECT_EQ(value(QStringLiteral("SELECT Цена || '|' || Сумма || '|' || Количество FROM "
                                 "table_Документ_РасходнаяНакладная WHERE Цена='1250'")),
            QStringLiteral("1250|3750|3"));

  // The catalog's prices are amounts too; its list keeps the stored text for the exports.
  auto* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  QAbstractItemModel* m = list->list()->model();
  int price = -1;
  for (int c = 0; c < m->columnCount(); ++c)
    if (m->headerData(c, Qt::Horizontal).toString() == QStringLiteral("Цена")) price = c;
  ASSERT_GE(price, 0);
  EXPECT_TRUE(m->index(0, price).data().toString().endsWith(QStringLiteral(",00")));
  EXPECT_FALSE(m->index(0, price).data(Qt::EditRole).toString().contains(u','));
}

// The turnover sheet opens wide enough for all its columns, its header cells are its own
// column titles, and its amounts read «1 234,00» with empty zeros.
TEST_F(DemoWindowsTest, TheTurnoverSheetShowsAllItsColumnsUnderTheirTitles) {
  clickMenu<frmRepDialog>(3, QStringLiteral("ОборотноСальдоваяВедомость"));
  const auto dialogs = openWindows<frmRepDialog>();
  ASSERT_EQ(dialogs.size(), 1);
  dialogs.first()->periodStart()->setDate(QDate::currentDate().addYears(-1));
  dialogs.first()->periodEnd()->setDate(QDate::currentDate());
  dialogs.first()->buildAndCloseButton()->click();
  processEvents();
  const auto reports = openWindows<frmReport>();
  ASSERT_EQ(reports.size(), 1);
  QTableView* view = reports.first()->grid()->view();
  processEvents();
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << view->width();
  // The header cells as an accessibility client reads them.
  QStringList titles;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  ASSERT_TRUE(table);
  for (int i = 0; i < table->childCount(); ++i)
    if (QAccessibleInterface* cell = table->child(i);
        cell && cell->role() == QAccessible::ColumnHeader)
      titles << cell->text(QAccessible::Name);
  EXPECT_EQ(titles, (QStringList{"Счет", "Наименование", "Сальдо на начало: Дебет",
                                 "Сальдо на начало: Кредит", "Обороты за период: Дебет",
                                 "Обороты за период: Кредит", "Сальдо на конец: Дебет",
                                 "Сальдо на конец: Кредит"}));
  // Row 4 is the first account: its amounts have two decimals, its zeros are empty.
  int amounts = 0, blanks = 0;
  for (int c = 2; c < 8; ++c) {
    const QString cell = view->model()->index(3, c).data().toString();
    if (cell.isEmpty())
      ++blanks;
    else if (cell.contains(u','))
      ++amounts;
  }
  EXPECT_EQ(amounts + blanks, 6);
  EXPECT_GT(amounts, 0);
  EXPECT_TRUE(view->model()->index(3, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
}

// The demo's journal lists the party and the warehouse after the kind of document.
TEST_F(DemoWindowsTest, TheJournalListsThePartyAndTheWarehouse) {
  auto* journal = clickMenu<frmZurnal>(2, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  QAbstractItemModel* m = journal->list()->model();
  EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Контрагент"));
  EXPECT_EQ(m->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Склад"));
  ASSERT_GT(m->rowCount(), 0);
  for (int r = 0; r < m->rowCount(); ++r) {
    ASSERT_FALSE(m->index(r, 4).data().toString().isEmpty()) << r;
    ASSERT_FALSE(m->index(r, 5).data().toString().isEmpty()) << r;
  }
}

}  // namespace
}  // namespace balvix::runtime::testing

#include "demo_windows_fixture.h"
#include "runtime/table_totals.h"

namespace balvix::runtime::testing {
namespace {

using demo::testing::stockOn;

TEST_F(DemoWindowsTest, SaleBeyondStockIsRefusedAndOneWithinStockReducesTheBalanceReport) {
  // The good with the most stock at one warehouse.
  const auto stock = stockOn(db(), QDate::currentDate());
  QPair<QString, QString> key;
  double have = 0;
  for (auto [k, q] : stock.asKeyValueRange())
    if (q > have) {
      have = q;
      key = k;
    }
  ASSERT_GT(have, 2);
  const QString haveText = QString::number(have);
  const int headers = rowsOf(QStringLiteral("items_Документ_РасходнаяНакладная"));
  const int movements = rowsOf(QStringLiteral("items_Регистр_ОстаткиТоваров"));
  const int postings = rowsOf(QStringLiteral("itogi"));

  frmUniDoc* doc = newSale(key.first, key.second, QString::number(have + 5), QStringLiteral("100"));
  ASSERT_TRUE(doc);
  // The module's table-change procedure computed the amount.
  EXPECT_EQ(doc->form()->table()->cell(0, 3), QString::number((have + 5) * 100));
  messages.clear();
  post(doc);
  // The module's own refusal, as it wrote it, without the module's name and line.
  EXPECT_EQ(messages.texts(),
            QStringList{QStringLiteral("Недостаточно товара «") + key.first +
                        QStringLiteral("» на складе «") + key.second +
                        QStringLiteral("»: остаток ") + haveText + QStringLiteral(", требуется ") +
                        QString::number(have + 5) + ". Документ не проведен."});
  EXPECT_EQ(rowsOf(QStringLiteral("items_Документ_РасходнаяНакладная")), headers);
  EXPECT_EQ(rowsOf(QStringLiteral("items_Регистр_ОстаткиТоваров")), movements);
  EXPECT_EQ(rowsOf(QStringLiteral("itogi")), postings);
  ASSERT_TRUE(openWindows<frmUniDoc>().contains(doc));  // the input stays for correction

  doc->form()->table()->setData(doc->form()->table()->index(0, 1), QStringLiteral("2"),
                                Qt::EditRole);
  EXPECT_EQ(doc->form()->table()->cell(0, 3), QStringLiteral("200"));
  messages.clear();
  post(doc);
  EXPECT_TRUE(messages.texts().isEmpty()) << messages.last().toStdString();
  EXPECT_EQ(rowsOf(QStringLiteral("items_Документ_РасходнаяНакладная")), headers + 1);
  EXPECT_EQ(rowsOf(QStringLiteral("items_Регистр_ОстаткиТоваров")), movements + 1);
  // Revenue, its VAT and the cost of the goods: three postings of two rows each.
  EXPECT_EQ(rowsOf(QStringLiteral("itogi")), postings + 6);

  // The balance report, through its dialog, shows the reduced balance cell by cell.
  clickMenu<frmRepDialog>(3, QStringLiteral("ОстаткиТоваров"));
  const auto dialogs = openWindows<frmRepDialog>();
  ASSERT_EQ(dialogs.size(), 1);
  dialogs.first()->periodEnd()->setDate(QDate::currentDate());
  dialogs.first()->buildAndCloseButton()->click();
  processEvents();
  const auto reports = openWindows<frmReport>();
  ASSERT_EQ(reports.size(), 1);
  ReportGrid* grid = reports.first()->grid();
  const auto expected = demo::testing::stockWithCostOn(db(), QDate::currentDate());
  EXPECT_EQ(expected.value(key).quantity, have - 2);
  int found = 0, goods = 0;
  // Row 1 is the title, row 2 the column captions, then one row per good and warehouse,
  // those of each unit followed by the unit's total.
  for (int row = 3;
       row <= grid->sheet().rowCount() && grid->cellText(row, 1) != QStringLiteral("Итого");
       ++row) {
    if (grid->cellText(row, 1).startsWith(QStringLiteral("Итого, "))) continue;
    const auto k = qMakePair(grid->cellText(row, 1), grid->cellText(row, 2));
    EXPECT_EQ(grid->cellText(row, 4), QString::number(expected.value(k).quantity))
        << k.first.toStdString();
    EXPECT_EQ(demo::testing::kopecks(demo::testing::cellNumber(grid->cellText(row, 5))),
              demo::testing::kopecks(expected.value(k).cost))
        << k.first.toStdString();
    ++goods;
    if (k == key) {
      EXPECT_EQ(grid->cellText(row, 4), QString::number(have - 2));
      ++found;
    }
  }
  EXPECT_EQ(found, 1);
  EXPECT_GT(goods, 20);
}

TEST_F(DemoWindowsTest, AJournalOpensOnAPeriodThatHoldsTheLastThreeMonths) {
  // In January the last quarter of the year before is still in view.
  EXPECT_EQ(frmZurnal::defaultPeriod(QDate(2027, 1, 15)),
            qMakePair(QDate(2026, 10, 1), QDate(2027, 12, 31)));
  // Whatever the day, three months back (where the demo's history begins) is inside.
  for (QDate day(2026, 1, 1); day.year() < 2029; day = day.addDays(1)) {
    const auto [start, end] = frmZurnal::defaultPeriod(day);
    ASSERT_LE(start, day.addMonths(-3)) << day.toString().toStdString();
    ASSERT_GE(end, day);
  }
  // The journal opens on that period and lists the goods documents within it.
  auto* journal = clickMenu<frmZurnal>(2, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  const auto [start, end] = frmZurnal::defaultPeriod(QDate::currentDate());
  int documents = 0;
  for (const QString& kind :
       {QStringLiteral("ПриходнаяНакладная"), QStringLiteral("РасходнаяНакладная")}) {
    storage::Recordset dates =
        db().openRecordset(QStringLiteral("SELECT cDATE FROM items_Документ_") + kind);
    for (; !dates.eof(); dates.moveNext()) {
      const QDate d = demo::testing::dateOf(dates.text(0));
      if (d >= start && d <= end) ++documents;
    }
  }
  EXPECT_GT(documents, 100);
  EXPECT_EQ(journal->model()->rowCount(), documents);
}

// A new document of either kind shows every header field whole, without scrolling, and keeps
// room for its table part.
TEST_F(DemoWindowsTest, ANewDocumentShowsEveryHeaderFieldWhole) {
  for (const char* kind : {"ПриходнаяНакладная", "РасходнаяНакладная"}) {
    SCOPED_TRACE(kind);
    auto* doc = clickMenu<frmUniDoc>(1, QString::fromUtf8(kind));
    ASSERT_TRUE(doc);
    processEvents();
    FormControl* form = doc->form();
    for (const QString& name : form->elementNames()) {
      QWidget* box = form->elementWidget(name);
      ASSERT_TRUE(box) << name.toStdString();
      EXPECT_EQ(box->visibleRegion().boundingRect().size(), box->size()) << name.toStdString();
    }
    EXPECT_GE(form->tableView()->height(), 80);
    doc->close();
    processEvents();
  }
}

// The demo sale's totals add up the quantity and the sum, not the price.
TEST_F(DemoWindowsTest, ASalesTotalsAddUpQuantityAndSumButNotPrice) {
  frmUniDoc* doc = newSale(QStringLiteral("Брус 50×50"), QStringLiteral("Центральный склад"),
                           QStringLiteral("3"), QStringLiteral("250"));
  ASSERT_TRUE(doc);
  FormTable* table = doc->form()->table();
  table->newRow();
  const int row = table->rows() - 1;
  table->setData(table->index(row, 0), QStringLiteral("Брус 50×50"), Qt::EditRole);
  table->setData(table->index(row, 1), QStringLiteral("2"), Qt::EditRole);
  table->setData(table->index(row, 2), QStringLiteral("250"), Qt::EditRole);
  processEvents();
  QStringList totals;
  for (int c = 0; c < table->columnCount(); ++c) totals << doc->form()->totals()->total(c);
  // The sum is an amount: two decimals; the quantity keeps its own.
  EXPECT_EQ(totals, (QStringList{"", "5", "", "1" + QString(QChar(0x00A0)) + "250,00"}));
}

}  // namespace
}  // namespace balvix::runtime::testing

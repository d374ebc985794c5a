#include <QMap>

#include "demo_database_fixture.h"

namespace balvix::demo::testing {
namespace {

// The last day of each month of the history, and the day of the last document.
QList<QDate> monthEnds(const QDate& today) {
  QList<QDate> ends;
  for (QDate d(today.addDays(-363).year(), today.addDays(-363).month(), 1); d <= today;
       d = d.addMonths(1))
    ends << std::min(d.addMonths(1).addDays(-1), today);
  return ends;
}

qint64 balanceOn(storage::Session& db, const QString& account, const QDate& on) {
  const AccountFigures a = accountsFor(db, on.addDays(1), on).value(account);
  return kopecks(a.openingNet);
}

// A trial balance of every month balances at its start, in its turnovers and at its end.
TEST_F(DemoDatabaseTest, EveryMonthsTrialBalanceBalances) {
  for (const QDate& end : monthEnds(s_today)) {
    SCOPED_TRACE(end.toString(QStringLiteral("dd.MM.yyyy")).toStdString());
    const QList<QStringList> csv = report(QStringLiteral("ОборотноСальдоваяВедомость"),
                                          QDate(end.year(), end.month(), 1), end);
    ASSERT_FALSE(csv.isEmpty());
    const QStringList& total = csv.last();
    ASSERT_EQ(total.value(0), QStringLiteral("Итого"));
    for (int c = 2; c < 8; c += 2)
      EXPECT_EQ(kopecks(cellNumber(total.value(c))), kopecks(cellNumber(total.value(c + 1)))) << c;
    EXPECT_GT(cellNumber(total.value(4)), 0);
  }
}

// At every month's end the goods account holds the stock register's cost, and the accounts
// of settlements what the settlements register holds for them.
TEST_F(DemoDatabaseTest, GoodsAndSettlementsAccountsAgreeWithTheirRegisters) {
  for (const QDate& end : monthEnds(s_today)) {
    SCOPED_TRACE(end.toString(QStringLiteral("dd.MM.yyyy")).toStdString());
    qint64 cost = 0;
    for (const Stock& s : stockWithCostOn(db(), end)) {
      cost += kopecks(s.cost);
      // What is sold out costs nothing.
      if (s.quantity == 0) {
        EXPECT_EQ(kopecks(s.cost), 0);
      }
    }
    EXPECT_EQ(balanceOn(db(), QStringLiteral("41.1"), end), cost);
    QMap<QString, qint64> settled;
    for (auto [key, debt] : settlementsOn(db(), end).asKeyValueRange())
      settled[key.second] += kopecks(debt);
    EXPECT_EQ(settled.keys(), (QStringList{"60.01", "62.01"}));
    for (const QString account : {"60.01", "62.01"})
      EXPECT_EQ(balanceOn(db(), account, end), settled.value(account)) << account.toStdString();
  }
}

// Each sale writes its goods off at the average cost of what the warehouse held just before
// it (the last unit takes what is left), and its 90.2 is the sum of those costs.
TEST_F(DemoDatabaseTest, EverySaleCostsTheAverageOfTheStockBeforeIt) {
  QMap<QPair<QString, QString>, Stock> stock;
  QMap<QPair<QString, QString>, qint64> expectedCost;  // by document date and time
  storage::Recordset moves = db().openRecordset(
      QStringLiteral("SELECT Товар,Склад,Количество,Сумма,Флаг,Документ,cDATE,cTIME FROM "
                     "items_Регистр_ОстаткиТоваров ORDER BY substr(cDATE,7,4)||substr(cDATE,4,2)||"
                     "substr(cDATE,1,2),cTIME,rowid"));
  int sales = 0;
  for (; !moves.eof(); moves.moveNext()) {
    Stock& s = stock[qMakePair(moves.text(0), moves.text(1))];
    const double quantity = amountOf(moves.text(2));
    const double cost = amountOf(moves.text(3));
    if (moves.text(4) == QStringLiteral("+")) {
      s.quantity += quantity;
      s.cost += cost;
      continue;
    }
    ASSERT_EQ(moves.text(5), QStringLiteral("РасходнаяНакладная"));
    ASSERT_LE(quantity, s.quantity);
    const double average = quantity == s.quantity ? s.cost : s.cost * quantity / s.quantity;
    EXPECT_LE(std::abs(kopecks(cost) - kopecks(average)), 1)
        << moves.text(0).toStdString() << " " << moves.text(6).toStdString();
    expectedCost[qMakePair(moves.text(6), moves.text(7))] += kopecks(cost);
    s.quantity -= quantity;
    s.cost -= cost;
    ++sales;
  }
  EXPECT_GT(sales, s_summary.sales);  // every sale has a line or more
  storage::Recordset postings =
      db().openRecordset(QStringLiteral("SELECT cDATE,cTIME,Дебет FROM itogi WHERE Код='90.2' AND "
                                        "Документ='РасходнаяНакладная'"));
  QMap<QPair<QString, QString>, qint64> posted;
  for (; !postings.eof(); postings.moveNext())
    posted[qMakePair(postings.text(0), postings.text(1))] += kopecks(amountOf(postings.text(2)));
  EXPECT_EQ(posted.size(), s_summary.sales);
  EXPECT_EQ(posted, expectedCost);
}

// The month's result of its sales, from their own postings: revenue less VAT and cost.
qint64 salesResult(storage::Session& db, const QDate& end) {
  qint64 result = 0;
  storage::Recordset rs = db.openRecordset(QStringLiteral(
      "SELECT Код,Дебет,Кредит,cDATE FROM itogi WHERE Документ='РасходнаяНакладная' AND "
      "Код IN ('90.1','90.2','90.3')"));
  for (; !rs.eof(); rs.moveNext()) {
    const QDate d = dateOf(rs.text(3));
    if (d.year() == end.year() && d.month() == end.month())
      result += kopecks(amountOf(rs.text(2))) - kopecks(amountOf(rs.text(1)));
  }
  return result;
}

// The month-end turns the month's result over to 99 from 90.9; at the year's end every
// subaccount of 90 is closed into 90.9.
TEST_F(DemoDatabaseTest, MonthEndsCloseTheSalesAccountsIntoProfit) {
  for (const QDate& end : monthEnds(s_today)) {
    SCOPED_TRACE(end.toString(QStringLiteral("dd.MM.yyyy")).toStdString());
    const AccountFigures profit =
        accountsFor(db(), QDate(end.year(), end.month(), 1), end).value(QStringLiteral("99"));
    EXPECT_EQ(kopecks(profit.credit) - kopecks(profit.debit), salesResult(db(), end));
    EXPECT_GT(salesResult(db(), end), 0);
    // Account 90 as a whole is empty at every month's end; its subaccounts only at the
    // year's.
    qint64 sales = 0;
    for (const char* code : {"90.1", "90.2", "90.3", "90.9"}) {
      const qint64 balance = balanceOn(db(), QString::fromUtf8(code), end);
      sales += balance;
      if (end.month() == 12) {
        EXPECT_EQ(balance, 0) << code;
      }
    }
    EXPECT_EQ(sales, 0);
  }
}

// The settlements report lists what each counterparty owes and is owed as the register
// holds it on the date.
TEST_F(DemoDatabaseTest, SettlementsReportShowsTheRegistersDebts) {
  const QList<QStringList> csv =
      report(QStringLiteral("ВзаиморасчетыСКонтрагентами"), s_today, s_today);
  ASSERT_GE(csv.size(), 4);
  EXPECT_EQ(csv[1], (QStringList{"Контрагент", "Долг контрагента", "Долг перед контрагентом"}));
  QMap<QString, QPair<qint64, qint64>> expected;
  qint64 debit = 0, credit = 0;
  for (auto [key, debt] : settlementsOn(db(), s_today).asKeyValueRange()) {
    const qint64 k = kopecks(debt);
    if (k == 0) continue;
    (k > 0 ? expected[key.first].first : expected[key.first].second) += std::abs(k);
    (k > 0 ? debit : credit) += std::abs(k);
  }
  QMap<QString, QPair<qint64, qint64>> shown;
  for (qsizetype i = 2; i + 1 < csv.size(); ++i)
    shown.insert(csv[i][0], {kopecks(cellNumber(csv[i][1])), kopecks(cellNumber(csv[i][2]))});
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(csv.last(), (QStringList{"Итого", csv.last().value(1), csv.last().value(2)}));
  EXPECT_EQ(kopecks(cellNumber(csv.last().value(1))), debit);
  EXPECT_EQ(kopecks(cellNumber(csv.last().value(2))), credit);
}

// The sales report: per month and good the revenue without VAT, the cost and the margin,
// as the sales' postings give them.
TEST_F(DemoDatabaseTest, SalesReportAddsUpToTheSalesAccounts) {
  const QDate from(2026, 9, 1), to(2026, 10, 31);
  const QList<QStringList> csv = report(QStringLiteral("Продажи"), from, to);
  ASSERT_GE(csv.size(), 6);
  EXPECT_EQ(csv[1], (QStringList{"Товар", "Количество", "Выручка без НДС", "Себестоимость",
                                 "Валовая прибыль"}));
  QStringList months;
  qint64 revenue = 0, cost = 0;
  for (qsizetype i = 2; i + 1 < csv.size(); ++i) {
    const QStringList& row = csv[i];
    if (row[1].isEmpty() && row[2].isEmpty()) {
      months << row[0];
      continue;
    }
    if (row[0].startsWith(QStringLiteral("Итого"))) continue;
    EXPECT_EQ(kopecks(cellNumber(row[4])),
              kopecks(cellNumber(row[2])) - kopecks(cellNumber(row[3])));
    revenue += kopecks(cellNumber(row[2]));
    cost += kopecks(cellNumber(row[3]));
  }
  EXPECT_EQ(months.size(), 2);
  const QMap<QString, AccountFigures> accounts = accountsFor(db(), from, to);
  const auto sales = [&](const char* code) {
    const AccountFigures a = accounts.value(QString::fromUtf8(code));
    return kopecks(a.debit) - kopecks(a.credit);
  };
  // 90.1 and 90.2 of the sales only: the period has no December closing.
  EXPECT_EQ(revenue, -sales("90.1") - sales("90.3"));
  EXPECT_EQ(cost, sales("90.2"));
  const QStringList& total = csv.last();
  EXPECT_EQ(total.value(0), QStringLiteral("Итого"));
  EXPECT_EQ(kopecks(cellNumber(total.value(2))), revenue);
  EXPECT_EQ(kopecks(cellNumber(total.value(3))), cost);
  EXPECT_EQ(kopecks(cellNumber(total.value(4))), revenue - cost);
}

}  // namespace
}  // namespace balvix::demo::testing

#include "demo/demo_database.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "config/object_definition.h"
#include "config/references.h"
#include "demo_database_fixture.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::demo::testing {
namespace {

using config::ObjectKind;

TEST_F(DemoDatabaseTest, ConfigurationIsMadeOfOrdinaryObjects) {
  const auto units =
      config::readDefinition(db(), ObjectKind::Enumeration, QStringLiteral("ЕдиницыИзмерения"));
  ASSERT_TRUE(units);
  EXPECT_EQ(units->enumerationValues(), (QStringList{"шт", "кг", "л", "м"}));

  const auto goods = config::readDefinition(db(), ObjectKind::Catalog, QStringLiteral("Товары"));
  ASSERT_TRUE(goods);
  EXPECT_EQ(goods->requisiteNames(),
            (QStringList{"Наименование", "Артикул", "Единица", "Цена", "СтавкаНДС"}));
  EXPECT_EQ(goods->requisites[2].type.text(), QStringLiteral("Перечисление.ЕдиницыИзмерения"));
  EXPECT_EQ(goods->requisites[3].type.text(), QStringLiteral("Число.Сумма"));
  EXPECT_TRUE(goods->layout.has_value());
  for (const QString catalog : {"Товары", "Склады", "Контрагенты"}) {
    const int n = count(QStringLiteral("SELECT COUNT(*) FROM items_Справочник_") + catalog);
    EXPECT_GE(n, 20) << catalog.toStdString();
    EXPECT_LE(n, 50) << catalog.toStdString();
  }
  const auto parties =
      config::readDefinition(db(), ObjectKind::Catalog, QStringLiteral("Контрагенты"));
  ASSERT_TRUE(parties);
  EXPECT_EQ(parties->requisiteNames(), (QStringList{"Наименование", "ИНН", "Телефон"}));

  for (const auto& [name, requisites] :
       {std::pair{"ОстаткиТоваров", QStringList{"Товар", "Склад", "Количество", "Сумма"}},
        std::pair{"Взаиморасчеты", QStringList{"Контрагент", "Счет", "Сумма"}},
        std::pair{"Продажи",
                  QStringList{"Товар", "Количество", "Выручка", "НДС", "Себестоимость"}}}) {
    const auto reg = config::readDefinition(db(), ObjectKind::Register, QString::fromUtf8(name));
    ASSERT_TRUE(reg) << name;
    EXPECT_EQ(reg->requisiteNames(), requisites) << name;
  }
  // Its reference columns are indexed as the demo is made, not at the next start.
  EXPECT_EQ(config::ensureReferenceIndexes(db()), 0);

  const QStringList goodsHeader{"Наименование", "Контрагент", "Склад"};
  const QStringList paymentHeader{"Наименование", "Контрагент", "Сумма"};
  for (const auto& [kind, journal, header] :
       {std::tuple{"ПриходнаяНакладная", "Склад", goodsHeader + QStringList{"НДСКВычету"}},
        std::tuple{"РасходнаяНакладная", "Склад", goodsHeader},
        std::tuple{"ПоступлениеНаСчет", "БанкКасса", paymentHeader},
        std::tuple{"СписаниеСоСчета", "БанкКасса", paymentHeader},
        std::tuple{"ПриходныйКассовыйОрдер", "БанкКасса", paymentHeader},
        std::tuple{"РасходныйКассовыйОрдер", "БанкКасса", paymentHeader},
        std::tuple{"ЗакрытиеМесяца", "БанкКасса", QStringList{"Наименование"}}}) {
    const auto doc = config::readDefinition(db(), ObjectKind::Document, QString::fromUtf8(kind));
    ASSERT_TRUE(doc) << kind;
    EXPECT_EQ(doc->journal, QString::fromUtf8(journal)) << kind;
    EXPECT_EQ(doc->requisiteNames(), header) << kind;
    EXPECT_TRUE(doc->module.contains(QStringLiteral("Процедура ПриСохранении"))) << kind;
    const bool goods = header.mid(0, 3) == goodsHeader;
    EXPECT_EQ(doc->hasTablePart, goods) << kind;
    if (!goods) continue;
    EXPECT_EQ(doc->tableRequisiteNames(), (QStringList{"Товар", "Количество", "Цена", "Сумма"}));
    // The price and the sum are amounts; the quantity is a number of its own decimals.
    EXPECT_EQ(doc->tableRequisites[1].type,
              config::RequisiteType::ofKind(config::RequisiteType::Kind::Number));
    EXPECT_EQ(doc->tableRequisites[2].type, config::RequisiteType::amount());
    EXPECT_EQ(doc->tableRequisites[3].type, config::RequisiteType::amount());
    EXPECT_TRUE(doc->module.contains(QStringLiteral("Процедура ПриИзмененииТаблицы")));
  }
  const auto journal = config::readDefinition(db(), ObjectKind::Journal, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->columns, (QStringList{"Контрагент", "Склад"}));
  for (const QString report : {"ОстаткиТоваров", "ОборотноСальдоваяВедомость", "ПланСчетов",
                               "ВзаиморасчетыСКонтрагентами", "Продажи"})
    EXPECT_TRUE(config::readDefinition(db(), ObjectKind::Report, report)) << report.toStdString();
}

TEST_F(DemoDatabaseTest, HistoryIsPostedThroughTheDocumentsModules) {
  const auto posted = [&](const QString& kind) {
    return count(QStringLiteral("SELECT COUNT(*) FROM items_Документ_") + kind +
                 QStringLiteral(" WHERE Проводка='1'"));
  };
  EXPECT_EQ(posted(QStringLiteral("ПриходнаяНакладная")), s_summary.receipts + s_summary.returns);
  EXPECT_EQ(posted(QStringLiteral("РасходнаяНакладная")), s_summary.sales);
  EXPECT_EQ(posted(QStringLiteral("ПоступлениеНаСчет")) +
                posted(QStringLiteral("СписаниеСоСчета")) +
                posted(QStringLiteral("ПриходныйКассовыйОрдер")) +
                posted(QStringLiteral("РасходныйКассовыйОрдер")),
            s_summary.payments);
  // One month-end on the last day of every month.
  EXPECT_EQ(posted(QStringLiteral("ЗакрытиеМесяца")), 12);
  EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM items_Документ_ЗакрытиеМесяца WHERE "
                                 "cDATE NOT IN ('31.12.2025','31.01.2026','28.02.2026',"
                                 "'31.03.2026','30.04.2026','31.05.2026','30.06.2026','31.07.2026',"
                                 "'31.08.2026','30.09.2026','31.10.2026','30.11.2026')")),
            0);
  EXPECT_GT(s_summary.sales, 300);
  EXPECT_GT(s_summary.receipts, 50);
  EXPECT_GE(s_summary.returns, 2);
  // Each kind numbered 1, 2, … within a year in the order the documents were dated.
  for (const QString kind : {"ПриходнаяНакладная", "РасходнаяНакладная", "ПоступлениеНаСчет"}) {
    storage::Recordset numbers = db().openRecordset(
        QStringLiteral("SELECT Номер,substr(cDATE,7,4) FROM items_Документ_") + kind +
        QStringLiteral(" ORDER BY substr(cDATE,7,4),substr(cDATE,4,2),substr(cDATE,1,2),cTIME"));
    int expected = 0;
    QString year;
    for (; !numbers.eof(); numbers.moveNext()) {
      if (numbers.text(1) != year) expected = 0;
      year = numbers.text(1);
      ASSERT_EQ(numbers.text(0).toInt(), ++expected) << kind.toStdString();
    }
  }
  // Every document lies within the year up to today.
  storage::Recordset dates = db().openRecordset(
      QStringLiteral("SELECT cDATE FROM items_Документ_ПриходнаяНакладная UNION ALL "
                     "SELECT cDATE FROM items_Документ_РасходнаяНакладная UNION ALL "
                     "SELECT cDATE FROM items_Документ_ПоступлениеНаСчет"));
  for (; !dates.eof(); dates.moveNext()) {
    const QDate d = dateOf(dates.text(0));
    EXPECT_TRUE(d > s_today.addYears(-1) && d <= s_today) << dates.text(0).toStdString();
  }
  // The module's table-change procedure filled every amount; one movement per table row.
  for (const QString kind : {"ПриходнаяНакладная", "РасходнаяНакладная"}) {
    storage::Recordset rows = db().openRecordset(
        QStringLiteral("SELECT Количество,Цена,Сумма FROM table_Документ_") + kind);
    int n = 0;
    for (; !rows.eof(); rows.moveNext(), ++n)
      ASSERT_EQ(kopecks(amountOf(rows.text(2))),
                kopecks(amountOf(rows.text(0)) * amountOf(rows.text(1))));
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM items_Регистр_ОстаткиТоваров WHERE Документ=") +
              storage::quote(kind)),
        n);
  }
  // No sale or return took any stock below zero.
  for (int day = -364; day <= 0; day += 7)
    for (double q : stockOn(db(), s_today.addDays(day))) EXPECT_GE(q, 0);
}

// Units and cost of every good and warehouse, a total per unit of measure (quantities of
// different units are never added) and the cost of all.
TEST_F(DemoDatabaseTest, StockReportHeadlessMatchesTheMovements) {
  const QDate on = s_today.addDays(-20);
  const QList<QStringList> csv = report(QStringLiteral("ОстаткиТоваров"), on.addDays(-10), on);
  ASSERT_GE(csv.size(), 4);
  EXPECT_EQ(csv[0].value(0),
            QStringLiteral("Остатки товаров на ") + on.toString(QStringLiteral("dd.MM.yyyy")));
  EXPECT_EQ(csv[1], (QStringList{"Товар", "Склад", "Ед.", "Количество", "Сумма"}));
  QMap<QPair<QString, QString>, QPair<double, qint64>> expected;
  qint64 total = 0;
  for (auto [key, s] : stockWithCostOn(db(), on).asKeyValueRange())
    if (s.quantity != 0) {
      expected.insert(key, {s.quantity, kopecks(s.cost)});
      total += kopecks(s.cost);
    }
  QMap<QPair<QString, QString>, QPair<double, qint64>> shown;
  QMap<QString, QPair<double, qint64>> perUnit;
  QStringList unitTotals;
  for (qsizetype i = 2; i + 1 < csv.size(); ++i) {
    const QStringList& row = csv[i];
    if (row[0].startsWith(QStringLiteral("Итого, "))) {
      const QString unit = row[0].mid(7);
      unitTotals << unit;
      EXPECT_DOUBLE_EQ(cellNumber(row[3]), perUnit.value(unit).first) << unit.toStdString();
      EXPECT_EQ(kopecks(cellNumber(row[4])), perUnit.value(unit).second) << unit.toStdString();
      continue;
    }
    shown.insert(qMakePair(row[0], row[1]), {cellNumber(row[3]), kopecks(cellNumber(row[4]))});
    perUnit[row[2]].first += cellNumber(row[3]);
    perUnit[row[2]].second += kopecks(cellNumber(row[4]));
  }
  EXPECT_EQ(shown, expected);
  unitTotals.sort();
  EXPECT_EQ(unitTotals, (QStringList{"кг", "л", "м", "шт"}));
  EXPECT_EQ(csv.last().value(0), QStringLiteral("Итого"));
  EXPECT_TRUE(csv.last().value(3).isEmpty());  // no quantity across units
  EXPECT_EQ(kopecks(cellNumber(csv.last().value(4))), total);
}

TEST_F(DemoDatabaseTest, TrialBalanceHeadlessMatchesThePostings) {
  const QDate from = s_today.addDays(-45), to = s_today.addDays(-10);
  const QList<QStringList> csv = report(QStringLiteral("ОборотноСальдоваяВедомость"), from, to);
  ASSERT_GE(csv.size(), 5);
  // A parent account's row adds up its subaccounts', each netted on its own side; the totals
  // take the top-level rows only.
  const QMap<QString, AccountFigures> raw = accountsFor(db(), from, to);
  QStringList chart;
  for (storage::Recordset rs = db().openRecordset(QStringLiteral("SELECT Код FROM plan"));
       !rs.eof(); rs.moveNext())
    chart << rs.text(0);
  QMap<QString, QList<double>> expected;
  QSet<QString> subaccounts;
  for (const QString& code : chart) {
    QList<double> row(6, 0.0);
    bool any = false;
    for (const QString& member : chart) {
      if (member != code && member.startsWith(code + u'.')) subaccounts << member;
      if ((member != code && !member.startsWith(code + u'.')) || !raw.contains(member)) continue;
      const AccountFigures a = raw.value(member);
      if (a.openingNet == 0 && a.debit == 0 && a.credit == 0) continue;
      any = true;
      const double closing = a.openingNet + a.debit - a.credit;
      const QList<double> f{qMax(a.openingNet, 0.0), qMax(-a.openingNet, 0.0), a.debit, a.credit,
                            qMax(closing, 0.0),      qMax(-closing, 0.0)};
      // Amounts compare in kopecks: the report adds them up in another order.
      for (int c = 0; c < 6; ++c) row[c] += static_cast<double>(kopecks(f[c]));
    }
    if (any) expected.insert(code, row);
  }
  QMap<QString, QList<double>> shown;
  QList<double> totals(6, 0.0);
  for (qsizetype i = 3; i + 1 < csv.size(); ++i) {
    QList<double> figures;
    for (int c = 2; c < 8; ++c)
      figures << static_cast<double>(kopecks(cellNumber(csv[i].value(c))));
    shown.insert(csv[i][0], figures);
    if (subaccounts.contains(csv[i][0])) continue;
    for (int c = 0; c < 6; ++c) totals[c] += figures[c];
  }
  for (auto [code, f] : expected.asKeyValueRange())
    for (int c = 0; c < 6; ++c)
      EXPECT_NEAR(shown.value(code).value(c), f[c], 1.0) << code.toStdString() << " " << c;
  EXPECT_EQ(shown.keys(), expected.keys());
  EXPECT_EQ(csv[3].value(1).isEmpty(), false);  // the account's name from the chart
  EXPECT_EQ(csv.last().value(0), QStringLiteral("Итого"));
  for (int c = 0; c < 6; ++c)
    EXPECT_NEAR(kopecks(cellNumber(csv.last().value(c + 2))) * 1.0, totals[c], 1.0) << c;
  // Debits and credits agree, at the start, in the period and at the end.
  EXPECT_NEAR(totals[2], totals[3], 0.005);
  EXPECT_NEAR(totals[0] - totals[1], 0.0, 0.005);
  EXPECT_NEAR(totals[4] - totals[5], 0.0, 0.005);
}

TEST_F(DemoDatabaseTest, XlsxKeepsAccountCodesAsTextAndAmountsAsNumbers) {
  const QString xlsx = s_dir->filePath(QStringLiteral("осв.xlsx"));
  QString error;
  ASSERT_EQ(run({"--report", "ОборотноСальдоваяВедомость", "--db", s_path, "--from",
                 s_today.addDays(-45).toString(QStringLiteral("dd.MM.yyyy")), "--to",
                 s_today.toString(QStringLiteral("dd.MM.yyyy")), "--xlsx", xlsx},
                &error),
            0)
      << error.toStdString();
  const QString xml = balvix::testing::zipEntry(xlsx, QStringLiteral("xl/worksheets/sheet1.xml"));
  // Row 4 is the first account: its code (such as «41» or «90.1») a string, its amounts
  // numbers.
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"A4\"[^>]*t=\"s\""))))
      << xml.left(3000).toStdString();
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"E4\"( s=\"\\d+\")?><v>"))))
      << xml.left(3000).toStdString();
}

TEST_F(DemoDatabaseTest, ChartOfAccountsReportHeadlessListsThePlan) {
  const QList<QStringList> csv = report(QStringLiteral("ПланСчетов"), s_today, s_today);
  QList<QStringList> expected;
  storage::Recordset rs = db().openRecordset(QStringLiteral("SELECT Код,Наименование FROM plan"));
  for (; !rs.eof(); rs.moveNext()) expected << QStringList{rs.text(0), rs.text(1)};
  ASSERT_EQ(csv.size(), expected.size() + 2);
  EXPECT_EQ(csv.mid(2), expected);
}

TEST_F(DemoDatabaseTest, ReportCommandErrorsEndNonZeroAndSayWhy) {
  QString error;
  const QString out = s_dir->filePath(QStringLiteral("x.csv"));
  EXPECT_EQ(run({"--report", "Нет", "--db", s_path, "--csv", out}, &error), 1);
  EXPECT_TRUE(Contains(error, QStringLiteral("нет отчета «Нет»")));
  EXPECT_EQ(
      run({"--report", "ПланСчетов", "--db", s_path, "--from", "31.02.2026", "--csv", out}, &error),
      2);
  EXPECT_TRUE(Contains(error, QStringLiteral("31.02.2026")));
  EXPECT_EQ(run({"--report", "ПланСчетов", "--db", s_path}, &error), 2);
  EXPECT_EQ(run({"--report", "ПланСчетов", "--db", s_dir->filePath(QStringLiteral("нет.mdb")),
                 "--csv", out},
                &error),
            2);
  EXPECT_FALSE(QFile::exists(out));
  // A module error names the report and its line.
  db().execute(QStringLiteral(
      "INSERT INTO form_items (type,name,code) VALUES ('Отчет','Сломан','x = 1 / 0')"));
  EXPECT_EQ(run({"--report", "Сломан", "--db", s_path, "--csv", out}, &error), 1);
  EXPECT_TRUE(Contains(error, QStringLiteral("строка 1")));
  db().execute(QStringLiteral("DELETE FROM form_items WHERE name='Сломан'"));
}

TEST_F(DemoDatabaseTest, NewDatabaseHasTheDemoOnlyWhenAskedFor) {
  const QString plain = s_dir->filePath(QStringLiteral("plain.mdb"));
  ASSERT_EQ(run({"--new-database", plain}), 0);
  auto empty = storage::Session::open(plain);
  EXPECT_FALSE(config::readDefinition(*empty, ObjectKind::Catalog, QStringLiteral("Товары")));
  const QString demo = s_dir->filePath(QStringLiteral("with demo.mdb"));
  QString error;
  ASSERT_EQ(run({"--new-database", demo, "--demo"}, &error), 0) << error.toStdString();
  auto full = storage::Session::open(demo);
  storage::Recordset rs =
      full->openRecordset(QStringLiteral("SELECT COUNT(*) FROM items_Документ_РасходнаяНакладная"));
  EXPECT_GT(rs.text(0).toInt(), 0);
  // An existing file is never overwritten.
  EXPECT_EQ(run({"--new-database", demo, "--demo"}, &error), 1);
  EXPECT_TRUE(error.contains(QStringLiteral("уже существует")));
}

}  // namespace
}  // namespace balvix::demo::testing

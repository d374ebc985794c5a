#include "demo/demo_database.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "config/object_definition.h"
#include "config/references.h"
#include "demo_figures.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::demo::testing {
namespace {

using config::ObjectKind;

// One demo database for the suite: building it posts 200 documents.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    s_path = s_dir->filePath(QStringLiteral("demo.mdb"));
    s_summary = createDemoDatabase(s_path, s_today);
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override { m_db = storage::Session::open(s_path); }

  storage::Session& db() { return *m_db; }
  int count(const QString& sql) {
    storage::Recordset rs = db().openRecordset(sql);
    return rs.eof() ? -1 : rs.text(0).toInt();
  }
  static int run(const QStringList& args, QString* error = nullptr) {
    return balvix::testing::runProgram(args, error);
  }
  QList<QStringList> report(const QString& name, const QDate& from, const QDate& to) {
    const QString csv = s_dir->filePath(name + QStringLiteral(".csv"));
    QString error;
    EXPECT_EQ(run({"--report", name, "--db", s_path, "--from",
                   from.toString(QStringLiteral("dd.MM.yyyy")), "--to",
                   to.toString(QStringLiteral("dd.MM.yyyy")), "--csv", csv},
                  &error),
              0)
        << error.toStdString();
    return readCsv(csv);
  }

  static inline QTemporaryDir* s_dir = nullptr;
  static inline QString s_path;
  static inline const QDate s_today = QDate(2026, 11, 30);
  static inline DemoSummary s_summary;
  std::unique_ptr<storage::Session> m_db;
};

TEST_F(DemoDatabaseTest, ConfigurationIsMadeOfOrdinaryObjects) {
  const auto units =
      config::readDefinition(db(), ObjectKind::Enumeration, QStringLiteral("ЕдиницыИзмерения"));
  ASSERT_TRUE(units);
  EXPECT_EQ(units->enumerationValues(), (QStringList{"шт", "кг", "л", "м"}));

  const auto goods = config::readDefinition(db(), ObjectKind::Catalog, QStringLiteral("Товары"));
  ASSERT_TRUE(goods);
  EXPECT_EQ(goods->requisiteNames(), (QStringList{"Наименование", "Артикул", "Единица", "Цена"}));
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

  const auto stock =
      config::readDefinition(db(), ObjectKind::Register, QStringLiteral("ОстаткиТоваров"));
  ASSERT_TRUE(stock);
  EXPECT_EQ(stock->requisiteNames(), (QStringList{"Товар", "Склад", "Количество"}));
  // Its reference columns are indexed as the demo is made, not at the next start.
  EXPECT_EQ(config::ensureReferenceIndexes(db()), 0);

  for (const QString kind : {"ПриходнаяНакладная", "РасходнаяНакладная"}) {
    const auto doc = config::readDefinition(db(), ObjectKind::Document, kind);
    ASSERT_TRUE(doc) << kind.toStdString();
    EXPECT_EQ(doc->journal, QStringLiteral("Склад"));
    EXPECT_EQ(doc->requisiteNames(), (QStringList{"Наименование", "Контрагент", "Склад"}));
    EXPECT_TRUE(doc->hasTablePart);
    EXPECT_EQ(doc->tableRequisiteNames(), (QStringList{"Товар", "Количество", "Цена", "Сумма"}));
    // The price and the sum are amounts; the quantity is a number of its own decimals.
    EXPECT_EQ(doc->tableRequisites[1].type,
              config::RequisiteType::ofKind(config::RequisiteType::Kind::Number));
    EXPECT_EQ(doc->tableRequisites[2].type, config::RequisiteType::amount());
    EXPECT_EQ(doc->tableRequisites[3].type, config::RequisiteType::amount());
    EXPECT_TRUE(doc->module.contains(QStringLiteral("Процедура ПриСохранении")));
    EXPECT_TRUE(doc->module.contains(QStringLiteral("Процедура ПриИзмененииТаблицы")));
  }
  const auto journal = config::readDefinition(db(), ObjectKind::Journal, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->columns, (QStringList{"Контрагент", "Склад"}));
  for (const QString report : {"ОстаткиТоваров", "ОборотноСальдоваяВедомость", "ПланСчетов"})
    EXPECT_TRUE(config::readDefinition(db(), ObjectKind::Report, report)) << report.toStdString();
}

TEST_F(DemoDatabaseTest, HistoryIsPostedThroughTheDocumentsModules) {
  const int receipts = count(
      QStringLiteral("SELECT COUNT(*) FROM items_Документ_ПриходнаяНакладная WHERE Проводка='1'"));
  const int sales = count(
      QStringLiteral("SELECT COUNT(*) FROM items_Документ_РасходнаяНакладная WHERE Проводка='1'"));
  EXPECT_EQ(receipts, s_summary.receipts);
  EXPECT_EQ(sales, s_summary.sales);
  EXPECT_EQ(receipts + sales, 200);
  EXPECT_GT(sales, 50);
  // All in one year, each kind numbered 1, 2, … in the order the documents were dated.
  for (const auto& [kind, documents] :
       {std::pair{"ПриходнаяНакладная", receipts}, std::pair{"РасходнаяНакладная", sales}}) {
    storage::Recordset numbers = db().openRecordset(
        QStringLiteral("SELECT Номер FROM items_Документ_") + QString::fromUtf8(kind) +
        QStringLiteral(" ORDER BY substr(cDATE,4,2),substr(cDATE,1,2),cTIME"));
    int expected = 0;
    for (; !numbers.eof(); numbers.moveNext()) EXPECT_EQ(numbers.text(0).toInt(), ++expected);
    EXPECT_EQ(expected, documents);
  }
  // Every document lies within the three months before today.
  storage::Recordset dates = db().openRecordset(
      QStringLiteral("SELECT cDATE FROM items_Документ_ПриходнаяНакладная UNION ALL "
                     "SELECT cDATE FROM items_Документ_РасходнаяНакладная"));
  for (; !dates.eof(); dates.moveNext()) {
    const QDate d = dateOf(dates.text(0));
    EXPECT_TRUE(d >= s_today.addDays(-92) && d <= s_today) << dates.text(0).toStdString();
  }
  // The module's table-change procedure filled every amount.
  double receiptSum = 0, saleSum = 0;
  for (const QString kind : {"ПриходнаяНакладная", "РасходнаяНакладная"}) {
    storage::Recordset rows = db().openRecordset(
        QStringLiteral("SELECT Количество,Цена,Сумма FROM table_Документ_") + kind);
    int n = 0;
    for (; !rows.eof(); rows.moveNext(), ++n) {
      EXPECT_DOUBLE_EQ(rows.text(2).toDouble(), rows.text(0).toDouble() * rows.text(1).toDouble());
      (kind.startsWith(u'П') ? receiptSum : saleSum) += rows.text(2).toDouble();
    }
    // One movement per table row.
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM items_Регистр_ОстаткиТоваров WHERE Документ=") +
              storage::quote(kind)),
        n);
  }
  const QMap<QString, AccountFigures> accounts = accountsFor(db(), QDate(2000, 1, 1), s_today);
  EXPECT_DOUBLE_EQ(accounts.value(QStringLiteral("41")).debit, receiptSum);
  EXPECT_DOUBLE_EQ(accounts.value(QStringLiteral("60")).credit, receiptSum);
  EXPECT_DOUBLE_EQ(accounts.value(QStringLiteral("62")).debit, saleSum);
  EXPECT_DOUBLE_EQ(accounts.value(QStringLiteral("90.1")).credit, saleSum);
  // No sale took any stock below zero.
  for (int day = -91; day <= 0; day += 7)
    for (double q : stockOn(db(), s_today.addDays(day))) EXPECT_GE(q, 0);
}

TEST_F(DemoDatabaseTest, StockReportHeadlessMatchesTheMovements) {
  const QDate on = s_today.addDays(-20);
  const QList<QStringList> csv = report(QStringLiteral("ОстаткиТоваров"), on.addDays(-10), on);
  ASSERT_GE(csv.size(), 4);
  EXPECT_EQ(csv[0].value(0),
            QStringLiteral("Остатки товаров на ") + on.toString(QStringLiteral("dd.MM.yyyy")));
  EXPECT_EQ(csv[1], (QStringList{"Товар", "Склад", "Количество"}));
  QMap<QPair<QString, QString>, double> expected;
  double total = 0;
  for (auto [key, q] : stockOn(db(), on).asKeyValueRange())
    if (q != 0) {
      expected.insert(key, q);
      total += q;
    }
  QMap<QPair<QString, QString>, double> shown;
  for (qsizetype i = 2; i + 1 < csv.size(); ++i)
    shown.insert(qMakePair(csv[i][0], csv[i][1]), cellNumber(csv[i][2]));
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(csv.last().value(0), QStringLiteral("Итого"));
  EXPECT_DOUBLE_EQ(cellNumber(csv.last().value(2)), total);
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
      for (int c = 0; c < 6; ++c) row[c] += f[c];
    }
    if (any) expected.insert(code, row);
  }
  QMap<QString, QList<double>> shown;
  QList<double> totals(6, 0.0);
  for (qsizetype i = 3; i + 1 < csv.size(); ++i) {
    QList<double> figures;
    for (int c = 2; c < 8; ++c) figures << cellNumber(csv[i].value(c));
    shown.insert(csv[i][0], figures);
    if (subaccounts.contains(csv[i][0])) continue;
    for (int c = 0; c < 6; ++c) totals[c] += figures[c];
  }
  for (auto [code, f] : expected.asKeyValueRange())
    for (int c = 0; c < 6; ++c)
      EXPECT_NEAR(shown.value(code).value(c), f[c], 0.005) << code.toStdString() << " " << c;
  EXPECT_EQ(shown.keys(), expected.keys());
  EXPECT_EQ(csv[3].value(1).isEmpty(), false);  // the account's name from the chart
  EXPECT_EQ(csv.last().value(0), QStringLiteral("Итого"));
  for (int c = 0; c < 6; ++c)
    EXPECT_NEAR(cellNumber(csv.last().value(c + 2)), totals[c], 0.005) << c;
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

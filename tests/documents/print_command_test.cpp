#include <gtest/gtest.h>

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "config/print_forms.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"
#include "xlsx_cells.h"

namespace balvix::documents::testing {
namespace {

struct Result {
  int code = -1;
  QString out;
  QString error;
};

Result run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  const bool ended = p.waitForFinished(120000);
  EXPECT_TRUE(ended) << program.toStdString() << " did not end";
  return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

Result balvix(const QStringList& args) {
  return run(QStringLiteral(BALVIX_BINARY), args);
}

// One page of a PDF as text, its non-breaking spaces (of amounts) as plain blanks.
QString pdfPage(const QString& path, int page) {
  return run(QStringLiteral("pdftotext"),
             {"-f", QString::number(page), "-l", QString::number(page), path, "-"})
      .out.replace(QChar(0x00A0), u' ');
}

const QString kSales = QStringLiteral("РасходнаяНакладная");

// The demo database with one more sale: 60 rows dated in another year, so that the invoice
// takes two pages and its number is found through --date.
class PrintCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    s_path = s_dir->filePath(QStringLiteral("демо.mdb"));
    const Result made = balvix({"--new-database", s_path, "--demo"});
    ASSERT_EQ(made.code, 0) << made.error.toStdString();
    auto db = storage::Session::open(s_path);
    const QString key = QStringLiteral("'15.03.2025','10:00:00'");
    db->execute(QStringLiteral("INSERT INTO items_Документ_РасходнаяНакладная "
                               "(Наименование,Контрагент,Склад,cDATE,cTIME,Проводка,Номер) VALUES "
                               "('Большая','ИП Петров А. В.','Склад №1 (Центральный)',") +
                key + QStringLiteral(",'1','777')"));
    for (int i = 1; i <= 60; ++i)
      db->execute(QStringLiteral("INSERT INTO table_Документ_РасходнаяНакладная "
                                 "(Товар,Количество,Цена,Сумма,cDATE,cTIME) VALUES "
                                 "('Гвозди строительные 100 мм',%1,'10.5',%2,")
                      .arg(i)
                      .arg(storage::quote(QString::number(i * 10.5))) +
                  key + u')');
    // The sales form with its goods column widened past the width of a portrait page.
    const config::PrintForm sales = config::readPrintForms(*db, kSales).value(0);
    ASSERT_TRUE(sales.layout.contains(QStringLiteral("width 1 280")));
    config::PrintForm wide = sales;
    wide.name = QStringLiteral("Широкая");
    wide.layout.replace(QStringLiteral("width 1 280"), QStringLiteral("width 1 600"));
    ASSERT_TRUE(config::addPrintForm(*db, kSales, wide));
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  QString file(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

  static inline QTemporaryDir* s_dir = nullptr;
  static inline QString s_path;
  QTemporaryDir m_dir;
};

TEST_F(PrintCommandTest, ASixtyRowInvoiceRepeatsItsTableHeaderAndEndsWithTheTotalInWords) {
  const Result r = balvix({"--print", "РасходнаяНакладная", "777", "--date", "15.03.2025", "--db",
                           s_path, "--pdf", file("777.pdf")});
  ASSERT_EQ(r.code, 0) << r.error.toStdString();
  const QString first = pdfPage(file("777.pdf"), 1);
  const QString second = pdfPage(file("777.pdf"), 2);
  EXPECT_TRUE(Contains(first, QStringLiteral("Расходная накладная № 777 от 15.03.2025")));
  EXPECT_TRUE(Contains(first, QStringLiteral("Продавец: ООО «Стройторг»")));
  EXPECT_TRUE(Contains(first, QStringLiteral("Покупатель: ИП Петров А. В.")));
  EXPECT_TRUE(Contains(first, QStringLiteral("Гвозди строительные 100 мм")));
  EXPECT_TRUE(Contains(first, QStringLiteral("кг")));
  EXPECT_TRUE(Contains(first, QStringLiteral("Страница 1 из 2")));
  EXPECT_FALSE(Contains(first, QStringLiteral("Итого:")));
  // The table's header comes again above the rows that went on, under no document title.
  EXPECT_TRUE(Contains(second, QStringLiteral("Количество")));
  EXPECT_FALSE(Contains(second, QStringLiteral("Покупатель:")));
  EXPECT_TRUE(Contains(second, QStringLiteral("630,00")));  // row 60: 60 × 10,50
  // 10,50 × (1 + … + 60) = 19 215,00
  EXPECT_TRUE(Contains(second, QStringLiteral("Итого:")));
  EXPECT_TRUE(Contains(second, QStringLiteral("Всего наименований 60, на сумму 19 215,00 руб.")));
  EXPECT_TRUE(
      Contains(second, QStringLiteral("Девятнадцать тысяч двести пятнадцать рублей 00 копеек")));
  EXPECT_TRUE(Contains(second, QStringLiteral("Отпустил")));
  EXPECT_TRUE(Contains(second, QStringLiteral("Страница 2 из 2")));
}

// In the workbook the amounts and quantities are numbers with the formats the page shows
// them with, not texts.
TEST_F(PrintCommandTest, AWorkbooksAmountsAndQuantitiesAreNumberCells) {
  const Result r = balvix({"--print", kSales, "777", "--date", "15.03.2025", "--db", s_path,
                           "--form", "Расходная накладная", "--xlsx", file("777.xlsx")});
  ASSERT_EQ(r.code, 0) << r.error.toStdString();
  const struct {
    const char* column;
    const char* value;
    const char* format;
  } cells[] = {{"D\\d+", "60", "#,##0"},         // the quantity of row 60
               {"E\\d+", "10.5", "#,##0.00"},    // its price
               {"F\\d+", "630", "#,##0.00"},     // its sum
               {"F\\d+", "19215", "#,##0.00"}};  // the total
  for (const auto& c : cells) {
    const balvix::testing::XlsxCell cell = balvix::testing::xlsxCell(
        file("777.xlsx"), QString::fromUtf8(c.column), QString::fromUtf8(c.value));
    ASSERT_TRUE(cell.found) << c.value;
    EXPECT_TRUE(cell.number) << c.value;
    EXPECT_EQ(cell.format, QString::fromUtf8(c.format)) << c.value;
  }
}

TEST_F(PrintCommandTest, ThePageIsA4PortraitUnlessTheFormIsWiderThanAPortraitPage) {
  for (const auto& [form, landscape] :
       {std::pair{"Расходная накладная", false}, std::pair{"Широкая", true}}) {
    const QString pdf = file("страница.pdf");
    const Result r = balvix({"--print", kSales, "777", "--date", "15.03.2025", "--db", s_path,
                             "--form", QString::fromUtf8(form), "--pdf", pdf});
    ASSERT_EQ(r.code, 0) << r.error.toStdString();
    // «Page size:      595.276 x 841.89 pts (A4)»
    const QString info = run(QStringLiteral("pdfinfo"), {pdf}).out;
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    const double width = size.captured(1).toDouble(), height = size.captured(2).toDouble();
    EXPECT_NEAR(std::min(width, height), 595.3, 1) << form;
    EXPECT_NEAR(std::max(width, height), 841.9, 1) << form;
    EXPECT_EQ(width > height, landscape) << form;
  }
}

TEST_F(PrintCommandTest, TheNumberIsOfTheCurrentYearAndAWorkbookIsWrittenByTheSameForm) {
  // The demo's history is dated within the last months; its sale № 1 is of this year unless
  // the year has just begun.
  const int year = QDate::currentDate().year();
  auto db = storage::Session::open(s_path);
  const QString date = balvix::testing::firstText(
      *db, QStringLiteral("SELECT cDATE FROM items_Документ_ПриходнаяНакладная WHERE Номер='1' "
                          "AND substr(cDATE,7,4)='%1'")
               .arg(year));
  if (date.isEmpty()) GTEST_SKIP() << "no receipt numbered 1 this year";
  const Result r =
      balvix({"--print", "ПриходнаяНакладная", "1", "--db", s_path, "--form", "Приходная накладная",
              "--xlsx", file("1.xlsx"), "--pdf", file("1.pdf")});
  ASSERT_EQ(r.code, 0) << r.error.toStdString();
  EXPECT_TRUE(
      Contains(pdfPage(file("1.pdf"), 1), QStringLiteral("Приходная накладная № 1 от ") + date));
  const QString strings = balvix::testing::zipEntry(file("1.xlsx"), "xl/sharedStrings.xml");
  EXPECT_TRUE(Contains(strings, QStringLiteral("Поставщик:")));
  EXPECT_TRUE(Contains(strings, QStringLiteral("Получатель: ООО «Стройторг»")));
  EXPECT_TRUE(Contains(strings, QStringLiteral(" копе")));
}

TEST_F(PrintCommandTest, WhatCannotBePrintedEndsWithTheExitCodesOfReports) {
  struct Case {
    QStringList args;
    int code;
    const char* message;
  };
  const QString pdf = file("x.pdf");
  const Case cases[] = {
      {{"--print", "РасходнаяНакладная", "777", "--db", s_path, "--pdf", pdf},
       1,
       "нет такого документа за"},
      {{"--print", "РасходнаяНакладная", "777", "--date", "16.03.2025", "--db", s_path, "--pdf",
        pdf},
       1,
       "нет такого документа от 16.03.2025"},
      {{"--print", "РасходнаяНакладная", "777", "--date", "15.03.2025", "--form", "Счет", "--db",
        s_path, "--pdf", pdf},
       1,
       "нет печатной формы «Счет»"},
      {{"--print", "Заказ", "1", "--db", s_path, "--pdf", pdf}, 1, "нет документа «Заказ»"},
      {{"--print", "РасходнаяНакладная", "1", "--db", s_path}, 2, "--pdf или --xlsx"},
      {{"--print", "РасходнаяНакладная", "--db", s_path, "--pdf", pdf}, 2, "вид и номер"},
      {{"--print", "РасходнаяНакладная", "1", "--date", "31.02.2025", "--db", s_path, "--pdf", pdf},
       2,
       "не является датой"},
      {{"--print", "РасходнаяНакладная", "1", "--db", file("нет.mdb"), "--pdf", pdf}, 2, ""},
  };
  for (const Case& c : cases) {
    const Result r = balvix(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.join(u' ').toStdString() << "\n" << r.error.toStdString();
    EXPECT_TRUE(Contains(r.error, QString::fromUtf8(c.message))) << c.args.join(u' ').toStdString();
  }
  EXPECT_FALSE(QFile::exists(pdf));
}

// A module's error names the form's module and its line, and nothing is written.
TEST_F(PrintCommandTest, AFormThatWritesToTheDocumentStopsWithItsLine) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("копия.mdb"));
  ASSERT_TRUE(QFile::copy(s_path, path));
  {
    auto db = storage::Session::open(path);
    config::addPrintForm(*db, QStringLiteral("РасходнаяНакладная"),
                         {QStringLiteral("Порча"), QString(),
                          QStringLiteral("Сообщить Форма.Значение(\"Склад\")\r\n"
                                         "Форма.Значение(\"Склад\") = \"Другой\"\r\n")});
  }
  const Result r = balvix({"--print", "РасходнаяНакладная", "777", "--date", "15.03.2025", "--form",
                           "Порча", "--db", path, "--pdf", file("п.pdf")});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.out, QStringLiteral("Склад №1 (Центральный)")));
  EXPECT_TRUE(Contains(r.error, QStringLiteral("ПечатнаяФорма.РасходнаяНакладная.Порча")));
  EXPECT_TRUE(Contains(r.error, QStringLiteral("строка 2"))) << r.error.toStdString();
  EXPECT_TRUE(Contains(r.error, QStringLiteral("не изменяет документ")));
  EXPECT_FALSE(QFile::exists(file("п.pdf")));
}

}  // namespace
}  // namespace balvix::documents::testing

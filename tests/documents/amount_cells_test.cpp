#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "documents/list_export.h"
#include "documents/report_engine.h"
#include "documents/report_export.h"
#include "message_host.h"
#include "script/engine.h"
#include "test_helpers.h"
#include "xlsx_cells.h"

namespace balvix::documents::testing {
namespace {

using balvix::testing::zipEntry;
const QString nb = QString(QChar(0x00A0));

using balvix::testing::XlsxCell;
using balvix::testing::xlsxCell;

std::shared_ptr<ReportEngine> runReport(const QString& layout, const QString& module) {
  auto report = std::make_shared<ReportEngine>();
  QString problem;
  EXPECT_TRUE(report->loadLayout(layout, &problem)) << problem.toStdString();
  report->restartOutput();
  script::MessageHost host;
  script::Engine engine(host);
  ReportEngine::addObjects(report, engine, ReportDialogValues{});
  engine.load(module);
  return report;
}

TEST(AmountCells, AReportCellShowsItsNumberAsAnAccountantWritesIt) {
  CellStyle plain;
  CellStyle money;
  money.decimals = 2;
  CellStyle blank = money;
  blank.blankZero = true;
  CellStyle centred;
  centred.align = Qt::AlignHCenter;
  const struct {
    ReportCell cell;
    CellStyle style;
    QString shown;
    Qt::Alignment align;
  } cases[] = {
      {{"1495864", 0, CellKind::Number, 1495864},
       money,
       "1" + nb + "495" + nb + "864,00",
       Qt::AlignRight},
      {{"12,5", 0, CellKind::Number, 12.5}, plain, "12,5", Qt::AlignRight},
      {{"2500", 0, CellKind::Number, 2500}, plain, "2" + nb + "500", Qt::AlignRight},
      {{"0", 0, CellKind::Number, 0}, blank, "", Qt::AlignRight},
      {{"0", 0, CellKind::Number, 0}, money, "0,00", Qt::AlignRight},
      {{"7", 0, CellKind::Number, 7}, centred, "7", Qt::AlignHCenter},
      {{"41.10", 0, CellKind::Text, 0}, money, "41.10", Qt::AlignLeft},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shownText(c.cell, c.style), c.shown) << c.cell.text.toStdString();
    EXPECT_EQ(shownAlignment(c.cell, c.style), c.align) << c.cell.text.toStdString();
  }
}

const QString kLayout = QStringLiteral(
    "BalvixReport 1\r\ncolumns 4\r\nrows 1\r\nstyle 1 align=right decimals=2 zero=blank\r\n"
    "cell 0 0 1 [Сумма]\r\ncell 0 1 1 [Прописью]\r\ncell 0 2 0 [Количество]\r\n"
    "cell 0 3 1 [Ноль]\r\nsection Строка 0 0\r\n");

TEST(AmountCells, ACellWithANumberFormatTakesTheNumberOfAnAmountsText) {
  const auto report =
      runReport(kLayout, QStringLiteral("Отчет.Параметр(\"Сумма\") = FormatNumber(1495864, 2)\r\n"
                                        "Отчет.Параметр(\"Прописью\") = \"нет суммы\"\r\n"
                                        "Отчет.Параметр(\"Количество\") = 2.5\r\n"
                                        "Отчет.Параметр(\"Ноль\") = 0\r\n"
                                        "Отчет.Вывести(\"Строка\")\r\n"));
  const ReportSheet& out = report->output();
  EXPECT_EQ(out.cell(0, 0)->kind, CellKind::Number);
  EXPECT_EQ(out.cell(0, 0)->number, 1495864.0);
  EXPECT_EQ(out.cell(0, 1)->kind, CellKind::Text);
  EXPECT_EQ(shownText(*out.cell(0, 3), out.style(out.cell(0, 3)->style)), QString());
  // The layout keeps the format when written and read again.
  const auto again = ReportLayoutText::read(ReportLayoutText::write(report->layout()));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->style(1).decimals, 2);
  EXPECT_TRUE(again->style(1).blankZero);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("суммы.xlsx"));
  ASSERT_EQ(report_export::writeXlsx(out, path, QStringLiteral("Суммы")), QString());
  const struct {
    const char* ref;
    bool number;
    const char* format;
  } cells[] = {{"A1", true, "#,##0.00;-#,##0.00;"},
               {"B1", false, "General"},
               {"C1", true, "#,##0.0"},
               {"D1", true, "#,##0.00;-#,##0.00;"}};
  for (const auto& c : cells) {
    const XlsxCell cell = xlsxCell(path, QString::fromUtf8(c.ref));
    EXPECT_EQ(cell.number, c.number) << c.ref;
    EXPECT_EQ(cell.format, QString::fromUtf8(c.format)) << c.ref;
  }
}

TEST(AmountCells, AListsAmountsAreNumberCellsAndACatalogsTextsStillLoadBack) {
  ListTable table;
  table.title = QStringLiteral("Товары");
  table.headers = {"Наименование", "Цена", "Вес"};
  table.kinds = {config::RequisiteType::Kind::Text, config::RequisiteType::Kind::Number,
                 config::RequisiteType::Kind::Number};
  table.money = {false, true, false};
  table.rows = {{"Стол", "1495864", "12,5"}, {"Стул", "180.25", "3"}};
  QTemporaryDir dir;
  const QString catalog = dir.filePath(QStringLiteral("товары.xlsx"));
  ASSERT_EQ(list_export::writeXlsx(table, catalog), QString());
  // «12,5» is not the text its number gives back: it stays a string, so it loads back.
  const struct {
    const char* ref;
    bool number;
    const char* format;
  } cells[] = {{"B2", true, "#,##0.00"},
               {"B3", true, "#,##0.00"},
               {"C2", false, "General"},
               {"C3", true, "#,##0"}};
  for (const auto& c : cells) {
    const XlsxCell cell = xlsxCell(catalog, QString::fromUtf8(c.ref));
    EXPECT_EQ(cell.number, c.number) << c.ref;
    EXPECT_EQ(cell.format, QString::fromUtf8(c.format)) << c.ref;
  }
  // A journal's totals, written as shown, are numbers too.
  table.loadsBack = false;
  table.rows = {{"Продажа", "1" + nb + "495" + nb + "864,00", "12,5"}};
  const QString journal = dir.filePath(QStringLiteral("журнал.xlsx"));
  ASSERT_EQ(list_export::writeXlsx(table, journal), QString());
  EXPECT_TRUE(xlsxCell(journal, QStringLiteral("B2")).number);
  EXPECT_TRUE(zipEntry(journal, QStringLiteral("xl/worksheets/sheet1.xml"))
                  .contains(QRegularExpression(QStringLiteral("<c r=\"B2\"[^>]*><v>1495864</v>"))));
}

QStringList csvLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll().mid(3)).split(QStringLiteral("\r\n"));
}

// A CSV is read by a spreadsheet set to Russian: numbers with a decimal comma and no blanks
// (with the decimals they are shown with), dates dd.MM.yyyy, texts as they are.
TEST(AmountCells, AReportsCsvHoldsNumbersASpreadsheetReads) {
  ReportSheet sheet;
  CellStyle money;
  money.decimals = 2;
  CellStyle blank = money;
  blank.blankZero = true;
  const int amounts = sheet.styleIndex(money);
  const int blanks = sheet.styleIndex(blank);
  const struct {
    ReportCell cell;
    QString written;
  } cases[] = {
      {{"1495864", amounts, CellKind::Number, 1495864}, "1495864,00"},
      {{"1 495 864,5", 0, CellKind::Number, 1495864.5}, "1495864,5"},
      {{"2.25", 0, CellKind::Number, 2.25}, "2,25"},
      {{"-3", amounts, CellKind::Number, -3}, "-3,00"},
      {{"0", blanks, CellKind::Number, 0}, "0,00"},  // blank on screen, a value in the file
      {{"05.02.2026", 0, CellKind::Date, 46058}, "05.02.2026"},
      {{"41.10", amounts, CellKind::Text, 0}, "41.10"},
      {{"007", 0, CellKind::Text, 0}, "007"},
  };
  sheet.columns = 1;
  for (const auto& c : cases) sheet.rows.push_back({c.cell});
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("отчет.csv"));
  ASSERT_EQ(report_export::writeCsv(sheet, path), QString());
  const QStringList lines = csvLines(path);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(lines.value(static_cast<qsizetype>(i)), cases[i].written) << i;
}

// A list's CSV writes numbers so too; a catalog's keeps each stored number's own digits, so
// that it loads back as it was, and a text that is no plain number stays as it is.
TEST(AmountCells, AListsCsvHoldsNumbersASpreadsheetReads) {
  using Kind = config::RequisiteType::Kind;
  const struct {
    bool loadsBack;
    Kind kind;
    bool money;
    QString stored;
    QString written;
  } cases[] = {
      {true, Kind::Number, true, "1500", "1500"},
      {true, Kind::Number, false, "12.5", "12,5"},
      {true, Kind::Number, true, "180.25", "180,25"},
      {true, Kind::Number, false, "007", "007"},
      {true, Kind::Number, false, "1 200", "1 200"},
      {true, Kind::Text, false, "12.5", "12.5"},
      {false, Kind::Number, true, "1" + nb + "495" + nb + "864,00", "1495864,00"},
      {false, Kind::Number, true, "99", "99,00"},
      {false, Kind::Number, false, "2,5", "2,5"},
      {false, Kind::Date, false, "05.02.2026", "05.02.2026"},
  };
  QTemporaryDir dir;
  for (const auto& c : cases) {
    ListTable table;
    table.headers = {QStringLiteral("Графа")};
    table.kinds = {c.kind};
    table.money = {c.money};
    table.loadsBack = c.loadsBack;
    table.rows = {{c.stored}};
    const QString path = dir.filePath(QStringLiteral("список.csv"));
    ASSERT_EQ(list_export::writeCsv(table, path), QString());
    EXPECT_EQ(csvLines(path).value(1), c.written) << c.stored.toStdString();
  }
}

TEST(AmountCells, AReportsColumnTitlesComeFromItsHeadingRows) {
  const std::optional<ReportSheet> layout = ReportLayoutText::read(QStringLiteral(
      "BalvixReport 1\r\ncolumns 4\r\nrows 4\r\ncell 0 0 0 Ведомость\r\ncell 1 0 0 Счет\r\n"
      "cell 1 2 0 Сальдо\r\ncell 2 2 0 Дебет\r\ncell 2 3 0 Кредит\r\ncell 1 1 0 Наименование\r\n"
      "cell 3 0 0 [Счет]\r\nmerge 0 0 1 4\r\nmerge 1 0 2 1\r\nmerge 1 2 1 2\r\n"
      "section Шапка 0 2\r\nsection Строка 3 3\r\n"));
  ASSERT_TRUE(layout);
  ReportEngine report;
  QString problem;
  ASSERT_TRUE(report.loadLayout(ReportLayoutText::write(*layout), &problem));
  report.restartOutput();
  ASSERT_TRUE(report.outputSection(QStringLiteral("Шапка")));
  ASSERT_TRUE(report.outputSection(QStringLiteral("Строка")));
  EXPECT_EQ(columnHeadings(report.output()),
            (QStringList{"Счет", "Наименование", "Сальдо: Дебет", "Сальдо: Кредит"}));
  // Without heading rows there are no titles.
  EXPECT_EQ(columnHeadings(*layout), QStringList(4));
}

}  // namespace
}  // namespace balvix::documents::testing

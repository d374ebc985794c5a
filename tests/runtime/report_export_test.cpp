#include "runtime/report_export.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "runtime/report_grid.h"
#include "test_helpers.h"

namespace balvix::runtime::testing {
namespace {

namespace ex = report_export;
using balvix::testing::zipEntry;

// A header of two rows (a merged, bold title and the column names) and `count` rows.
ReportSheet sheet(int count) {
  ReportSheet s;
  CellStyle bold;
  bold.bold = true;
  const int b = s.styleIndex(bold);
  s.cellRef(0, 0) = {"Остатки товаров", b};
  s.cellRef(1, 0) = {"Номер", b};
  s.cellRef(1, 1) = {"Товар", b};
  s.cellRef(1, 2) = {"Дата", b};
  s.merges << QRect(0, 0, 3, 1);
  s.rowSections << QStringLiteral("Шапка") << QStringLiteral("Шапка");
  for (int i = 1; i <= count; ++i) {
    const int r = s.rowCount();
    s.cellRef(r, 0) = {QString::number(i * 10), 0, CellKind::Number, i * 10.0};
    s.cellRef(r, 1).text = QStringLiteral("Строка %1").arg(i, 3, 10, QLatin1Char('0'));
    s.cellRef(r, 2) = {"05.02.2026", 0, CellKind::Date, 46058};
    s.rowSections << QStringLiteral("Строка");
  }
  return s;
}

QString run(const QString& program, const QStringList& arguments) {
  QProcess p;
  p.start(program, arguments);
  if (!p.waitForFinished(30000) || p.exitCode() != 0)
    return QStringLiteral("<failed: %1>").arg(QString::fromUtf8(p.readAllStandardError()));
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfPage(const QString& path, int page) {
  return run(QStringLiteral("pdftotext"),
             {"-f", QString::number(page), "-l", QString::number(page), path, "-"});
}

TEST(ReportExport, ACellsTypeFollowsTheModulesValueNotItsLooks) {
  ReportGrid grid;
  ASSERT_TRUE(grid.LoadLayout(QStringLiteral(
      "BalvixReport 1\r\ncolumns 5\r\nrows 1\r\ncell 0 0 0 [Код]\r\ncell 0 1 0 [Сумма]\r\n"
      "cell 0 2 0 [Дата]\r\ncell 0 3 0 Итого [Сумма]\r\ncell 0 4 0 [Количество]\r\n"
      "section Строка 0 0\r\n")));
  ASSERT_TRUE(grid.LoadModule(QStringLiteral("Отчет.Параметр(\"Код\") = \"41.10\"\r\n"
                                             "Отчет.Параметр(\"Сумма\") = 1234.5\r\n"
                                             "Отчет.Параметр(\"Дата\") = DateSerial(2026, 2, 5)\r\n"
                                             "Отчет.Параметр(\"Количество\") = \"12\"\r\n"
                                             "Отчет.Вывести(\"Строка\")\r\n"
                                             "Отчет.Ячейка(2, 1) = 7\r\n"
                                             "Отчет.Ячейка(2, 2) = \"007\"\r\n"),
                              nullptr));
  const ReportSheet& out = grid.sheet();
  const auto kind = [&](int r, int c) { return out.cell(r, c)->kind; };
  EXPECT_EQ(out.cell(0, 0)->text, QStringLiteral("41.10"));
  EXPECT_EQ(kind(0, 0), CellKind::Text);
  EXPECT_EQ(kind(0, 1), CellKind::Number);
  EXPECT_EQ(out.cell(0, 1)->number, 1234.5);
  EXPECT_EQ(kind(0, 2), CellKind::Date);
  EXPECT_EQ(kind(0, 3), CellKind::Text);  // a number inside a text is text
  EXPECT_EQ(kind(0, 4), CellKind::Text);  // a number written as text stays text
  EXPECT_EQ(kind(1, 0), CellKind::Number);
  EXPECT_EQ(kind(1, 1), CellKind::Text);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("коды.xlsx"));
  ASSERT_EQ(ex::writeXlsx(out, path, QStringLiteral("Коды")), QString());
  const QString xml = zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
  const QString strings = zipEntry(path, QStringLiteral("xl/sharedStrings.xml"));
  for (const char* text : {"A1", "D1", "E1", "B2"})
    EXPECT_TRUE(xml.contains(QRegularExpression(
        QStringLiteral("<c r=\"%1\"[^>]*t=\"s\"[^>]*>").arg(QString::fromUtf8(text)))))
        << text << xml.toStdString();
  EXPECT_TRUE(strings.contains(QStringLiteral(">41.10<")));
  EXPECT_TRUE(strings.contains(QStringLiteral(">007<")));
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"B1\"[^>]*><v>1234.5</v>"))));
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"C1\"[^>]*><v>46058</v>"))));
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"A2\"[^>]*><v>7</v>"))));
}

TEST(ReportExport, CsvIsUtf8WithBomSemicolonsAndQuotedFields) {
  QTemporaryDir dir;
  ReportSheet s = sheet(2);
  s.cellRef(3, 1).text = QStringLiteral("Стол; \"дуб\"\nбольшой");
  const QString path = dir.filePath(QStringLiteral("отчет.csv"));
  ASSERT_EQ(ex::writeCsv(s, path), QString());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
  EXPECT_EQ(lines, (QStringList{"Остатки товаров;;", "Номер;Товар;Дата", "10;Строка 001;05.02.2026",
                                "20;\"Стол; \"\"дуб\"\"\nбольшой\";05.02.2026", QString()}));
  EXPECT_FALSE(ex::writeCsv(s, dir.filePath(QStringLiteral("нет/такой/папки.csv"))).isEmpty());
}

TEST(ReportExport, XlsxHoldsTypedCellsBoldAndMergedRanges) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("отчет.xlsx"));
  ASSERT_EQ(ex::writeXlsx(sheet(2), path, QStringLiteral("Остатки")), QString());
  const QString xml = zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
  const QString strings = zipEntry(path, QStringLiteral("xl/sharedStrings.xml"));
  const QString styles = zipEntry(path, QStringLiteral("xl/styles.xml"));
  const QString book = zipEntry(path, QStringLiteral("xl/workbook.xml"));
  EXPECT_TRUE(book.contains(QStringLiteral("name=\"Остатки\"")));
  EXPECT_TRUE(xml.contains(QStringLiteral("<mergeCell ref=\"A1:C1\"/>"))) << xml.toStdString();
  // A3 is the number 10, B3 a shared string, C3 the date 05.02.2026 (serial 46058).
  EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<c r=\"A3\"[^>]*><v>10</v></c>"))));
  EXPECT_TRUE(xml.contains(
      QRegularExpression(QStringLiteral("<c r=\"B3\"[^>]*t=\"s\"[^>]*><v>\\d+</v></c>"))));
  EXPECT_TRUE(
      xml.contains(QRegularExpression(QStringLiteral("<c r=\"C3\" s=\"\\d+\"><v>46058</v></c>"))))
      << xml.toStdString();
  EXPECT_TRUE(strings.contains(QStringLiteral("Строка 001")));
  EXPECT_TRUE(strings.contains(QStringLiteral("Остатки товаров")));
  EXPECT_TRUE(styles.contains(QStringLiteral("<b/>")));
  EXPECT_TRUE(styles.contains(QStringLiteral("dd.mm.yyyy")));
}

TEST(ReportExport, PdfRepeatsTheHeaderAndNumbersThePages) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("отчет.pdf"));
  ASSERT_EQ(ex::writePdf(sheet(100), path, QStringLiteral("Отчет.Остатки")), QString());
  // A4 portrait, 985 px for rows of 22 px: 44 rows on the first page (the header and
  // 42 rows), the header and 42 rows on the next ones.
  const QString first = pdfPage(path, 1);
  const QString second = pdfPage(path, 2);
  const QString third = pdfPage(path, 3);
  EXPECT_TRUE(first.contains(QStringLiteral("Остатки товаров")));
  EXPECT_TRUE(first.contains(QStringLiteral("Строка 001")));
  EXPECT_TRUE(first.contains(QStringLiteral("Строка 042")));
  EXPECT_FALSE(first.contains(QStringLiteral("Строка 043")));
  EXPECT_TRUE(first.contains(QStringLiteral("Страница 1 из 3"))) << first.toStdString();
  EXPECT_TRUE(second.contains(QStringLiteral("Номер")));
  EXPECT_TRUE(second.contains(QStringLiteral("Строка 043")));
  EXPECT_TRUE(second.contains(QStringLiteral("Строка 084")));
  EXPECT_TRUE(second.contains(QStringLiteral("Страница 2 из 3")));
  EXPECT_TRUE(third.contains(QStringLiteral("Строка 100")));
  EXPECT_TRUE(third.contains(QStringLiteral("Отчет.Остатки")));
  // Columns wider than a portrait page turn it.
  ReportSheet wide = sheet(1);
  wide.columnWidths = {300, 300, 300};
  EXPECT_TRUE(ex::wantsLandscape(wide));
  EXPECT_FALSE(ex::wantsLandscape(sheet(1)));
}

TEST(ReportExport, PrinterGetsTheSamePages) {
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString path = dir.filePath(QStringLiteral("печать.pdf"));
  printer.setOutputFileName(path);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
  QPainter painter(&printer);
  EXPECT_EQ(ex::paint(sheet(100), printer, painter, QStringLiteral("Печать")), 3);
  painter.end();
  EXPECT_TRUE(pdfPage(path, 2).contains(QStringLiteral("Строка 043")));
  // An empty report still prints one page with its number.
  QPrinter empty(QPrinter::HighResolution);
  empty.setOutputFormat(QPrinter::PdfFormat);
  empty.setOutputFileName(dir.filePath(QStringLiteral("пусто.pdf")));
  QPainter p2(&empty);
  EXPECT_EQ(ex::paint(ReportSheet{}, empty, p2, QString()), 1);
}

}  // namespace
}  // namespace balvix::runtime::testing

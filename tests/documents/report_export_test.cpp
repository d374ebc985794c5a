#include "documents/report_export.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "documents/report_engine.h"
#include "message_host.h"
#include "report_sheets.h"
#include "script/engine.h"
#include "script/script_error.h"
#include "test_helpers.h"

namespace balvix::documents::testing {
namespace {

namespace ex = report_export;
using balvix::testing::zipEntry;

ReportSheet sheet(int count) {
  return balvix::testing::reportSheet(count);
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

// Runs a report's module over a layout as the program does, without windows; the module's
// error, if any, in `error`.
std::shared_ptr<ReportEngine> runReport(const QString& layout, const QString& module,
                                        QString* error = nullptr) {
  auto report = std::make_shared<ReportEngine>();
  QString problem;
  EXPECT_TRUE(report->loadLayout(layout, &problem)) << problem.toStdString();
  report->restartOutput();
  script::MessageHost host;
  script::Engine engine(host);
  ReportEngine::addObjects(report, engine, ReportDialogValues{});
  try {
    engine.load(module);
  } catch (const script::ScriptError& e) {
    if (error) *error = e.description();
    EXPECT_TRUE(error) << e.description().toStdString();
  }
  return report;
}

TEST(ReportExport, ACellsTypeFollowsTheModulesValueNotItsLooks) {
  const auto report = runReport(
      QStringLiteral(
          "BalvixReport 1\r\ncolumns 5\r\nrows 1\r\ncell 0 0 0 [Код]\r\ncell 0 1 0 [Сумма]\r\n"
          "cell 0 2 0 [Дата]\r\ncell 0 3 0 Итого [Сумма]\r\ncell 0 4 0 [Количество]\r\n"
          "section Строка 0 0\r\n"),
      QStringLiteral("Отчет.Параметр(\"Код\") = \"41.10\"\r\n"
                     "Отчет.Параметр(\"Сумма\") = 1234.5\r\n"
                     "Отчет.Параметр(\"Дата\") = DateSerial(2026, 2, 5)\r\n"
                     "Отчет.Параметр(\"Количество\") = \"12\"\r\n"
                     "Отчет.Вывести(\"Строка\")\r\n"
                     "Отчет.Ячейка(2, 1) = 7\r\n"
                     "Отчет.Ячейка(2, 2) = \"007\"\r\n"));
  const ReportSheet& out = report->output();
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

// The texts of a workbook's shared strings, read by an XML reader that must find no fault.
QStringList sharedStrings(const QString& path) {
  QXmlStreamReader xml(zipEntry(path, QStringLiteral("xl/sharedStrings.xml")));
  QStringList texts;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"t")
      texts << xml.readElementText();
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return texts;
}

TEST(ReportExport, XlsxCodesWhatItCannotHoldCutsOverlongTextsAndCountsThem) {
  const QString longText(40000, QChar(u'я'));
  const struct {
    QString text;
    QString stored;  // as the workbook holds it
    bool altered;
  } cases[] = {
      {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("a_x0000_b"), true},
      {QStringLiteral("f") + QChar(0xFFFF) + QStringLiteral("g") + QChar(0xFFFE),
       QStringLiteral("f_xFFFF_g_xFFFE_"), true},
      {QStringLiteral("звонок") + QChar(7), QStringLiteral("звонок_x0007_"), true},
      {QStringLiteral("тире _x0041_ код"), QStringLiteral("тире _x005F_x0041_ код"), false},
      {longText, longText.left(ex::kXlsxMaxText - ex::kXlsxCutMark.size()) + ex::kXlsxCutMark,
       true},
      {QStringLiteral("обычный текст"), QStringLiteral("обычный текст"), false},
  };
  ReportSheet s;
  int expected = 0;
  for (const auto& c : cases) {
    s.cellRef(s.rowCount(), 0).text = c.text;
    expected += c.altered ? 1 : 0;
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("тексты.xlsx"));
  int altered = -1;
  ASSERT_EQ(ex::writeXlsx(s, path, QStringLiteral("Тексты"), &altered), QString());
  EXPECT_EQ(altered, expected);
  EXPECT_TRUE(ex::xlsxAlteredNote(altered).contains(QString::number(expected)));
  EXPECT_TRUE(ex::xlsxAlteredNote(0).isEmpty());
  const QStringList texts = sharedStrings(path);
  for (const auto& c : cases)
    EXPECT_TRUE(texts.contains(c.stored)) << c.stored.left(40).toStdString();
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

}  // namespace
}  // namespace balvix::documents::testing

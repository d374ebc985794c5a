#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "documents/report_engine.h"
#include "documents/report_export.h"
#include "message_host.h"
#include "script/coerce.h"
#include "script/engine.h"

namespace balvix::documents::testing {
namespace {

QByteArray csvOf(const ReportSheet& sheet, const QString& path) {
  EXPECT_EQ(report_export::writeCsv(sheet, path), QString());
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Расшифровка goes with every cell output after it, by Вывести or Ячейка, until it is
// cleared; the module's ПриРасшифровке gets it back as it was given, and nothing of it shows
// in an export.
TEST(ReportDrill, EachCellKeepsTheValueItWasOutputWith) {
  auto report = std::make_shared<ReportEngine>();
  ASSERT_TRUE(report->loadLayout(QStringLiteral(
      "BalvixReport 1\ncolumns 3\ncell 0 0 0 [Код]\ncell 0 1 0 x\nsection Строка 0 0\n")));
  report->restartOutput();
  script::MessageHost host;
  script::Engine engine(host);
  ReportEngine::addObjects(report, engine, ReportDialogValues{});
  engine.load(QStringLiteral(
      "Получено = \"\"\r\n"
      "Отчет.Параметр(\"Код\") = \"41\"\r\n"
      "Отчет.Расшифровка = \"41.1\"\r\n"
      "Отчет.Вывести(\"Строка\")\r\n"
      "Отчет.Расшифровка = 12.5\r\n"
      "Отчет.Ячейка(2, 3) = 7\r\n"
      "Отчет.Расшифровка = Отчет.Документ(\"Продажа\", \"05.03.2026\", \"10:15:00\")\r\n"
      "Отчет.Вывести(\"Строка\")\r\n"
      "Отчет.Расшифровка = \"\"\r\n"
      "Отчет.Вывести(\"Строка\")\r\n"
      "Процедура ПриРасшифровке(Значение)\r\n"
      "  Получено = Значение\r\n"
      "КонецПроцедуры\r\n"));
  const struct {
    int row, column;
    const char* value;  // nullptr: no drill-down
    bool document;
  } cases[] = {
      {0, 0, "41.1", false},  {0, 1, "41.1", false},   {0, 2, nullptr, false},
      {1, 2, "12.5", false},  {1, 0, nullptr, false},  {2, 0, "05.03.2026 10:15:00", true},
      {3, 0, nullptr, false}, {99, 0, nullptr, false},
  };
  for (const auto& c : cases) {
    const CellDrill* d = report->drillAt(c.row, c.column);
    ASSERT_EQ(d != nullptr, c.value != nullptr) << c.row << "," << c.column;
    if (!d) continue;
    EXPECT_EQ(d->namesDocument(), c.document) << c.row;
    if (!c.document) {
      EXPECT_EQ(d->value.text, QString::fromUtf8(c.value)) << c.row;
    }
  }
  const CellDrill* document = report->drillAt(2, 1);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->documentKind, QStringLiteral("Продажа"));
  EXPECT_EQ(document->documentTime, QStringLiteral("10:15:00"));
  EXPECT_FALSE(ReportEngine::runDrill(engine, *document));

  ASSERT_TRUE(ReportEngine::runDrill(engine, *report->drillAt(0, 0)));
  EXPECT_EQ(script::toText(engine.variable(QStringLiteral("Получено"))), QStringLiteral("41.1"));
  ASSERT_TRUE(ReportEngine::runDrill(engine, *report->drillAt(1, 2)));
  EXPECT_DOUBLE_EQ(script::toDouble(engine.variable(QStringLiteral("Получено"))), 12.5);

  QTemporaryDir dir;
  ReportSheet plain = report->output();
  plain.drills.clear();
  EXPECT_EQ(csvOf(report->output(), dir.filePath(QStringLiteral("a.csv"))),
            csvOf(plain, dir.filePath(QStringLiteral("b.csv"))));
}

TEST(ReportDrill, OnlyADocumentReferenceIsAnObjectItTakes) {
  auto report = std::make_shared<ReportEngine>();
  report->restartOutput();
  script::MessageHost host;
  script::Engine engine(host);
  ReportEngine::addObjects(report, engine, ReportDialogValues{});
  EXPECT_THROW(engine.load(QStringLiteral("Отчет.Расшифровка = Отчет")), script::ScriptError);
  EXPECT_FALSE(report->drill());
}

}  // namespace
}  // namespace balvix::documents::testing

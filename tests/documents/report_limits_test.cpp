#include <gtest/gtest.h>

#include <QLocale>

#include "documents/report_engine.h"
#include "message_host.h"
#include "script/engine.h"
#include "script/script_error.h"

namespace balvix::documents::testing {
namespace {

using namespace report_limits;

TEST(ReportLimits, ALayoutBeyondTheLimitsIsRefusedWithItsLine) {
  const struct {
    const char* lines;  // after the first line
    int line;           // the line named
  } cases[] = {
      {"columns 16384", 2},
      {"rows 1000000", 2},
      {"columns 3\nrows 10001", 3},
      {"width 1024 50", 2},
      {"height 10000 30", 2},
      {"cell 0 1024 0 x", 2},
      {"cell 10000 0 0 x", 2},
      {"merge 9999 0 2 1", 2},
      {"merge 0 1000 1 25", 2},
      {"section Строка 0 999999", 2},
      // A section of the most rows, but wider than a section may be once the columns are
      // known, is named by its own line.
      {"section Строка 0 9999\ncolumns 11", 2},
  };
  for (const auto& c : cases) {
    QString problem;
    const QString text = QStringLiteral("BalvixReport 1\n") + QString::fromUtf8(c.lines);
    EXPECT_FALSE(ReportLayoutText::read(text, &problem)) << c.lines;
    EXPECT_TRUE(
        problem.startsWith(QStringLiteral("Макет отчета поврежден (строка %1)").arg(c.line)))
        << c.lines << ": " << problem.toStdString();
  }
  // What lies within the limits is read.
  const auto widest = ReportLayoutText::read(QStringLiteral(
      "BalvixReport 1\ncolumns 1024\nrows 10000\ncell 9999 1023 0 x\nsection С 0 96\n"));
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest->columns, kMaxColumns);
  EXPECT_EQ(widest->rowCount(), kMaxLayoutRows);
}

TEST(ReportLimits, AnOutputBeyondTheBoundStopsTheModuleWithAMessage) {
  // Each grows the output past a bound while holding few cells in memory.
  const QString loop = QStringLiteral("Do\r\nОтчет.Вывести(\"Строка\")\r\nLoop");
  const struct {
    int columns;
    QString module;
    qint64 limit;  // named in the message
  } cases[] = {
      {kMaxColumns, loop, kMaxOutputCells},
      {kMaxColumns, QStringLiteral("Отчет.Ячейка(1000000, 1024) = 1"), kMaxOutputCells},
      {kMaxColumns, QStringLiteral("Отчет.Ячейка(9000, 1) = 1\r\n") + loop, kMaxOutputCells},
      {1, loop, kMaxOutputRows},
  };
  for (const auto& c : cases) {
    auto report = std::make_shared<ReportEngine>();
    ASSERT_TRUE(report->loadLayout(
        QStringLiteral("BalvixReport 1\ncolumns %1\ncell 0 0 0 [Номер]\nsection Строка 0 0\n")
            .arg(c.columns)));
    report->restartOutput();
    script::MessageHost host;
    script::Engine engine(host);
    ReportEngine::addObjects(report, engine, ReportDialogValues{});
    QString error;
    try {
      engine.load(c.module);
    } catch (const script::ScriptError& e) {
      error = e.description();
    }
    EXPECT_TRUE(error.contains(QLocale(QLocale::Russian).toString(c.limit)))
        << c.module.toStdString() << ": " << error.toStdString();
    const ReportSheet& out = report->output();
    EXPECT_LE(out.rowCount(), kMaxOutputRows);
    EXPECT_LE(qint64(out.rowCount()) * std::max(out.columns, 1), kMaxOutputCells);
  }
}

}  // namespace
}  // namespace balvix::documents::testing

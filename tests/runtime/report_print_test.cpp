#include <gtest/gtest.h>

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include "report_sheets.h"
#include "runtime/report_grid.h"

namespace balvix::runtime::testing {
namespace {

QString pdfPage(const QString& path, int page) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"),
          {"-f", QString::number(page), "-l", QString::number(page), path, "-"});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("<failed>");
  return QString::fromUtf8(p.readAllStandardOutput());
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
  EXPECT_EQ(report_export::paint(balvix::testing::reportSheet(100), printer, painter,
                                 QStringLiteral("Печать")),
            3);
  painter.end();
  EXPECT_TRUE(pdfPage(path, 2).contains(QStringLiteral("Строка 043")));
  // An empty report still prints one page with its number.
  QPrinter empty(QPrinter::HighResolution);
  empty.setOutputFormat(QPrinter::PdfFormat);
  empty.setOutputFileName(dir.filePath(QStringLiteral("пусто.pdf")));
  QPainter p2(&empty);
  EXPECT_EQ(report_export::paint(ReportSheet{}, empty, p2, QString()), 1);
}

}  // namespace
}  // namespace balvix::runtime::testing

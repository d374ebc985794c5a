#pragma once

#include <QString>
#include <QVariant>

#include "runtime/report_layout.h"

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace balvix::runtime {

// Writing a report's output to files and to paper. Every function returns an empty
// text on success, otherwise the reason in Russian.
namespace report_export {

// UTF-8 with a byte-order mark, fields separated by ";", lines by CR LF; fields holding
// ";", quotes or line breaks are quoted.
QString writeCsv(const ReportSheet& sheet, const QString& path);
// A workbook with one sheet: numbers and dates typed, styles, merged ranges and widths.
QString writeXlsx(const ReportSheet& sheet, const QString& path, const QString& title);
// A4, landscape when the columns do not fit the width of a portrait page.
QString writePdf(const ReportSheet& sheet, const QString& path, const QString& title);

// True when the columns are wider than a portrait A4 page's printable width.
bool wantsLandscape(const ReportSheet& sheet);
// Paints the sheet page by page on a printer or PDF writer: the leading rows output from
// the section "Шапка" repeat at the top of every page, "Страница N из M" at the bottom.
// Columns wider than the page are scaled down to fit. Returns the number of pages.
int paint(const ReportSheet& sheet, QPagedPaintDevice& device, QPainter& painter,
          const QString& title);

}  // namespace report_export
}  // namespace balvix::runtime

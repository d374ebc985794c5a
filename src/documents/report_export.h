#pragma once

#include <QString>
#include <QVariant>

#include "documents/report_sheet.h"

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace balvix::documents {

// Writing a report's output to files and to paper. Every function returns an empty
// text on success, otherwise the reason in Russian.
namespace report_export {

// UTF-8 with a byte-order mark, fields separated by ";", lines by CR LF; fields holding
// ";", quotes or line breaks are quoted. Written for a spreadsheet set to Russian: numbers
// with a decimal comma and without blanks between thousands («1495864,00»), with the
// decimals they are shown with; dates as dd.MM.yyyy; texts as they are.
QString writeCsv(const ReportSheet& sheet, const QString& path);
// A workbook with one sheet: numbers and dates typed, styles, merged ranges and widths.
// Texts are written whole where the format allows: characters XML cannot hold become
// _xHHHH_ codes, and a text longer than a cell holds is cut with a visible mark. The cells
// so changed are counted in `alteredCells`.
QString writeXlsx(const ReportSheet& sheet, const QString& path, const QString& title,
                  int* alteredCells = nullptr);
// What the user is told when a workbook holds changed cells; empty for none.
QString xlsxAlteredNote(int alteredCells);
// The most characters a workbook's cell holds, and the mark that ends a text cut to fit.
constexpr int kXlsxMaxText = 32767;
inline const QString kXlsxCutMark = QStringLiteral("… [обрезано]");
// A4, landscape when the columns do not fit the width of a portrait page.
QString writePdf(const ReportSheet& sheet, const QString& path, const QString& title);

// True when the columns are wider than a portrait A4 page's printable width.
bool wantsLandscape(const ReportSheet& sheet);
// Paints the sheet page by page on a printer or PDF writer: the last rows output from the
// section "Шапка" above a page repeat at its top, "Страница N из M" at the bottom.
// Columns wider than the page are scaled down to fit. Returns the number of pages.
int paint(const ReportSheet& sheet, QPagedPaintDevice& device, QPainter& painter,
          const QString& title);

}  // namespace report_export
}  // namespace balvix::documents

#pragma once

#include <QRect>
#include <QString>

#include "documents/report_sheet.h"

namespace balvix::testing {

// A report's output as its exports see it: a header of two rows (a merged, bold title and
// the column names) and `count` rows of a number, a text and a date.
inline documents::ReportSheet reportSheet(int count) {
  using namespace documents;
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

}  // namespace balvix::testing

#pragma once

#include <QString>

#include "documents/source_table.h"

namespace balvix::documents::xlsx_reader {

// The first sheet of a workbook as texts: shared and inline strings, numbers as the file
// writes them (a date is its serial number; the loader that knows the column's type turns
// it into a date), booleans as 0 and 1, and _xHHHH_ codes turned back into characters.
// Empty rows are skipped; row numbers are the sheet's own.
QString readFile(const QString& path, SourceTable& table);

// A workbook text with its _xHHHH_ codes (and the coded underscore _x005F_) decoded.
QString decodeCodes(const QString& text);

}  // namespace balvix::documents::xlsx_reader

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "documents/source_table.h"

namespace balvix::documents::xlsx_reader {

// The first sheet of a workbook as texts: shared and inline strings, numbers as the file
// writes them (a date is its serial number; the loader that knows the column's type turns
// it into a date), booleans as 0 and 1, and _xHHHH_ codes turned back into characters.
// Empty rows are skipped; row numbers are the sheet's own.
QString readFile(const QString& path, SourceTable& table);

// The parts of a workbook, read from their UTF-8 text. Each returns an empty text or what
// is wrong with the part. A sheet's shared-string cells are looked up in `shared`.
QString readSharedStrings(QByteArrayView xml, QStringList& shared);
QString readSheet(QByteArrayView xml, const QStringList& shared, SourceTable& table);

// A workbook text with its _xHHHH_ codes (and the coded underscore _x005F_) decoded.
QString decodeCodes(const QString& text);

}  // namespace balvix::documents::xlsx_reader

#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace balvix::documents {

// A table read from a file for loading: the first row names the columns, the others are
// the data. Each data row keeps the number the file gives it (the header is row 1; a CSV
// record with line breaks inside quotes is still one row), so refusals can name it.
struct SourceTable {
  QStringList header;
  std::vector<QStringList> rows;
  std::vector<int> rowNumbers;
};

// Reads a CSV file or the first sheet of an XLSX workbook (told apart by their first bytes,
// not by the name). Returns an empty text on success, otherwise the reason in Russian.
QString readSourceFile(const QString& path, SourceTable& table);

// A date as files bring it: d.M.yyyy (with one or two digits for the day and month), d.M.yy
// (1950 to 2049), yyyy-MM-dd, d/M/yyyy. An invalid date for anything else. Read by hand:
// QDate::fromString consults the time zone for every text, and a load reads 100,000 of them.
QDate dateOfText(QStringView text);

}  // namespace balvix::documents

#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "config/requisite_type.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// A list as a window shows it: the column headers, what each column holds (numbers and
// dates become typed cells in a workbook) and the rows' texts, in the order shown.
struct ListTable {
  QString title;
  QStringList headers;
  QList<config::RequisiteType::Kind> kinds;  // per column; Text where absent
  QList<bool> money;  // per column: amounts, written with two decimals; false where absent
  std::vector<QStringList> rows;
  // The rows hold stored texts that must load back unchanged (a catalog): a number cell is
  // typed only when its text is the one the cell gives back. Otherwise (a journal, whose
  // totals are written as people read them) any text that reads as a number is typed.
  bool loadsBack = true;
};

namespace list_export {

// The same CSV as reports: UTF-8 with a byte-order mark, ";", CR LF, quoted where needed.
QString writeCsv(const ListTable& table, const QString& path);
// One sheet, the header row bold. Numbers and dates are typed cells with a number format
// (amounts with two decimals, thousands apart); see ListTable::loadsBack for which texts.
QString writeXlsx(const ListTable& table, const QString& path, int* alteredCells = nullptr);
// By the file's extension: .xlsx is a workbook, anything else CSV.
QString write(const ListTable& table, const QString& path, int* alteredCells = nullptr);

// A catalog's list as its window first shows it: «Код» and every requisite, in the order
// read. Throws storage::DbError.
ListTable catalogList(storage::Session& db, const QString& catalog);
// A journal's documents dated within the period (both ends included; an invalid date
// leaves that end open), as the journal window lists them: №, Дата, Время, Вид документа, the
// journal's own columns, Наименование, Сумма, Проведен. Throws storage::DbError.
ListTable journalList(storage::Session& db, const QString& journal, const QDate& from = {},
                      const QDate& to = {});

}  // namespace list_export
}  // namespace balvix::documents

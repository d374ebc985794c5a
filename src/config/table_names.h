#pragma once

#include <QString>
#include <QStringList>

#include "config/object_kind.h"

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// Every rule that turns an object into the names of its generated tables lives here, so
// the designers, the deletion command, the script objects and the runtime forms agree.
// Names are formed as items_ or table_, the type word, an underscore and the object name.

// The tables a configuration object owns.
enum class TableRole {
  Elements,   // items_Справочник_<name>: the catalog's elements
  Header,     // items_Документ_<name>: one row per document
  TablePart,  // table_Документ_<name>: the lines of the documents' table part
  Movements,  // items_Регистр_<name>: the register's movements
};

QString tableName(TableRole role, const QString& objectName);
// What every table of the role begins with ("items_Регистр_"): how a table list tells
// them from the rest.
QString tablePrefix(TableRole role);
QString catalogTable(const QString& catalogName);
QString documentHeaderTable(const QString& documentName);
QString documentTablePartTable(const QString& documentName);
QString registerTable(const QString& registerName);
// totals_Регистр_<name>: the register's monthly totals, kept beside its movements so that
// a balance does not walk the whole history. Listed with the register's own tables.
QString registerTotalsTable(const QString& registerName);
// totals_Счета: the accounts' monthly totals beside their postings (itogi).
QString accountTotalsTable();
// The columns of a totals table after the requisite columns: the month (yyyymm), then the
// sums that add up when two rows of one key meet.
inline const QString kTotalsMonthColumn = QStringLiteral("ИтогМесяц");
QStringList totalsSumColumns();

// The table an object of this kind keeps its rows in: the catalog's elements, the
// document's header, the register's movements; empty for the kinds without tables.
QString itemsTable(ObjectKind kind, const QString& objectName);
// Every generated table of an object, whether or not it exists now (a document's
// table-part table is listed too, and so are a register's totals).
QStringList ownTables(ObjectKind kind, const QString& objectName);

// The system columns that follow the requisite columns, with their definitions.
QStringList systemColumns(TableRole role);
// How many columns at the end of the table are system columns (0, 4, 2, 4).
int systemColumnCount(TableRole role);

// The CREATE TABLE statement the designers issue for a table with these requisite
// columns, each "TEXT(50)", then the role's system columns; no blank before "(".
QString createTableStatement(TableRole role, const QString& objectName,
                             const QStringList& requisiteNames);

// Names of the columns of a table that are requisites: all but the role's system columns.
QStringList requisiteColumns(TableRole role, const QStringList& tableColumns);

// The header column that holds a document's number, and the table of the counters the
// numbers are taken from: one row per kind and year (kind, year, last).
inline const QString kDocumentNumberColumn = QStringLiteral("Номер");
QString documentNumbersTable();

// The document key (cDATE, cTIME) of the tables that carry it: documents are found,
// unposted and reposted by it, so every such table keeps an index on it. Empty for a
// catalog's elements.
QStringList keyColumns(TableRole role);
// The name the key index of a table takes ("idx_" and the table name; no generated table
// begins so).
QString keyIndexName(const QString& tableName);
// Creates the key index of an object's table when the table exists and has none.
void ensureKeyIndex(storage::Session& db, TableRole role, const QString& objectName);
// The same for every table of the database that the naming rules make and for the
// postings table itogi; for databases made before the tables had it. Returns how many
// indexes were created.
int ensureKeyIndexes(storage::Session& db);

}  // namespace balvix::config

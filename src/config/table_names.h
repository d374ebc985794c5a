#pragma once

#include <QString>
#include <QStringList>

#include "config/object_kind.h"

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
QString catalogTable(const QString& catalogName);
QString documentHeaderTable(const QString& documentName);
QString documentTablePartTable(const QString& documentName);
QString registerTable(const QString& registerName);

// The table an object of this kind keeps its rows in: the catalog's elements, the
// document's header, the register's movements; empty for the kinds without tables.
QString itemsTable(ObjectKind kind, const QString& objectName);
// Every generated table of an object, whether or not it exists now (a document's
// table-part table is listed too).
QStringList ownTables(ObjectKind kind, const QString& objectName);

// The system columns that follow the requisite columns, with their definitions.
QStringList systemColumns(TableRole role);
// How many columns at the end of the table are system columns (0, 3, 2, 4).
int systemColumnCount(TableRole role);

// The CREATE TABLE statement the designers issue for a table with these requisite
// columns, each "TEXT(50)", then the role's system columns; no blank before "(".
QString createTableStatement(TableRole role, const QString& objectName,
                             const QStringList& requisiteNames);

// Names of the columns of a table that are requisites: all but the trailing system
// columns.
QStringList requisiteColumns(TableRole role, const QStringList& tableColumns);

}  // namespace balvix::config

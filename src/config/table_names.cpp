#include "config/table_names.h"

#include "storage/session.h"
#include "storage/table_indexes.h"

namespace balvix::config {

namespace {

struct SystemColumn {
  const char* name;
  const char* definition;
};

QList<SystemColumn> systemColumnDefinitions(TableRole role) {
  switch (role) {
    case TableRole::Elements:
      return {};
    case TableRole::Header:
      return {{"cDATE", "TEXT(10)"},
              {"cTIME", "TEXT(10)"},
              {"Проводка", "TEXT(10)"},
              {"Номер", "TEXT(10)"}};
    case TableRole::TablePart:
      return {{"cDATE", "TEXT(10)"}, {"cTIME", "TEXT(10)"}};
    case TableRole::Movements:
      return {{"cDATE", "TEXT(10)"},
              {"cTIME", "TEXT(10)"},
              {"Документ", "TEXT(50)"},
              {"Флаг", "TEXT(5)"}};
  }
  return {};
}

}  // namespace

QString tableName(TableRole role, const QString& objectName) {
  switch (role) {
    case TableRole::Elements:
      return QStringLiteral("items_Справочник_") + objectName;
    case TableRole::Header:
      return QStringLiteral("items_Документ_") + objectName;
    case TableRole::TablePart:
      return QStringLiteral("table_Документ_") + objectName;
    case TableRole::Movements:
      return QStringLiteral("items_Регистр_") + objectName;
  }
  return QString();
}

QString tablePrefix(TableRole role) {
  return tableName(role, QString());
}

QString catalogTable(const QString& catalogName) {
  return tableName(TableRole::Elements, catalogName);
}

QString documentHeaderTable(const QString& documentName) {
  return tableName(TableRole::Header, documentName);
}

QString documentTablePartTable(const QString& documentName) {
  return tableName(TableRole::TablePart, documentName);
}

QString registerTable(const QString& registerName) {
  return tableName(TableRole::Movements, registerName);
}

QString registerTotalsTable(const QString& registerName) {
  return QStringLiteral("totals_Регистр_") + registerName;
}

QString accountTotalsTable() {
  return QStringLiteral("totals_Счета");
}

QStringList totalsSumColumns() {
  return {QStringLiteral("ИтогПриход"), QStringLiteral("ИтогРасход"),
          QStringLiteral("ИтогДвижений"), QStringLiteral("ИтогОшибок")};
}

QString itemsTable(ObjectKind kind, const QString& objectName) {
  switch (kind) {
    case ObjectKind::Catalog:
      return catalogTable(objectName);
    case ObjectKind::Document:
      return documentHeaderTable(objectName);
    case ObjectKind::Register:
      return registerTable(objectName);
    default:
      return QString();
  }
}

QStringList ownTables(ObjectKind kind, const QString& objectName) {
  if (kind == ObjectKind::Document)
    return {documentHeaderTable(objectName), documentTablePartTable(objectName)};
  if (kind == ObjectKind::Register)
    return {registerTable(objectName), registerTotalsTable(objectName)};
  const QString table = itemsTable(kind, objectName);
  return table.isEmpty() ? QStringList() : QStringList{table};
}

QStringList systemColumns(TableRole role) {
  QStringList names;
  for (const SystemColumn& column : systemColumnDefinitions(role))
    names << QString::fromUtf8(column.name);
  return names;
}

int systemColumnCount(TableRole role) {
  return static_cast<int>(systemColumnDefinitions(role).size());
}

QString createTableStatement(TableRole role, const QString& objectName,
                             const QStringList& requisiteNames) {
  QStringList columns;
  for (const QString& name : requisiteNames) columns << name + QStringLiteral(" TEXT(50)");
  for (const SystemColumn& column : systemColumnDefinitions(role))
    columns << QString::fromUtf8(column.name) + QLatin1Char(' ') +
                   QString::fromUtf8(column.definition);
  return QStringLiteral("CREATE TABLE ") + tableName(role, objectName) + QLatin1Char('(') +
         columns.join(QLatin1Char(',')) + QLatin1Char(')');
}

QStringList keyColumns(TableRole role) {
  if (role == TableRole::Elements) return {};
  return {QStringLiteral("cDATE"), QStringLiteral("cTIME")};
}

QString keyIndexName(const QString& tableName) {
  return QStringLiteral("idx_") + tableName;
}

void ensureKeyIndex(storage::Session& db, TableRole role, const QString& objectName) {
  const QStringList columns = keyColumns(role);
  if (columns.isEmpty()) return;
  const QString table = tableName(role, objectName);
  storage::ensureIndex(db, table, columns, keyIndexName(table));
}

int ensureKeyIndexes(storage::Session& db) {
  int created = 0;
  db.refreshTables();
  QStringList tables;
  for (int i = 0; i < db.tableCount(); ++i)
    if (db.table(i).attributes == 0) tables << db.table(i).name;
  for (const QString& table : std::as_const(tables)) {
    bool keyed = table.compare(QStringLiteral("itogi"), Qt::CaseInsensitive) == 0;
    for (TableRole role : {TableRole::Header, TableRole::TablePart, TableRole::Movements})
      keyed = keyed || table.startsWith(tablePrefix(role), Qt::CaseInsensitive);
    if (!keyed) continue;
    // A table of that name made by hand without the key columns is left as it is.
    const QStringList columns = db.columns(table);
    if (!columns.contains(QStringLiteral("cDATE"), Qt::CaseInsensitive) ||
        !columns.contains(QStringLiteral("cTIME"), Qt::CaseInsensitive))
      continue;
    if (storage::ensureIndex(db, table, keyColumns(TableRole::Header), keyIndexName(table)))
      ++created;
  }
  return created;
}

QStringList requisiteColumns(TableRole role, const QStringList& tableColumns) {
  // By name, not by count: a header table made before documents had numbers ends in one
  // system column less until the start-up gives it the number column.
  const QStringList system = systemColumns(role);
  QStringList requisites;
  for (const QString& column : tableColumns)
    if (!system.contains(column, Qt::CaseInsensitive)) requisites << column;
  return requisites;
}

QString documentNumbersTable() {
  return QStringLiteral("doc_numbers");
}

}  // namespace balvix::config

#include "config/object_definition.h"

#include "config/configuration_audit.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

namespace {

using storage::quote;

// The columns in the order a row lists them, with their member.
struct Column {
  const char* name;
  std::optional<QString> FormItemRow::*member;
};
constexpr Column kColumns[] = {
    {"name", &FormItemRow::name},         {"type", &FormItemRow::type},
    {"descript", &FormItemRow::descript}, {"code", &FormItemRow::code},
    {"zurnal", &FormItemRow::zurnal},     {"items_type", &FormItemRow::itemsType},
    {"table_", &FormItemRow::tablePart},  {"TableItemsType", &FormItemRow::tableItemsType},
    {"item", &FormItemRow::item},         {"size", &FormItemRow::size}};

// A column the kind uses is always written, as the empty text when the field is empty.
std::optional<QString> text(const QString& field) {
  return field.isNull() ? QStringLiteral("") : field;
}

QString valueOrNull(const std::optional<QString>& column) {
  return column.value_or(QString());
}

QList<Requisite> typedRequisites(const std::optional<QString>& typeList) {
  QList<Requisite> requisites;
  for (const TypeListEntry& entry : parseTypeEntries(valueOrNull(typeList)))
    requisites << Requisite{QString(), entry.type, entry.required};
  return requisites;
}

QString typeListOf(const QList<Requisite>& requisites) {
  // A list without entries is the empty text, never Null.
  QString list = QStringLiteral("");
  for (const Requisite& requisite : requisites)
    list += typeEntryText(requisite.type.text(), requisite.required) + QLatin1Char(';');
  return list;
}

QStringList namesOf(const QList<Requisite>& requisites) {
  QStringList names;
  for (const Requisite& requisite : requisites) names << requisite.name;
  return names;
}

// Gives the requisites the names of the table's requisite columns, by position; columns
// beyond the type list get no type. A missing table names nothing.
void nameFromTable(storage::Session& db, TableRole role, const QString& objectName,
                   QList<Requisite>& requisites) {
  const QStringList columns = requisiteColumns(role, db.columns(tableName(role, objectName)));
  for (qsizetype i = 0; i < columns.size(); ++i) {
    if (i < requisites.size())
      requisites[i].name = columns.at(i);
    else
      requisites << Requisite{columns.at(i), RequisiteType()};
  }
}

QString whereObject(ObjectKind kind, const QString& name) {
  return QStringLiteral(" WHERE type=") + quote(typeWord(kind)) + QStringLiteral(" AND name=") +
         quote(name);
}

// Sets one column of an object's row; returns the rows changed.
int updateColumn(storage::Session& db, ObjectKind kind, const QString& name, const char* column,
                 const QString& value) {
  storage::Transaction transaction(db);
  const std::optional<FormItemRow> before = readFormItemRow(db, kind, name);
  db.execute(QStringLiteral("UPDATE form_items SET ") + QString::fromUtf8(column) +
             QLatin1Char('=') + quote(value) + whereObject(kind, name));
  const int changed = db.changes();
  if (changed > 0)
    recordConfigurationChange(db, kind, name, before, readFormItemRow(db, kind, name));
  transaction.commit();
  return changed;
}

}  // namespace

FormItemRow FormItemRow::fromRecordset(const storage::Recordset& rs) {
  FormItemRow row;
  for (const Column& column : kColumns) {
    const int index = rs.fieldIndex(QString::fromUtf8(column.name));
    if (index < 0) continue;
    const QVariant value = rs.value(index);
    if (!value.isNull()) row.*column.member = value.toString();
  }
  return row;
}

std::optional<FormItemRow> readFormItemRow(storage::Session& db, ObjectKind kind,
                                           const QString& name) {
  storage::Recordset rs =
      db.openRecordset(QStringLiteral("SELECT * FROM form_items") + whereObject(kind, name));
  if (rs.eof()) return std::nullopt;
  return FormItemRow::fromRecordset(rs);
}

QList<FormItemRow> readFormItemRows(storage::Session& db, ObjectKind kind) {
  QList<FormItemRow> rows;
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type=") +
                                           quote(typeWord(kind)));
  for (; !rs.eof(); rs.moveNext()) rows << FormItemRow::fromRecordset(rs);
  return rows;
}

void insertFormItemRow(storage::Session& db, const FormItemRow& row) {
  QStringList names;
  QStringList values;
  for (const Column& column : kColumns) {
    const std::optional<QString>& value = row.*column.member;
    if (!value) continue;
    names << QString::fromUtf8(column.name);
    values << quote(*value);
  }
  db.execute(QStringLiteral("INSERT INTO form_items (") + names.join(QLatin1Char(',')) +
             QStringLiteral(") VALUES (") + values.join(QLatin1Char(',')) + QLatin1Char(')'));
}

std::optional<ObjectDefinition> ObjectDefinition::fromRow(const FormItemRow& row) {
  const std::optional<ObjectKind> kind = kindFromWord(valueOrNull(row.type));
  if (!kind) return std::nullopt;
  ObjectDefinition d;
  d.kind = *kind;
  d.name = valueOrNull(row.name);
  switch (d.kind) {
    case ObjectKind::Catalog:
      d.description = valueOrNull(row.descript);
      d.module = valueOrNull(row.code);
      d.requisites = typedRequisites(row.itemsType);
      d.layout = row.item;
      d.size = row.size;
      break;
    case ObjectKind::Document:
      d.description = valueOrNull(row.descript);
      d.module = valueOrNull(row.code);
      d.journal = valueOrNull(row.zurnal);
      d.requisites = typedRequisites(row.itemsType);
      d.hasTablePart = row.tablePart == QStringLiteral("1");
      d.tableRequisites = typedRequisites(row.tableItemsType);
      d.layout = row.item;
      d.size = row.size;
      break;
    case ObjectKind::Journal:
      d.description = valueOrNull(row.descript);
      d.columns = parseValueList(valueOrNull(row.itemsType));
      break;
    case ObjectKind::Register:
      d.description = valueOrNull(row.descript);
      break;
    case ObjectKind::Enumeration:
      d.module = valueOrNull(row.code);
      break;
    case ObjectKind::Report:
      d.description = valueOrNull(row.descript);
      d.module = valueOrNull(row.code);
      d.layout = row.item;
      d.dialog = row.tablePart;
      break;
  }
  return d;
}

FormItemRow ObjectDefinition::toRow() const {
  FormItemRow row;
  row.name = name;
  row.type = typeWord(kind);
  switch (kind) {
    case ObjectKind::Catalog:
      row.descript = text(description);
      row.code = text(module);
      row.itemsType = typeListOf(requisites);
      row.item = layout;
      row.size = size;
      break;
    case ObjectKind::Document:
      row.descript = text(description);
      row.code = text(module);
      row.zurnal = text(journal);
      row.itemsType = typeListOf(requisites);
      row.tablePart = hasTablePart ? QStringLiteral("1") : QStringLiteral("0");
      row.tableItemsType = typeListOf(tableRequisites);
      row.item = layout;
      row.size = size;
      break;
    case ObjectKind::Journal:
      row.descript = text(description);
      if (!columns.isEmpty()) row.itemsType = valueListText(columns);
      break;
    case ObjectKind::Register:
      row.descript = text(description);
      break;
    case ObjectKind::Enumeration:
      row.code = text(module);
      break;
    case ObjectKind::Report:
      row.descript = text(description);
      row.code = text(module);
      row.item = layout;
      row.tablePart = dialog;
      break;
  }
  return row;
}

QStringList ObjectDefinition::requisiteNames() const {
  return namesOf(requisites);
}

QStringList ObjectDefinition::tableRequisiteNames() const {
  return namesOf(tableRequisites);
}

std::optional<ObjectDefinition> readDefinition(storage::Session& db, ObjectKind kind,
                                               const QString& name) {
  const std::optional<FormItemRow> row = readFormItemRow(db, kind, name);
  if (!row) return std::nullopt;
  std::optional<ObjectDefinition> d = ObjectDefinition::fromRow(*row);
  if (!d) return std::nullopt;
  switch (kind) {
    case ObjectKind::Catalog:
      nameFromTable(db, TableRole::Elements, name, d->requisites);
      break;
    case ObjectKind::Document:
      nameFromTable(db, TableRole::Header, name, d->requisites);
      if (d->hasTablePart) nameFromTable(db, TableRole::TablePart, name, d->tableRequisites);
      break;
    case ObjectKind::Register:
      nameFromTable(db, TableRole::Movements, name, d->requisites);
      break;
    default:
      break;
  }
  return d;
}

void insertDefinition(storage::Session& db, const ObjectDefinition& definition) {
  storage::Transaction transaction(db);
  insertFormItemRow(db, definition.toRow());
  recordConfigurationChange(db, definition.kind, definition.name, std::nullopt, definition.toRow());
  transaction.commit();
}

namespace {

// "column=value" for a member of the row, Null as NULL.
QString assignment(const FormItemRow& row, std::optional<QString> FormItemRow::*member) {
  for (const Column& column : kColumns) {
    if (column.member != member) continue;
    const std::optional<QString>& value = row.*member;
    return QString::fromUtf8(column.name) + QLatin1Char('=') +
           (value ? quote(*value) : QStringLiteral("NULL"));
  }
  return QString();
}

}  // namespace

int updateDesignedColumns(storage::Session& db, const QString& storedName,
                          const ObjectDefinition& definition) {
  const FormItemRow row = definition.toRow();
  storage::Transaction transaction(db);
  const std::optional<FormItemRow> before = readFormItemRow(db, definition.kind, storedName);
  QStringList assignments;
  auto assign = [&assignments, &row](std::optional<QString> FormItemRow::*member) {
    assignments << assignment(row, member);
  };
  switch (definition.kind) {
    case ObjectKind::Catalog:
      assign(&FormItemRow::name);
      assign(&FormItemRow::descript);
      assign(&FormItemRow::itemsType);
      break;
    case ObjectKind::Document:
      assign(&FormItemRow::name);
      assign(&FormItemRow::zurnal);
      assign(&FormItemRow::descript);
      assign(&FormItemRow::itemsType);
      assign(&FormItemRow::tablePart);
      assign(&FormItemRow::tableItemsType);
      break;
    case ObjectKind::Journal:
      assign(&FormItemRow::name);
      assign(&FormItemRow::descript);
      assign(&FormItemRow::itemsType);
      break;
    case ObjectKind::Register:
    case ObjectKind::Report:
      assign(&FormItemRow::name);
      assign(&FormItemRow::descript);
      break;
    case ObjectKind::Enumeration:
      assign(&FormItemRow::code);
      break;
  }
  db.execute(QStringLiteral("UPDATE form_items SET ") + assignments.join(QLatin1Char(',')) +
             whereObject(definition.kind, storedName));
  const int changed = db.changes();
  if (changed > 0)
    recordConfigurationChange(db, definition.kind, definition.name, before,
                              readFormItemRow(db, definition.kind, definition.name));
  transaction.commit();
  return changed;
}

int writeContentColumns(storage::Session& db, const ObjectDefinition& definition) {
  const FormItemRow row = definition.toRow();
  QStringList assignments;
  switch (definition.kind) {
    case ObjectKind::Catalog:
    case ObjectKind::Document:
      assignments << assignment(row, &FormItemRow::code) << assignment(row, &FormItemRow::item)
                  << assignment(row, &FormItemRow::size);
      break;
    case ObjectKind::Report:
      assignments << assignment(row, &FormItemRow::code) << assignment(row, &FormItemRow::item)
                  << assignment(row, &FormItemRow::tablePart);
      break;
    default:
      return 0;
  }
  db.execute(QStringLiteral("UPDATE form_items SET ") + assignments.join(QLatin1Char(',')) +
             whereObject(definition.kind, definition.name));
  return db.changes();
}

int writeFormLayout(storage::Session& db, ObjectKind kind, const QString& name,
                    const QString& layout, const QString& size) {
  storage::Transaction transaction(db);
  const std::optional<FormItemRow> before = readFormItemRow(db, kind, name);
  db.execute(QStringLiteral("UPDATE form_items SET item=") + quote(layout) +
             QStringLiteral(",size=") + quote(size) + whereObject(kind, name));
  const int changed = db.changes();
  if (changed > 0)
    recordConfigurationChange(db, kind, name, before, readFormItemRow(db, kind, name));
  transaction.commit();
  return changed;
}

QStringList objectNames(storage::Session& db, ObjectKind kind) {
  QStringList names;
  for (const FormItemRow& row : readFormItemRows(db, kind)) names << valueOrNull(row.name);
  return names;
}

QList<ObjectDefinition> readDefinitions(storage::Session& db, ObjectKind kind) {
  QList<ObjectDefinition> definitions;
  for (const FormItemRow& row : readFormItemRows(db, kind)) {
    // The query asked for this kind's type word, so every row reads as a definition.
    if (std::optional<ObjectDefinition> d = ObjectDefinition::fromRow(row))
      definitions << std::move(*d);
  }
  return definitions;
}

std::optional<QString> readModule(storage::Session& db, ObjectKind kind, const QString& name) {
  const std::optional<FormItemRow> row = readFormItemRow(db, kind, name);
  if (!row) return std::nullopt;
  return valueOrNull(row->code);
}

int writeModule(storage::Session& db, ObjectKind kind, const QString& name, const QString& text) {
  return updateColumn(db, kind, name, "code", text);
}

QStringList readEnumerationValues(storage::Session& db, const QString& name) {
  return parseValueList(readModule(db, ObjectKind::Enumeration, name).value_or(QString()));
}

int writeReportLayout(storage::Session& db, const QString& name, const QString& layout) {
  return updateColumn(db, ObjectKind::Report, name, "item", layout);
}

int writeReportDialog(storage::Session& db, const QString& name, const QString& layout) {
  return updateColumn(db, ObjectKind::Report, name, "table_", layout);
}

int writeDocumentJournal(storage::Session& db, const QString& documentName,
                         const QString& journal) {
  return updateColumn(db, ObjectKind::Document, documentName, "zurnal", journal);
}

int deleteObjectRow(storage::Session& db, ObjectKind kind, const QString& name) {
  storage::Transaction transaction(db);
  const std::optional<FormItemRow> before = readFormItemRow(db, kind, name);
  db.execute(QStringLiteral("DELETE FROM form_items") + whereObject(kind, name));
  const int changed = db.changes();
  if (changed > 0) recordConfigurationChange(db, kind, name, before, std::nullopt);
  transaction.commit();
  return changed;
}

}  // namespace balvix::config

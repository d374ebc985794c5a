#include "documents/document_checks.h"

#include "config/table_names.h"
#include "storage/session.h"

namespace balvix::documents {

namespace {

using Kind = config::RequisiteType::Kind;

QString rowPrefix(int row) {
  return row >= 0 ? QStringLiteral("Строка %1").arg(row + 1) : QString();
}

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0 || a.toCaseFolded() == b.toCaseFolded();
}

const config::Requisite* requisiteNamed(const QList<config::Requisite>& requisites,
                                        const QString& name) {
  for (const config::Requisite& requisite : requisites)
    if (sameName(requisite.name, name)) return &requisite;
  return nullptr;
}

// The problem with one value of a requisite: required and empty, or not among the values.
std::optional<FieldProblem> fieldProblem(ReferenceValues& references,
                                         const config::Requisite& requisite, const QString& value,
                                         int row) {
  if (value.trimmed().isEmpty()) {
    if (!requisite.required) return std::nullopt;
    return FieldProblem{emptyRequiredMessage(requisite.name, row), requisite.name, row};
  }
  if (std::optional<QString> message = references.valueProblem(requisite, value, row))
    return FieldProblem{*message, requisite.name, row};
  return std::nullopt;
}

}  // namespace

ReferenceValues::List& ReferenceValues::read(const config::RequisiteType& type, bool again) {
  const QString key = type.text();
  auto it = m_lists.find(key);
  if (it != m_lists.end() && !again) return *it;
  List list;
  QString sql;
  switch (type.kind) {
    case Kind::Catalog: {
      const QString table = config::catalogTable(type.object);
      list.known = m_db.tableExists(table);
      if (list.known) sql = QStringLiteral("SELECT Наименование FROM ") + table;
      break;
    }
    case Kind::Enumeration: {
      list.known =
          config::readFormItemRow(m_db, config::ObjectKind::Enumeration, type.object).has_value();
      if (list.known) list.values = config::readEnumerationValues(m_db, type.object);
      break;
    }
    case Kind::Account:
      sql = QStringLiteral("SELECT Код FROM plan");
      break;
    default:
      list.known = false;
      break;
  }
  if (!sql.isEmpty())
    for (storage::Recordset rs = m_db.openRecordset(sql); !rs.eof(); rs.moveNext())
      list.values << rs.text(0);
  for (QString& value : list.values) value = value.trimmed();
  list.values.removeAll(QString());
  list.set = QSet<QString>(list.values.cbegin(), list.values.cend());
  return *m_lists.insert(key, std::move(list));
}

QStringList ReferenceValues::values(const config::RequisiteType& type) {
  return read(type, false).values;
}

bool ReferenceValues::exists(const config::RequisiteType& type, const QString& value) {
  const QString trimmed = value.trimmed();
  const List& list = read(type, false);
  if (!list.known || list.set.contains(trimmed)) return true;
  const List& current = read(type, true);
  return !current.known || current.set.contains(trimmed);
}

std::optional<QString> ReferenceValues::valueProblem(const config::Requisite& requisite,
                                                     const QString& value, int row) {
  const config::RequisiteType& type = requisite.type;
  if (!type.isChosen() || value.trimmed().isEmpty() || exists(type, value)) return std::nullopt;
  const QString where = row >= 0
                            ? rowPrefix(row) + QStringLiteral(", поле «%1»: ").arg(requisite.name)
                            : QStringLiteral("Поле «%1»: ").arg(requisite.name);
  const QString shown = value.trimmed();
  switch (type.kind) {
    case Kind::Catalog:
      return where + QStringLiteral("«%1» нет в справочнике «%2».").arg(shown, type.object);
    case Kind::Enumeration:
      return where + QStringLiteral("«%1» нет в перечислении «%2».").arg(shown, type.object);
    default:
      return where + QStringLiteral("счета «%1» нет в плане счетов.").arg(shown);
  }
}

QString emptyRequiredMessage(const QString& field, int row) {
  return row >= 0
             ? rowPrefix(row) + QStringLiteral(": не заполнено обязательное поле «%1».").arg(field)
             : QStringLiteral("Не заполнено обязательное поле «%1».").arg(field);
}

std::optional<FieldProblem> checkElement(ReferenceValues& references,
                                         const config::ObjectDefinition& catalog,
                                         const QList<QPair<QString, QString>>& values) {
  for (const config::Requisite& requisite : catalog.requisites) {
    for (const auto& [column, value] : values) {
      if (!sameName(column, requisite.name)) continue;
      if (std::optional<FieldProblem> problem = fieldProblem(references, requisite, value, -1))
        return problem;
      break;
    }
  }
  return std::nullopt;
}

std::optional<FieldProblem> checkDocument(ReferenceValues& references,
                                          const config::ObjectDefinition& definition,
                                          const script::DocumentContent& content) {
  if (std::optional<FieldProblem> problem = checkElement(references, definition, content.header))
    return problem;
  // The table's columns as the content names them, paired with their requisites once.
  QList<const config::Requisite*> columns;
  for (const QString& column : content.rowColumns)
    columns << requisiteNamed(definition.tableRequisites, column);
  for (int r = 0; r < content.rows.size(); ++r) {
    const QStringList& row = content.rows[r];
    for (int c = 0; c < columns.size(); ++c) {
      if (!columns[c]) continue;
      if (std::optional<FieldProblem> problem =
              fieldProblem(references, *columns[c], row.value(c), r))
        return problem;
    }
  }
  return std::nullopt;
}

}  // namespace balvix::documents

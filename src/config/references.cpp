#include "config/references.h"

#include <QDate>
#include <QSet>

#include "config/counted.h"
#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "storage/db_error.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "storage/table_indexes.h"

namespace balvix::config {

namespace {

QStringList columnsTyped(const QList<Requisite>& requisites, const RequisiteType& type) {
  QStringList names;
  for (const Requisite& requisite : requisites)
    if (!requisite.name.isEmpty() && requisite.type == type) names << requisite.name;
  return names;
}
QStringList columnsTyped(const QList<Requisite>& requisites, const QString& catalog) {
  return columnsTyped(requisites, RequisiteType::catalog(catalog));
}

// "a='x' OR b='x'": the rows holding the name in any of the columns.
QString anyColumnIs(const QStringList& columns, const QString& name) {
  QStringList terms;
  for (const QString& column : columns) terms << column + QLatin1Char('=') + storage::quote(name);
  return terms.join(QStringLiteral(" OR "));
}

int countRows(storage::Session& db, const QString& table, const QString& condition) {
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT count(*) FROM ") + table +
                                           QStringLiteral(" WHERE ") + condition);
  return rs.eof() ? 0 : rs.value(0).toInt();
}

// Every column typed to the catalog in the documents and the catalogs, by name in lower
// case: a register keeps no types, so its column references the catalog when a requisite of
// the same name does.
QSet<QString> typedColumnNames(const QList<ObjectDefinition>& documents,
                               const QList<ObjectDefinition>& catalogs,
                               const RequisiteType& catalog) {
  QSet<QString> names;
  for (const ObjectDefinition& d : documents) {
    for (const QString& c : columnsTyped(d.requisites, catalog)) names.insert(c.toLower());
    for (const QString& c : columnsTyped(d.tableRequisites, catalog)) names.insert(c.toLower());
  }
  for (const ObjectDefinition& d : catalogs)
    for (const QString& c : columnsTyped(d.requisites, catalog)) names.insert(c.toLower());
  return names;
}

QList<ObjectDefinition> definitions(storage::Session& db, ObjectKind kind) {
  QList<ObjectDefinition> list;
  for (const QString& object : objectNames(db, kind))
    if (std::optional<ObjectDefinition> d = readDefinition(db, kind, object)) list << *d;
  return list;
}

QStringList registerColumns(storage::Session& db, const QString& registerName,
                            const QSet<QString>& typed) {
  QStringList names;
  const QStringList columns =
      requisiteColumns(TableRole::Movements, db.columns(registerTable(registerName)));
  for (const QString& column : columns)
    if (typed.contains(column.toLower())) names << column;
  return names;
}

}  // namespace

ElementReferences findReferences(storage::Session& db, const QString& catalog,
                                 const QString& name) {
  return findReferences(db, RequisiteType::catalog(catalog), name);
}

ElementReferences findReferences(storage::Session& db, const RequisiteType& catalog,
                                 const QString& name) {
  ElementReferences found;
  const QList<ObjectDefinition> documents = definitions(db, ObjectKind::Document);
  const QList<ObjectDefinition> catalogs = definitions(db, ObjectKind::Catalog);

  QDate earliest;
  QString firstTime;
  for (const ObjectDefinition& document : documents) {
    // A document is its key: the header and every row of its table part carry it, so the
    // keys found in either are counted once.
    QSet<QPair<QString, QString>> keys;
    auto collect = [&](const QString& table, const QStringList& columns) {
      if (columns.isEmpty() || !db.tableExists(table)) return;
      storage::Recordset rs =
          db.openRecordset(QStringLiteral("SELECT DISTINCT cDATE,cTIME FROM ") + table +
                           QStringLiteral(" WHERE ") + anyColumnIs(columns, name));
      for (; !rs.eof(); rs.moveNext()) keys.insert({rs.text(0), rs.text(1)});
    };
    collect(documentHeaderTable(document.name), columnsTyped(document.requisites, catalog));
    if (document.hasTablePart)
      collect(documentTablePartTable(document.name),
              columnsTyped(document.tableRequisites, catalog));
    found.documents += static_cast<int>(keys.size());
    for (const auto& key : std::as_const(keys)) {
      const QDate date = QDate::fromString(key.first, QStringLiteral("dd.MM.yyyy"));
      if (found.firstDocumentKind.isEmpty() ||
          (date.isValid() && (!earliest.isValid() || date < earliest))) {
        earliest = date;
        found.firstDocumentKind = document.name;
        found.firstDocumentDate = key.first;
        firstTime = key.second;
      }
    }
  }
  if (!found.firstDocumentKind.isEmpty())
    found.firstDocumentNumber =
        documentNumber(db, found.firstDocumentKind, found.firstDocumentDate, firstTime);

  for (const ObjectDefinition& other : catalogs) {
    const QStringList columns = columnsTyped(other.requisites, catalog);
    const QString table = catalogTable(other.name);
    if (columns.isEmpty() || !db.tableExists(table)) continue;
    QString condition = QLatin1Char('(') + anyColumnIs(columns, name) + QLatin1Char(')');
    // An element naming itself (a parent of its own) does not keep itself alive.
    if (catalog.kind == RequisiteType::Kind::Catalog &&
        other.name.compare(catalog.object, Qt::CaseInsensitive) == 0)
      condition += QStringLiteral(" AND Наименование<>") + storage::quote(name);
    if (const int rows = countRows(db, table, condition)) found.elements.append({other.name, rows});
  }

  const QSet<QString> typed = typedColumnNames(documents, catalogs, catalog);
  for (const QString& registerName : objectNames(db, ObjectKind::Register)) {
    if (!db.tableExists(registerTable(registerName))) continue;
    const QStringList columns = registerColumns(db, registerName, typed);
    if (columns.isEmpty()) continue;
    if (const int rows = countRows(db, registerTable(registerName), anyColumnIs(columns, name)))
      found.movements.append({registerName, rows});
  }
  return found;
}

QString referenceMessage(const QString& name, const ElementReferences& references) {
  return QStringLiteral("Элемент «") + name + QStringLiteral("» используется: ") +
         referenceList(references) + QStringLiteral(". Удаление невозможно.");
}

QString referenceList(const ElementReferences& references) {
  QStringList parts;
  if (references.documents > 0)
    parts << counted(references.documents, "документ", "документа", "документов") +
                 QStringLiteral(" (первый — ") + references.firstDocumentKind +
                 (references.firstDocumentNumber.isEmpty()
                      ? QString()
                      : QStringLiteral(" № ") + references.firstDocumentNumber) +
                 QStringLiteral(" от ") + references.firstDocumentDate + QLatin1Char(')');
  for (const ElementReferences::Count& count : references.movements)
    parts << counted(count.rows, "движение", "движения", "движений") +
                 QStringLiteral(" регистра «") + count.object + QStringLiteral("»");
  for (const ElementReferences::Count& count : references.elements)
    parts << counted(count.rows, "элемент", "элемента", "элементов") +
                 QStringLiteral(" справочника «") + count.object + QStringLiteral("»");
  return parts.join(QStringLiteral(", "));
}

int renameReferences(storage::Session& db, const QString& catalog, const QString& oldName,
                     const QString& newName, const RenameProgress& progress) {
  const QList<ObjectDefinition> documents = definitions(db, ObjectKind::Document);
  const QList<ObjectDefinition> catalogs = definitions(db, ObjectKind::Catalog);
  // Every column that names the element, table by table.
  QList<QPair<QString, QString>> targets;
  auto add = [&](const QString& table, const QStringList& columns) {
    if (columns.isEmpty() || !db.tableExists(table)) return;
    for (const QString& column : columns) targets.append({table, column});
  };
  for (const ObjectDefinition& document : documents) {
    add(documentHeaderTable(document.name), columnsTyped(document.requisites, catalog));
    if (document.hasTablePart)
      add(documentTablePartTable(document.name), columnsTyped(document.tableRequisites, catalog));
  }
  for (const ObjectDefinition& other : catalogs)
    add(catalogTable(other.name), columnsTyped(other.requisites, catalog));
  const QSet<QString> typed =
      typedColumnNames(documents, catalogs, RequisiteType::catalog(catalog));
  for (const QString& registerName : objectNames(db, ObjectKind::Register))
    if (db.tableExists(registerTable(registerName)))
      add(registerTable(registerName), registerColumns(db, registerName, typed));

  const QString from = storage::quote(oldName);
  const QString to = storage::quote(newName);
  // The registers' totals follow their movements; a renamed row may meet a row of the new
  // name, so the two are added up instead of updated in place.
  for (const auto& [table, column] : std::as_const(targets)) {
    if (oldName == newName) break;
    if (!table.startsWith(tablePrefix(TableRole::Movements), Qt::CaseInsensitive)) continue;
    const QString totals = registerTotalsTable(table.mid(tablePrefix(TableRole::Movements).size()));
    if (!db.tableExists(totals)) continue;
    const QStringList columns = db.columns(totals);
    if (!columns.contains(column, Qt::CaseInsensitive)) continue;
    QStringList keys, selected, sums;
    for (const QString& c : columns) {
      const bool isSum = totalsSumColumns().contains(c, Qt::CaseInsensitive);
      if (!isSum) keys << c;
      selected << (c.compare(column, Qt::CaseInsensitive) == 0 ? to : c);
      if (isSum) sums << c + QStringLiteral("=") + c + QStringLiteral("+excluded.") + c;
    }
    db.execute(QStringLiteral("INSERT INTO ") + totals + u'(' + columns.join(u',') +
               QStringLiteral(") SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") +
               totals + QStringLiteral(" WHERE ") + column + u'=' + from +
               QStringLiteral(" AND 1=1 ON CONFLICT(") + keys.join(u',') +
               QStringLiteral(") DO UPDATE SET ") + sums.join(u','));
    db.execute(QStringLiteral("DELETE FROM ") + totals + QStringLiteral(" WHERE ") + column + u'=' +
               from);
  }
  int moved = 0;
  if (!progress) {
    for (const auto& [table, column] : targets) {
      db.execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + column +
                 QLatin1Char('=') + to + QStringLiteral(" WHERE ") + column + QLatin1Char('=') +
                 from);
      moved += db.changes();
    }
    return moved;
  }
  qint64 total = 0;
  for (const auto& [table, column] : targets)
    total += countRows(db, table, column + QLatin1Char('=') + from);
  auto stop = [&] {
    if (!progress(moved, total))
      throw storage::DbError(storage::ErrorCode::Cancelled,
                             QStringLiteral("Переименование отменено."));
  };
  stop();
  // Portions small enough to tell the progress a few times a second; the rows already moved
  // no longer match, so each portion takes the next ones.
  constexpr int kPortion = 50000;
  for (const auto& [table, column] : targets) {
    const QString portion =
        QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + column + QLatin1Char('=') +
        to + QStringLiteral(" WHERE rowid IN (SELECT rowid FROM ") + table +
        QStringLiteral(" WHERE ") + column + QLatin1Char('=') + from + QStringLiteral(" LIMIT ") +
        QString::number(kPortion) + QLatin1Char(')');
    for (;;) {
      db.execute(portion);
      const int changed = db.changes();
      moved += changed;
      if (changed > 0) stop();
      if (changed < kPortion) break;
    }
  }
  return moved;
}

int ensureReferenceIndexes(storage::Session& db) {
  const QList<ObjectDefinition> documents = definitions(db, ObjectKind::Document);
  const QList<ObjectDefinition> catalogs = definitions(db, ObjectKind::Catalog);
  QSet<QString> typed;
  for (const ObjectDefinition& catalog : catalogs)
    typed.unite(typedColumnNames(documents, catalogs, RequisiteType::catalog(catalog.name)));
  int created = 0;
  for (const QString& registerName : objectNames(db, ObjectKind::Register)) {
    const QString table = registerTable(registerName);
    if (!db.tableExists(table)) continue;
    for (const QString& column : registerColumns(db, registerName, typed))
      if (storage::ensureIndex(db, table, {column}, keyIndexName(table) + u'_' + column)) ++created;
  }
  return created;
}

}  // namespace balvix::config

#include "documents/element_save.h"

#include "config/audit_trail.h"
#include "config/object_kind.h"
#include "config/row_versions.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

namespace {

using storage::quote;

const QString kNameColumn = QStringLiteral("Наименование");

QString catalogPath(const QString& catalog) {
  return config::objectPath(config::ObjectKind::Catalog, catalog);
}

}  // namespace

qint64 elementVersion(storage::Session& db, const QString& catalog, const QString& name) {
  return config::rowVersion(db, catalogPath(catalog), config::elementVersionKey(name));
}

ElementOutcome saveElement(storage::Session& db, const ElementWrite& element,
                           const config::RenameProgress& progress) {
  const QString table = config::catalogTable(element.catalog);
  const QString path = catalogPath(element.catalog);
  const bool isNew = !element.storedName;
  const QString oldName = element.storedName.value_or(QString());
  const qsizetype nameAt = element.columns.indexOf(kNameColumn);
  const QString newName = nameAt >= 0 ? element.values.value(nameAt) : QString();
  ElementOutcome outcome;
  storage::Transaction transaction(db);
  if (!isNew && element.expectedVersion) {
    outcome.version = config::rowVersion(db, path, config::elementVersionKey(oldName));
    if (outcome.version != *element.expectedVersion) {
      outcome.status = ElementStatus::ChangedElsewhere;
      return outcome;
    }
  }
  QString duplicate = QStringLiteral("SELECT Наименование FROM ") + table +
                      QStringLiteral(" WHERE Наименование=") + quote(newName);
  if (!isNew) duplicate += QStringLiteral(" AND Наименование<>") + quote(oldName);
  if (!db.openRecordset(duplicate).eof()) {
    outcome.status = ElementStatus::Duplicate;
    return outcome;
  }
  if (isNew) {
    QString names, list;
    for (int i = 0; i < element.columns.size(); ++i) {
      names += element.columns[i] + QLatin1Char(',');
      list += quote(element.values.value(i)) + QLatin1Char(',');
    }
    names.chop(1);
    list.chop(1);
    db.execute(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + names +
               QStringLiteral(") VALUES (") + list + QLatin1Char(')'));
  } else {
    QString assignments;
    for (int i = 0; i < element.columns.size(); ++i)
      assignments +=
          element.columns[i] + QLatin1Char('=') + quote(element.values.value(i)) + QLatin1Char(',');
    assignments.chop(1);
    db.execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + assignments +
               QStringLiteral(" WHERE Наименование=") + quote(oldName));
    if (db.changes() == 0) {
      outcome.status = ElementStatus::Removed;
      return outcome;
    }
  }
  QList<QPair<QString, QString>> before, after;
  for (int i = 0; i < element.columns.size(); ++i) {
    if (!isNew) before.append({element.columns[i], element.before.value(element.columns[i])});
    after.append({element.columns[i], element.values.value(i)});
  }
  config::audit::append(
      db, isNew ? config::audit::event::kElementNew : config::audit::event::kElementChange, path,
      newName, config::audit::fieldChanges(before, after));
  // A new name goes into every document, movement and element that names the old one,
  // together with the element or not at all.
  if (!isNew && newName != oldName)
    outcome.moved = config::renameReferences(db, element.catalog, oldName, newName, progress);
  outcome.version = config::raiseRowVersion(db, path, config::elementVersionKey(newName),
                                            config::elementVersionKey(oldName));
  transaction.commit();
  return outcome;
}

}  // namespace balvix::documents

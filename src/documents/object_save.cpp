#include "documents/object_save.h"

#include "config/closed_periods.h"
#include "config/document_numbers.h"
#include "config/references.h"
#include "config/table_names.h"
#include "script/objects/register_totals.h"
#include "storage/session.h"

namespace balvix::documents {

using config::ObjectKind;
using config::TableRole;

void saveDefinition(storage::Session& db, const config::ObjectDefinition& definition,
                    const std::optional<QString>& storedName, storage::RebuildProgress* progress) {
  const QString& name = definition.name;
  storage::Transaction transaction(db);
  if (storedName)
    config::updateDesignedColumns(db, *storedName, definition);
  else
    config::insertDefinition(db, definition);
  switch (definition.kind) {
    case ObjectKind::Catalog:
      storage::rebuildTable(
          db, config::catalogTable(name),
          config::createTableStatement(TableRole::Elements, name, definition.requisiteNames()),
          progress);
      break;
    case ObjectKind::Document:
      storage::rebuildTable(
          db, config::documentHeaderTable(name),
          config::createTableStatement(TableRole::Header, name, definition.requisiteNames()),
          progress);
      config::ensureKeyIndex(db, TableRole::Header, name);
      // The rebuild keeps the numbers; documents of a table made before numbers get theirs.
      config::numberDocuments(db, name);
      if (definition.hasTablePart) {
        storage::rebuildTable(db, config::documentTablePartTable(name),
                              config::createTableStatement(TableRole::TablePart, name,
                                                           definition.tableRequisiteNames()),
                              progress);
        config::ensureKeyIndex(db, TableRole::TablePart, name);
      }
      break;
    case ObjectKind::Register:
      storage::rebuildTable(
          db, config::registerTable(name),
          config::createTableStatement(TableRole::Movements, name, definition.requisiteNames()),
          progress);
      config::ensureKeyIndex(db, TableRole::Movements, name);
      // The totals follow the movements as they now are: requisites may have come or gone.
      if (storedName && *storedName != name) script::totals::drop(db, *storedName);
      script::totals::rebuild(db, name);
      // The rebuilt table has lost the indexes on the columns that name catalog elements.
      config::ensureReferenceIndexes(db);
      break;
    default:
      break;
  }
  // A table made or rebuilt now is guarded against changes in the closed period as well.
  if (definition.kind == ObjectKind::Document || definition.kind == ObjectKind::Register)
    config::periods::guardTables(db);
  transaction.commit();
}

}  // namespace balvix::documents

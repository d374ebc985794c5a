#include "config/object_removal.h"

#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/print_forms.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

namespace {

// A table that is already gone is what the removal wants; anything else is an error.
void dropIfPresent(storage::Session& db, const QString& table) {
  try {
    db.execute(QStringLiteral("DROP TABLE ") + table);
  } catch (const storage::DbError& e) {
    if (e.number() != storage::ErrorCode::TableNotFound) throw;
  }
}

}  // namespace

bool hasPostedDocuments(storage::Session& db, const QString& documentKind) {
  if (!storage::isValidIdentifier(documentKind)) return false;
  // One posted row is enough: the database stops at the first one it finds.
  try {
    return !db.openRecordset(QStringLiteral("SELECT 1 FROM ") + documentHeaderTable(documentKind) +
                             QStringLiteral(" WHERE Проводка='1' LIMIT 1"))
                .eof();
  } catch (const storage::DbError& e) {
    if (e.number() == storage::ErrorCode::TableNotFound) return false;
    throw;
  }
}

void removeObject(storage::Session& db, ObjectKind kind, const QString& name) {
  // Names come from form_items; one that is not an identifier cannot name a table of ours.
  if (ownsTables(kind) && storage::isValidIdentifier(name)) {
    for (const QString& table : ownTables(kind, name)) dropIfPresent(db, table);
  }
  if (kind == ObjectKind::Document) {
    forgetDocumentNumbers(db, name);
    // A kind made anew under the name starts without the old kind's print forms.
    deletePrintForms(db, name);
  }
  deleteObjectRow(db, kind, name);
}

}  // namespace balvix::config

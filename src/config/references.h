#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "config/requisite_type.h"

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// Where an element of a catalog is named in the books: the documents, register movements
// and other catalogs' elements that hold its name in a column of that catalog's type. It
// lives beside the configuration, not with the document services, because both the
// catalog list window and the modules' catalog object ask it, and the script objects
// library sees the configuration and the database only.
struct ElementReferences {
  // Documents holding the name in the header or in any row of the table part, each counted
  // once; the kind and date of the earliest of them.
  int documents = 0;
  QString firstDocumentKind;
  QString firstDocumentDate;
  QString firstDocumentNumber;  // empty for a document stored without one
  struct Count {
    QString object;
    int rows = 0;
  };
  QList<Count> movements;  // per register, in the configuration's order
  QList<Count> elements;   // per catalog, in the configuration's order

  bool isEmpty() const { return documents == 0 && movements.isEmpty() && elements.isEmpty(); }
};

// Looks for the element `name` of `catalog` in every column that references the catalog.
// Throws storage::DbError when a query fails.
ElementReferences findReferences(storage::Session& db, const QString& catalog, const QString& name);
// The same for a value of any chosen type: an enumeration's value, say
// (RequisiteType::enumeration), in the columns typed to that enumeration.
ElementReferences findReferences(storage::Session& db, const RequisiteType& type,
                                 const QString& value);

// The refusal that names where the element is used: «Элемент «…» используется: 37
// документов (первый — … № 12 от 03.10.2026), 54 движения регистра «…». Удаление невозможно.»
QString referenceMessage(const QString& name, const ElementReferences& references);
// Only the list of where: «2 документа (первый — … от …), 3 движения регистра «…»».
QString referenceList(const ElementReferences& references);

// Told how many references have moved of how many; returning false stops the rename.
using RenameProgress = std::function<bool(qint64 moved, qint64 total)>;

// Moves every reference to the element `oldName` of `catalog` to `newName`: the same columns
// findReferences reads. Returns how many values changed. The caller renames the element and
// holds the transaction, so the books never name both at once. With `progress` the
// references are counted first and moved in portions, the progress told after each; when it
// returns false, the rename throws storage::DbError (ErrorCode::Cancelled) and the caller's
// transaction takes everything back. Throws storage::DbError.
int renameReferences(storage::Session& db, const QString& catalog, const QString& oldName,
                     const QString& newName, const RenameProgress& progress = {});

// Creates an index on every register column that references a catalog (as findReferences
// takes them), unless the column has one: the movements are the tables that grow to millions
// of rows, and the check before a delete counts them. Returns how many indexes were created.
int ensureReferenceIndexes(storage::Session& db);

}  // namespace balvix::config

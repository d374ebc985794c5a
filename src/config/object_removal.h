#pragma once

#include <QString>

#include "config/object_kind.h"

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// True when a document kind has a posted document: such a kind is not deleted, since its
// movements and postings would be left without their document. A kind without a table has none.
bool hasPostedDocuments(storage::Session& db, const QString& documentKind);

// Removes a configuration object with its data tables, its document numbers and print forms.
// The transaction is the caller's, so that a failure leaves nothing half removed.
void removeObject(storage::Session& db, ObjectKind kind, const QString& name);

}  // namespace balvix::config

#pragma once

#include <QString>

#include "script/objects/document_posting.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// How every window, list and question names a document: the kind's caption, its number
// and its date ("Приходная накладная № 107 от 07.12.2026"). Without a number (a document
// not yet saved) the number part is left out; without a caption the kind's name stands.
QString documentTitle(const QString& caption, const QString& number, const QString& date);

// The caption of a document kind: the description its designer gave, else its name.
QString kindCaption(storage::Session& db, const QString& kind);

// The title of the stored document `key` of `kind`, read from the database.
QString documentTitle(storage::Session& db, const QString& kind, const script::DocumentKey& key);

}  // namespace balvix::documents

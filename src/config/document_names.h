#pragma once

#include <QString>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// How every window, list and question names a document: the kind's caption, its number
// and its date ("Приходная накладная № 107 от 07.12.2026"). Without a number (a document
// not yet saved) the number part is left out; without a caption the kind's name stands.
QString documentTitle(const QString& caption, const QString& number, const QString& date);

// How a document not yet saved is named: «Приходная накладная (новый)».
QString newDocumentTitle(const QString& caption);

// The caption of a document kind: the description its designer gave, else its name.
QString kindCaption(storage::Session& db, const QString& kind);

}  // namespace balvix::config

#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// Document numbers run per kind and per year of the document's date, from 1, without gaps
// or doubles. Each is taken from the kind's counter row for the year inside the
// transaction that saves the document, so a save that is rolled back gives its number
// back to the next one; a number never comes from the highest one stored.

// Creates the counter table when the database has none yet.
void ensureDocumentNumbersTable(storage::Session& db);

// The next number of `kind` in `year`: the counter row is raised (made when absent) and
// its value returned. The transaction is the caller's.
int takeDocumentNumber(storage::Session& db, const QString& kind, int year);

// The number of the stored document (cDATE, cTIME) of `kind`; empty when it has none, is not
// stored, or its table has no number column yet.
QString documentNumber(storage::Session& db, const QString& kind, const QString& date,
                       const QString& time);

// The key (date and time texts) of the document of `kind` numbered `number` whose date falls
// in `year`, or, when `date` (dd.MM.yyyy) is given, whose date it is; nullopt when there is
// none, or the kind has no numbers yet. Of several (a number kept over a change of year), the
// earliest.
std::optional<std::pair<QString, QString>> findNumberedDocument(storage::Session& db,
                                                                const QString& kind,
                                                                const QString& number, int year,
                                                                const QString& date = QString());

// Gives the header table of `kind` its number column when it lacks one, numbers the
// documents that have no number (per year, in date and time order, after the highest
// number of the year) and raises the counters to the highest numbers stored. The
// transaction is the caller's. Returns how many documents got a number; nothing is done
// for a kind without a header table.
int numberDocuments(storage::Session& db, const QString& kind);

// Drops the counters of `kind`: a kind deleted and made anew numbers its documents from 1.
void forgetDocumentNumbers(storage::Session& db, const QString& kind);

// The same for every document header table of the database: for databases made before
// documents had numbers. Returns how many documents got a number.
int numberAllDocuments(storage::Session& db);

}  // namespace balvix::config

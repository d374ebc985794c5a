#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace balvix::storage {
class Session;
}

namespace balvix::script::account_totals {

// The accounts' monthly totals beside the postings (itogi): one row per account code and
// month with the debit and credit sums of that month's postings, their number, and how many
// hold an amount that is not a number (then the postings are read instead, and name it).
// Months are yyyymm; a posting whose date is not written dd.MM.yyyy counts in month 0, which
// a sum over a period does not trust. Kept in the transaction that writes or removes the
// postings.

// Makes the totals anew from the postings, in one transaction (the caller's when one is open).
void rebuild(storage::Session& db);
// Builds them when the database has none; true when it built them.
bool ensure(storage::Session& db);
// What differs between the totals and a recomputation from the postings, one line per
// differing row; empty when they agree or there are no totals.
QStringList compare(storage::Session& db);

// One posting written: `amount` is the text stored in the debit (or credit) column.
void addPosting(storage::Session& db, const QString& code, bool debit, const QString& amount,
                const QString& date);
// Deletes the postings that `condition` (" WHERE …") selects, taking them out of the totals
// first. The transaction is the caller's.
void deletePostings(storage::Session& db, const QString& condition);

// The sum of the debit (or credit) postings of one account whose dates fall within the
// inclusive day keys (yyyymmdd; unset is unbounded); nullopt when the totals cannot answer
// (none kept, an amount that is not a number, a posting without a proper date under a
// bound) and the postings must be read.
std::optional<double> sum(storage::Session& db, const QString& code, bool debit,
                          std::optional<int> from, std::optional<int> to);

// The sum of the debit (or credit) postings of every date, of one account or, when `code` is
// empty, of all; nullopt when the totals cannot answer (none kept, an amount that is not a
// number).
std::optional<double> sumAll(storage::Session& db, const QString& code, bool debit);

}  // namespace balvix::script::account_totals

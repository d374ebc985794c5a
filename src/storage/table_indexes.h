#pragma once

#include <QString>
#include <QStringList>

namespace balvix::storage {

class Session;

// True when the rows of `table` are kept in the order of its key (a file's table made WITHOUT
// ROWID; every table on a server, which keeps a key's index beside its rows alike); false when
// there is no such table.
bool keptInKeyOrder(Session& db, const QString& table);

// True when `table` has an index whose leading columns are `columns`, in that order
// (letter case ignored). False when there is no such table.
bool hasIndexOn(Session& db, const QString& table, const QStringList& columns);

// Creates an index on `columns` of `table` unless one already leads with them. The index
// is named `name`, or name_2, name_3… when that name is taken (the name given goes to
// `created`). Returns true when it created one; false when the table already had one or
// does not exist.
bool ensureIndex(Session& db, const QString& table, const QStringList& columns, const QString& name,
                 QString* created = nullptr);

// Removes the index of that name.
void dropIndex(Session& db, const QString& name);

}  // namespace balvix::storage

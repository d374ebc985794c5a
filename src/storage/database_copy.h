#pragma once

#include <QString>

#include "storage/database_file.h"

namespace balvix::storage {

class Session;

// Copies the whole database `from` (every table with its rows, indexes and guards) into a new
// database at `to`: a file that does not exist yet, or an empty database on a server (one that
// holds tables is refused). The copy is checked table by table, row counts against the
// source's; a copy that fails or does not match is removed (a file) or rolled back (the
// server's database is left as a new empty one).
void copyDatabase(Session& from, const QString& to, const WorkProgress& progress = {});

// Copies a database on a server into the file `target` (replaced when it exists, only with
// `force`): the server's form of backupDatabase.
void copyServerDatabase(Session& db, const QString& target, const WorkProgress& progress,
                        bool force);

}  // namespace balvix::storage

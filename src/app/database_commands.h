#pragma once

#include <QString>

namespace balvix::app {

// `--check --db FILE`: the check of the file for damage, then of every register's totals
// against its movements and of the audit trail's chain. Prints what it finds; 0 when all is well, 1
// when something is wrong, 2 when the database cannot be opened.
int checkCommand(const QString& dbPath);

// `--rebuild-totals --db FILE`: makes every register's totals anew from its movements, in
// one transaction. 0 when done, 1 on an error, 2 when the database cannot be opened.
int rebuildTotalsCommand(const QString& dbPath);

// `--backup DB FILE [--force]`: a copy of the database while it may stay in use; the copy is
// recorded in the database's audit trail (a read-only database is copied all the same).
int backupCommand(const QString& database, const QString& file, bool force);

// `--copy-database FROM TO`: copies a database whole into a new one (a file to a server's
// empty database, or back), checked table by table. 0 when done, 1 on an error, 2 when the
// source cannot be opened.
int copyDatabaseCommand(const QString& from, const QString& to);

}  // namespace balvix::app

#pragma once

#include <QString>

#include "storage/db_error.h"

struct sqlite3;

namespace balvix::storage {

// Turns the engine's last failure on `db` into the number and Russian description the
// program works with. `file` names the database in messages about the file itself.
DbError engineError(sqlite3* db, int resultCode, const QString& file);

// The number and Russian description for one of the file engine's statement messages
// ("no such table: X"); the server's failures of the same meaning are told the same way.
DbError statementError(const QString& message);
// Russian descriptions shared by the session for failures it detects itself.
QString fileNotFoundText(const QString& file);
QString notADatabaseText(const QString& file);

}  // namespace balvix::storage

#pragma once

#include <QString>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// The audit trail and the closing date with their guards: made for a database that predates
// them (the trail then starts its chain), and the closed period's guards of every table made
// anew. Run whenever the program or a command opens a database. Empty when done, else why not
// (a read-only file stays as it is, and nothing is recorded in it).
QString ensureControlTables(storage::Session& db);

}  // namespace balvix::config

#include "storage/data_version.h"

#include <sqlite3.h>

#include "storage/pg_session.h"
#include "storage/session.h"

namespace balvix::storage {

qint64 dataVersion(Session& db) {
  if (db.inTransaction()) return -1;
  if (auto* server = dynamic_cast<PgSession*>(&db)) return server->othersCommits();
  if (!db.handle()) return -1;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.handle(), "PRAGMA data_version", -1, &statement, nullptr) != SQLITE_OK)
    return -1;
  const qint64 version =
      sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
  sqlite3_finalize(statement);
  return version;
}

}  // namespace balvix::storage

#include "storage/posting_locks.h"

#include "storage/pg_session.h"

namespace balvix::storage {

void lockPostingKey(Session& db, const QString& key) {
  auto* server = dynamic_cast<PgSession*>(&db);
  if (!server || !db.inTransaction()) return;
  server->serverColumn("SELECT pg_catalog.pg_advisory_xact_lock(hashtextextended($1, 0))", key);
}

}  // namespace balvix::storage

#include "storage/posting_locks.h"

#include "storage/pg_session.h"

namespace balvix::storage {

void lockPostingKey(Session& db, const QString& key) {
  auto* server = dynamic_cast<PgSession*>(&db);
  if (!server || !db.inTransaction()) return;
  server->takePostingLock(key);
}

}  // namespace balvix::storage

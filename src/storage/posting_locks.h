#pragma once

#include <QString>

namespace balvix::storage {

class Session;

// Makes the transaction wait until no other session's transaction holds `key`, and holds it
// until this transaction ends. A posting takes the key of the balance it is about to check, so
// that a second posting of the same goods reads that balance only after the first has committed
// (on the server, where postings run side by side at READ COMMITTED). On a file nothing is
// needed: a transaction there holds the only write lock from its start. Outside a transaction
// it does nothing. Keys are taken in the order the module asks for them; when a transaction
// that held keys is rolled back (a deadlock with another posting, say), the next transaction
// that takes a key first takes all of those, in one fixed order.
void lockPostingKey(Session& db, const QString& key);

}  // namespace balvix::storage

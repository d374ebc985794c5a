#pragma once

namespace balvix::storage {
class ObjectLocks;
}

namespace balvix::documents {

// Configuration changes (a designer's save, a configuration loaded from files, a module stored)
// rebuild tables under the other programs' feet: they are refused, naming who works with the
// database, while anyone else does. Refused, not queued: the user repeats the change once the
// others have left. Throws storage::DbError Refused. Without locks (no database) nothing is
// checked.
void requireSoleUser(storage::ObjectLocks* locks);

}  // namespace balvix::documents

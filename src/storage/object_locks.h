#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace balvix::storage {

// Who holds an object open for editing, and who works with the database, across the programs
// that share it. A lock lasts as long as the program that took it: it ends with unlock(), with
// the object, or with the program however it ends (killed included), never left behind stale.
// The file database keeps them as system locks on files beside the database; a server keeps them
// as the server's session locks. One object per program and database; not for threads.
class ObjectLocks {
 public:
  virtual ~ObjectLocks() = default;

  // Takes the lock of `key` (any text: "Документ.Приход 05.01.2026 10:00:00") for `who`, the
  // user's name as others are to read it. Empty when taken (or already held by this object);
  // otherwise the name of the user who holds it. Taken again here, it is counted, and given back
  // by as many unlock() calls.
  virtual QString tryLock(const QString& key, const QString& who) = 0;
  // Gives the lock of `key` back; nothing when not held.
  virtual void unlock(const QString& key) = 0;

  // Announces this program as working with the database under `who` until the object goes.
  virtual void registerPresence(const QString& who) = 0;
  // The users of the other programs working with the database now, one entry per program, in
  // the order of their names; this program's own presence is not listed.
  virtual QStringList otherUsers() = 0;
};

// The locks of the database file `databaseFile`: one file per lock in the folder
// "<file>.locks" and one per program in "<file>.users", each under a system lock (flock) that
// the system lifts when the program ends; a file whose lock nobody holds means nothing.
std::unique_ptr<ObjectLocks> fileObjectLocks(const QString& databaseFile);

// The locks of a database on a server, at `address`: the server's session advisory locks on a
// connection of their own, and the programs' names in the table balvix_users.
std::unique_ptr<ObjectLocks> serverObjectLocks(const QString& address);

class Session;
// The locks of the database `db` is open on, of the kind its engine keeps.
std::unique_ptr<ObjectLocks> objectLocksFor(Session& db);

// The name the program announces itself under: the system user's name and the host's
// ("ivan@kassa").
QString currentUserName();

}  // namespace balvix::storage

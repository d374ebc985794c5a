#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace balvix::storage {

class Session;

// Throws DbError NotADatabase unless the file is a database of the program (an engine
// file holding form_items). Nothing is written while it looks: another program's file
// with an unfinished transaction or an unflushed change log is left exactly as it is.
void verifyOwnDatabase(const QString& file);

// Throws DbError ReadOnly, with the reason, when the program could not write the database:
// the file is write-protected, or its folder (or medium) is, where the engine keeps its
// change log beside the file.
void verifyWritable(const QString& file);

struct IntegrityReport {
  bool complete = true;  // false when the check ran out of time or was cancelled
  QStringList problems;  // what the engine found damaged; empty when nothing
  bool damaged() const { return !problems.isEmpty(); }
  // The Russian message that reports the damage of the file.
  QString description(const QString& file) const;
};

// Called now and then during long work; returning false cancels it. `done` and `total`
// count database pages (0 and 0 when the total is not known).
using WorkProgress = std::function<bool(qint64 done, qint64 total)>;

// Looks for damage in the open database: a quick check of every page (`thorough` adds the
// check that each index matches its table). A positive time limit stops the check after
// that many milliseconds, leaving it incomplete rather than holding up the caller.
IntegrityReport checkIntegrity(Session& db, bool thorough, int timeLimitMs = 0,
                               const WorkProgress& progress = {});

// Copies the open database, while it stays in use, into `target` (replaced when it exists).
// The copy is one consistent state of the database: made under a temporary name, checked,
// and only then given its name.
// An existing target that is a database is replaced only with `force`, and never while some
// program has it open.
void backupDatabase(Session& db, const QString& target, const WorkProgress& progress = {},
                    bool force = false);
// The same for a database file this process has not opened (scheduled copies); the file
// must be a database of the program.
void backupDatabaseFile(const QString& source, const QString& target,
                        const WorkProgress& progress = {}, bool force = false);

// Replaces the content of the open database by that of a copy. The copy must be a
// database of the program and undamaged; the current content is first saved to `aside`.
// The replacement is one transaction: it happens whole or not at all.
void restoreDatabase(Session& db, const QString& copy, const QString& aside,
                     const WorkProgress& progress = {});

// Removes what work on `file` left when it was killed: files named "FILE<marker>PID…" (a new
// database ".creating-", a demo ".demo-", a copy ".part-") whose process no longer runs.
void removeAbandonedWork(const QString& file, const QString& marker);

// Which other program holds a lock on the database file ("balvix, процесс 1234"); empty when
// none is known.
QString lockHolder(const QString& file);

// Where the current content goes before a restore: beside the database, named with the
// moment, e.g. "basa до восстановления 2026-12-06 15-30-00.mdb".
QString asideFileName(const QString& file, const QDateTime& moment);

}  // namespace balvix::storage

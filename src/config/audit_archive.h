#pragma once

#include <QDate>
#include <QString>
#include <functional>

namespace balvix::storage {
class Session;
}

namespace balvix::config::audit {

// The oldest records of the trail can move to an archive file, so that the trail of a firm that
// works for years stays of a bounded size; they are never dropped. The archive is a database of
// the program holding the same table: the records keep their numbers and hashes, so its chain
// runs on into the trail's, and each move is itself a record of the trail.

// Beside the database: "basa.mdb" → "basa.журнал-архив.mdb".
QString defaultArchivePath(const QString& databasePath);

struct ArchiveOutcome {
  qint64 moved = 0;      // records moved now
  qint64 lastMoved = 0;  // the number of the last record in the archive
  QString archive;       // the archive file
  // One sentence for the user.
  QString text() const;
};

// Moves the records dated before `before` (the oldest ones, in the order of their numbers; the
// last record always stays) into `archivePath`, made when absent. The archive must continue this
// trail. The records are first written to the archive and checked there, then removed here in
// one transaction that records the move; a move broken off midway is completed by the next one.
// `progress` (done, total) may stop the copy, and then nothing is removed. Throws DbError.
ArchiveOutcome moveToArchive(storage::Session& db, const QDate& before, const QString& archivePath,
                             const std::function<bool(qint64, qint64)>& progress = {});

// How many years records are kept before they go to the archive; 0: all are kept.
int retentionYears(storage::Session& db);
// Sets it and records the change in the trail. Throws DbError for a negative number.
void setRetentionYears(storage::Session& db, int years);
// Moves what is older than the retention on `today`; nothing (moved 0) when it is 0 or nothing
// is so old. Cheap when there is nothing to move: the oldest record's date is read alone.
ArchiveOutcome applyRetention(storage::Session& db, const QDate& today, const QString& archivePath,
                              const std::function<bool(qint64, qint64)>& progress = {});

}  // namespace balvix::config::audit

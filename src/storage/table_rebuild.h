#pragma once

#include <QString>
#include <QStringList>

namespace balvix::storage {

class Session;

// Told how far a long row copy has got. The copy calls it between chunks, so an
// implementation may also keep the user interface responsive there.
class RebuildProgress {
 public:
  virtual ~RebuildProgress() = default;
  virtual void start(const QString& table, qint64 totalRows) = 0;
  virtual void advance(qint64 copiedRows) = 0;
  virtual void finish() = 0;
  // What the rebuild could not carry over (RebuildResult::lossSummary), told once at its end.
  virtual void notice(const QString& text) { (void)text; }
};

struct RebuildResult {
  bool hadTable = false;  // the table existed before and its rows were carried over
  qint64 rowsCopied = 0;
  QStringList keptColumns;     // stored spelling in the new table
  QStringList droppedColumns;  // old columns with no namesake in the new table
  // Indexes and triggers of the old table are created again on the new one; those that
  // name a dropped column cannot be, and are listed here instead.
  QStringList keptIndexes;
  QStringList droppedIndexes;
  QStringList keptTriggers;
  QStringList droppedTriggers;
  // Views that read the table keep its name; those that still name a dropped column no
  // longer work and are listed here (they are left in place for their owner to mend).
  QStringList brokenViews;

  // A Russian account of what the rebuild could not carry over; empty when nothing.
  QString lossSummary() const;
};

// Re-creates a table from its CREATE TABLE text while keeping its rows: the old table is
// set aside, the new one created, the rows copied for every column whose name survives
// (letter case ignored) under their own row ids, the indexes and triggers created again,
// and the old table dropped. Views that read the table keep reading it under its name.
// Everything runs in one transaction (nested in the caller's when there is one), so on
// any failure the DbError reaches the caller and the old table stays with all its rows,
// indexes and triggers. A table that does not exist yet is simply created.
RebuildResult rebuildTable(Session& db, const QString& table, const QString& createSql,
                           RebuildProgress* progress = nullptr, int chunkRows = 20000);

}  // namespace balvix::storage

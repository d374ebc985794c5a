#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "storage/session.h"

class QProgressDialog;
class QWidget;

namespace balvix::configurator {

// Told how far a long row copy has got. The copy calls it between chunks, so an
// implementation may also keep the user interface responsive there.
class RebuildProgress {
 public:
  virtual ~RebuildProgress() = default;
  virtual void start(const QString& table, qint64 totalRows) = 0;
  virtual void advance(qint64 copiedRows) = 0;
  virtual void finish() = 0;
};

struct RebuildResult {
  bool hadTable = false;  // the table existed before and its rows were carried over
  qint64 rowsCopied = 0;
  QStringList keptColumns;     // stored spelling in the new table
  QStringList droppedColumns;  // old columns with no namesake in the new table
};

// Re-creates a generated table from its CREATE TABLE text while keeping its rows: the
// old table is renamed aside, the new one created, the rows copied for every column
// whose name survives (letter case ignored), and the old table dropped. Everything runs
// in one transaction (nested in the caller's when there is one), so on any failure the
// DbError reaches the caller and the old table stays with all its rows. A table that
// does not exist yet is simply created.
RebuildResult rebuildTable(storage::Session& db, const QString& table, const QString& createSql,
                           RebuildProgress* progress = nullptr, int chunkRows = 20000);

// Progress for a designer window: a window-modal progress dialog that appears only when
// the copy takes longer than about 300 ms; events are processed between chunks.
class DialogRebuildProgress : public RebuildProgress {
 public:
  explicit DialogRebuildProgress(QWidget* window);
  ~DialogRebuildProgress() override;
  void start(const QString& table, qint64 totalRows) override;
  void advance(qint64 copiedRows) override;
  void finish() override;

 private:
  QWidget* m_window;
  std::unique_ptr<QProgressDialog> m_dialog;
};

// Why a list of requisite names cannot become the columns of a table (empty when it
// can): names that are not identifiers, the reserved name "Новый", a name given twice
// (letter case ignored), or the name of one of the table's own system columns.
QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns = {});
// The same, and also a name the database already spells otherwise in another table (letter
// case aside); the object's own tables (`ownTables`) do not count.
QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns,
                              storage::Session& db, const QStringList& ownTables);

// The requisite column list of a CREATE TABLE: every name followed by " TEXT(50),".
QString requisiteColumns(const QStringList& names);

// True when a configuration object of this type already has a form_items row with this
// name (letter case ignored, as for the table names derived from it).
bool objectNameTaken(storage::Session& db, const QString& type, const QString& name);

}  // namespace balvix::configurator

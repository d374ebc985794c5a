#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "config/object_kind.h"
#include "config/requisite_names.h"
#include "storage/session.h"
#include "storage/table_rebuild.h"

class QProgressDialog;
class QWidget;

namespace balvix::configurator {

// The rebuild itself lives with the storage layer; designers use it under these names.
using RebuildProgress = storage::RebuildProgress;
using RebuildResult = storage::RebuildResult;
using storage::rebuildTable;

// Progress for a designer window: a window-modal progress dialog that appears only when
// the copy takes longer than about 300 ms; events are processed between chunks.
class DialogRebuildProgress : public RebuildProgress {
 public:
  explicit DialogRebuildProgress(QWidget* window);
  ~DialogRebuildProgress() override;
  void start(const QString& table, qint64 totalRows) override;
  void advance(qint64 copiedRows) override;
  void finish() override;
  // Kept with the window until the save that caused it is over (takeRebuildNotices).
  void notice(const QString& text) override;

 private:
  QWidget* m_window;
  std::unique_ptr<QProgressDialog> m_dialog;
};

// The notices of the rebuilds a window's save ran (what could not be carried over), taken
// once the save is over, so that no message waits on the user inside the transaction.
QStringList takeRebuildNotices(QWidget* window);

// The checks of requisite names live with the configuration, where an import uses them too.
using config::requisiteNamesProblem;

// The requisite column list of a CREATE TABLE: every name followed by " TEXT(50),".
QString requisiteColumns(const QStringList& names);

// The generated tables of one object as they are at one moment, those that do not exist
// included.
using TableVersions = std::vector<storage::Session::TableVersion>;
TableVersions objectTables(storage::Session& db, config::ObjectKind kind, const QString& name);

// What changed in those tables since, in Russian ("в таблице «…» добавлены поля «Цвет»"),
// by this program or another one; empty when nothing did.
QString tableChanges(storage::Session& db, const TableVersions& before);

// True when a configuration object of this kind already has a form_items row with this
// name (letter case ignored, as for the table names derived from it).
bool objectNameTaken(storage::Session& db, config::ObjectKind kind, const QString& name);

}  // namespace balvix::configurator

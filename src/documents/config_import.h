#pragma once

#include <QString>
#include <QStringList>

#include "documents/config_diff.h"
#include "documents/config_tree.h"
#include "storage/table_rebuild.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// What loading a tree of configuration files into a database would do: the changes of the
// configuration, what they do to the data (tables created or dropped, columns added or
// dropped, values that no longer fit a requisite's new type, each with its count of rows),
// and why the tree cannot be loaded at all.
struct ImportPlan {
  ConfigDiff diff;
  QStringList consequences;
  QStringList problems;
  // Some rows or values would be lost: loading needs the user's explicit consent.
  bool losesData = false;

  bool isEmpty() const { return diff.isEmpty(); }
  // The whole plan as lines of text, for the console and the confirmation window.
  QStringList lines() const;
};

// Writes the database's configuration into `dir` as files; returns how many. Throws
// storage::DbError.
int exportConfiguration(storage::Session& db, const QString& dir);
// The tree the files under `dir` describe. Throws storage::DbError.
ConfigTree readConfigurationFiles(const QString& dir);

// Compares and counts; writes nothing. Throws storage::DbError.
ImportPlan planImport(storage::Session& db, const ConfigTree& files);

// Loads the tree: every change in one transaction, each object saved by the designers' own
// saving (tables rebuilt with their rows), so either all of it is stored or, on any failure,
// nothing. Refuses (storage::DbError) a plan with problems, and one that loses data unless
// `allowDataLoss`.
void applyImport(storage::Session& db, const ConfigTree& files, const ImportPlan& plan,
                 bool allowDataLoss, storage::RebuildProgress* progress = nullptr);

}  // namespace balvix::documents

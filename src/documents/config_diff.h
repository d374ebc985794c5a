#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "documents/config_tree.h"

namespace balvix::documents {

// What differs between the configuration of a database and that of a tree of files, as the
// files would change the database: objects added, changed (property by property, texts as
// unified diffs) and removed. Texts are compared as the files hold them, so a module whose
// file would not change is no change.
struct ObjectChange {
  enum class Kind { Added, Changed, Removed };
  Kind kind = Kind::Changed;
  ObjectKind objectKind = ObjectKind::Catalog;
  QString name;         // as the files name it (as the database does for a removal)
  QString storedName;   // the name in the database; empty for an added object
  QStringList details;  // one line each, already indented for printing
  bool printFormsChanged = false;
  // More than the texts (module, form, layout, dialog) changed: the object is saved as its
  // designer saves it, tables included. Only texts are written otherwise.
  bool structureChanged = true;
};

struct ConfigDiff {
  QList<ObjectChange> objects;  // in the order of the kinds, then of the names
  bool globalModuleChanged = false;
  QStringList globalModuleDetails;

  bool isEmpty() const { return objects.isEmpty() && !globalModuleChanged; }
  // Every change as lines of text, for the console and the comparison window.
  QStringList lines() const;
};

ConfigDiff compareConfigs(const ConfigTree& database, const ConfigTree& files);

// The lines of a unified diff of two texts (LF line ends), three lines of context, without
// the file header; empty when the texts are equal.
QStringList unifiedDiff(const QString& before, const QString& after);

}  // namespace balvix::documents

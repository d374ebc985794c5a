#pragma once

#include <QList>
#include <QString>

#include "config/object_definition.h"
#include "config/print_forms.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// One configuration object with everything that belongs to it: its definition (requisite
// names taken from its tables) and, for a document kind, its print forms in their order.
using config::ObjectDefinition;
using config::ObjectKind;
using config::PrintForm;

struct ConfigObject {
  ObjectDefinition definition;
  QList<PrintForm> printForms;

  bool operator==(const ConfigObject& other) const = default;
};

// The whole configuration of a database, as the files hold it: the objects in the order of
// the kinds (kAllKinds), each kind's objects by name, and the global module.
struct ConfigTree {
  QList<ConfigObject> objects;
  QString globalModule;

  bool operator==(const ConfigTree& other) const = default;

  // The object of this kind whose name matches, letter case ignored (as table names are);
  // nullptr when none.
  const ConfigObject* find(ObjectKind kind, const QString& name) const;
  // Puts the objects in the order the files and every comparison list them.
  void sort();
};

// Reads every object of every kind, its print forms and the global module. Throws
// storage::DbError.
ConfigTree readConfigTree(storage::Session& db);

// A module as its file holds it: the form the module editor shows (Russian keywords) with
// LF line ends. The keyword translation is plain substring replacement, so it is used only
// when the editor's saving of the result gives the stored text back exactly; otherwise the
// stored text is written as it is, which the language runs all the same.
QString moduleFileText(const QString& stored);
// Any other stored text (layouts, dialogs): LF line ends instead of CR LF.
QString plainFileText(const QString& stored);
// What a file's text is stored as: CR LF line ends, as the editors write them.
QString storedText(const QString& fileText);

}  // namespace balvix::documents

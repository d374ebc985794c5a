#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

#include "config/references.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// One catalog element as a window writes it: every column of the catalog's table with its
// value, and what the element held when the window read it.
struct ElementWrite {
  QString catalog;
  std::optional<QString> storedName;  // the element's name when read; nullopt: a new element
  QStringList columns;
  QStringList values;
  QMap<QString, QString> before;  // the values read, by column (for the audit trail)
  // The version read with the element: a different one found at the write refuses it
  // (ChangedElsewhere). nullopt writes whatever is stored ("Записать мою").
  std::optional<qint64> expectedVersion;
};

enum class ElementStatus {
  Saved,
  Duplicate,         // another element has the name already
  ChangedElsewhere,  // written by someone else after `expectedVersion`
  Removed,           // the stored element is gone
};

struct ElementOutcome {
  ElementStatus status = ElementStatus::Saved;
  int moved = 0;       // references carried over to the new name
  qint64 version = 0;  // the element's version after the write, or as found
};

// The version of a stored element, for a window to remember when it reads one.
qint64 elementVersion(storage::Session& db, const QString& catalog, const QString& name);

// Writes the element in one transaction: the row (INSERT or UPDATE), the audit record, the
// references moved to a new name (`progress` may stop that, which takes all back), its version
// raised. Refusals come back in the outcome with nothing written; database errors pass through
// after the rollback. The column named "Наименование" is the element's name.
ElementOutcome saveElement(storage::Session& db, const ElementWrite& element,
                           const config::RenameProgress& progress = {});

}  // namespace balvix::documents

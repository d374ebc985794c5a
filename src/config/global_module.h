#pragma once

#include <QString>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// The name the global module's errors carry, and its node in the configuration tree.
inline const QString kGlobalModuleName = QStringLiteral("Глобальный модуль");

// The text of the global module (table ГлобальныйМодуль, one row); empty when none.
QString readGlobalModule(storage::Session& db);

// Stores the global module's text. A database that lost the row gets it back rather than
// silently storing nothing. The transaction, if any, is the caller's.
void writeGlobalModule(storage::Session& db, const QString& text);

}  // namespace balvix::config

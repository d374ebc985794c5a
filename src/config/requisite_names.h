#pragma once

#include <QString>
#include <QStringList>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// Why a list of requisite names cannot become the columns of a table (empty when it
// can): names that are not identifiers, the reserved name "Новый", a name given twice
// (letter case ignored), or the name of one of the table's own system columns.
QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns = {});
// The same, and also a name the database already spells otherwise in another table (letter
// case aside); the object's own tables (`ownTables`) do not count.
QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns,
                              storage::Session& db, const QStringList& ownTables);

}  // namespace balvix::config

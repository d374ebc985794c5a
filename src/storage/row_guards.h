#pragma once

#include <QString>
#include <QStringList>

#include "storage/db_error.h"

namespace balvix::storage {

class Session;

namespace ErrorCode {
constexpr int Refused = 3421;  // a guard of the database refused the change
}  // namespace ErrorCode

// Rules the database enforces itself, whoever writes to it: a guard refuses one kind of row
// change on a table with a message of its own (a DbError Refused for the program, the same
// text for any outside tool). On SQLite a guard is a BEFORE trigger.
enum class RowEvent { Insert, Update, Delete };

// Creates the guard `name`, replacing one of that name: `event` on rows of `table` is refused
// with `message` where `condition` holds (written over NEW.column and OLD.column; empty:
// always). The transaction is the caller's.
void createRowGuard(Session& db, const QString& name, const QString& table, RowEvent event,
                    const QString& condition, const QString& message);
void dropRowGuard(Session& db, const QString& name);
// The names of the guards that begin with `prefix`.
QStringList rowGuards(Session& db, const QString& prefix);

// An expression over a dd.MM.yyyy text column that orders as the dates do (yyyyMMdd), and
// the condition that the column holds such a text at all.
QString sortableDate(const QString& column);
QString isDateText(const QString& column);

}  // namespace balvix::storage

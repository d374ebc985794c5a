#include "storage/table_indexes.h"

#include <sqlite3.h>

#include "storage/engine_error.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::storage {

namespace {

// The catalog of indexes is read straight from the engine: these are the engine's own
// tables, not names the statement resolver knows.
QStringList column0(Session& db, const char* sql, const QString& parameter) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &statement, nullptr);
  if (rc != SQLITE_OK) throw engineError(db.handle(), rc, db.path());
  const QByteArray bytes = parameter.toUtf8();
  sqlite3_bind_text(statement, 1, bytes.constData(), static_cast<int>(bytes.size()),
                    SQLITE_TRANSIENT);
  QStringList out;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
    out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) throw engineError(db.handle(), rc, db.path());
  return out;
}

// The table's name as the database spells it; empty when there is none.
QString storedTableName(Session& db, const QString& table) {
  for (const QString& name :
       column0(db, "SELECT name FROM sqlite_master WHERE type='table' AND name LIKE ?1", table))
    if (sameName(name, table)) return name;
  // LIKE folds only Latin letters: look through every table for another spelling.
  for (const QString& name :
       column0(db, "SELECT name FROM sqlite_master WHERE type=?1", QStringLiteral("table")))
    if (sameName(name, table)) return name;
  return QString();
}

QString quotedIdentifier(const QString& name) {
  return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

bool leadsWith(Session& db, const QString& stored, const QStringList& columns) {
  for (const QString& index :
       column0(db, "SELECT name FROM pragma_index_list(?1) WHERE partial=0", stored)) {
    const QStringList indexed =
        column0(db, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno", index);
    if (indexed.size() < columns.size()) continue;
    bool same = true;
    for (int i = 0; i < columns.size() && same; ++i) same = sameName(indexed[i], columns[i]);
    if (same) return true;
  }
  return false;
}

}  // namespace

bool hasIndexOn(Session& db, const QString& table, const QStringList& columns) {
  const QString stored = storedTableName(db, table);
  return !stored.isEmpty() && leadsWith(db, stored, columns);
}

bool ensureIndex(Session& db, const QString& table, const QStringList& columns, const QString& name,
                 QString* created) {
  const QString stored = storedTableName(db, table);
  if (stored.isEmpty() || leadsWith(db, stored, columns)) return false;
  QString free = name;
  for (int n = 2;
       !column0(db, "SELECT name FROM sqlite_master WHERE name=?1 COLLATE NOCASE", free).isEmpty();
       ++n)
    free = name + QLatin1Char('_') + QString::number(n);
  QStringList quoted;
  for (const QString& column : columns) quoted << quotedIdentifier(column);
  db.execute(QStringLiteral("CREATE INDEX ") + quotedIdentifier(free) + QStringLiteral(" ON ") +
             quotedIdentifier(stored) + QLatin1Char('(') + quoted.join(QLatin1Char(',')) +
             QLatin1Char(')'));
  if (created) *created = free;
  return true;
}

void dropIndex(Session& db, const QString& name) {
  db.execute(QStringLiteral("DROP INDEX ") + quotedIdentifier(name));
}

}  // namespace balvix::storage

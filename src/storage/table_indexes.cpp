#include "storage/table_indexes.h"

#include <sqlite3.h>

#include "storage/engine_error.h"
#include "storage/pg_session.h"
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

// The server's catalog, in the same shape: names, and an index's columns as one text with
// a separator no name holds. The server's lower() folds only Latin letters in its catalog (its
// names are compared bytewise): names of the same length are fetched, and compared here.
const char* const kServerTables =
    "SELECT c.relname FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
    "c.relnamespace WHERE n.nspname = current_schema() AND c.relkind IN ('r','p') AND "
    "length(c.relname) = length($1)";
const char* const kServerIndexColumns =
    "SELECT array_to_string(array(SELECT a.attname FROM unnest(i.indkey) WITH ORDINALITY "
    "k(attnum, ord) JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = "
    "k.attnum ORDER BY k.ord), chr(1)) FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class c ON "
    "c.oid = i.indrelid JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE "
    "n.nspname = current_schema() AND c.relname = $1 AND i.indpred IS NULL";
const char* const kServerIndexNamed =
    "SELECT c.relname FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
    "c.relnamespace WHERE n.nspname = current_schema() AND length(c.relname) = length($1)";

// The table's name as the database spells it; empty when there is none.
QString storedTableName(Session& db, const QString& table) {
  if (auto* server = dynamic_cast<PgSession*>(&db)) {
    for (const QString& name : server->serverColumn(kServerTables, PgSession::serverName(table)))
      if (sameName(name, PgSession::serverName(table))) return name;
    return QString();
  }
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

bool leads(const QStringList& indexed, const QStringList& columns) {
  if (indexed.size() < columns.size()) return false;
  for (int i = 0; i < columns.size(); ++i) {
    if (!sameName(indexed[i], columns[i])) return false;
  }
  return true;
}

bool leadsWith(Session& db, const QString& stored, const QStringList& columns) {
  if (auto* server = dynamic_cast<PgSession*>(&db)) {
    for (const QString& joined :
         server->serverColumn(kServerIndexColumns, PgSession::serverName(stored)))
      if (leads(joined.split(QChar(1)), columns)) return true;
    return false;
  }
  for (const QString& index :
       column0(db, "SELECT name FROM pragma_index_list(?1) WHERE partial=0", stored)) {
    if (leads(column0(db, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno", index), columns))
      return true;
  }
  return false;
}

}  // namespace

bool keptInKeyOrder(Session& db, const QString& table) {
  if (db.isServer()) return db.tableExists(table);
  return !column0(db,
                  "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 AND sql LIKE "
                  "'%WITHOUT ROWID%'",
                  table)
              .isEmpty();
}

bool hasIndexOn(Session& db, const QString& table, const QStringList& columns) {
  const QString stored = storedTableName(db, table);
  return !stored.isEmpty() && leadsWith(db, stored, columns);
}

bool ensureIndex(Session& db, const QString& table, const QStringList& columns, const QString& name,
                 QString* created) {
  const QString stored = storedTableName(db, table);
  if (stored.isEmpty() || leadsWith(db, stored, columns)) return false;
  auto* server = dynamic_cast<PgSession*>(&db);
  auto taken = [&](const QString& candidate) {
    if (server) {
      const QString kept = PgSession::serverName(candidate);
      for (const QString& found : server->serverColumn(kServerIndexNamed, kept))
        if (sameName(found, kept)) return true;
      return false;
    }
    return !column0(db, "SELECT name FROM sqlite_master WHERE name=?1 COLLATE NOCASE", candidate)
                .isEmpty();
  };
  QString free = name;
  for (int n = 2; taken(free); ++n) free = name + QLatin1Char('_') + QString::number(n);
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

#include "storage/table_rebuild.h"

#include <sqlite3.h>

#include <QVariant>
#include <optional>
#include <vector>

#include "storage/engine_error.h"
#include "storage/pg_session.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::storage {

namespace {

using Rows = std::vector<std::vector<QVariant>>;

QString quotedName(const QString& name) {
  QString escaped = name;
  escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The rebuild's statements go straight to the engine: every name in them is a stored
// spelling read from the schema, and the session's resolution of names must not redirect
// them (to a user column called "rowid", say).
class Engine {
 public:
  explicit Engine(Session& db) : m_db(db.handle()), m_path(db.path()) {}

  Rows query(const QString& sql, const QVariantList& params = {}) const {
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt) throw engineError(m_db, sqlite3_errcode(m_db), m_path);
    for (int i = 0; i < params.size(); ++i) {
      const QVariant& p = params.at(i);
      if (p.typeId() == QMetaType::LongLong || p.typeId() == QMetaType::Int) {
        sqlite3_bind_int64(stmt, i + 1, p.toLongLong());
      } else {
        const QByteArray text = p.toString().toUtf8();
        sqlite3_bind_text(stmt, i + 1, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
      }
    }
    Rows rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<QVariant> row;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        switch (sqlite3_column_type(stmt, c)) {
          case SQLITE_NULL:
            row.emplace_back();
            break;
          case SQLITE_INTEGER:
            row.emplace_back(static_cast<qlonglong>(sqlite3_column_int64(stmt, c)));
            break;
          default:
            row.emplace_back(storedText(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                        sqlite3_column_bytes(stmt, c)));
        }
      }
      rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
      const DbError error = engineError(m_db, rc, m_path);
      sqlite3_finalize(stmt);
      throw error;
    }
    sqlite3_finalize(stmt);
    return rows;
  }

  void run(const QString& sql, const QVariantList& params = {}) const { query(sql, params); }

  // True when the engine accepts the statement (it is compiled, not run).
  bool compiles(const QString& sql) const {
    sqlite3_stmt* stmt = prepare(sql);
    sqlite3_finalize(stmt);
    return stmt != nullptr;
  }

  int changes() const { return sqlite3_changes(m_db); }

  QStringList columns(const QString& table) const {
    QStringList names;
    for (const auto& row : query(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table}))
      names << row.at(0).toString();
    return names;
  }

  // The stored spelling of a table, letter case ignored; empty when there is none.
  QString tableName(const QString& name) const {
    for (const auto& row :
         query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
      if (sameName(row.at(0).toString(), name)) return row.at(0).toString();
    }
    return QString();
  }

  bool nameTaken(const QString& name) const {
    for (const auto& row : query(QStringLiteral("SELECT name FROM sqlite_master"))) {
      if (sameName(row.at(0).toString(), name)) return true;
    }
    return false;
  }

 private:
  sqlite3_stmt* prepare(const QString& sql) const {
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(m_db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, nullptr);
    return stmt;
  }

  sqlite3* m_db;
  QString m_path;
};

// Renaming the old table aside must not rewrite the views and triggers that name it:
// they are meant to find the new table under the same name. The legacy rename leaves
// them alone (and does not trip over a view that is already broken).
class LegacyRename {
 public:
  explicit LegacyRename(const Engine& engine) : m_engine(engine) {
    const Rows rows = engine.query(QStringLiteral("PRAGMA legacy_alter_table"));
    m_was = !rows.empty() && rows.front().at(0).toLongLong() != 0;
    if (!m_was) engine.run(QStringLiteral("PRAGMA legacy_alter_table=ON"));
  }
  ~LegacyRename() {
    if (m_was) return;
    try {
      m_engine.run(QStringLiteral("PRAGMA legacy_alter_table=OFF"));
    } catch (...) {
    }
  }
  LegacyRename(const LegacyRename&) = delete;
  LegacyRename& operator=(const LegacyRename&) = delete;

 private:
  const Engine& m_engine;
  bool m_was = false;
};

// An identifier of a schema text, bare or quoted, with its place in the text.
struct Word {
  qsizetype begin = 0;
  qsizetype length = 0;
  QString name;  // without quotes
};

bool isWordChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') ||
         c.unicode() > 127;
}

std::vector<Word> identifiers(const QString& sql) {
  std::vector<Word> words;
  const qsizetype n = sql.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = sql.at(i);
    if (c == QLatin1Char('\'')) {
      for (++i; i < n; ++i) {
        if (sql.at(i) != QLatin1Char('\'')) continue;
        if (i + 1 < n && sql.at(i + 1) == QLatin1Char('\'')) {
          ++i;
          continue;
        }
        break;
      }
      ++i;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
      const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
      Word word;
      word.begin = i;
      for (++i; i < n; ++i) {
        if (sql.at(i) != close) {
          word.name += sql.at(i);
          continue;
        }
        if (close != QLatin1Char(']') && i + 1 < n && sql.at(i + 1) == close) {
          word.name += close;
          ++i;
          continue;
        }
        break;
      }
      ++i;
      word.length = std::min(i, n) - word.begin;
      words.push_back(word);
    } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
      while (i < n && sql.at(i) != QLatin1Char('\n')) ++i;
    } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
      const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
      i = end < 0 ? n : end + 2;
    } else if (c.isDigit()) {
      while (i < n && isWordChar(sql.at(i))) ++i;
    } else if (isWordChar(c)) {
      Word word;
      word.begin = i;
      while (i < n && isWordChar(sql.at(i))) ++i;
      word.length = i - word.begin;
      word.name = sql.mid(word.begin, word.length);
      words.push_back(word);
    } else {
      ++i;
    }
  }
  return words;
}

// A name of the engine's own for the row id that no column of the table shadows; empty
// when the table has columns of all three names.
QString rowidAlias(const QStringList& columns) {
  for (const char* alias : {"_rowid_", "rowid", "oid"}) {
    const QString name = QString::fromLatin1(alias);
    if (!columns.contains(name, Qt::CaseInsensitive)) return name;
  }
  return QString();
}

struct Dependent {
  QString type;  // "index" or "trigger"
  QString name;
  QString sql;
};

// The old table's index or trigger written for the new table: names of columns and of
// the table in their new spelling. Empty when it names a dropped column.
QString carriedOver(const QString& sql, const QString& oldTable, const QString& newTable,
                    const QStringList& oldColumns, const QStringList& newColumns,
                    const QStringList& dropped) {
  QString out;
  qsizetype at = 0;
  for (const Word& word : identifiers(sql)) {
    QString replacement;
    if (dropped.contains(word.name, Qt::CaseInsensitive)) return QString();
    if (sameName(word.name, oldTable)) {
      replacement = newTable;
    } else if (oldColumns.contains(word.name, Qt::CaseInsensitive)) {
      for (const QString& column : newColumns) {
        if (sameName(column, word.name)) replacement = column;
      }
    }
    if (replacement.isEmpty() || replacement == word.name) continue;
    out += sql.mid(at, word.begin - at) + quotedName(replacement);
    at = word.begin + word.length;
  }
  return out + sql.mid(at);
}

bool namesTable(const QString& sql, const QString& table) {
  for (const Word& word : identifiers(sql)) {
    if (sameName(word.name, table)) return true;
  }
  return false;
}

void copyRows(const Engine& engine, const QString& table, const QString& from, const QString& to,
              const QStringList& fromColumns, const QStringList& toColumns,
              const QStringList& newColumns, RebuildProgress* progress, int chunkRows,
              RebuildResult& result) {
  const qint64 total = engine.query(QStringLiteral("SELECT COUNT(*) FROM ") + quotedName(from))
                           .front()
                           .at(0)
                           .toLongLong();
  if (total == 0) return;
  if (progress) progress->start(table, total);

  const QString oldKey = rowidAlias(engine.columns(from));
  // Rows keep their row ids when both tables let them be named.
  const QString newKey = oldKey.isEmpty() ? QString() : rowidAlias(newColumns);
  QString copy = QStringLiteral("INSERT INTO ") + quotedName(to) + QStringLiteral(" (");
  if (!newKey.isEmpty()) copy += newKey + QLatin1Char(',');
  copy += toColumns.join(QLatin1Char(',')) + QStringLiteral(") SELECT ");
  if (!newKey.isEmpty()) copy += oldKey + QLatin1Char(',');
  copy += fromColumns.join(QLatin1Char(',')) + QStringLiteral(" FROM ") + quotedName(from);

  if (oldKey.isEmpty()) {
    // No name reaches the row id: one statement copies everything, without chunks.
    engine.run(copy);
    result.rowsCopied = engine.changes();
  } else {
    // Chunks are bounded by row ids that exist, never by arithmetic on them, so row ids
    // anywhere in the 64-bit range neither overflow nor leave an endless walk.
    const qint64 step = std::max(1, chunkRows);
    std::optional<qint64> last;
    for (;;) {
      QString boundSql =
          QStringLiteral("SELECT ") + oldKey + QStringLiteral(" FROM ") + quotedName(from);
      QVariantList params;
      if (last) {
        boundSql += QStringLiteral(" WHERE ") + oldKey + QStringLiteral(" > ?");
        params << QVariant::fromValue<qlonglong>(*last);
      }
      boundSql += QStringLiteral(" ORDER BY ") + oldKey + QStringLiteral(" LIMIT 1 OFFSET ?");
      const Rows bound =
          engine.query(boundSql, params + QVariantList{QVariant::fromValue<qlonglong>(step - 1)});
      std::optional<qint64> high;
      if (!bound.empty()) high = bound.front().at(0).toLongLong();

      QStringList conditions;
      if (last) conditions << oldKey + QStringLiteral(" > ?");
      if (high) {
        conditions << oldKey + QStringLiteral(" <= ?");
        params << QVariant::fromValue<qlonglong>(*high);
      }
      QString chunk = copy;
      if (!conditions.isEmpty())
        chunk += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
      engine.run(chunk + QStringLiteral(" ORDER BY ") + oldKey, params);
      result.rowsCopied += engine.changes();
      if (progress) progress->advance(result.rowsCopied);
      if (!high) break;
      last = high;
    }
  }
  if (progress) progress->finish();
}

}  // namespace

QString RebuildResult::lossSummary() const {
  QStringList lines;
  if (!droppedIndexes.isEmpty())
    lines << QStringLiteral("Индексы, построенные по удаленным реквизитам, удалены: %1.")
                 .arg(droppedIndexes.join(QStringLiteral(", ")));
  if (!droppedTriggers.isEmpty())
    lines << QStringLiteral("Триггеры, использовавшие удаленные реквизиты, удалены: %1.")
                 .arg(droppedTriggers.join(QStringLiteral(", ")));
  if (!brokenViews.isEmpty())
    lines << QStringLiteral(
                 "Представления, использующие удаленные реквизиты, больше не работают: %1.")
                 .arg(brokenViews.join(QStringLiteral(", ")));
  return lines.join(QLatin1Char('\n'));
}

RebuildResult rebuildServerTable(PgSession& db, const QString& table, const QString& createSql,
                                 RebuildProgress* progress);

RebuildResult rebuildTable(Session& db, const QString& table, const QString& createSql,
                           RebuildProgress* progress, int chunkRows) {
  if (auto* server = dynamic_cast<PgSession*>(&db))
    return rebuildServerTable(*server, table, createSql, progress);
  RebuildResult result;
  Transaction transaction(db);
  const Engine engine(db);
  const QString current = engine.tableName(table);
  if (current.isEmpty()) {
    db.execute(createSql);
    transaction.commit();
    return result;
  }
  result.hadTable = true;

  std::vector<Dependent> dependents;
  for (const auto& row : engine.query(
           QStringLiteral("SELECT type,name,sql FROM sqlite_master WHERE type IN "
                          "('index','trigger') AND tbl_name=? AND sql IS NOT NULL ORDER BY rowid"),
           {current}))
    dependents.push_back({row.at(0).toString(), row.at(1).toString(), row.at(2).toString()});

  QString old = QStringLiteral("old_") + current;
  for (int n = 2; engine.nameTaken(old); ++n)
    old = QStringLiteral("old_") + current + QLatin1Char('_') + QString::number(n);
  {
    LegacyRename legacy(engine);
    engine.run(
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quotedName(current), quotedName(old)));
  }
  db.refreshTables();
  db.execute(createSql);
  const QString created = engine.tableName(table);
  if (created.isEmpty())
    throw DbError(ErrorCode::TableNotFound,
                  QStringLiteral("Описание таблицы «%1» создает другую таблицу.").arg(table));

  const QStringList oldColumns = engine.columns(old);
  const QStringList newColumns = engine.columns(created);
  QStringList from;
  QStringList to;
  for (const QString& column : oldColumns) {
    QString match;
    for (const QString& c : newColumns) {
      if (sameName(c, column)) match = c;
    }
    if (match.isEmpty()) {
      result.droppedColumns << column;
    } else if (!result.keptColumns.contains(match)) {
      from << quotedName(column);
      to << quotedName(match);
      result.keptColumns << match;
    }
  }
  if (!from.isEmpty())
    copyRows(engine, table, old, created, from, to, newColumns, progress, chunkRows, result);

  engine.run(QStringLiteral("DROP TABLE ") + quotedName(old));

  for (const Dependent& dependent : dependents) {
    const QString sql =
        carriedOver(dependent.sql, current, created, oldColumns, newColumns, result.droppedColumns);
    const bool index = dependent.type == QLatin1String("index");
    if (sql.isEmpty()) {
      (index ? result.droppedIndexes : result.droppedTriggers) << dependent.name;
      continue;
    }
    engine.run(sql);
    (index ? result.keptIndexes : result.keptTriggers) << dependent.name;
  }

  for (const auto& row :
       engine.query(QStringLiteral("SELECT name,sql FROM sqlite_master WHERE type='view'"))) {
    const QString view = row.at(0).toString();
    const QString viewSql = row.at(1).toString();
    if (!namesTable(viewSql, current) ||
        engine.compiles(QStringLiteral("SELECT * FROM ") + quotedName(view)))
      continue;
    // The engine matches column names letter for letter outside the Latin alphabet, so a
    // column that changed its letter case is written anew into the view.
    const QString rewritten =
        carriedOver(viewSql, current, created, oldColumns, newColumns, result.droppedColumns);
    if (rewritten.isEmpty() || rewritten == viewSql) {
      result.brokenViews << view;
      continue;
    }
    engine.run(QStringLiteral("SAVEPOINT rebuild_view"));
    try {
      engine.run(QStringLiteral("DROP VIEW ") + quotedName(view));
      engine.run(rewritten);
      engine.run(QStringLiteral("RELEASE rebuild_view"));
    } catch (const DbError&) {
      engine.run(QStringLiteral("ROLLBACK TO rebuild_view"));
      engine.run(QStringLiteral("RELEASE rebuild_view"));
      result.brokenViews << view;
    }
  }

  db.refreshTables();
  transaction.commit();
  const QString loss = result.lossSummary();
  if (progress && !loss.isEmpty())
    progress->notice(QStringLiteral("Таблица «%1»: %2").arg(created, loss));
  return result;
}

}  // namespace balvix::storage

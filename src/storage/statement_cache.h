#pragma once

#include <QHash>
#include <QSet>
#include <QString>

struct sqlite3_stmt;

namespace balvix::storage {

// Prepared queries kept by their original text, so that a query the program runs again
// (the same list, the same lookup) skips resolution and compilation. A text is kept only
// when it comes a second time: statements with values written in rarely repeat, and many
// live statements make the engine's own small allocations slower.
class StatementCache {
 public:
  explicit StatementCache(int capacity) : m_capacity(capacity) {}
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  sqlite3_stmt* find(const QString& sql) const { return m_statements.value(sql, nullptr); }
  // True when the text was seen before (and is worth keeping); remembers it otherwise.
  bool seenBefore(const QString& sql);
  // Takes ownership; when full, the cache starts afresh rather than tracking use order.
  void insert(const QString& sql, sqlite3_stmt* statement);
  void clear();

 private:
  int m_capacity;
  QHash<QString, sqlite3_stmt*> m_statements;
  QSet<QString> m_seen;
};

}  // namespace balvix::storage

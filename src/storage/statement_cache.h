#pragma once

#include <QHash>
#include <QString>

struct sqlite3_stmt;

namespace balvix::storage {

// Prepared statements kept by their original text, so that a statement the program runs
// again (the same list query, the same lookup) skips resolution and compilation.
class StatementCache {
 public:
  explicit StatementCache(int capacity) : m_capacity(capacity) {}
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  sqlite3_stmt* find(const QString& sql) const { return m_statements.value(sql, nullptr); }
  // Takes ownership; when full, the cache starts afresh rather than tracking use order.
  void insert(const QString& sql, sqlite3_stmt* statement);
  void clear();

 private:
  int m_capacity;
  QHash<QString, sqlite3_stmt*> m_statements;
};

}  // namespace balvix::storage

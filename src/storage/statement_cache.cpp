#include "storage/statement_cache.h"

#include <sqlite3.h>

namespace balvix::storage {

void StatementCache::insert(const QString& sql, sqlite3_stmt* statement) {
  if (m_statements.size() >= m_capacity) clear();
  m_statements.insert(sql, statement);
}

bool StatementCache::seenBefore(const QString& sql) {
  if (m_seen.contains(sql)) return true;
  if (m_seen.size() >= 4 * m_capacity) m_seen.clear();
  m_seen.insert(sql);
  return false;
}

void StatementCache::clear() {
  for (sqlite3_stmt* statement : std::as_const(m_statements)) sqlite3_finalize(statement);
  m_statements.clear();
  m_seen.clear();
}

}  // namespace balvix::storage

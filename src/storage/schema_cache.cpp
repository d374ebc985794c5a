#include "storage/schema_cache.h"

#include <sqlite3.h>

#include <algorithm>

#include "storage/sql_text.h"

namespace balvix::storage {

namespace {

// Identifier spellings are few, but a program that builds names from user input could
// grow the map without bound; past this size it starts afresh.
constexpr std::size_t kMaxWordInfo = 20000;

QString columnText(sqlite3_stmt* stmt, int col) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
  return QString::fromUtf8(text, sqlite3_column_bytes(stmt, col));
}

}  // namespace

SchemaCache::SchemaCache(sqlite3* db) : m_db(db) {}

SchemaCache::~SchemaCache() {
  sqlite3_finalize(m_versionStatement);
}

void SchemaCache::invalidate() {
  m_loaded = false;
  m_tables.clear();
  m_tableByFold.clear();
  m_columnsByFold.clear();
  m_wordInfo.clear();
  m_words.clear();
}

int SchemaCache::schemaVersion() {
  if (!m_versionStatement && sqlite3_prepare_v2(m_db, "PRAGMA schema_version", -1,
                                                &m_versionStatement, nullptr) != SQLITE_OK)
    return -1;
  int version = -1;
  if (sqlite3_step(m_versionStatement) == SQLITE_ROW)
    version = sqlite3_column_int(m_versionStatement, 0);
  sqlite3_reset(m_versionStatement);
  return version;
}

void SchemaCache::checkCurrent() {
  if (m_loaded && schemaVersion() != m_version) invalidate();
}

void SchemaCache::load() {
  invalidate();
  m_version = schemaVersion();
  sqlite3_stmt* list = nullptr;
  sqlite3_stmt* info = nullptr;
  sqlite3_prepare_v2(m_db,
                     "SELECT name FROM sqlite_master WHERE type IN ('table','view') "
                     "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
                     -1, &list, nullptr);
  sqlite3_prepare_v2(m_db, "SELECT name FROM pragma_table_info(?1)", -1, &info, nullptr);
  while (list && info && sqlite3_step(list) == SQLITE_ROW) {
    TableInfo table;
    table.name = columnText(list, 0);
    table.spelling = table.name.toStdString();
    sqlite3_bind_text(info, 1, table.spelling.data(), static_cast<int>(table.spelling.size()),
                      SQLITE_TRANSIENT);
    while (sqlite3_step(info) == SQLITE_ROW) table.columns << columnText(info, 0);
    sqlite3_reset(info);
    const int index = static_cast<int>(m_tables.size());
    m_tableByFold.insert(foldName(table.name), index);
    for (const QString& column : table.columns)
      m_columnsByFold[foldName(column)].push_back({index, column.toStdString()});
    m_tables.push_back(std::move(table));
  }
  sqlite3_finalize(list);
  sqlite3_finalize(info);
  m_loaded = true;
}

QString SchemaCache::tableName(const QString& name) {
  checkCurrent();
  if (!m_loaded) load();
  const int index = m_tableByFold.value(foldName(name), -1);
  return index < 0 ? QString() : m_tables[static_cast<std::size_t>(index)].name;
}

QStringList SchemaCache::columns(const QString& table) {
  checkCurrent();
  if (!m_loaded) load();
  const int index = m_tableByFold.value(foldName(table), -1);
  return index < 0 ? QStringList() : m_tables[static_cast<std::size_t>(index)].columns;
}

const SchemaCache::WordInfo& SchemaCache::info(std::string_view word) {
  if (auto it = m_wordInfo.find(word); it != m_wordInfo.end()) return it->second;
  WordInfo result;
  const QString folded =
      foldName(QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size())));
  result.table = m_tableByFold.value(folded, -1);
  if (auto it = m_columnsByFold.constFind(folded); it != m_columnsByFold.constEnd())
    result.columns = &it.value();
  return m_wordInfo.emplace(std::string(word), result).first->second;
}

std::string_view SchemaCache::replacement(const Word& w, Mode mode) const {
  const WordInfo& info = *w.info;
  if (mode == Mode::TableNameOnly)
    return info.table >= 0
               ? std::string_view(m_tables[static_cast<std::size_t>(info.table)].spelling)
               : std::string_view();
  if (info.table >= 0 && !w.word.afterDot)
    return m_tables[static_cast<std::size_t>(info.table)].spelling;
  if (!info.columns) return {};
  for (int table : m_statementTables) {
    for (const ColumnRef& ref : *info.columns) {
      if (ref.table == table) return ref.spelling;
    }
  }
  if (mode == Mode::StatementColumnsOnly) return {};
  return info.columns->front().spelling;
}

bool SchemaCache::resolve(std::string_view sql, std::string& out, StatementKind& kind) {
  if (!m_loaded) load();
  if (m_wordInfo.size() > kMaxWordInfo) m_wordInfo.clear();
  m_words.clear();
  m_statementTables.clear();
  SqlScanner scanner(sql);
  SqlWord word;
  while (scanner.next(word)) m_words.push_back({word, nullptr});
  kind = StatementKind::Data;
  if (m_words.empty()) return false;
  auto text = [&](std::size_t i) {
    return sql.substr(m_words[i].word.begin, m_words[i].word.length);
  };

  // A new table keeps the column names exactly as the designer wrote them, so in CREATE TABLE
  // only the table name is resolved (a name that exists already then fails as it should).
  // ALTER TABLE may add columns: only the altered table's own columns are resolved there.
  Mode mode = Mode::Everything;
  std::size_t onlyWord = m_words.size();
  const std::string_view first = text(0);
  if (isAsciiWord(first, "create")) {
    kind = StatementKind::Definition;
    for (std::size_t i = 1; i < m_words.size() && i <= 3; ++i) {
      if (isAsciiWord(text(i), "table")) {
        std::size_t j = i + 1;
        if (j < m_words.size() && isAsciiWord(text(j), "if")) j += 3;
        mode = Mode::TableNameOnly;
        onlyWord = j;
        break;
      }
    }
  } else if (isAsciiWord(first, "drop")) {
    kind = StatementKind::Definition;
  } else if (isAsciiWord(first, "alter")) {
    kind = StatementKind::Definition;
    mode = Mode::StatementColumnsOnly;
  }

  for (std::size_t i = 0; i < m_words.size(); ++i) {
    if (mode == Mode::TableNameOnly && i != onlyWord) continue;
    const WordInfo& wi = info(text(i));
    m_words[i].info = &wi;
    if (wi.table >= 0 && !m_words[i].word.afterDot &&
        std::find(m_statementTables.begin(), m_statementTables.end(), wi.table) ==
            m_statementTables.end())
      m_statementTables.push_back(wi.table);
  }

  bool changed = false;
  std::size_t copied = 0;
  for (std::size_t i = 0; i < m_words.size(); ++i) {
    const Word& w = m_words[i];
    if (!w.info) continue;
    const std::string_view stored = replacement(w, mode);
    if (stored.empty() || stored == text(i)) continue;
    if (!changed) {
      out.clear();
      out.reserve(sql.size() + 16);
      changed = true;
    }
    out.append(sql.substr(copied, w.word.begin - copied));
    out.append(stored);
    copied = w.word.begin + w.word.length;
  }
  if (changed) out.append(sql.substr(copied));
  return changed;
}

}  // namespace balvix::storage

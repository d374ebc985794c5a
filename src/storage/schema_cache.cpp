#include "storage/schema_cache.h"

#include <sqlite3.h>

#include "storage/sql_text.h"
#include "storage/statement_resolver.h"

namespace balvix::storage {

namespace {

// Identifier spellings are few, but a program that builds names from user input could
// grow the map without bound; past this size it starts afresh.
constexpr std::size_t kMaxWordInfo = 20000;
constexpr std::size_t kMaxPlainPrefixes = 1000;

QString columnText(sqlite3_stmt* stmt, int col) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
  return QString::fromUtf8(text, sqlite3_column_bytes(stmt, col));
}

}  // namespace

SchemaCache::SchemaCache(sqlite3* db) : m_db(db) {}

SchemaCache::SchemaCache(Loader loader) : m_loader(std::move(loader)) {}

SchemaCache::~SchemaCache() {
  sqlite3_finalize(m_versionStatement);
}

void SchemaCache::invalidate() {
  m_loaded = false;
  m_tables.clear();
  m_foldIds.clear();
  m_tableByFold.clear();
  m_anyColumn.clear();
  m_onlySpelling.clear();
  m_wordInfo.clear();
  m_plainPrefixes.clear();
}

void SchemaCache::addPlainPrefix(std::string_view prefix) {
  // Statements with values written into their beginnings would fill the set for nothing.
  if (m_plainPrefixes.size() >= kMaxPlainPrefixes) m_plainPrefixes.clear();
  m_plainPrefixes.emplace(prefix);
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

int SchemaCache::foldId(const QString& folded) {
  const auto it = m_foldIds.constFind(folded);
  if (it != m_foldIds.constEnd()) return it.value();
  const int id = static_cast<int>(m_foldIds.size());
  m_foldIds.insert(folded, id);
  return id;
}

void SchemaCache::addTable(const QString& name, const QStringList& columns) {
  Table table;
  table.name = name;
  table.spelling = name.toStdString();
  table.fold = foldId(foldName(name));
  table.columnNames = columns;
  for (const QString& column : columns)
    table.columns.push_back({foldId(foldName(column)), column.toStdString()});
  m_tableByFold.emplace(table.fold, static_cast<int>(m_tables.size()));
  m_tables.push_back(std::move(table));
}

void SchemaCache::load() {
  invalidate();
  if (m_loader) {
    std::vector<std::pair<QString, QStringList>> tables;
    m_loader(tables);
    for (const auto& [name, columns] : tables) addTable(name, columns);
  } else {
    loadFile();
  }
  finishLoad();
}

void SchemaCache::loadFile() {
  sqlite3_stmt* list = nullptr;
  sqlite3_stmt* info = nullptr;
  sqlite3_prepare_v2(m_db,
                     "SELECT name FROM sqlite_master WHERE type IN ('table','view') "
                     "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
                     -1, &list, nullptr);
  sqlite3_prepare_v2(m_db, "SELECT name FROM pragma_table_info(?1)", -1, &info, nullptr);
  while (list && info && sqlite3_step(list) == SQLITE_ROW) {
    Table table;
    table.name = columnText(list, 0);
    table.spelling = table.name.toStdString();
    table.fold = foldId(foldName(table.name));
    sqlite3_bind_text(info, 1, table.spelling.data(), static_cast<int>(table.spelling.size()),
                      SQLITE_TRANSIENT);
    while (sqlite3_step(info) == SQLITE_ROW) {
      const QString column = columnText(info, 0);
      table.columnNames << column;
      table.columns.push_back({foldId(foldName(column)), column.toStdString()});
    }
    sqlite3_reset(info);
    m_tableByFold.emplace(table.fold, static_cast<int>(m_tables.size()));
    m_tables.push_back(std::move(table));
  }
  sqlite3_finalize(list);
  sqlite3_finalize(info);
}

void SchemaCache::finishLoad() {
  auto addSpelling = [&](int fold, const std::string& spelling) {
    const auto [it, added] = m_onlySpelling.emplace(fold, &spelling);
    if (!added && it->second && *it->second != spelling) it->second = nullptr;
  };
  for (const Table& table : m_tables) {
    addSpelling(table.fold, table.spelling);
    for (const Column& column : table.columns) {
      m_anyColumn.emplace(column.fold, &column.spelling);
      addSpelling(column.fold, column.spelling);
    }
  }
  m_loaded = true;
}

const SchemaCache::WordInfo& SchemaCache::info(std::string_view spelling) {
  if (auto it = m_wordInfo.find(spelling); it != m_wordInfo.end()) return it->second;
  WordInfo result;
  const QString name = QString::fromUtf8(spelling.data(), static_cast<qsizetype>(spelling.size()));
  result.fold = foldId(foldName(name));
  if (auto it = m_tableByFold.find(result.fold); it != m_tableByFold.end()) {
    result.table = it->second;
    // Two tables of one folded name can only come from an older database; the exact
    // spelling then names its own table.
    for (std::size_t i = 0; i < m_tables.size(); ++i) {
      if (m_tables[i].spelling == spelling) result.table = static_cast<int>(i);
    }
  }
  if (auto it = m_onlySpelling.find(result.fold); it != m_onlySpelling.end())
    result.canonical = it->second && *it->second == spelling;
  result.keyword = sqlite3_keyword_check(spelling.data(), static_cast<int>(spelling.size())) != 0;
  if (result.keyword) result.word = sqlKeyword(spelling);
  return m_wordInfo.emplace(std::string(spelling), result).first->second;
}

const std::string* SchemaCache::columnOf(int table, int fold, std::string_view written) const {
  const std::string* found = nullptr;
  for (const Column& column : m_tables[static_cast<std::size_t>(table)].columns) {
    if (column.fold != fold) continue;
    if (column.spelling == written) return &column.spelling;
    if (!found) found = &column.spelling;
  }
  return found;
}

const std::string* SchemaCache::anyColumn(int fold) const {
  const auto it = m_anyColumn.find(fold);
  return it == m_anyColumn.end() ? nullptr : it->second;
}

QString SchemaCache::tableName(const QString& name) {
  ensureLoaded();
  const auto it = m_tableByFold.find(m_foldIds.value(foldName(name), -1));
  return it == m_tableByFold.end() ? QString()
                                   : m_tables[static_cast<std::size_t>(it->second)].name;
}

QStringList SchemaCache::columns(const QString& table) {
  ensureLoaded();
  const QByteArray utf8 = table.toUtf8();
  const WordInfo& word =
      info(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  return word.table < 0 ? QStringList()
                        : m_tables[static_cast<std::size_t>(word.table)].columnNames;
}

bool SchemaCache::resolve(std::string_view sql, std::string& out, StatementKind& kind) {
  // References into the word map live only during one resolution, so it is trimmed between.
  if (m_wordInfo.size() > kMaxWordInfo) invalidate();
  ensureLoaded();
  if (!m_resolver) m_resolver = std::make_unique<StatementResolver>(*this);
  return m_resolver->resolve(sql, out, kind);
}

}  // namespace balvix::storage

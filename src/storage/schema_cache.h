#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "storage/sql_scanner.h"

struct sqlite3;
struct sqlite3_stmt;

namespace balvix::storage {

class StatementResolver;

enum class StatementKind {
  Data,        // queries and data changes
  Definition,  // CREATE, DROP, ALTER: the schema changes
};

// The tables and columns of the database with their stored spelling, each name also known by
// a number for its folded form (letter case ignored for every alphabet). Loaded on first use,
// dropped whenever the schema may have changed.
class SchemaCache {
 public:
  struct Column {
    int fold = -1;
    std::string spelling;
  };
  struct Table {
    QString name;
    std::string spelling;
    int fold = -1;
    QStringList columnNames;
    std::vector<Column> columns;
  };
  // What a spelling met in a statement stands for; kept per spelling.
  struct WordInfo {
    int fold = -1;
    int table = -1;        // the table of that name, -1 when none
    bool keyword = false;  // the spelling is a keyword of the query language
    SqlKeyword word = SqlKeyword::None;
    // Written exactly as the database spells the only name of its fold: no resolution can
    // change it.
    bool canonical = false;
  };

  explicit SchemaCache(sqlite3* db);
  // Over a database whose tables (and views) `loader` lists in order, each with its columns.
  using Loader = std::function<void(std::vector<std::pair<QString, QStringList>>& tables)>;
  explicit SchemaCache(Loader loader);
  ~SchemaCache();
  SchemaCache(const SchemaCache&) = delete;
  SchemaCache& operator=(const SchemaCache&) = delete;

  // The session drops the cache whenever the schema version moves, also by another program.
  void invalidate();
  // The schema version the engine reports now.
  int schemaVersion();

  // Stored name of a table or view (letter case ignored); empty when there is none.
  QString tableName(const QString& name);
  QStringList columns(const QString& table);

  // Writes the statement with its identifiers in stored spelling into `out`; returns false
  // (and leaves `out` alone) when nothing had to change. Throws DbError for a column that
  // several tables of one query offer in different spellings.
  bool resolve(std::string_view sql, std::string& out, StatementKind& kind);

  // For the resolver.
  void ensureLoaded() {
    if (!m_loaded) load();
  }
  const WordInfo& info(std::string_view spelling);
  // Beginnings of statements (up to their first text value) whose every name is already in
  // its stored spelling; forgotten with the rest when the schema changes.
  bool isPlainPrefix(std::string_view prefix) const {
    return m_plainPrefixes.find(prefix) != m_plainPrefixes.end();
  }
  void addPlainPrefix(std::string_view prefix);
  const Table& table(int index) const { return m_tables[static_cast<std::size_t>(index)]; }
  // The stored spelling of a column of one table, the exact spelling preferred; null when the
  // table has no such column.
  const std::string* columnOf(int table, int fold, std::string_view written) const;
  // The spelling of a column of that fold in any table, for statements whose tables are not
  // known; null when no table has one.
  const std::string* anyColumn(int fold) const;

 private:
  void load();
  void loadFile();
  void addTable(const QString& name, const QStringList& columns);
  void finishLoad();
  int foldId(const QString& folded);

  sqlite3* m_db = nullptr;
  Loader m_loader;
  sqlite3_stmt* m_versionStatement = nullptr;
  bool m_loaded = false;
  std::vector<Table> m_tables;
  QHash<QString, int> m_foldIds;
  std::unordered_map<int, int> m_tableByFold;
  std::unordered_map<int, const std::string*> m_anyColumn;
  // Every stored spelling of a fold; null when the fold has more than one.
  std::unordered_map<int, const std::string*> m_onlySpelling;
  // Every statement looks up each of its words: a hash of the length and the first and last
  // eight bytes is enough to tell the few spellings of a database apart, and cheap.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const {
      std::uint64_t head = 0;
      std::uint64_t tail = 0;
      const std::size_t n = std::min<std::size_t>(s.size(), 8);
      std::memcpy(&head, s.data(), n);
      std::memcpy(&tail, s.data() + s.size() - n, n);
      std::uint64_t h = (head ^ (tail * 0x9E3779B97F4A7C15ull) ^ s.size()) * 0xFF51AFD7ED558CCDull;
      return static_cast<std::size_t>(h ^ (h >> 32));
    }
  };
  // Node-based, so references handed out stay valid while it grows.
  std::unordered_map<std::string, WordInfo, TextHash, std::equal_to<>> m_wordInfo;
  struct PrefixHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_set<std::string, PrefixHash, std::equal_to<>> m_plainPrefixes;
  std::unique_ptr<StatementResolver> m_resolver;
};

}  // namespace balvix::storage

#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/sql_scanner.h"

struct sqlite3;
struct sqlite3_stmt;

namespace balvix::storage {

enum class StatementKind {
  Data,        // queries and data changes
  Definition,  // CREATE, DROP, ALTER: the schema changes
};

// The tables and columns of the database with their stored spelling, and the resolution of
// the identifiers of a statement to that spelling. Loaded on first use, dropped whenever
// the schema may have changed.
class SchemaCache {
 public:
  explicit SchemaCache(sqlite3* db);
  ~SchemaCache();
  SchemaCache(const SchemaCache&) = delete;
  SchemaCache& operator=(const SchemaCache&) = delete;

  void invalidate();
  // Drops the cache when the database reports a schema other than the one loaded.
  void checkCurrent();

  // Stored name of a table or view (letter case ignored); empty when there is none.
  QString tableName(const QString& name);
  QStringList columns(const QString& table);

  // Writes the statement with its identifiers in stored spelling into `out`; returns false
  // (and leaves `out` alone) when nothing had to change.
  bool resolve(std::string_view sql, std::string& out, StatementKind& kind);

 private:
  struct ColumnRef {
    int table = -1;
    std::string spelling;
  };
  struct WordInfo {
    int table = -1;
    const std::vector<ColumnRef>* columns = nullptr;
  };
  struct TableInfo {
    QString name;
    std::string spelling;
    QStringList columns;
  };
  struct Word {
    SqlWord word;
    const WordInfo* info = nullptr;
  };
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  enum class Mode { Everything, TableNameOnly, StatementColumnsOnly };

  void load();
  int schemaVersion();
  const WordInfo& info(std::string_view word);
  std::string_view replacement(const Word& w, Mode mode) const;

  sqlite3* m_db;
  sqlite3_stmt* m_versionStatement = nullptr;
  bool m_loaded = false;
  int m_version = -1;
  std::vector<TableInfo> m_tables;
  QHash<QString, int> m_tableByFold;
  QHash<QString, std::vector<ColumnRef>> m_columnsByFold;
  // Resolution of each identifier spelling met so far; node-based, so the pointers held in
  // m_words stay valid while it grows.
  std::unordered_map<std::string, WordInfo, TextHash, std::equal_to<>> m_wordInfo;
  std::vector<Word> m_words;
  std::vector<int> m_statementTables;
};

}  // namespace balvix::storage

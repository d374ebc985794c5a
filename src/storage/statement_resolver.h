#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "storage/schema_cache.h"
#include "storage/sql_scanner.h"

namespace balvix::storage {

// Rewrites the identifiers of one statement to their stored spelling, each name resolved in
// its own scope as the engine resolves it: a column against the tables of its own SELECT
// first, then against those of the enclosing ones; a column after a qualifier against the
// table that qualifier names; aliases of tables and result columns in the spelling they were
// given. Keywords are never rewritten, and a name that resolves to nothing is left as
// written, so that the engine reports it as unknown.
class StatementResolver {
 public:
  explicit StatementResolver(SchemaCache& schema) : m_schema(schema) {}
  bool resolve(std::string_view sql, std::string& out, StatementKind& kind);

 private:
  enum class Role : unsigned char {
    None,
    Table,        // a table read or written by the statement
    NewTable,     // the name a statement gives a table or view
    TableAlias,   // the alias given to a table
    ResultAlias,  // the alias given to a result column
    Qualifier,    // the table or alias before ".column"
    Column,       // a column of the tables in scope
    NewColumn,    // a column added or renamed by ALTER TABLE: one of that table's, if any
    Global,       // a name in a statement whose tables are not followed (triggers, WITH)
  };
  struct Token {
    SqlToken token;
    std::string_view name;  // the bare word, or the inside of a quoted identifier
    const SchemaCache::WordInfo* info = nullptr;
    Role role = Role::None;
    bool orderBy = false;
    int scope = -1;
    int qualifier = -1;  // Column: its qualifier's token
    int sourceScope = -1;
    int source = -1;  // Qualifier: the source it names, once resolved
    bool resolved = false;
    std::string_view spelling;
  };
  struct Source {
    int table = -1;    // a table of the schema
    int derived = -1;  // or the scope of a subquery in FROM
    int alias = -1;    // token of the alias
    int name = -1;     // token of the table name
  };
  struct Item {
    int alias = -1;
    int last = -1;  // last name token of the expression
    bool star = false;
    int starQualifier = -1;
  };
  struct Scope {
    int parent = -1;
    std::vector<Source> sources;
    std::vector<Item> items;
  };

  enum class Clause : unsigned char {
    None,
    Select,        // the result columns
    From,          // the tables read
    Expr,          // WHERE, ON, SET, VALUES and the like
    OrderBy,       // where result aliases come first
    InsertTarget,  // after INSERT INTO: the table, then its column list
    CreateBody,    // after CREATE TABLE name: column definitions or AS SELECT
    IndexName,     // after CREATE INDEX: the index's own name
    Skip,          // column definitions: new names, type words
  };
  enum class FrameKind : unsigned char { Statement, Subquery, Derived, Call, Group, Definition };
  // One level of parentheses (or the statement itself) and where the parse stands in it.
  struct Frame {
    FrameKind kind = FrameKind::Statement;
    int scope = 0;
    Clause clause = Clause::None;
    Role tableRole = Role::Table;   // what the next table name is
    Role pendingRole = Role::None;  // ALTER TABLE: what the next name is
    int alterStep = 0;
    bool expectTable = false;
    bool aliasAllowed = false;
    bool afterAs = false;
    bool skipNext = false;
  };

  static std::size_t reusablePrefixLength(std::string_view sql);
  bool onlyStoredSpellings(std::string_view sql);
  void tokenize(std::string_view sql);
  bool parse();
  int newScope(int parent);
  void resolveToken(int index);
  std::string_view columnInScope(const Token& word, int scope, bool& unknownSource);
  std::string_view columnOfSource(const Source& source, int fold, std::string_view written,
                                  bool& unknown);
  std::string_view globalSpelling(const Token& word) const;
  bool findSource(const Token& qualifier, int scope, int& foundScope, int& foundSource);
  std::string_view nameOf(int token) const {
    return m_tokens[static_cast<std::size_t>(token)].name;
  }

  SchemaCache& m_schema;
  std::string_view m_sql;
  std::vector<Token> m_tokens;
  std::vector<Scope> m_scopes;
  std::vector<Frame> m_frames;
  std::size_t m_scopeCount = 0;
  std::deque<std::string> m_unquoted;
};

}  // namespace balvix::storage

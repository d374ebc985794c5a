#include "storage/pg_dialect.h"

#include <sqlite3.h>

#include <QString>
#include <set>
#include <vector>

#include "storage/db_error.h"
#include "storage/sql_scanner.h"

namespace balvix::storage {

namespace {

std::string lowerAscii(std::string_view word) {
  std::string lower(word);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool isKeyword(std::string_view word) {
  return sqlite3_keyword_check(word.data(), static_cast<int>(word.size())) != 0;
}

// Words the server reads as part of its own syntax that the file engine does not count as
// keywords: never quoted.
bool isServerWord(const std::string& lower) {
  static const char* const words[] = {"true",     "false",   "execute", "function", "procedure",
                                      "ilike",    "boolean", "new",     "old",      "interval",
                                      "position", "nulls",   "first",   "last"};
  for (const char* w : words) {
    if (lower == w) return true;
  }
  return false;
}

// Words that end a column's type in a column definition.
bool endsType(const std::string& lower) {
  static const char* const words[] = {"not",        "null",      "default",    "primary",
                                      "unique",     "check",     "references", "collate",
                                      "constraint", "generated", "as"};
  for (const char* w : words) {
    if (lower == w) return true;
  }
  return false;
}

bool startsConstraint(const std::string& lower) {
  return lower == "constraint" || lower == "primary" || lower == "unique" || lower == "check" ||
         lower == "foreign";
}

std::string quotedName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

// Function names of the file engine the server knows under another name.
std::string serverFunction(const std::string& lower) {
  if (lower == "ifnull") return "coalesce";
  if (lower == "instr") return "strpos";
  if (lower == "substring") return "substr";
  return lower;
}

class Rewriter {
 public:
  explicit Rewriter(std::string_view sql) : m_sql(sql) {
    SqlScanner scanner(sql);
    SqlToken token;
    while (scanner.next(token)) m_tokens.push_back(token);
    for (const SqlToken& t : m_tokens) m_lower.push_back(lowerAscii(text(t)));
  }

  int run(std::string& out) {
    out.clear();
    out.reserve(m_sql.size() + m_sql.size() / 4);
    checkSingleStatement();
    detectDefinitions();
    std::size_t copied = 0;
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
      const SqlToken& t = m_tokens[i];
      out.append(m_sql.substr(copied, t.begin - copied));
      copied = t.begin + t.length;
      if (i == m_typeStart) {
        writeColumnType(out, i);
        copied = m_tokens[i].begin + m_tokens[i].length;
        continue;
      }
      writeToken(out, i);
    }
    out.append(m_sql.substr(copied));
    if (m_ignoreConflicts) {
      while (!out.empty() && (out.back() == ';' || out.back() == ' ' || out.back() == '\n'))
        out.pop_back();
      out += " ON CONFLICT DO NOTHING";
    }
    return m_params;
  }

 private:
  std::string_view text(const SqlToken& t) const { return m_sql.substr(t.begin, t.length); }
  const std::string& lower(std::size_t i) const {
    static const std::string none;
    return i < m_lower.size() ? m_lower[i] : none;
  }
  bool isPunct(std::size_t i, char c) const {
    return i < m_tokens.size() && m_tokens[i].kind == SqlToken::Punct && m_tokens[i].punct == c;
  }

  void checkSingleStatement() const {
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
      if (isPunct(i, ';') && !isPunct(i + 1, ';'))
        throw DbError(ErrorCode::TrailingText,
                      QStringLiteral("После конца инструкции SQL есть лишний текст: за один раз "
                                     "выполняется только одна инструкция."));
    }
  }

  // Marks where column definitions begin: their names are written as names, their types are
  // mapped. CREATE TABLE name ( … ) and ALTER TABLE name ADD [COLUMN] name type.
  void detectDefinitions() {
    if (m_tokens.size() < 3) return;
    if (lower(0) == "create") {
      std::size_t i = 1;
      if (lower(i) == "temp" || lower(i) == "temporary") ++i;
      if (lower(i) != "table") return;
      for (; i < m_tokens.size(); ++i) {
        if (isPunct(i, '(')) {
          m_definitionsOpen = i;
          return;
        }
        if (lower(i) == "as") return;
      }
    } else if (lower(0) == "alter") {
      for (std::size_t i = 1; i + 1 < m_tokens.size(); ++i) {
        if (lower(i) == "add") {
          std::size_t name = i + 1;
          if (lower(name) == "column") ++name;
          if (startsConstraint(lower(name))) return;
          m_columnNames.push_back(name);
          m_alterTypeAfter = name;
          return;
        }
      }
    }
  }

  // Writes the type words from token `i` on (possibly none) and returns past them.
  void writeColumnType(std::string& out, std::size_t& i) {
    std::string type;
    std::size_t j = i;
    while (j < m_tokens.size()) {
      const SqlToken& t = m_tokens[j];
      if (t.kind == SqlToken::Word && !endsType(lower(j)) && !isKeyword(text(t))) {
        if (!type.empty()) type += ' ';
        type += text(t);
        ++j;
        continue;
      }
      if (isPunct(j, '(') && !type.empty()) {
        while (j < m_tokens.size() && !isPunct(j, ')')) ++j;
        ++j;
        continue;
      }
      break;
    }
    m_typeStart = std::string::npos;
    const bool primaryKey = lower(j) == "primary";
    if (j == i) {
      // No type at all: the file engine takes anything there, and so does text.
      out += " text";
      writeToken(out, i);
      return;
    }
    out += serverColumnType(type, primaryKey);
    i = j - 1;
  }

  void writeToken(std::string& out, std::size_t i) {
    const SqlToken& t = m_tokens[i];
    const std::string_view word = text(t);
    updateDefinitionState(i);
    switch (t.kind) {
      case SqlToken::Literal:
        if (word.front() == '?') {
          out += '$';
          out += word.size() > 1 ? std::string(word.substr(1)) : std::to_string(m_params + 1);
          ++m_params;
        } else {
          out.append(word);
        }
        break;
      case SqlToken::Quoted:
        if (i > 0 && lower(i - 1) == "into" && m_insertTable.empty())
          noteInsertTarget(i, unquotedName(word));
        out += quotedName(unquotedName(word));
        break;
      case SqlToken::Punct:
        // `==` is the file engine's spelling of `=`.
        if (t.punct == '=' && isPunct(i + 1, '=') && m_tokens[i + 1].begin == t.begin + 1) {
          out += '=';
          m_skipNext = true;
          break;
        }
        if (m_skipNext) {
          m_skipNext = false;
          break;
        }
        if (t.punct == '(') m_casts.push_back(i > 0 && lower(i - 1) == "cast");
        if (t.punct == ')' && !m_casts.empty()) m_casts.pop_back();
        out += t.punct;
        break;
      case SqlToken::Word:
        emitWord(out, i);
        break;
    }
  }

  void emitWord(std::string& out, std::size_t i) {
    const std::string_view word = text(m_tokens[i]);
    const std::string& low = lower(i);
    // Every table of the server is kept by its key or its row order alike.
    if (low == "without" && lower(i + 1) == "rowid") {
      m_dropNext = true;
      return;
    }
    if (m_dropNext && low == "rowid") {
      m_dropNext = false;
      return;
    }
    if (low == "rowid" || low == "_rowid_") {
      out += "ctid";
      return;
    }
    if (low == "set" && i >= 2 && lower(i - 1) == "update" && lower(i - 2) == "do")
      m_upsertSet = true;
    if (low == "where" && m_upsertSet) m_upsertSet = false;
    if (i >= 2 && lower(i - 1) == "into" && m_insertTable.empty() &&
        (lower(i - 2) == "insert" || lower(i - 2) == "ignore" || lower(i - 2) == "replace"))
      noteInsertTarget(i, std::string(word));
    // In an upsert's SET the server reads a bare column as ambiguous between the row kept and
    // the row proposed (excluded): the kept one is meant, as the file engine reads it.
    // Without a column list every column of the table may be written: any name there that is
    // no keyword, function or qualifier is one.
    const bool column =
        m_insertColumns.count(low) || (!m_insertListed && !isKeyword(word) && !isPunct(i + 1, '('));
    const bool qualify = m_upsertSet && column && !isPunct(i + 1, '=') && !isPunct(i + 1, '.') &&
                         !(i > 0 && isPunct(i - 1, '.'));
    if (qualify) out += quotedName(m_insertTable) + '.';
    if (isKeyword(word) && !isColumnName(i)) {
      if (low == "like") {
        out += "ILIKE";
      } else if (low == "autoincrement") {
        // Identity columns never reuse a number anyway.
      } else if (low == "or" && lower(i + 1) == "ignore" && i >= 1 && lower(i - 1) == "insert") {
        m_ignoreConflicts = true;
        m_dropNext = true;
        out.pop_back();
      } else if (m_dropNext && low == "ignore") {
        m_dropNext = false;
      } else {
        out.append(word);
      }
      return;
    }
    if (isServerWord(low) && !isColumnName(i)) {
      out.append(word);
      return;
    }
    if (!m_casts.empty() && m_casts.back() && i > 0 && lower(i - 1) == "as") {
      out += serverColumnType(word, false);
      return;
    }
    const bool call = isPunct(i + 1, '(') && !namesTable(i);
    if (call && !isColumnName(i)) {
      out += serverFunction(low);
      return;
    }
    out += quotedName(word);
  }

  // The table an INSERT writes and the columns it lists.
  void noteInsertTarget(std::size_t i, std::string table) {
    m_insertTable = std::move(table);
    m_insertListed = isPunct(i + 1, '(');
    if (!m_insertListed) return;
    for (std::size_t j = i + 2; j < m_tokens.size() && !isPunct(j, ')'); ++j) {
      if (m_tokens[j].kind == SqlToken::Word) m_insertColumns.insert(lower(j));
      if (m_tokens[j].kind == SqlToken::Quoted)
        m_insertColumns.insert(lowerAscii(unquotedName(text(m_tokens[j]))));
    }
  }

  // A word before "(" names a table (not a function) right after these words.
  bool namesTable(std::size_t i) const {
    if (i == 0) return false;
    const std::string& before = lower(i - 1);
    return before == "table" || before == "into" || before == "on" || before == "references" ||
           before == "exists" || before == "view" || before == "join" || before == "from" ||
           before == "update" || (m_definitionsOpen != std::string::npos && i < m_definitionsOpen);
  }

  bool isColumnName(std::size_t i) const {
    for (std::size_t n : m_columnNames) {
      if (n == i) return true;
    }
    return false;
  }

  // Inside CREATE TABLE's parentheses: the first name of every element is a column name and
  // the type words after it are mapped.
  void updateDefinitionState(std::size_t i) {
    if (m_alterTypeAfter != std::string::npos && i == m_alterTypeAfter) {
      m_typeStart = i + 1;
      return;
    }
    if (m_definitionsOpen == std::string::npos || i < m_definitionsOpen) return;
    if (i == m_definitionsOpen) {
      m_depth = 1;
      m_elementStart = true;
      return;
    }
    if (isPunct(i, '(')) ++m_depth;
    if (isPunct(i, ')')) --m_depth;
    if (m_depth == 1 && isPunct(i, ',')) {
      m_elementStart = true;
      return;
    }
    if (m_depth == 1 && m_elementStart) {
      m_elementStart = false;
      const SqlToken& t = m_tokens[i];
      if ((t.kind == SqlToken::Word && !startsConstraint(lower(i))) || t.kind == SqlToken::Quoted) {
        m_columnNames.push_back(i);
        m_typeStart = i + 1;
      }
    }
  }

  std::string_view m_sql;
  std::vector<SqlToken> m_tokens;
  std::vector<std::string> m_lower;
  std::vector<std::size_t> m_columnNames;
  std::vector<bool> m_casts;  // per open parenthesis: whether it is CAST's
  std::size_t m_definitionsOpen = std::string::npos;
  std::size_t m_alterTypeAfter = std::string::npos;
  std::size_t m_typeStart = std::string::npos;
  int m_depth = 0;
  bool m_elementStart = false;
  bool m_ignoreConflicts = false;
  bool m_upsertSet = false;   // inside ON CONFLICT … DO UPDATE SET
  std::string m_insertTable;  // the table an INSERT writes
  std::set<std::string> m_insertColumns;
  bool m_insertListed = true;  // the INSERT names its columns
  bool m_dropNext = false;
  bool m_skipNext = false;
  int m_params = 0;
};

}  // namespace

std::string serverColumnType(std::string_view type, bool primaryKey) {
  const std::string lower = lowerAscii(type);
  const std::string first = lower.substr(0, lower.find(' '));
  if (first == "integer" && primaryKey) return "bigint GENERATED BY DEFAULT AS IDENTITY";
  if (first == "int" || first == "integer" || first == "bigint" || first == "smallint" ||
      first == "tinyint" || first == "long" || first == "counter" || first == "byte")
    return "bigint";
  if (first == "real" || first == "double" || first == "float" || first == "single")
    return "double precision";
  if (first == "numeric" || first == "decimal" || first == "currency" || first == "money")
    return "numeric";
  if (first == "blob" || first == "binary" || first == "longbinary") return "bytea";
  // Texts of any declared length, dates kept as texts, flags and typeless columns: the file
  // engine stores whatever is written into them, so the server keeps text without a limit.
  return "text";
}

int serverStatement(std::string_view sql, std::string& out) {
  return Rewriter(sql).run(out);
}

}  // namespace balvix::storage

#include "storage/statement_resolver.h"

#include <sqlite3.h>

#include "storage/db_error.h"

namespace balvix::storage {

namespace {

bool isPunct(const SqlToken& token, char c) {
  return token.kind == SqlToken::Punct && token.punct == c;
}

using K = SqlKeyword;

// Keywords that may stand between the word that asks for a table and the table's name.
bool skippedBeforeTable(SqlKeyword kw) {
  switch (kw) {
    case K::Or:
    case K::Rollback:
    case K::Abort:
    case K::Replace:
    case K::Fail:
    case K::Ignore:
    case K::If:
    case K::Not:
    case K::Exists:
    case K::Temp:
    case K::Temporary:
      return true;
    default:
      return false;
  }
}

// A stored spelling written bare must still read as one identifier.
bool needsQuotes(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return true;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    const unsigned char lower = c | 0x20;
    if (!((lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
          c >= 0x80))
      return true;
  }
  return sqlite3_keyword_check(name.data(), static_cast<int>(name.size())) != 0;
}

}  // namespace

int StatementResolver::newScope(int parent) {
  if (m_scopeCount == m_scopes.size()) m_scopes.emplace_back();
  Scope& scope = m_scopes[m_scopeCount];
  scope.parent = parent;
  scope.sources.clear();
  scope.items.clear();
  return static_cast<int>(m_scopeCount++);
}

// Statements built by modules repeat their text up to the first value ("INSERT INTO t (…)
// VALUES (", "UPDATE t SET a = "): a beginning found plain once is not looked through again.
// It may stand for itself only when it reads the same alone as inside the statement: no
// comment or quoted name starts in it, and no word runs on into the quote (x'…' is a blob).
std::size_t StatementResolver::reusablePrefixLength(std::string_view sql) {
  const std::size_t cut = sql.find('\'');
  if (cut == std::string_view::npos || cut == 0) return 0;
  const auto last = static_cast<unsigned char>(sql[cut - 1]);
  const unsigned char lower = last | 0x20;
  if ((lower >= 'a' && lower <= 'z') || (last >= '0' && last <= '9') || last == '_' ||
      last == '$' || last >= 0x80)
    return 0;
  for (std::size_t i = 0; i < cut; ++i) {
    switch (sql[i]) {
      case '-':
      case '/':
      case '"':
      case '`':
      case '[':
        return 0;
      default:
        break;
    }
  }
  return cut;
}

bool StatementResolver::onlyStoredSpellings(std::string_view sql) {
  const std::size_t prefix = reusablePrefixLength(sql);
  const bool known = prefix != 0 && m_schema.isPlainPrefix(sql.substr(0, prefix));
  SqlScanner scanner(sql, known ? prefix : 0);
  SqlToken token;
  while (scanner.nextName(token)) {
    if (token.kind == SqlToken::Word) {
      const SchemaCache::WordInfo& info = m_schema.info(sql.substr(token.begin, token.length));
      if (!info.canonical && !info.keyword) return false;
    } else if (token.kind == SqlToken::Quoted) {
      return false;
    }
  }
  if (prefix != 0 && !known) m_schema.addPlainPrefix(sql.substr(0, prefix));
  return true;
}

void StatementResolver::tokenize(std::string_view sql) {
  m_tokens.clear();
  m_unquoted.clear();
  SqlScanner scanner(sql);
  SqlToken token;
  while (scanner.next(token)) {
    Token& t = m_tokens.emplace_back();
    t.token = token;
    t.name = sql.substr(token.begin, token.length);
    if (token.kind == SqlToken::Quoted) {
      m_unquoted.push_back(unquotedName(t.name));
      t.name = m_unquoted.back();
    }
    if (token.kind == SqlToken::Word || token.kind == SqlToken::Quoted)
      t.info = &m_schema.info(t.name);
  }
}

// Assigns every name token its role and scope. Returns false when the statement's tables
// are not followed (triggers, WITH, statements other than queries, changes and definitions):
// every name then gets the one spelling the database has for it.
bool StatementResolver::parse() {
  m_frames.clear();
  m_frames.push_back(Frame{});
  newScope(-1);
  const std::size_t count = m_tokens.size();
  const std::string_view head = m_tokens[0].name;
  const bool bareHead = m_tokens[0].token.kind == SqlToken::Word;
  const bool create = bareHead && isAsciiWord(head, "create");
  const bool alter = bareHead && isAsciiWord(head, "alter");
  const bool insert = bareHead && (isAsciiWord(head, "insert") || isAsciiWord(head, "replace"));
  if (!bareHead ||
      !(create || alter || insert || isAsciiWord(head, "select") || isAsciiWord(head, "update") ||
        isAsciiWord(head, "delete") || isAsciiWord(head, "drop")))
    return false;
  bool createIndex = false;
  bool isolatedSelectDone = false;
  int functionParen = -1;

  auto at = [&](std::size_t i) -> const SqlToken* {
    return i < count ? &m_tokens[i].token : nullptr;
  };
  auto endsExpression = [&](std::size_t i) {
    const Token& t = m_tokens[i];
    if (t.token.kind == SqlToken::Literal || t.token.kind == SqlToken::Quoted) return true;
    if (t.token.kind == SqlToken::Word) return !t.info->keyword;
    return isPunct(t.token, ')');
  };

  for (std::size_t i = 0; i < count; ++i) {
    Token& t = m_tokens[i];
    Frame& f = m_frames.back();
    const SqlToken& tok = t.token;
    const bool scopeFrame = f.kind == FrameKind::Statement || f.kind == FrameKind::Subquery ||
                            f.kind == FrameKind::Derived;

    // Only a result column that is a bare name gives a subquery's column its name.
    if (f.clause == Clause::Select && scopeFrame && tok.kind != SqlToken::Word &&
        tok.kind != SqlToken::Quoted && !isPunct(tok, '.') && !isPunct(tok, ',')) {
      std::vector<Item>& items = m_scopes[static_cast<std::size_t>(f.scope)].items;
      if (!items.empty()) items.back().last = -1;
    }
    if (tok.kind == SqlToken::Punct) {
      switch (tok.punct) {
        case '(': {
          const SqlToken* next = at(i + 1);
          if (f.kind == FrameKind::Definition || f.clause == Clause::CreateBody ||
              f.clause == Clause::Skip) {
            m_frames.push_back(Frame{FrameKind::Definition, f.scope, Clause::Skip});
            break;
          }
          if (next && next->kind == SqlToken::Word &&
              (m_tokens[i + 1].info->word == K::Select ||
               m_tokens[i + 1].info->word == K::Values)) {
            const bool derived = f.clause == Clause::From && f.expectTable;
            f.expectTable = false;
            const int scope = newScope(f.scope);
            m_frames.push_back(
                Frame{derived ? FrameKind::Derived : FrameKind::Subquery, scope, Clause::None});
            break;
          }
          if (next && next->kind == SqlToken::Word && m_tokens[i + 1].info->word == K::With)
            return false;
          Frame group{FrameKind::Group, f.scope, Clause::Expr};
          if (static_cast<int>(i) == functionParen) {
            group.kind = FrameKind::Call;
          } else if (f.clause == Clause::InsertTarget) {
            f.clause = Clause::Expr;
            f.aliasAllowed = false;
          } else if (f.clause == Clause::OrderBy) {
            group.clause = Clause::OrderBy;
          } else if (f.clause == Clause::From) {
            group.clause = Clause::From;
            group.expectTable = f.expectTable;
          }
          m_frames.push_back(group);
          break;
        }
        case ')':
          if (m_frames.size() > 1) {
            const Frame closed = f;
            m_frames.pop_back();
            if (closed.kind == FrameKind::Derived) {
              Frame& outer = m_frames.back();
              m_scopes[static_cast<std::size_t>(outer.scope)].sources.push_back(
                  Source{-1, closed.scope, -1, -1});
              outer.aliasAllowed = true;
            }
          }
          break;
        case ',':
          if (f.clause == Clause::From) {
            f.expectTable = true;
            f.aliasAllowed = false;
          } else if (f.clause == Clause::Select && scopeFrame) {
            m_scopes[static_cast<std::size_t>(f.scope)].items.push_back(Item{});
          }
          break;
        case '*':
          if (f.clause == Clause::Select && scopeFrame) {
            Item& item = m_scopes[static_cast<std::size_t>(f.scope)].items.back();
            item.star = true;
            if (i >= 2 && isPunct(m_tokens[i - 1].token, '.') &&
                m_tokens[i - 2].role == Role::Qualifier)
              item.starQualifier = static_cast<int>(i - 2);
          }
          break;
        default:
          break;
      }
      continue;
    }
    if (tok.kind == SqlToken::Literal) continue;

    const SqlKeyword kw = tok.kind == SqlToken::Word ? t.info->word : K::None;
    if (tok.kind == SqlToken::Word && t.info->keyword &&
        !(f.expectTable && !skippedBeforeTable(kw))) {
      if (f.clause == Clause::Skip) continue;
      if (kw == K::Select) {
        // The SELECT of INSERT … SELECT or CREATE … AS SELECT does not see the written table.
        if ((insert || create) && m_frames.size() == 1 && !isolatedSelectDone) {
          f.scope = newScope(-1);
          isolatedSelectDone = true;
        }
        f.clause = Clause::Select;
        f.expectTable = false;
        f.aliasAllowed = false;
        m_scopes[static_cast<std::size_t>(f.scope)].items.push_back(Item{});
      } else if (kw == K::From) {
        f.clause = Clause::From;
        f.expectTable = true;
        f.aliasAllowed = false;
      } else if (kw == K::Join) {
        f.expectTable = true;
        f.aliasAllowed = false;
      } else if (kw == K::On || kw == K::Using) {
        if (createIndex) f.expectTable = true;
        f.aliasAllowed = false;
      } else if (kw == K::Where || kw == K::Having || kw == K::Group || kw == K::Limit ||
                 kw == K::Offset || kw == K::Set || kw == K::Values || kw == K::Returning ||
                 kw == K::Window || kw == K::Do) {
        f.clause = Clause::Expr;
        f.expectTable = false;
        f.aliasAllowed = false;
      } else if (kw == K::Order) {
        f.clause = Clause::OrderBy;
        f.aliasAllowed = false;
      } else if (kw == K::Union || kw == K::Intersect || kw == K::Except) {
        f.scope = newScope(m_scopes[static_cast<std::size_t>(f.scope)].parent);
        f.clause = Clause::None;
        f.aliasAllowed = false;
      } else if (kw == K::Into && insert) {
        f.clause = Clause::InsertTarget;
        f.expectTable = true;
      } else if (i == 0 && kw == K::Update) {
        f.expectTable = true;
      } else if ((kw == K::Table || kw == K::View) && i <= 3 && !alter && m_frames.size() == 1) {
        f.expectTable = true;
        if (create) f.tableRole = Role::NewTable;
      } else if (kw == K::Table && alter && i == 1) {
        f.expectTable = true;
      } else if (kw == K::Index && create && i <= 2) {
        createIndex = true;
        f.clause = Clause::IndexName;
      } else if (create && i <= 3 && (kw == K::Trigger || kw == K::Virtual)) {
        return false;
      } else if (kw == K::As) {
        if (f.kind == FrameKind::Call)
          f.skipNext = true;  // CAST(x AS type)
        else if (f.clause == Clause::Select || f.aliasAllowed)
          f.afterAs = true;
      } else if (kw == K::Cast) {
        functionParen = static_cast<int>(i + 1);
      } else if (kw == K::Collate) {
        f.skipNext = true;
      } else if (alter && m_frames.size() == 1) {
        if (kw == K::Rename) {
          f.alterStep = 1;
        } else if (kw == K::Column && f.alterStep == 1) {
          f.alterStep = 2;
          f.pendingRole = Role::Column;
        } else if (kw == K::To) {
          f.pendingRole = f.alterStep == 2 ? Role::NewColumn : Role::NewTable;
        } else if (kw == K::Add) {
          f.pendingRole = Role::NewColumn;
          f.alterStep = 3;
        } else if (kw == K::Drop) {
          f.pendingRole = Role::Column;
        }
      } else if (f.clause == Clause::From) {
        f.aliasAllowed = false;  // LEFT, INNER, NATURAL, INDEXED and the like
      }
      continue;
    }

    // A name (or a keyword the engine also takes as a table name, like "plan").
    t.scope = f.scope;
    if (f.skipNext) {
      f.skipNext = false;
      continue;
    }
    if (f.pendingRole != Role::None) {
      t.role = f.pendingRole;
      f.pendingRole = Role::None;
      if (f.alterStep == 3) f.clause = Clause::Skip;  // the new column's type follows
      continue;
    }
    if (f.clause == Clause::Skip) continue;
    if (f.clause == Clause::IndexName) {
      f.clause = Clause::None;
      continue;
    }
    const SqlToken* next = at(i + 1);
    const bool beforeDot =
        next && isPunct(*next, '.') && at(i + 2) &&
        (at(i + 2)->kind == SqlToken::Word || at(i + 2)->kind == SqlToken::Quoted);
    if (f.expectTable) {
      if (beforeDot) continue;  // a schema name: the table follows the dot
      t.role = f.tableRole;
      f.expectTable = false;
      if (f.tableRole == Role::NewTable) {
        f.tableRole = Role::Table;
        if (create) f.clause = Clause::CreateBody;
        continue;
      }
      m_scopes[static_cast<std::size_t>(f.scope)].sources.push_back(
          Source{t.info->table, -1, -1, static_cast<int>(i)});
      f.aliasAllowed = !alter;
      continue;
    }
    Scope& current = m_scopes[static_cast<std::size_t>(f.scope)];
    if (f.aliasAllowed) {
      f.afterAs = false;
      f.aliasAllowed = false;
      if (!current.sources.empty()) {
        t.role = Role::TableAlias;
        current.sources.back().alias = static_cast<int>(i);
      }
      continue;
    }
    if (f.afterAs) {
      f.afterAs = false;
      if (f.clause == Clause::Select && scopeFrame && !current.items.empty()) {
        t.role = Role::ResultAlias;
        current.items.back().alias = static_cast<int>(i);
      }
      continue;
    }
    if (beforeDot) {
      t.role = Role::Qualifier;
      continue;
    }
    if (tok.kind == SqlToken::Word && next && isPunct(*next, '(')) {
      functionParen = static_cast<int>(i + 1);
      continue;
    }
    const bool afterDot = i >= 2 && isPunct(m_tokens[i - 1].token, '.');
    if (f.clause == Clause::Select && scopeFrame && !afterDot && i > 0 && endsExpression(i - 1) &&
        (!next || isPunct(*next, ',') || isPunct(*next, ')') ||
         (next->kind == SqlToken::Word && m_tokens[i + 1].info->keyword))) {
      Scope& scope = m_scopes[static_cast<std::size_t>(f.scope)];
      if (!scope.items.empty()) {
        t.role = Role::ResultAlias;
        scope.items.back().alias = static_cast<int>(i);
        continue;
      }
    }
    t.role = Role::Column;
    t.orderBy = f.clause == Clause::OrderBy;
    if (afterDot) {
      if (m_tokens[i - 2].role != Role::Qualifier) {
        t.role = Role::None;
        continue;
      }
      t.qualifier = static_cast<int>(i - 2);
    }
    if (f.clause == Clause::Select && scopeFrame)
      m_scopes[static_cast<std::size_t>(f.scope)].items.back().last = static_cast<int>(i);
  }
  return true;
}

bool StatementResolver::findSource(const Token& qualifier, int scope, int& foundScope,
                                   int& foundSource) {
  const int fold = qualifier.info->fold;
  for (int s = scope; s >= 0; s = m_scopes[static_cast<std::size_t>(s)].parent) {
    const std::vector<Source>& sources = m_scopes[static_cast<std::size_t>(s)].sources;
    for (std::size_t k = 0; k < sources.size(); ++k) {
      const Source& source = sources[k];
      const int named = source.alias >= 0 ? source.alias : source.name;
      if (named >= 0 && m_tokens[static_cast<std::size_t>(named)].info->fold == fold) {
        foundScope = s;
        foundSource = static_cast<int>(k);
        return true;
      }
    }
  }
  return false;
}

std::string_view StatementResolver::columnOfSource(const Source& source, int fold,
                                                   std::string_view written, bool& unknown) {
  if (source.table >= 0) {
    const std::string* column = m_schema.columnOf(source.table, fold, written);
    return column ? std::string_view(*column) : std::string_view();
  }
  if (source.derived < 0) {
    unknown = true;
    return {};
  }
  const Scope& derived = m_scopes[static_cast<std::size_t>(source.derived)];
  for (const Item& item : derived.items) {
    if (item.alias >= 0) {
      const Token& alias = m_tokens[static_cast<std::size_t>(item.alias)];
      if (alias.info->fold == fold) return alias.name;
    } else if (item.star) {
      int onlyScope = -1;
      int onlySource = -1;
      if (item.starQualifier >= 0) {
        resolveToken(item.starQualifier);
        const Token& q = m_tokens[static_cast<std::size_t>(item.starQualifier)];
        onlyScope = q.sourceScope;
        onlySource = q.source;
      }
      for (std::size_t k = 0; k < derived.sources.size(); ++k) {
        if (onlySource >= 0 && (onlyScope != source.derived || onlySource != static_cast<int>(k)))
          continue;
        const std::string_view found = columnOfSource(derived.sources[k], fold, written, unknown);
        if (!found.empty()) return found;
      }
    } else if (item.last >= 0) {
      resolveToken(item.last);
      const Token& last = m_tokens[static_cast<std::size_t>(item.last)];
      if (last.info->fold == fold) return last.spelling.empty() ? last.name : last.spelling;
    }
  }
  return {};
}

std::string_view StatementResolver::columnInScope(const Token& word, int scope,
                                                  bool& unknownSource) {
  const int fold = word.info->fold;
  auto aliasOf = [&](int s) -> std::string_view {
    for (const Item& item : m_scopes[static_cast<std::size_t>(s)].items) {
      if (item.alias >= 0 && m_tokens[static_cast<std::size_t>(item.alias)].info->fold == fold)
        return nameOf(item.alias);
    }
    return {};
  };
  if (word.orderBy) {
    if (const std::string_view alias = aliasOf(scope); !alias.empty()) return alias;
  }
  for (int s = scope; s >= 0; s = m_scopes[static_cast<std::size_t>(s)].parent) {
    std::string_view found;
    for (const Source& source : m_scopes[static_cast<std::size_t>(s)].sources) {
      const std::string_view spelling = columnOfSource(source, fold, word.name, unknownSource);
      if (spelling.empty()) continue;
      if (!found.empty() && found != spelling)
        throw DbError(ErrorCode::Other,
                      QStringLiteral("Поле «%1» есть в нескольких таблицах запроса; укажите перед "
                                     "ним имя таблицы.")
                          .arg(QString::fromUtf8(word.name.data(),
                                                 static_cast<qsizetype>(word.name.size()))));
      found = spelling;
    }
    if (!found.empty()) return found;
    if (s == scope) {
      if (const std::string_view alias = aliasOf(scope); !alias.empty()) return alias;
    }
  }
  return {};
}

std::string_view StatementResolver::globalSpelling(const Token& word) const {
  const std::size_t index = static_cast<std::size_t>(&word - m_tokens.data());
  const bool afterDot = index >= 1 && isPunct(m_tokens[index - 1].token, '.');
  if (word.info->table >= 0 && !afterDot) return m_schema.table(word.info->table).spelling;
  const std::string* column = m_schema.anyColumn(word.info->fold);
  return column ? std::string_view(*column) : std::string_view();
}

void StatementResolver::resolveToken(int index) {
  Token& t = m_tokens[static_cast<std::size_t>(index)];
  if (t.resolved) return;
  t.resolved = true;
  switch (t.role) {
    case Role::Table:
    case Role::NewTable:
      if (t.info->table >= 0) t.spelling = m_schema.table(t.info->table).spelling;
      break;
    case Role::Qualifier:
      if (findSource(t, t.scope, t.sourceScope, t.source)) {
        const Source& source = m_scopes[static_cast<std::size_t>(t.sourceScope)]
                                   .sources[static_cast<std::size_t>(t.source)];
        if (source.alias >= 0)
          t.spelling = nameOf(source.alias);
        else if (source.table >= 0)
          t.spelling = m_schema.table(source.table).spelling;
      } else {
        t.spelling = globalSpelling(t);
      }
      break;
    case Role::Column: {
      bool unknown = false;
      if (t.qualifier >= 0) {
        resolveToken(t.qualifier);
        const Token& q = m_tokens[static_cast<std::size_t>(t.qualifier)];
        if (q.source >= 0) {
          const Source& source = m_scopes[static_cast<std::size_t>(q.sourceScope)]
                                     .sources[static_cast<std::size_t>(q.source)];
          t.spelling = columnOfSource(source, t.info->fold, t.name, unknown);
        } else {
          unknown = true;
        }
      } else {
        t.spelling = columnInScope(t, t.scope, unknown);
      }
      if (t.spelling.empty() && unknown) t.spelling = globalSpelling(t);
      break;
    }
    case Role::NewColumn: {
      const std::vector<Source>& sources = m_scopes[static_cast<std::size_t>(t.scope)].sources;
      if (!sources.empty() && sources.front().table >= 0) {
        const std::string* column = m_schema.columnOf(sources.front().table, t.info->fold, t.name);
        if (column) t.spelling = *column;
      }
      break;
    }
    case Role::Global:
      t.spelling = globalSpelling(t);
      break;
    default:
      break;
  }
}

bool StatementResolver::resolve(std::string_view sql, std::string& out, StatementKind& kind) {
  m_sql = sql;
  m_scopeCount = 0;
  kind = StatementKind::Data;
  SqlToken first;
  if (!SqlScanner(sql).next(first)) return false;
  if (first.kind == SqlToken::Word) {
    const SqlKeyword head = m_schema.info(sql.substr(first.begin, first.length)).word;
    if (head == K::Create || head == K::Drop || head == K::Alter) kind = StatementKind::Definition;
  }
  // Most statements name everything in its only stored spelling: whatever the scopes, every
  // name would resolve to itself.
  if (onlyStoredSpellings(sql)) return false;
  tokenize(sql);

  if (!parse()) {
    for (Token& t : m_tokens) {
      t.role = Role::None;
      if (t.info && !(t.token.kind == SqlToken::Word && t.info->keyword)) t.role = Role::Global;
    }
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
      if (m_tokens[i].token.kind == SqlToken::Word && isPunct(m_tokens[i + 1].token, '('))
        m_tokens[i].role = Role::None;  // a function
    }
  }

  bool changed = false;
  std::size_t copied = 0;
  for (std::size_t i = 0; i < m_tokens.size(); ++i) {
    resolveToken(static_cast<int>(i));
    const Token& t = m_tokens[i];
    if (t.spelling.empty() || t.spelling == t.name) continue;
    const bool bare = t.token.kind == SqlToken::Word;
    if (bare && t.info->keyword) continue;  // the engine folds keywords itself; never rewritten
    if (!changed) {
      out.clear();
      out.reserve(sql.size() + 16);
      changed = true;
    }
    out.append(sql.substr(copied, t.token.begin - copied));
    if (bare && !needsQuotes(t.spelling))
      out.append(t.spelling);
    else
      out.append(
          quotedLike(bare ? std::string_view("\"") : sql.substr(t.token.begin, 1), t.spelling));
    copied = t.token.begin + t.token.length;
  }
  if (changed) out.append(sql.substr(copied));
  return changed;
}

}  // namespace balvix::storage

#include "storage/sql_scanner.h"

#include <array>

namespace balvix::storage {

namespace {

// Character classes of the bytes, looked up once per byte: the scanner runs over every
// statement the program sends, so its inner loops are kept to a load and a test.
enum : unsigned char { kIdStart = 1, kIdChar = 2, kDigit = 4 };

constexpr auto kClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const int lower = c | 0x20;
    const bool start = (lower >= 'a' && lower <= 'z') || c == '_' || c >= 0x80;
    const bool digit = c >= '0' && c <= '9';
    classes[static_cast<std::size_t>(c)] =
        static_cast<unsigned char>((start ? kIdStart | kIdChar : 0) |
                                   (digit ? kDigit | kIdChar : 0) | (c == '$' ? kIdChar : 0));
  }
  return classes;
}();

inline bool isIdStart(unsigned char c) {
  return kClasses[c] & kIdStart;
}

inline bool isIdChar(unsigned char c) {
  return kClasses[c] & kIdChar;
}

inline bool isDigit(unsigned char c) {
  return kClasses[c] & kDigit;
}

inline bool isBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Skips a comment starting at `pos`; returns the position after it, or `pos` when no
// comment starts there.
std::size_t skipComment(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  if (pos + 1 >= n) return pos;
  if (text[pos] == '-' && text[pos + 1] == '-') {
    const std::size_t end = text.find('\n', pos + 2);
    return end == std::string_view::npos ? n : end + 1;
  }
  if (text[pos] == '/' && text[pos + 1] == '*') {
    const std::size_t end = text.find("*/", pos + 2);
    return end == std::string_view::npos ? n : end + 2;
  }
  return pos;
}

}  // namespace

void SqlScanner::skipQuoted(char close, bool doubledEscapes) {
  const std::size_t n = m_text.size();
  ++m_pos;
  while (m_pos < n) {
    const std::size_t end = m_text.find(close, m_pos);
    if (end == std::string_view::npos) {
      m_pos = n;
      return;
    }
    m_pos = end + 1;
    if (doubledEscapes && m_pos < n && m_text[m_pos] == close) {
      ++m_pos;
      continue;
    }
    return;
  }
}

template <bool NamesOnly>
bool SqlScanner::scan(SqlToken& token) {
  const std::size_t n = m_text.size();
  const char* s = m_text.data();
  while (m_pos < n) {
    const unsigned char c = static_cast<unsigned char>(s[m_pos]);
    const std::size_t begin = m_pos;
    token.begin = begin;
    token.punct = 0;
    if (isIdStart(c)) {
      ++m_pos;
      while (m_pos < n && isIdChar(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
      token.kind = SqlToken::Word;
      // x'0A1B' is a blob literal, not the identifier x.
      if (m_pos - begin == 1 && (c == 'x' || c == 'X') && m_pos < n && s[m_pos] == '\'') {
        skipQuoted('\'', true);
        if constexpr (NamesOnly) continue;
        token.kind = SqlToken::Literal;
      }
      token.length = m_pos - begin;
      return true;
    }
    if (isBlank(c)) {
      ++m_pos;
      continue;
    }
    if (isDigit(c) ||
        (c == '.' && m_pos + 1 < n && isDigit(static_cast<unsigned char>(s[m_pos + 1])))) {
      while (m_pos < n) {
        const unsigned char d = static_cast<unsigned char>(s[m_pos]);
        // An exponent may carry a sign: 1e-5.
        if ((d == '-' || d == '+') && (s[m_pos - 1] | 0x20) == 'e') {
          ++m_pos;
          continue;
        }
        if (!isIdChar(d) && d != '.') break;
        ++m_pos;
      }
      if constexpr (NamesOnly) continue;
      token.kind = SqlToken::Literal;
      token.length = m_pos - begin;
      return true;
    }
    token.kind = SqlToken::Literal;
    switch (c) {
      case '\'':
        skipQuoted('\'', true);
        if constexpr (NamesOnly) continue;
        token.length = m_pos - begin;
        return true;
      case '"':
      case '`':
        skipQuoted(static_cast<char>(c), true);
        token.kind = SqlToken::Quoted;
        token.length = m_pos - begin;
        return true;
      case '[':
        skipQuoted(']', false);
        token.kind = SqlToken::Quoted;
        token.length = m_pos - begin;
        return true;
      case '?':
        ++m_pos;
        while (m_pos < n && isDigit(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
        if constexpr (NamesOnly) continue;
        token.length = m_pos - begin;
        return true;
      case ':':
      case '@':
      case '$':
      case '#':
        ++m_pos;
        while (m_pos < n && isIdChar(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
        if constexpr (NamesOnly) continue;
        token.length = m_pos - begin;
        return true;
      case '-':
      case '/': {
        const std::size_t after = skipComment(m_text, m_pos);
        if (after != m_pos) {
          m_pos = after;
          continue;
        }
        break;
      }
      default:
        break;
    }
    ++m_pos;
    if constexpr (NamesOnly) continue;
    token.kind = SqlToken::Punct;
    token.punct = static_cast<char>(c);
    token.length = 1;
    return true;
  }
  return false;
}

bool SqlScanner::next(SqlToken& token) {
  return scan<false>(token);
}

bool SqlScanner::nextName(SqlToken& token) {
  return scan<true>(token);
}

std::string unquotedName(std::string_view quoted) {
  if (quoted.size() < 2) return std::string(quoted);
  const char open = quoted.front();
  const char close = open == '[' ? ']' : open;
  std::string_view inner = quoted.substr(1);
  if (!inner.empty() && inner.back() == close) inner.remove_suffix(1);
  std::string name;
  name.reserve(inner.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    name += inner[i];
    if (open != '[' && inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
  }
  return name;
}

std::string quotedLike(std::string_view like, std::string_view name) {
  char open = like.empty() ? '"' : like.front();
  if (open == '[' && name.find(']') != std::string_view::npos) open = '"';
  const char close = open == '[' ? ']' : open;
  std::string out;
  out.reserve(name.size() + 2);
  out += open;
  for (char c : name) {
    out += c;
    if (c == close && open != '[') out += c;
  }
  out += close;
  return out;
}

std::size_t skipStatementGap(std::string_view text, std::size_t from) {
  std::size_t pos = from;
  while (pos < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (isBlank(c) || c == ';') {
      ++pos;
      continue;
    }
    const std::size_t after = skipComment(text, pos);
    if (after == pos) return pos;
    pos = after;
  }
  return text.size();
}

SqlKeyword sqlKeyword(std::string_view word) {
  struct Entry {
    std::string_view text;
    SqlKeyword keyword;
  };
  static constexpr Entry kKeywords[] = {{"add", SqlKeyword::Add},
                                        {"alter", SqlKeyword::Alter},
                                        {"as", SqlKeyword::As},
                                        {"cast", SqlKeyword::Cast},
                                        {"collate", SqlKeyword::Collate},
                                        {"column", SqlKeyword::Column},
                                        {"create", SqlKeyword::Create},
                                        {"delete", SqlKeyword::Delete},
                                        {"do", SqlKeyword::Do},
                                        {"drop", SqlKeyword::Drop},
                                        {"except", SqlKeyword::Except},
                                        {"from", SqlKeyword::From},
                                        {"group", SqlKeyword::Group},
                                        {"having", SqlKeyword::Having},
                                        {"index", SqlKeyword::Index},
                                        {"insert", SqlKeyword::Insert},
                                        {"intersect", SqlKeyword::Intersect},
                                        {"into", SqlKeyword::Into},
                                        {"join", SqlKeyword::Join},
                                        {"limit", SqlKeyword::Limit},
                                        {"offset", SqlKeyword::Offset},
                                        {"on", SqlKeyword::On},
                                        {"order", SqlKeyword::Order},
                                        {"rename", SqlKeyword::Rename},
                                        {"replace", SqlKeyword::Replace},
                                        {"returning", SqlKeyword::Returning},
                                        {"select", SqlKeyword::Select},
                                        {"set", SqlKeyword::Set},
                                        {"table", SqlKeyword::Table},
                                        {"to", SqlKeyword::To},
                                        {"trigger", SqlKeyword::Trigger},
                                        {"union", SqlKeyword::Union},
                                        {"update", SqlKeyword::Update},
                                        {"using", SqlKeyword::Using},
                                        {"values", SqlKeyword::Values},
                                        {"view", SqlKeyword::View},
                                        {"virtual", SqlKeyword::Virtual},
                                        {"where", SqlKeyword::Where},
                                        {"window", SqlKeyword::Window},
                                        {"with", SqlKeyword::With},
                                        {"or", SqlKeyword::Or},
                                        {"rollback", SqlKeyword::Rollback},
                                        {"abort", SqlKeyword::Abort},
                                        {"fail", SqlKeyword::Fail},
                                        {"ignore", SqlKeyword::Ignore},
                                        {"if", SqlKeyword::If},
                                        {"not", SqlKeyword::Not},
                                        {"exists", SqlKeyword::Exists},
                                        {"temp", SqlKeyword::Temp},
                                        {"temporary", SqlKeyword::Temporary}};
  if (word.size() < 2 || word.size() > 9) return SqlKeyword::None;
  for (const Entry& entry : kKeywords) {
    if (isAsciiWord(word, entry.text)) return entry.keyword;
  }
  return SqlKeyword::None;
}

bool isAsciiWord(std::string_view word, std::string_view lowerKeyword) {
  if (word.size() != lowerKeyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(word[i]);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c | 0x20);
    if (c != static_cast<unsigned char>(lowerKeyword[i])) return false;
  }
  return true;
}

}  // namespace balvix::storage

#include "storage/sql_scanner.h"

namespace balvix::storage {

namespace {

inline bool isIdStart(unsigned char c) {
  const unsigned char lower = c | 0x20;
  return (lower >= 'a' && lower <= 'z') || c == '_' || c >= 0x80;
}

inline bool isIdChar(unsigned char c) {
  return isIdStart(c) || (c >= '0' && c <= '9') || c == '$';
}

inline bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
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

bool SqlScanner::next(SqlWord& word) {
  const std::size_t n = m_text.size();
  const char* s = m_text.data();
  while (m_pos < n) {
    const unsigned char c = static_cast<unsigned char>(s[m_pos]);
    if (isIdStart(c)) {
      const std::size_t begin = m_pos++;
      while (m_pos < n && isIdChar(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
      // x'0A1B' is a blob literal, not the identifier x.
      if (m_pos - begin == 1 && (c == 'x' || c == 'X') && m_pos < n && s[m_pos] == '\'') continue;
      word.begin = begin;
      word.length = m_pos - begin;
      word.afterDot = m_lastPunctuation == '.';
      m_lastPunctuation = 0;
      return true;
    }
    if (isBlank(c)) {
      ++m_pos;
      continue;
    }
    if (isDigit(c) ||
        (c == '.' && m_pos + 1 < n && isDigit(static_cast<unsigned char>(s[m_pos + 1])))) {
      while (m_pos < n && (isIdChar(static_cast<unsigned char>(s[m_pos])) || s[m_pos] == '.'))
        ++m_pos;
      m_lastPunctuation = 0;
      continue;
    }
    switch (c) {
      case '\'':
        skipQuoted('\'', true);
        m_lastPunctuation = 0;
        continue;
      case '"':
      case '`':
        skipQuoted(static_cast<char>(c), true);
        m_lastPunctuation = 0;
        continue;
      case '[':
        skipQuoted(']', false);
        m_lastPunctuation = 0;
        continue;
      case '?':
        ++m_pos;
        while (m_pos < n && isDigit(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
        m_lastPunctuation = 0;
        continue;
      case ':':
      case '@':
      case '$':
      case '#':
        ++m_pos;
        while (m_pos < n && isIdChar(static_cast<unsigned char>(s[m_pos]))) ++m_pos;
        m_lastPunctuation = 0;
        continue;
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
    m_lastPunctuation = static_cast<char>(c);
    ++m_pos;
  }
  return false;
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

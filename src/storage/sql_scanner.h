#pragma once

#include <cstddef>
#include <string_view>

namespace balvix::storage {

// A bare identifier of a statement: position and length in the UTF-8 text.
struct SqlWord {
  std::size_t begin = 0;
  std::size_t length = 0;
  bool afterDot = false;  // written as the second half of "table.column"
};

// Finds the bare identifiers of a statement, skipping string literals, quoted identifiers,
// numbers, parameters and comments. Works on UTF-8 bytes: every byte above 127 belongs to
// an identifier, as the engine's own tokenizer treats it.
class SqlScanner {
 public:
  explicit SqlScanner(std::string_view text) : m_text(text) {}
  bool next(SqlWord& word);

 private:
  void skipQuoted(char close, bool doubledEscapes);

  std::string_view m_text;
  std::size_t m_pos = 0;
  char m_lastPunctuation = 0;
};

// Position of the first character at or after `from` that is not a blank, a comment or ";";
// the size of the text when only such characters follow.
std::size_t skipStatementGap(std::string_view text, std::size_t from);

// Case-insensitive comparison of an ASCII word with a lower-case keyword.
bool isAsciiWord(std::string_view word, std::string_view lowerKeyword);

}  // namespace balvix::storage

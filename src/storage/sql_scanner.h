#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace balvix::storage {

// One token of a statement, by position and length in the UTF-8 text.
struct SqlToken {
  enum Kind : unsigned char {
    Word,     // a bare identifier or keyword
    Quoted,   // an identifier in "…", `…` or […]
    Literal,  // a string, number, blob or parameter
    Punct,    // any other character: ( ) , . = * and the operators
  };
  std::size_t begin = 0;
  std::size_t length = 0;
  Kind kind = Word;
  char punct = 0;  // the character of a Punct token
};

// Splits a statement into tokens, skipping blanks and comments. Works on UTF-8 bytes: every
// byte above 127 belongs to an identifier, as the engine's own tokenizer treats it.
class SqlScanner {
 public:
  explicit SqlScanner(std::string_view text, std::size_t from = 0) : m_text(text), m_pos(from) {}
  bool next(SqlToken& token);
  // The next bare or quoted identifier, passing over everything else without stopping.
  bool nextName(SqlToken& token);

 private:
  template <bool NamesOnly>
  bool scan(SqlToken& token);
  void skipQuoted(char close, bool doubledEscapes);

  std::string_view m_text;
  std::size_t m_pos = 0;
};

// The name inside a quoted identifier token, its doubled quotes made single.
std::string unquotedName(std::string_view quoted);

// A name written as a quoted identifier in the same quotes as `like` ("…", `…` or […]).
std::string quotedLike(std::string_view like, std::string_view name);

// Position of the first character at or after `from` that is not a blank, a comment or ";";
// the size of the text when only such characters follow.
std::size_t skipStatementGap(std::string_view text, std::size_t from);

// The keywords the identifier resolver acts on; None for every other word.
enum class SqlKeyword : unsigned char {
  None,
  Add,
  Alter,
  As,
  Cast,
  Collate,
  Column,
  Create,
  Delete,
  Do,
  Drop,
  Except,
  From,
  Group,
  Having,
  Index,
  Insert,
  Intersect,
  Into,
  Join,
  Limit,
  Offset,
  On,
  Order,
  Rename,
  Replace,
  Returning,
  Select,
  Set,
  Table,
  To,
  Trigger,
  Union,
  Update,
  Using,
  Values,
  View,
  Virtual,
  Where,
  Window,
  With,
  Or,
  Rollback,
  Abort,
  Fail,
  Ignore,
  If,
  Not,
  Exists,
  Temp,
  Temporary,
};

SqlKeyword sqlKeyword(std::string_view word);

// Case-insensitive comparison of an ASCII word with a lower-case keyword.
bool isAsciiWord(std::string_view word, std::string_view lowerKeyword);

}  // namespace balvix::storage

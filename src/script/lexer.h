#pragma once

#include <QString>
#include <vector>

#include "script/value.h"

namespace balvix::script {

enum class Tok { End, Newline, Colon, Ident, Number, String, Date, Op };

// Keywords, the same for the host form and the built-in (Russian) form of the
// language. Contextual words (Step, Each, In, …) are keywords only where the grammar
// expects them and stay usable as names elsewhere.
enum class Kw {
  None,
  And,
  Or,
  Not,
  Xor,
  Eqv,
  Imp,
  Mod,
  Is,
  Dim,
  ReDim,
  Preserve,
  Const,
  Set,
  Let,
  Call,
  If,
  Then,
  Else,
  ElseIf,
  End,
  Sub,
  Function,
  Exit,
  For,
  To,
  Step,
  Next,
  Each,
  In,
  Do,
  Loop,
  While,
  Until,
  Wend,
  Select,
  Case,
  With,
  On,
  Error,
  Resume,
  GoTo,
  Option,
  Explicit,
  Private,
  Public,
  ByVal,
  ByRef,
  True,
  False,
  Empty,
  Null,
  Nothing,
  Class,
  New,
  Property,
  Default,
};

struct Token {
  Tok type = Tok::End;
  Kw kw = Kw::None;
  bool reserved = false;     // cannot be used as a name
  bool spaceBefore = false;  // `Foo (a)` versus `Foo(a)`
  int line = 1;
  QString text;    // as written (operators: the operator)
  QString folded;  // names: letter case folded; ПриОткрытии folded to "main"
  Value value;     // Number, String, Date
};

// Splits module text into tokens. Throws ScriptError (syntax) for an unterminated
// string or a character that belongs to no token. Lines are numbered from lineBase + 1.
std::vector<Token> tokenize(const QString& text, int lineBase = 0);

// The folded form under which names are compared.
QString foldIdentifier(const QString& name);

}  // namespace balvix::script

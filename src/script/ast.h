#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "script/value.h"

namespace balvix::script {

// The parse tree of a module. One node type for all constructs keeps the parser small;
// the compiler turns it into executable nodes with resolved names.
enum class Ast {
  // expressions
  Literal,
  Name,
  Member,
  Call,
  WithDot,
  Unary,
  Binary,
  Paren,
  MissingArg,
  New,
  // statements
  Assign,
  CallStmt,
  Dim,
  ReDim,
  Erase,
  Const,
  If,
  Select,
  For,
  ForEach,
  Do,
  Exit,
  OnError,
  With,
  Procedure,
  Class,
  // parts
  Clause,
  DimItem,
  CaseValue,
  CaseRange,
  CaseIs,
  Param,
};

enum class BinOp {
  Add,
  Sub,
  Mul,
  Div,
  IntDiv,
  Mod,
  Pow,
  Concat,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,
  Is,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
};
enum class UnOp { Neg, Not, Plus };
enum class ExitKind { For, Do, Sub, Function, Property };
// What a procedure node defines (Node::op); a class's default member adds kProcDefault.
enum class ProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };
constexpr int kProcDefault = 8;
// Do loops: where the condition stands and whether it is While or Until.
enum class LoopKind { Forever, PreWhile, PreUntil, PostWhile, PostUntil };

struct Node;
using NodePtr = std::unique_ptr<Node>;

struct Node {
  Ast kind;
  int line = 0;
  int height = 1;   // of the expression tree below (the parser bounds it)
  int op = 0;       // BinOp, UnOp, ExitKind, LoopKind, comparison of Case Is
  QString name;     // folded name
  QString spelled;  // name as written
  Value value;
  bool flag = false;   // Set / ByVal / Preserve / Resume Next / function / has Else
  bool flag2 = false;  // private procedure / explicit Call / array declared with ()
  NodePtr a, b, c, d;
  std::vector<NodePtr> list;
  std::vector<NodePtr> body;
  std::vector<NodePtr> body2;

  Node(Ast k, int l) : kind(k), line(l) {}
  // Frees the subtree without recursion: a long chain must not exhaust the stack.
  ~Node();
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
};

inline NodePtr makeNode(Ast kind, int line) {
  return std::make_unique<Node>(kind, line);
}

struct ParsedModule {
  std::vector<NodePtr> statements;  // top-level statements and procedures, in text order
  bool optionExplicit = false;
  // Several texts compiled together: from which statement on each text's Option
  // Explicit holds. Empty for one text (optionExplicit then holds for all).
  std::vector<std::pair<std::size_t, bool>> explicitFrom;
};

}  // namespace balvix::script

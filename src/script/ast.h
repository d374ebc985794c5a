#pragma once

#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "script/value.h"

namespace balvix::script {

// The kind of a parse-tree node; the compiler switches on it and casts to the node's type.
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
  // the items of a Case
  CaseValue,
  CaseRange,
  CaseIs,
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
// What a procedure defines.
enum class ProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };
// Do loops: where the condition stands and whether it is While or Until.
enum class LoopKind { Forever, PreWhile, PreUntil, PostWhile, PostUntil };

// The parse tree of a module: one node type per construct. The compiler turns it into
// executable nodes with resolved names.
namespace ast {

struct Node;

// Frees a subtree without recursion: a long chain must not exhaust the stack.
struct NodeDeleter {
  void operator()(Node* n) const;
};
template <class T>
using Ptr = std::unique_ptr<T, NodeDeleter>;

struct Node {
  const Ast kind;
  int line = 0;

  virtual ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  // Hands the node's children over to `out` (the deleter frees them one by one).
  virtual void releaseChildren(std::vector<Node*>& out) = 0;

 protected:
  Node(Ast k, int l) : kind(k), line(l) {}
};

template <class T>
Ptr<T> make(int line) {
  Ptr<T> p(new T());
  p->line = line;
  return p;
}

struct Expression : Node {
  int height = 1;  // of the expression tree below (the parser bounds it)

 protected:
  explicit Expression(Ast k) : Node(k, 0) {}
};
struct Statement : Node {
 protected:
  explicit Statement(Ast k) : Node(k, 0) {}
};
using ExprNode = Ptr<Expression>;
using StmtNode = Ptr<Statement>;
using StmtList = std::vector<StmtNode>;

// A name as declared or assigned: folded for lookup, and as written for messages.
struct Identifier {
  QString name;
  QString spelled;
  int line = 0;
};

template <class T>
void release(Ptr<T>& p, std::vector<Node*>& out) {
  if (p) out.push_back(p.release());
}
template <class T>
void release(std::vector<Ptr<T>>& list, std::vector<Node*>& out) {
  for (Ptr<T>& p : list) release(p, out);
  list.clear();
}

// ---- expressions

struct LiteralExpr : Expression {
  Value value;
  LiteralExpr() : Expression(Ast::Literal) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

struct NameExpr : Expression {
  QString name;
  QString spelled;
  NameExpr() : Expression(Ast::Name) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

// object.name
struct MemberExpr : Expression {
  ExprNode object;
  QString name;
  QString spelled;
  MemberExpr() : Expression(Ast::Member) {}
  void releaseChildren(std::vector<Node*>& out) override { release(object, out); }
};

// callee(args): a call or an element of an array, told apart by the compiler
struct CallExpr : Expression {
  ExprNode callee;
  std::vector<ExprNode> args;
  CallExpr() : Expression(Ast::Call) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(callee, out);
    release(args, out);
  }
};

// .name inside a With block
struct WithDotExpr : Expression {
  QString name;
  QString spelled;
  WithDotExpr() : Expression(Ast::WithDot) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

struct UnaryExpr : Expression {
  UnOp op = UnOp::Neg;
  ExprNode operand;
  UnaryExpr() : Expression(Ast::Unary) {}
  void releaseChildren(std::vector<Node*>& out) override { release(operand, out); }
};

struct BinaryExpr : Expression {
  BinOp op = BinOp::Add;
  ExprNode left;
  ExprNode right;
  BinaryExpr() : Expression(Ast::Binary) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(left, out);
    release(right, out);
  }
};

// (inner): an argument in parentheses is passed by value
struct ParenExpr : Expression {
  ExprNode inner;
  ParenExpr() : Expression(Ast::Paren) {}
  void releaseChildren(std::vector<Node*>& out) override { release(inner, out); }
};

// An argument left out: f(1, , 3)
struct MissingArgExpr : Expression {
  MissingArgExpr() : Expression(Ast::MissingArg) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

// New ClassName
struct NewExpr : Expression {
  QString name;
  QString spelled;
  NewExpr() : Expression(Ast::New) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

// ---- statements

// [Set] target = value
struct AssignStmt : Statement {
  ExprNode target;
  ExprNode value;
  bool isSet = false;
  AssignStmt() : Statement(Ast::Assign) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(target, out);
    release(value, out);
  }
};

// [Call] procedure args
struct CallStmt : Statement {
  ExprNode call;
  bool explicitCall = false;
  CallStmt() : Statement(Ast::CallStmt) {}
  void releaseChildren(std::vector<Node*>& out) override { release(call, out); }
};

struct DimItem {
  Identifier id;
  bool isArray = false;              // declared with parentheses
  std::vector<ExprNode> dimensions;  // upper bounds; empty for "a()"
};

// Dim, ReDim [Preserve], and the fields of a class
struct DimStmt : Statement {
  std::vector<DimItem> items;
  bool redim = false;
  bool preserve = false;
  bool isPrivate = false;  // a private field of a class
  DimStmt() : Statement(Ast::Dim) {}
  void releaseChildren(std::vector<Node*>& out) override {
    for (DimItem& item : items) release(item.dimensions, out);
  }
};

struct EraseStmt : Statement {
  std::vector<Identifier> arrays;
  EraseStmt() : Statement(Ast::Erase) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

struct ConstItem {
  Identifier id;
  ExprNode value;
};

struct ConstStmt : Statement {
  std::vector<ConstItem> items;
  ConstStmt() : Statement(Ast::Const) {}
  void releaseChildren(std::vector<Node*>& out) override {
    for (ConstItem& item : items) release(item.value, out);
  }
};

// If or ElseIf: a condition and the block it guards
struct IfClause {
  ExprNode condition;
  StmtList body;
};

struct IfStmt : Statement {
  std::vector<IfClause> clauses;
  StmtList elseBody;
  bool hasElse = false;
  IfStmt() : Statement(Ast::If) {}
  void releaseChildren(std::vector<Node*>& out) override {
    for (IfClause& c : clauses) {
      release(c.condition, out);
      release(c.body, out);
    }
    release(elseBody, out);
  }
};

// One item of a Case: a value (kind CaseValue), a range "value To to" (CaseRange) or
// "Is op value" (CaseIs).
struct CaseItem {
  Ast kind = Ast::CaseValue;
  BinOp op = BinOp::Eq;
  ExprNode value;
  ExprNode to;
};

struct CaseClause {
  std::vector<CaseItem> items;
  StmtList body;
};

struct SelectStmt : Statement {
  ExprNode test;
  std::vector<CaseClause> cases;
  StmtList elseBody;  // Case Else
  bool hasElse = false;
  SelectStmt() : Statement(Ast::Select) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(test, out);
    for (CaseClause& c : cases) {
      for (CaseItem& item : c.items) {
        release(item.value, out);
        release(item.to, out);
      }
      release(c.body, out);
    }
    release(elseBody, out);
  }
};

struct ForStmt : Statement {
  Identifier variable;
  ExprNode from;
  ExprNode to;
  ExprNode step;  // null: 1
  StmtList body;
  ForStmt() : Statement(Ast::For) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(from, out);
    release(to, out);
    release(step, out);
    release(body, out);
  }
};

struct ForEachStmt : Statement {
  Identifier variable;
  ExprNode collection;
  StmtList body;
  ForEachStmt() : Statement(Ast::ForEach) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(collection, out);
    release(body, out);
  }
};

// Do … Loop in all its forms, and While … Wend
struct DoStmt : Statement {
  LoopKind loop = LoopKind::Forever;
  ExprNode condition;  // null for LoopKind::Forever
  StmtList body;
  bool isWend = false;  // While…Wend: Exit Do inside leaves the enclosing Do, not this loop
  DoStmt() : Statement(Ast::Do) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(condition, out);
    release(body, out);
  }
};

struct ExitStmt : Statement {
  ExitKind what = ExitKind::Sub;
  ExitStmt() : Statement(Ast::Exit) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

// On Error Resume Next | On Error GoTo 0
struct OnErrorStmt : Statement {
  bool resumeNext = false;
  OnErrorStmt() : Statement(Ast::OnError) {}
  void releaseChildren(std::vector<Node*>&) override {}
};

struct WithStmt : Statement {
  ExprNode object;
  StmtList body;
  WithStmt() : Statement(Ast::With) {}
  void releaseChildren(std::vector<Node*>& out) override {
    release(object, out);
    release(body, out);
  }
};

// ---- declarations

struct Param {
  Identifier id;
  bool byVal = false;
};

// Sub, Function or Property Get/Let/Set
struct ProcedureDecl : Statement {
  ProcKind procKind = ProcKind::Sub;
  QString name;
  QString spelled;
  std::vector<Param> params;
  StmtList body;
  bool isFunction = false;  // returns a value: Function or Property Get
  bool isPrivate = false;
  bool isDefault = false;  // the default member of a class
  ProcedureDecl() : Statement(Ast::Procedure) {}
  void releaseChildren(std::vector<Node*>& out) override { release(body, out); }
};

struct ClassDecl : Statement {
  QString name;
  QString spelled;
  StmtList members;  // DimStmt (fields) and ProcedureDecl, in text order
  ClassDecl() : Statement(Ast::Class) {}
  void releaseChildren(std::vector<Node*>& out) override { release(members, out); }
};

}  // namespace ast

struct ParsedModule {
  ast::StmtList statements;  // top-level statements and procedures, in text order
  bool optionExplicit = false;
  // Several texts compiled together: from which statement on each text's Option
  // Explicit holds. Empty for one text (optionExplicit then holds for all).
  std::vector<std::pair<std::size_t, bool>> explicitFrom;
};

}  // namespace balvix::script

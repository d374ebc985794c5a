#pragma once

#include <QString>
#include <vector>

#include "script/ast.h"
#include "script/ops.h"
#include "script/runtime.h"
#include "script/whole_math.h"

// Executable nodes: the compiler builds them with every name already resolved to a
// slot, a procedure, a built-in or a host member, so running a module does no name
// look-ups except the first call of a host member at each call site.
namespace balvix::script::nodes {

// An object where a plain value is needed stands for its default member (Err → Number).
Value plain(const Value& v);
inline bool isPlainCandidate(const Value& v) {
  return v.isObject();
}

struct Literal : Expr {
  Value value;
  explicit Literal(Value v) : value(std::move(v)) {}
  Value eval(Ctx&) override { return value; }
  bool isLiteral() const override { return true; }
};

struct Missing : Expr {
  Value eval(Ctx&) override { return Value::missing(); }
};

struct LocalVar : Expr {
  int slot;
  explicit LocalVar(int s) : slot(s) {}
  Value eval(Ctx& c) override { return c.vars[slot].deref(); }
  Value* ref(Ctx& c) override { return &c.vars[slot].deref(); }
};

struct GlobalVar : Expr {
  int slot;
  explicit GlobalVar(int s) : slot(s) {}
  Value eval(Ctx& c) override { return c.rt.globals[slot].deref(); }
  Value* ref(Ctx& c) override { return &c.rt.globals[slot].deref(); }
};

struct UndefinedVar : Expr {
  QString name;
  explicit UndefinedVar(QString n) : name(std::move(n)) {}
  Value eval(Ctx&) override { throw ScriptError(ErrorCode::VariableUndefined, name); }
  Value* ref(Ctx&) override { throw ScriptError(ErrorCode::VariableUndefined, name); }
};

// A call of a name that was no procedure when the module was compiled: it may have been
// defined since by ExecuteGlobal (arguments are then passed by value).
struct UnresolvedCall : Expr {
  QString name;
  std::vector<ExprPtr> args;
  explicit UnresolvedCall(QString n) : name(std::move(n)) {}
  Value eval(Ctx& c) override;
};

struct Arith : Expr {
  BinOp op;
  ExprPtr a, b;
  Value eval(Ctx& c) override;
  // The operation on two values already evaluated (objects stand for their default member).
  static Value apply(BinOp op, Value& x, Value& y);
};

// `n - 1`, `i * 2`: a local variable and a whole-number constant, without two virtual
// calls on the common path.
struct ArithLocalConst : Expr {
  BinOp op;
  int slot;
  std::int32_t k;
  Value::Type kType = Value::Type::Integer;  // Integer or Long, as the constant was written
  ConstDivisor divisor;                      // of k
  ExprPtr generic;  // the same operation as an Arith node, for every other case
  Value eval(Ctx& c) override;
  // `x + k`, `x - k` or `x * k` with x a whole number stored in out; false, leaving
  // out alone, for every other case. For callers that inline the usual case.
  inline bool wholeInto(Ctx& c, Value& out) const;
};

// `x < k` and the other comparisons of a whole number with a constant, as a range test:
// the comparison holds when lo <= x <= hi, or when it does not for `<>` (outside).
struct WholeRange {
  std::int64_t lo = 0, hi = 0;
  bool outside = false;
  static WholeRange of(BinOp op, std::int32_t k);
  bool holds(std::int32_t x) const {
    return (static_cast<std::uint64_t>(x - lo) <= static_cast<std::uint64_t>(hi - lo)) != outside;
  }
};

// `x < k` and the like with x a local variable and k a whole-number constant.
struct CompareLocalConst : Expr {
  int slot;
  WholeRange range;  // of the operator and k
  ExprPtr generic;   // the same comparison as a Compare node, for every other case
  Value eval(Ctx& c) override { return generic->eval(c); }
  bool evalBool(Ctx& c) override;
};

struct AssignLocal : Stmt {
  int slot;
  ExprPtr rhs;
  Flow exec(Ctx& c) override;
};

struct Compare : Expr {
  BinOp op;
  ExprPtr a, b;
  bool literalMix = false;
  Value eval(Ctx& c) override;
  bool evalBool(Ctx& c) override;
};

struct Logic : Expr {
  BinOp op;
  ExprPtr a, b;
  Value eval(Ctx& c) override;
};

struct IsSame : Expr {
  ExprPtr a, b;
  Value eval(Ctx& c) override;
};

struct Unary : Expr {
  UnOp op;
  ExprPtr a;
  Value eval(Ctx& c) override;
};

struct Concat : Expr {
  std::vector<ExprPtr> parts;
  Value eval(Ctx& c) override;
};

struct IIf : Expr {
  ExprPtr cond, a, b;
  Value eval(Ctx& c) override { return cond->evalBool(c) ? a->eval(c) : b->eval(c); }
};

struct CallUser : Expr {
  Procedure* proc = nullptr;
  std::vector<ExprPtr> args;
  std::vector<char> argIsVar;
  bool hasElementArgs = false;  // array elements are passed by reference by copy-in/copy-out
  // Set by bind() once the arguments are in: per argument how it is passed (ArgPassing),
  // and whether the count matches.
  enum ArgPassing : char { kValue, kVariable, kLocalSum };
  std::vector<ArgPassing> passing;
  bool countMatches = false;
  bool plainCall = false;  // the count matches and no array element is passed
  void bind();
  Value eval(Ctx& c) override;
  Value callWithElements(Ctx& c);
};

struct CallBuiltin : Expr {
  const BuiltinInfo* info = nullptr;
  bool asStatement = false;
  std::vector<ExprPtr> args;
  Value eval(Ctx& c) override;
};

// A method call or property read on a host object; `object` null means the global
// object.
struct HostCall : Expr {
  ExprPtr object;
  QString name;
  std::vector<ExprPtr> args;
  std::vector<char> argIsVar;  // written back when the object changes a by-reference argument
  const void* cacheKey = nullptr;
  int cachedId = -1;
  Value eval(Ctx& c) override;
  // Looks up and runs the member on obj, which the caller keeps alive.
  Value call(Ctx& c, HostObject* obj);
};

// `a(i, j)`: an array element, or the default member of an object with arguments.
struct Index : Expr {
  ExprPtr base;
  std::vector<ExprPtr> args;
  Value eval(Ctx& c) override;
  static Value indexValue(const Value& holder, Value* idx, int n);
};

// Statements.

struct ExprStmt : Stmt {
  ExprPtr expr;
  Flow exec(Ctx& c) override {
    expr->eval(c);
    return Flow::Normal;
  }
};

struct AssignVar : Stmt {
  ExprPtr target;  // LocalVar or GlobalVar
  ExprPtr rhs;
  bool isSet = false;
  Flow exec(Ctx& c) override;
};

// `s = s & a & b` with s a variable: appends to the text in place.
struct AppendVar : Stmt {
  ExprPtr target;
  int localSlot = -1;  // the target's slot when it is a local variable
  std::vector<ExprPtr> pieces;
  std::vector<const QString*> literalText;  // per piece: its text when it is a text constant
  Flow exec(Ctx& c) override;
};

struct AssignIndex : Stmt {
  ExprPtr base;
  std::vector<ExprPtr> indices;
  ExprPtr rhs;
  bool isSet = false;
  Flow exec(Ctx& c) override;
  // Stores v into element idx of the array (or the default member of the object) *p.
  static Flow store(Value* p, Value* idx, int n, Value& v, bool isSet);
};

struct AssignMember : Stmt {
  ExprPtr object;  // null: the global object
  QString name;
  std::vector<ExprPtr> args;
  ExprPtr rhs;
  bool isSet = false;
  const void* cacheKey = nullptr;
  int cachedId = -1;
  Flow exec(Ctx& c) override;
};

struct IfStmt : Stmt {
  std::vector<ExprPtr> conds;
  std::vector<Block> blocks;
  Block elseBlock;
  Flow exec(Ctx& c) override;
};

struct SelectStmt : Stmt {
  struct Item {
    Ast kind;
    BinOp op = BinOp::Eq;
    ExprPtr a, b;
  };
  struct Clause {
    std::vector<Item> items;
    Block body;
  };
  ExprPtr test;
  std::vector<Clause> clauses;
  Block elseBlock;
  Flow exec(Ctx& c) override;
};

struct ForStmt : Stmt {
  ExprPtr var, from, to, step;
  int localSlot = -1;  // the counter's slot when it is a local variable
  Block body;
  Flow exec(Ctx& c) override;
  Value* counter(Ctx& c) { return localSlot >= 0 ? &c.vars[localSlot].deref() : var->ref(c); }
};

struct ForEachStmt : Stmt {
  ExprPtr var, collection;
  Block body;
  Flow exec(Ctx& c) override;
  // Over a host object that enumerates its elements.
  Flow eachElement(Ctx& c, const Value& coll);
};

struct DoStmt : Stmt {
  LoopKind kind = LoopKind::Forever;
  bool isWhile = false;  // While…Wend
  ExprPtr cond;
  Block body;
  Flow exec(Ctx& c) override;
};

struct ExitStmt : Stmt {
  Flow flow;
  explicit ExitStmt(Flow f) : flow(f) {}
  Flow exec(Ctx&) override { return flow; }
};

struct OnErrorStmt : Stmt {
  bool resumeNext = false;
  Flow exec(Ctx& c) override;
};

struct DimArray : Stmt {
  ExprPtr var;
  std::vector<ExprPtr> dims;
  bool redim = false;
  bool preserve = false;
  Flow exec(Ctx& c) override;
};

// Erase: a fixed array keeps its size with every element Empty; a dynamic one is freed.
struct EraseArray : Stmt {
  ExprPtr var;
  Flow exec(Ctx& c) override;
};

struct WithStmt : Stmt {
  ExprPtr holder;  // the hidden variable that `.Name` reads
  ExprPtr object;
  Block body;
  Flow exec(Ctx& c) override;
};

}  // namespace balvix::script::nodes

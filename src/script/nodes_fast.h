#pragma once

#include "script/arith_kernel.h"
#include "script/coerce.h"
#include "script/nodes.h"

// Nodes for the shapes that loops, running totals and array walks take most often. Each
// is a subclass of the general node it replaces, keeps that node's operands (so whatever
// inspects the tree sees the same shape) and does the usual case inline, handing every
// other case to the general code with the operands it has already evaluated.
namespace balvix::script::nodes {

using arith::wholeRank;
using arith::wholeResult;
using arith::wholeSum;

bool ArithLocalConst::wholeInto(Ctx& c, Value& out) const {
  const Value& x = c.vars[slot].deref();
  if (!x.isWhole()) return false;
  const std::int64_t p = x.asInt();
  std::int64_t r;
  switch (op) {
    case BinOp::Add:
      r = p + k;
      break;
    case BinOp::Sub:
      r = p - k;
      break;
    case BinOp::Mul:
      r = p * k;
      break;
    default:
      return false;
  }
  out = wholeResult(r, wholeRank(std::max(x.type(), kType)));
  return true;
}

// The outcome of a comparison operator given -1, 0 or 1.
inline bool decide(BinOp op, int cmp) {
  switch (op) {
    case BinOp::Eq:
      return cmp == 0;
    case BinOp::Ne:
      return cmp != 0;
    case BinOp::Lt:
      return cmp < 0;
    case BinOp::Gt:
      return cmp > 0;
    case BinOp::Le:
      return cmp <= 0;
    default:
      return cmp >= 0;
  }
}

// Element index of a one-dimensional array.
inline std::size_t index1(const ArrayData& a, const Value& iv) {
  if (a.upper.size() != 1) throw ScriptError(ErrorCode::SubscriptOutOfRange);
  std::int64_t i;
  if (iv.isWhole())
    i = iv.asInt();
  else
    i = toLong(plain(iv));
  if (i < 0 || i > a.upper[0]) throw ScriptError(ErrorCode::SubscriptOutOfRange);
  return static_cast<std::size_t>(i);
}

// `x op k`: any operand and a whole-number constant (`(i * 2) Mod 7`).
struct ArithConst : Arith {
  std::int32_t k = 0;
  ConstDivisor divisor;
  Value::Type kType = Value::Type::Integer;  // Integer or Long, as the constant was written
  Value eval(Ctx& c) override;
};

// `i + j` with both local variables.
struct ArithLocalLocal : Arith {
  int left = 0, right = 0;
  Value eval(Ctx& c) override;
};

// `obj.Method args` with obj a local variable holding the object itself (no by-reference
// parameter) and arguments that run no procedure: nothing can replace the variable before
// the call returns, so the object is used without taking a reference to it.
struct HostCallLocal : HostCall {
  int slot = 0;
  Value eval(Ctx& c) override;
};

// `a(i)` with `a` a local variable (and `i` perhaps one too).
struct IndexLocal1 : Index {
  int slot = 0;
  int indexSlot = -1;
  Value eval(Ctx& c) override;
  // The element itself when `a` holds a one-dimensional array and `i` is a local whole
  // number within its bounds; nullptr for every other case (eval then gives the value or
  // the error). Valid until the array is next changed.
  const Value* element(Ctx& c) const {
    if (indexSlot < 0) return nullptr;
    const Value& iv = c.vars[indexSlot].deref();
    const Value& p = c.vars[slot].deref();
    if (!iv.isWhole() || !p.isArray()) return nullptr;
    const ArrayData& a = *p.asArray();
    const std::int32_t i = iv.asInt();
    if (a.upper.size() != 1 || i < 0 || i > a.upper[0]) return nullptr;
    return &a.items[static_cast<std::size_t>(i)];
  }
};

// `s = s + x` / `s = s - x` with `s` a local variable: a running total updated in place.
struct AccumulateLocal : AssignLocal {
  BinOp op = BinOp::Add;
  Expr* term = nullptr;                      // x, owned by the Arith node in rhs
  const IndexLocal1* elementTerm = nullptr;  // x, when it is `a(i)`
  Flow exec(Ctx& c) override;
  bool addInPlace(Value& total, const Value& y) const;
};

// `x = a + b` / `x = a - b` with x a local variable: the sum goes straight into it.
struct AssignLocalArith : AssignLocal {
  BinOp op = BinOp::Add;
  Expr* left = nullptr;  // a and b, owned by the Arith node in rhs
  Expr* right = nullptr;
  Flow exec(Ctx& c) override;
};

// `x = y` with both local variables.
struct AssignLocalCopy : AssignLocal {
  int from = 0;
  Flow exec(Ctx& c) override;
};

// `If n < k Then … Else … End If` with n a local variable and k a whole-number constant.
struct IfLocalConst : IfStmt {
  int slot = 0;
  WholeRange range;
  Stmt* thenOnly = nullptr;  // the only statement of the Then (Else) block, if just one
  Stmt* elseOnly = nullptr;
  Flow exec(Ctx& c) override;
};

// `a(i) = x` with `a` a local variable.
struct AssignIndexLocal1 : AssignIndex {
  int slot = 0;
  int indexSlot = -1;
  const ArithLocalConst* wholeRhs = nullptr;  // rhs, when it is `i * k` and the like
  Flow exec(Ctx& c) override;
};

// Replaces a node by its specialised form where one applies; otherwise returns it as is.
ExprPtr specialise(ExprPtr e);
StmtPtr specialise(StmtPtr s);

}  // namespace balvix::script::nodes

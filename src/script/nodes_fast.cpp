#include "script/nodes_fast.h"

#include <typeinfo>

namespace balvix::script::nodes {

Value ArithConst::eval(Ctx& c) {
  Value x = a->eval(c);
  if (x.isWhole()) {
    const std::int32_t p = x.asInt();
    const int rank = wholeRank(std::max(x.type(), kType));
    switch (op) {
      case BinOp::Add:
        return wholeResult(std::int64_t{p} + k, rank);
      case BinOp::Sub:
        return wholeResult(std::int64_t{p} - k, rank);
      case BinOp::Mul:
        return wholeResult(std::int64_t{p} * k, rank);
      case BinOp::Mod:
        if (k != 0) return wholeResult(divisor.mod(p), rank);
        break;
      case BinOp::IntDiv:
        if (k != 0) return wholeResult(divisor.div(p), rank);
        break;
      default:
        break;
    }
  }
  Value y = b->eval(c);
  return apply(op, x, y);
}

Value ArithLocalLocal::eval(Ctx& c) {
  const Value& x = c.vars[left].deref();
  const Value& y = c.vars[right].deref();
  Value r;
  if (arith::whole(op, x, y, r) || arith::real(op, x, y, r)) return r;
  Value xv = x;
  Value yv = y;
  return apply(op, xv, yv);
}

Value HostCallLocal::eval(Ctx& c) {
  const Value& h = c.vars[slot];
  if (h.isObject() && h.asObject()) return call(c, h.asObject().get());
  return HostCall::eval(c);
}

Value IndexLocal1::eval(Ctx& c) {
  if (indexSlot >= 0) {
    const Value& iv = c.vars[indexSlot].deref();
    const Value& p = c.vars[slot].deref();
    if (iv.isWhole() && p.isArray()) {
      const ArrayData& a = *p.asArray();
      return a.items[index1(a, iv)];
    }
  }
  // The index first: a function in it may assign the array variable.
  Value iv = args[0]->eval(c);
  const Value& p = c.vars[slot].deref();
  if (p.isArray()) {
    const ArrayData& a = *p.asArray();
    return a.items[index1(a, iv)];
  }
  const Value holder = p;
  return indexValue(holder, &iv, 1);
}

// total + y or total - y stored in total for the usual kinds of both; false, leaving
// total alone, for every other case.
bool AccumulateLocal::addInPlace(Value& total, const Value& y) const {
  return wholeSum(op, total, y, total) || arith::real(op, total, y, total);
}

Flow AccumulateLocal::exec(Ctx& c) {
  // An element of a local array is read where it is, without a copy.
  if (elementTerm) {
    const Value* y = elementTerm->element(c);
    if (y && addInPlace(c.vars[slot].deref(), *y)) return Flow::Normal;
  }
  // The total is read before the term is evaluated, as `s + x` reads its operands left
  // to right (a function in x may change s through a by-reference argument).
  const Value& x = c.vars[slot].deref();
  const Value::Type xt = x.type();
  if (xt == Value::Type::Double) {
    const double p = x.asDouble();
    Value y = term->eval(c);
    if (arith::isRealOrWhole(y)) {
      const double q = arith::realOf(y);
      const double r = op == BinOp::Add ? p + q : p - q;
      if (std::isfinite(r)) {
        c.vars[slot].deref() = Value::real(r);
        return Flow::Normal;
      }
    }
    Value xv = Value::real(p);
    c.vars[slot].deref() = Arith::apply(op, xv, y);
    return Flow::Normal;
  }
  if (x.isWhole()) {
    const std::int32_t p = x.asInt();
    Value y = term->eval(c);
    if (y.isWhole()) {
      const std::int64_t q = y.asInt();
      c.vars[slot].deref() =
          wholeResult(op == BinOp::Add ? p + q : p - q, wholeRank(std::max(xt, y.type())));
      return Flow::Normal;
    }
    Value xv = xt == Value::Type::Long      ? Value::longValue(p)
               : xt == Value::Type::Integer ? Value::integer(static_cast<std::int16_t>(p))
                                            : Value::byte(static_cast<std::uint8_t>(p));
    c.vars[slot].deref() = Arith::apply(op, xv, y);
    return Flow::Normal;
  }
  return AssignLocal::exec(c);
}

Flow AssignLocalCopy::exec(Ctx& c) {
  const Value& v = c.vars[from].deref();
  if (v.isObject()) return AssignLocal::exec(c);
  c.vars[slot].deref() = v;
  return Flow::Normal;
}

Flow IfLocalConst::exec(Ctx& c) {
  const Value& x = c.vars[slot].deref();
  // Under On Error Resume Next the general statement records a failing condition.
  if (!x.isWhole() || c.resumeNext || c.rt.debug) [[unlikely]]
    return IfStmt::exec(c);
  const bool taken = range.holds(x.asInt());
  Stmt* only = taken ? thenOnly : elseOnly;
  if (!only) return execBlock(taken ? blocks[0] : elseBlock, c);
  // The only statement of the block runs here. Its end is the end of the If, so an error
  // in it only needs its line: the block around the If goes on (or not) exactly as the
  // If's own block would have.
  try {
    return only->exec(c);
  } catch (ScriptError& e) {
    if (e.line() == 0) e.setLine(only->line);
    throw;
  } catch (...) {
    ScriptError e = translateException(std::current_exception());
    e.setLine(only->line);
    throw e;
  }
}

Flow AssignLocalArith::exec(Ctx& c) {
  Value x = left->eval(c);
  Value y = right->eval(c);
  if (wholeSum(op, x, y, c.vars[slot].deref())) return Flow::Normal;
  // Arithmetic never gives an object, so nothing stands for a default member here.
  c.vars[slot].deref() = Arith::apply(op, x, y);
  return Flow::Normal;
}

Flow AssignIndexLocal1::exec(Ctx& c) {
  // A whole-number index variable is read as the general statement reads it: before the
  // value is evaluated.
  Value iv = indexSlot >= 0 && c.vars[indexSlot].deref().isWhole() ? c.vars[indexSlot].deref()
                                                                   : indices[0]->eval(c);
  Value v;
  if (!wholeRhs || !wholeRhs->wholeInto(c, v)) v = rhs->eval(c);
  Value& p = c.vars[slot].deref();
  if (p.isArray() && !isSet && !v.isObject()) {
    std::shared_ptr<ArrayData>& arr = p.asArray();
    if (arr.use_count() > 1) arr = std::make_shared<ArrayData>(*arr);
    arr->items[index1(*arr, iv)] = std::move(v);
    return Flow::Normal;
  }
  return store(&p, &iv, 1, v, isSet);
}

namespace {

template <class T>
bool is(const Expr* e) {
  return e && typeid(*e) == typeid(T);
}
template <class T>
bool is(const Stmt* s) {
  return s && typeid(*s) == typeid(T);
}

const Literal* wholeLiteral(const Expr* e) {
  if (!is<Literal>(e)) return nullptr;
  const auto* lit = static_cast<const Literal*>(e);
  const Value::Type t = lit->value.type();
  return t == Value::Type::Integer || t == Value::Type::Long ? lit : nullptr;
}

int localSlot(const Expr* e) {
  return is<LocalVar>(e) ? static_cast<const LocalVar*>(e)->slot : -1;
}

// An expression that runs no procedure of the module and passes nothing by reference, so
// it cannot assign a local variable of the running procedure. (A by-reference argument of
// a host method is written back only after the method has returned.)
bool touchesNoLocal(const Expr* e) {
  if (is<Literal>(e) || is<LocalVar>(e) || is<GlobalVar>(e) || is<ArithLocalConst>(e) ||
      is<ArithLocalLocal>(e) || is<CompareLocalConst>(e))
    return true;
  if (is<Arith>(e) || is<ArithConst>(e)) {
    const auto& a = static_cast<const Arith&>(*e);
    return touchesNoLocal(a.a.get()) && touchesNoLocal(a.b.get());
  }
  if (is<Compare>(e)) {
    const auto& a = static_cast<const Compare&>(*e);
    return touchesNoLocal(a.a.get()) && touchesNoLocal(a.b.get());
  }
  if (is<Concat>(e)) {
    for (const ExprPtr& p : static_cast<const Concat&>(*e).parts)
      if (!touchesNoLocal(p.get())) return false;
    return true;
  }
  return false;
}

bool constFoldable(BinOp op) {
  return op == BinOp::Add || op == BinOp::Sub || op == BinOp::Mul || op == BinOp::Mod ||
         op == BinOp::IntDiv;
}

}  // namespace

ExprPtr specialise(ExprPtr e) {
  if (is<Arith>(e.get())) {
    auto& a = static_cast<Arith&>(*e);
    const int left = localSlot(a.a.get()), right = localSlot(a.b.get());
    if (left >= 0 && right >= 0) {
      auto f = std::make_unique<ArithLocalLocal>();
      f->line = a.line;
      f->op = a.op;
      f->left = left;
      f->right = right;
      f->a = std::move(a.a);
      f->b = std::move(a.b);
      return f;
    }
    if (const Literal* lit = wholeLiteral(a.b.get()); lit && constFoldable(a.op)) {
      auto f = std::make_unique<ArithConst>();
      f->line = a.line;
      f->op = a.op;
      f->k = lit->value.asInt();
      f->divisor = ConstDivisor::of(f->k);
      f->kType = lit->value.type();
      f->a = std::move(a.a);
      f->b = std::move(a.b);
      return f;
    }
  } else if (is<HostCall>(e.get())) {
    auto& call = static_cast<HostCall&>(*e);
    bool simple = localSlot(call.object.get()) >= 0;
    for (std::size_t i = 0; simple && i < call.args.size(); ++i)
      simple = touchesNoLocal(call.args[i].get());
    if (simple) {
      auto f = std::make_unique<HostCallLocal>();
      f->line = call.line;
      f->slot = localSlot(call.object.get());
      f->object = std::move(call.object);
      f->name = std::move(call.name);
      f->args = std::move(call.args);
      f->argIsVar = std::move(call.argIsVar);
      f->cacheKey = call.cacheKey;
      f->cachedId = call.cachedId;
      return f;
    }
  } else if (is<Index>(e.get())) {
    auto& idx = static_cast<Index&>(*e);
    if (const int slot = localSlot(idx.base.get()); slot >= 0 && idx.args.size() == 1) {
      auto f = std::make_unique<IndexLocal1>();
      f->line = idx.line;
      f->slot = slot;
      f->base = std::move(idx.base);
      f->args = std::move(idx.args);
      f->indexSlot = localSlot(f->args[0].get());
      return f;
    }
  }
  return e;
}

StmtPtr specialise(StmtPtr s) {
  if (is<AssignLocal>(s.get())) {
    auto& st = static_cast<AssignLocal&>(*s);
    const Expr* rhs = st.rhs.get();
    // `s + x` in any of its forms; `s + 1` keeps its general form in ArithLocalConst.
    const Expr* sum =
        is<ArithLocalConst>(rhs) ? static_cast<const ArithLocalConst*>(rhs)->generic.get() : rhs;
    if (is<Arith>(sum) || is<ArithLocalLocal>(sum) || is<ArithConst>(sum)) {
      const auto& a = static_cast<const Arith&>(*sum);
      if ((a.op == BinOp::Add || a.op == BinOp::Sub) && localSlot(a.a.get()) == st.slot) {
        auto f = std::make_unique<AccumulateLocal>();
        f->line = st.line;
        f->slot = st.slot;
        f->op = a.op;
        f->term = a.b.get();
        if (is<IndexLocal1>(f->term)) f->elementTerm = static_cast<const IndexLocal1*>(f->term);
        f->rhs = std::move(st.rhs);
        return f;
      }
    }
    if (is<Arith>(rhs)) {
      const auto& a = static_cast<const Arith&>(*rhs);
      if (a.op == BinOp::Add || a.op == BinOp::Sub) {
        auto f = std::make_unique<AssignLocalArith>();
        f->line = st.line;
        f->slot = st.slot;
        f->op = a.op;
        f->left = a.a.get();
        f->right = a.b.get();
        f->rhs = std::move(st.rhs);
        return f;
      }
    }
    if (const int from = localSlot(rhs); from >= 0) {
      auto f = std::make_unique<AssignLocalCopy>();
      f->line = st.line;
      f->slot = st.slot;
      f->from = from;
      f->rhs = std::move(st.rhs);
      return f;
    }
  } else if (is<IfStmt>(s.get())) {
    auto& st = static_cast<IfStmt&>(*s);
    if (st.conds.size() == 1 && is<CompareLocalConst>(st.conds[0].get())) {
      const auto& cmp = static_cast<const CompareLocalConst&>(*st.conds[0]);
      auto f = std::make_unique<IfLocalConst>();
      f->line = st.line;
      f->slot = cmp.slot;
      f->range = cmp.range;
      f->conds = std::move(st.conds);
      f->blocks = std::move(st.blocks);
      f->elseBlock = std::move(st.elseBlock);
      if (f->blocks[0].size() == 1) f->thenOnly = f->blocks[0].front().get();
      if (f->elseBlock.size() == 1) f->elseOnly = f->elseBlock.front().get();
      return f;
    }
  } else if (is<AssignIndex>(s.get())) {
    auto& st = static_cast<AssignIndex&>(*s);
    if (const int slot = localSlot(st.base.get()); slot >= 0 && st.indices.size() == 1) {
      auto f = std::make_unique<AssignIndexLocal1>();
      f->line = st.line;
      f->slot = slot;
      f->base = std::move(st.base);
      f->indices = std::move(st.indices);
      f->indexSlot = localSlot(f->indices[0].get());
      f->rhs = std::move(st.rhs);
      if (is<ArithLocalConst>(f->rhs.get()))
        f->wholeRhs = static_cast<const ArithLocalConst*>(f->rhs.get());
      f->isSet = st.isSet;
      return f;
    }
  } else if (is<ForStmt>(s.get())) {
    auto& st = static_cast<ForStmt&>(*s);
    st.localSlot = localSlot(st.var.get());
  } else if (is<AppendVar>(s.get())) {
    auto& st = static_cast<AppendVar&>(*s);
    st.localSlot = localSlot(st.target.get());
  }
  return s;
}

}  // namespace balvix::script::nodes

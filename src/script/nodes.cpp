#include "script/nodes.h"

#include <typeinfo>

#include "script/coerce.h"
#include "script/engine.h"
#include "script/nodes_fast.h"

namespace balvix::script::nodes {

namespace {

constexpr int kInlineArgs = 8;

// Argument values of a call, kept on the C++ stack for the usual short lists.
class ArgBuffer {
 public:
  explicit ArgBuffer(std::size_t n) : m_n(n) {
    if (n > kInlineArgs) {
      m_heap.resize(n);
      m_data = m_heap.data();
    } else {
      m_data = reinterpret_cast<Value*>(m_inline);
      for (std::size_t i = 0; i < n; ++i) new (m_data + i) Value();
    }
  }
  ~ArgBuffer() {
    if (m_n <= kInlineArgs)
      for (std::size_t i = 0; i < m_n; ++i) m_data[i].~Value();
  }
  ArgBuffer(const ArgBuffer&) = delete;
  ArgBuffer& operator=(const ArgBuffer&) = delete;
  Value* data() { return m_data; }
  int size() const { return static_cast<int>(m_n); }

 private:
  std::size_t m_n;
  Value* m_data;
  alignas(Value) unsigned char m_inline[kInlineArgs * sizeof(Value)];
  std::vector<Value> m_heap;
};

HostObject* objectOf(const Value& v) {
  if (!v.isObject()) throw ScriptError(ErrorCode::ObjectRequired);
  if (!v.asObject()) throw ScriptError(ErrorCode::ObjectNotSet);
  return v.asObject().get();
}

int lookup(HostObject* obj, const QString& name, const void*& key, int& id) {
  const void* k = obj->dispatchCacheKey();
  if (k && k == key) return id;
  const int found = obj->dispatchId(name);
  if (found < 0) throw ScriptError(ErrorCode::NotSupported, name);
  key = k;
  id = found;
  return found;
}

Value invokeHost(HostObject* obj, int id, Args& args) {
  try {
    return obj->invoke(id, args);
  } catch (const ScriptError&) {
    throw;
  } catch (...) {
    throw translateException(std::current_exception());
  }
}

// Elements are stored with the first index running fastest, as the language stores
// them: For Each walks that order and ReDim Preserve (last dimension only) keeps a prefix.
std::size_t flatIndex(const ArrayData& a, const Value* idx, int n) {
  if (n != static_cast<int>(a.upper.size())) throw ScriptError(ErrorCode::SubscriptOutOfRange);
  std::size_t flat = 0;
  for (int d = n - 1; d >= 0; --d) {
    const std::int32_t i = toLong(plain(idx[d]));
    if (i < 0 || i > a.upper[d]) throw ScriptError(ErrorCode::SubscriptOutOfRange);
    flat = flat * (static_cast<std::size_t>(a.upper[d]) + 1) + static_cast<std::size_t>(i);
  }
  return flat;
}

// A condition of If, ElseIf, Do While or Case: under On Error Resume Next an error in it
// is recorded in Err and the statement goes on as if the condition held, as the language
// resumes with the next statement, the first one of the block. A loop also learns that the
// condition failed (`Tell`); the If on every call path is compiled without that.
template <bool Tell>
bool conditionOf(Expr& e, Ctx& c, bool onError, bool* failed) {
  if (!c.resumeNext) return e.evalBool(c);
  try {
    return e.evalBool(c);
  } catch (ScriptError& err) {
    if (err.isInterrupt()) throw;
    c.rt.setError(err);
  } catch (...) {
    c.rt.setError(translateException(std::current_exception()));
  }
  if constexpr (Tell) *failed = true;
  return onError;
}

bool condition(Expr& e, Ctx& c, bool onError = true) {
  return conditionOf<false>(e, c, onError, nullptr);
}

bool loopCondition(Expr& e, Ctx& c, bool onError, bool& failed) {
  return conditionOf<true>(e, c, onError, &failed);
}

Value assignedValue(Value v, bool isSet) {
  if (isSet) {
    if (!v.isObject()) throw ScriptError(ErrorCode::ObjectRequired);
    return v;
  }
  // "x = Nothing" without Set.
  if (v.isNothing()) throw ScriptError(ErrorCode::ObjectNotSet);
  if (v.isObject() && v.asObject() && v.asObject()->defaultMember() >= 0) return plain(v);
  return v;
}

}  // namespace

Value plain(const Value& v) {
  if (!v.isObject()) return v;
  HostObject* obj = objectOf(v);
  const int id = obj->defaultMember();
  if (id < 0) throw ScriptError(ErrorCode::NotSupported);
  Args none(nullptr, 0);
  return invokeHost(obj, id, none);
}

Value ArithLocalConst::eval(Ctx& c) {
  Value r;
  if (wholeInto(c, r)) return r;
  const Value& x = c.vars[slot].deref();
  if (op == BinOp::Mod && k != 0 && x.isWhole())
    return wholeResult(divisor.mod(x.asInt()), wholeRank(std::max(x.type(), kType)));
  return generic->eval(c);
}

Value Arith::eval(Ctx& c) {
  Value x = a->eval(c);
  Value y = b->eval(c);
  Value r;
  if ((op == BinOp::Add || op == BinOp::Sub) && wholeSum(op, x, y, r)) return r;
  return apply(op, x, y);
}

Value Arith::apply(BinOp op, Value& x, Value& y) {
  Value r;
  if (arith::whole(op, x, y, r) || arith::real(op, x, y, r)) return r;
  if (x.isObject()) x = plain(x);
  if (y.isObject()) y = plain(y);
  return ops::arithmetic(op, x, y);
}

bool Compare::evalBool(Ctx& c) {
  Value x = a->eval(c);
  Value y = b->eval(c);
  if (x.isWhole() && y.isWhole()) {
    const int cmp = x.asInt() < y.asInt() ? -1 : x.asInt() > y.asInt();
    return decide(op, cmp);
  }
  if (x.isObject()) x = plain(x);
  if (y.isObject()) y = plain(y);
  const int cmp = ops::compare(x, y, literalMix);
  if (cmp == 2) return false;
  return decide(op, cmp);
}

WholeRange WholeRange::of(BinOp op, std::int32_t k) {
  const std::int64_t lowest = INT32_MIN, highest = INT32_MAX;
  switch (op) {
    case BinOp::Lt:
      return {lowest, std::int64_t{k} - 1, false};
    case BinOp::Le:
      return {lowest, k, false};
    case BinOp::Gt:
      return {std::int64_t{k} + 1, highest, false};
    case BinOp::Ge:
      return {k, highest, false};
    case BinOp::Ne:
      return {k, k, true};
    default:
      return {k, k, false};
  }
}

bool CompareLocalConst::evalBool(Ctx& c) {
  const Value& x = c.vars[slot].deref();
  if (x.isWhole()) return range.holds(x.asInt());
  return generic->evalBool(c);
}

Flow AssignLocal::exec(Ctx& c) {
  Value v = rhs->eval(c);
  if (v.isObject()) v = assignedValue(std::move(v), false);
  c.vars[slot].deref() = std::move(v);
  return Flow::Normal;
}

Value Compare::eval(Ctx& c) {
  Value x = a->eval(c);
  Value y = b->eval(c);
  if (x.isObject()) x = plain(x);
  if (y.isObject()) y = plain(y);
  const int cmp = ops::compare(x, y, literalMix);
  if (cmp == 2) return Value::null();
  return Value::boolean(decide(op, cmp));
}

Value Logic::eval(Ctx& c) {
  Value x = a->eval(c);
  Value y = b->eval(c);
  if (x.type() == Value::Type::Boolean && y.type() == Value::Type::Boolean) {
    switch (op) {
      case BinOp::And:
        return Value::boolean(x.asBool() && y.asBool());
      case BinOp::Or:
        return Value::boolean(x.asBool() || y.asBool());
      default:
        break;
    }
  }
  if (x.isObject()) x = plain(x);
  if (y.isObject()) y = plain(y);
  return ops::logical(op, x, y);
}

Value IsSame::eval(Ctx& c) {
  Value x = a->eval(c);
  Value y = b->eval(c);
  return Value::boolean(ops::sameObject(x, y));
}

Value Unary::eval(Ctx& c) {
  Value x = a->eval(c);
  if (x.isObject()) x = plain(x);
  switch (op) {
    case UnOp::Neg:
      return ops::negate(x);
    case UnOp::Not:
      return ops::logicalNot(x);
    case UnOp::Plus:
      if (x.isEmpty()) return Value::integer(0);
      return x;
  }
  return x;
}

Value Concat::eval(Ctx& c) {
  QString s;
  bool allNull = true;
  for (auto& p : parts) {
    Value v = p->eval(c);
    if (v.isObject()) v = plain(v);
    if (v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
    if (!v.isNull()) allNull = false;
    if (s.isEmpty() && v.isString())
      s = v.asString();
    else
      appendText(s, v);
  }
  if (allNull) return Value::null();
  return Value(std::move(s));
}

void CallUser::bind() {
  countMatches = args.size() == proc->byVal.size();
  plainCall = countMatches && !hasElementArgs;
  passing.assign(args.size(), kValue);
  if (!countMatches) return;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (argIsVar[i] == 1 && !proc->byVal[i])
      passing[i] = kVariable;
    else if (typeid(*args[i]) == typeid(ArithLocalConst))
      passing[i] = kLocalSum;
  }
}

Value CallUser::eval(Ctx& c) {
  if (!plainCall) [[unlikely]]
    return callWithElements(c);
  Runtime& rt = c.rt;
  rt.checkInterruptOnCall();
  checkCallDepth(rt);
  Runtime::CallFrame callFrame(rt, proc->slotCount, proc);
  Value* s = callFrame.base();
  // A new frame's slots are Empty: each argument is made in its slot.
  const std::size_t n = args.size();
  for (std::size_t i = 0; i < n; ++i) {
    Value* slot = &s[i + 1];
    switch (passing[i]) {
      case kLocalSum:
        if (static_cast<const ArithLocalConst&>(*args[i]).wholeInto(c, *slot)) break;
        [[fallthrough]];
      case kValue:
        new (slot) Value(args[i]->eval(c));
        break;
      case kVariable:
        new (slot) Value(Value::ref(args[i]->ref(c)));
        break;
    }
  }
  Ctx inner{rt, s};
  execBody(proc->body, inner);
  return std::move(s[0]);
}

// A call with array elements among its by-reference arguments: each element is copied in
// and written back when the procedure returns.
Value CallUser::callWithElements(Ctx& c) {
  Runtime& rt = c.rt;
  Procedure& p = *proc;
  if (args.size() != p.byVal.size()) throw ScriptError(ErrorCode::WrongArgumentCount, p.spelled);
  rt.checkInterrupt();
  checkCallDepth(rt);
  Runtime::CallFrame callFrame(rt, p.slotCount, &p);
  Value* s = callFrame.base();
  struct ElementArg {
    std::size_t arg;
    std::vector<Value> indices;
    Value value;
  };
  std::vector<ElementArg> elements;
  if (hasElementArgs) elements.reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (argIsVar[i] == 1 && !p.byVal[i]) {
      s[i + 1] = Value::ref(args[i]->ref(c));
    } else if (argIsVar[i] == 2 && !p.byVal[i]) {
      auto* idx = static_cast<Index*>(args[i].get());
      // The indices run first: a function among them may replace the array itself.
      ElementArg e{i, {}, Value()};
      for (auto& a : idx->args) e.indices.push_back(a->eval(c));
      Value* arr = idx->base->ref(c);
      if (arr && arr->isArray()) {
        const ArrayData& data = *arr->asArray();
        e.value = data.items[flatIndex(data, e.indices.data(), static_cast<int>(e.indices.size()))];
        elements.push_back(std::move(e));
        s[i + 1] = Value::ref(&elements.back().value);
      } else {
        // No longer an array (or an object): read it once with the indices already taken.
        const Value holder = arr ? *arr : idx->base->eval(c);
        s[i + 1] = Index::indexValue(holder, e.indices.data(), static_cast<int>(e.indices.size()));
      }
    } else {
      s[i + 1] = args[i]->eval(c);
    }
  }
  Ctx inner{rt, s};
  execBlock(p.body, inner);
  for (ElementArg& e : elements) {
    auto* idx = static_cast<Index*>(args[e.arg].get());
    Value* arr = idx->base->ref(c);
    if (!arr || !arr->isArray()) continue;
    std::shared_ptr<ArrayData>& data = arr->asArray();
    // The procedure may have resized the array: an element that is gone takes nothing.
    std::size_t at = 0;
    try {
      at = flatIndex(*data, e.indices.data(), static_cast<int>(e.indices.size()));
    } catch (const ScriptError&) {
      continue;
    }
    if (data.use_count() > 1) data = std::make_shared<ArrayData>(*data);
    data->items[at] = std::move(e.value);
  }
  return std::move(s[0]);
}

Value UnresolvedCall::eval(Ctx& c) {
  if (!c.rt.engine.hasProcedure(name)) throw ScriptError(ErrorCode::ProcedureNotFound, name);
  std::vector<Value> values;
  values.reserve(args.size());
  for (auto& a : args) values.push_back(a->eval(c));
  return c.rt.engine.call(name, std::move(values));
}

Value CallBuiltin::eval(Ctx& c) {
  const int n = static_cast<int>(args.size());
  if (n < info->minArgs || (info->maxArgs >= 0 && n > info->maxArgs))
    throw ScriptError(ErrorCode::WrongArgumentCount, info->name);
  if (info->isSub && !asStatement) [[unlikely]]
    throw ScriptError(ErrorCode::TypeMismatch, info->name);
  ArgBuffer buf(args.size());
  Value* v = buf.data();
  for (int i = 0; i < n; ++i) {
    v[i] = args[i]->eval(c);
    if (info->takesDefault && v[i].isObject()) [[unlikely]]
      if (HostObject* obj = v[i].asObject().get(); obj && obj->defaultMember() >= 0)
        v[i] = plain(v[i]);
  }
  Args a(v, n);
  CallContext ctx{c.rt.engine, c.rt.host};
  try {
    return info->fn(ctx, a);
  } catch (const ScriptError&) {
    throw;
  } catch (...) {
    throw translateException(std::current_exception());
  }
}

Value HostCall::eval(Ctx& c) {
  // The holder keeps the object alive while its method runs.
  Value holder = object ? object->eval(c) : Value(c.rt.globalObject);
  return call(c, objectOf(holder));
}

Value HostCall::call(Ctx& c, HostObject* obj) {
  const int id = lookup(obj, name, cacheKey, cachedId);
  ArgBuffer buf(args.size());
  Value* v = buf.data();
  const int n = static_cast<int>(args.size());
  for (int i = 0; i < n; ++i) v[i] = args[i]->eval(c);
  Args a(v, n);
  Value r = invokeHost(obj, id, a);
  for (int i = 0; i < n; ++i) {
    if (a.written(i) && argIsVar[static_cast<std::size_t>(i)])
      if (Value* target = args[i]->ref(c)) *target = std::move(v[i]);
  }
  return r;
}

Value Index::eval(Ctx& c) {
  // The indices are evaluated before the array is looked at: a function among them may
  // assign the variable, which frees the storage a reference taken earlier points into.
  if (args.size() == 1) {
    Value iv = args[0]->eval(c);
    Value* p = base->ref(c);
    if (p && p->isArray()) {
      const ArrayData& a = *p->asArray();
      return a.items[index1(a, iv)];
    }
    Value holder = p ? *p : base->eval(c);
    return indexValue(holder, &iv, 1);
  }
  ArgBuffer buf(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) buf.data()[i] = args[i]->eval(c);
  Value* p = base->ref(c);
  Value holder = p ? *p : base->eval(c);
  return indexValue(holder, buf.data(), buf.size());
}

Value Index::indexValue(const Value& holder, Value* idx, int n) {
  if (holder.isArray()) {
    const ArrayData& a = *holder.asArray();
    return a.items[flatIndex(a, idx, n)];
  }
  if (holder.isObject()) {
    HostObject* obj = objectOf(holder);
    const int id = obj->defaultMember();
    if (id < 0) throw ScriptError(ErrorCode::NotSupported);
    Args a(idx, n);
    return invokeHost(obj, id, a);
  }
  throw ScriptError(ErrorCode::TypeMismatch);
}

Flow AssignVar::exec(Ctx& c) {
  Value v = rhs->eval(c);
  if (v.isObject() || isSet) v = assignedValue(std::move(v), isSet);
  *target->ref(c) = std::move(v);
  return Flow::Normal;
}

Flow AppendVar::exec(Ctx& c) {
  Value* t = localSlot >= 0 ? &c.vars[localSlot].deref() : target->ref(c);
  if (t->isString()) {
    // A line built up from "" grows by small pieces: room for a short line at once saves
    // the first few reallocations.
    if (t->asString().isEmpty()) t->asString().reserve(32);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (literalText[i]) {
        appendChars(t->asString(), literalText[i]->constData(), literalText[i]->size());
        continue;
      }
      Value v = pieces[i]->eval(c);
      if (v.isObject()) v = plain(v);
      if (v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
      appendText(t->asString(), v);
    }
    return Flow::Normal;
  }
  // Not text yet (Empty, a number, Null): the ordinary `&` rules.
  Value acc = *t;
  if (acc.isObject()) acc = plain(acc);
  for (auto& p : pieces) {
    Value v = p->eval(c);
    if (v.isObject()) v = plain(v);
    if (acc.isArray() || v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
    acc = ops::concat(acc, v);
  }
  *(localSlot >= 0 ? &c.vars[localSlot].deref() : target->ref(c)) = std::move(acc);
  return Flow::Normal;
}

Flow AssignIndex::exec(Ctx& c) {
  Value* p = base->ref(c);
  if (!p) throw ScriptError(ErrorCode::IllegalAssignment);
  ArgBuffer buf(indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) buf.data()[i] = indices[i]->eval(c);
  Value v = rhs->eval(c);
  return store(base->ref(c), buf.data(), buf.size(), v, isSet);
}

Flow AssignIndex::store(Value* p, Value* idx, int n, Value& v, bool isSet) {
  if (p->isArray()) {
    v = assignedValue(std::move(v), isSet);
    std::shared_ptr<ArrayData>& arr = p->asArray();
    if (arr.use_count() > 1) arr = std::make_shared<ArrayData>(*arr);
    const std::size_t at = n == 1 ? index1(*arr, idx[0]) : flatIndex(*arr, idx, n);
    arr->items[at] = std::move(v);
    return Flow::Normal;
  }
  if (p->isObject()) {
    Value holder = *p;
    HostObject* obj = objectOf(holder);
    const int id = obj->defaultMember();
    if (id < 0) throw ScriptError(ErrorCode::NotSupported);
    Args a(idx, n);
    try {
      obj->put(id, a, v, isSet);
    } catch (const ScriptError&) {
      throw;
    } catch (...) {
      throw translateException(std::current_exception());
    }
    return Flow::Normal;
  }
  throw ScriptError(ErrorCode::TypeMismatch);
}

Flow AssignMember::exec(Ctx& c) {
  Value holder = object ? object->eval(c) : Value(c.rt.globalObject);
  HostObject* obj = objectOf(holder);
  const int id = lookup(obj, name, cacheKey, cachedId);
  ArgBuffer buf(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) buf.data()[i] = args[i]->eval(c);
  Value v = rhs->eval(c);
  if (isSet && !v.isObject()) throw ScriptError(ErrorCode::ObjectRequired);
  if (!isSet && v.isObject() && v.asObject() && v.asObject()->defaultMember() >= 0) v = plain(v);
  Args a(buf.data(), buf.size());
  try {
    obj->put(id, a, v, isSet);
  } catch (const ScriptError&) {
    throw;
  } catch (...) {
    throw translateException(std::current_exception());
  }
  return Flow::Normal;
}

Flow IfStmt::exec(Ctx& c) {
  for (std::size_t i = 0; i < conds.size(); ++i)
    if (condition(*conds[i], c)) return execBlock(blocks[i], c);
  return execBlock(elseBlock, c);
}

Flow SelectStmt::exec(Ctx& c) {
  Value t;
  try {
    t = test->eval(c);
    if (t.isObject()) t = plain(t);
  } catch (ScriptError& e) {
    // Under On Error Resume Next the statement after the failed test is the first
    // Case's block.
    if (!c.resumeNext || e.isInterrupt()) throw;
    c.rt.setError(e);
    return execBlock(clauses.empty() ? elseBlock : clauses.front().body, c);
  }
  const bool testLiteral = test->isLiteral();
  for (Clause& clause : clauses) {
    for (Item& item : clause.items) {
      Value x = item.a->eval(c);
      if (x.isObject()) x = plain(x);
      const bool mix = testLiteral || item.a->isLiteral();
      bool hit = false;
      if (item.kind == Ast::CaseRange) {
        Value y = item.b->eval(c);
        if (y.isObject()) y = plain(y);
        const int lo = ops::compare(t, x, mix || item.b->isLiteral());
        const int hi = ops::compare(t, y, mix || item.b->isLiteral());
        hit = lo != 2 && hi != 2 && lo >= 0 && hi <= 0;
      } else {
        const int cmp = ops::compare(t, x, mix);
        hit = cmp != 2 && decide(item.kind == Ast::CaseIs ? item.op : BinOp::Eq, cmp);
      }
      if (hit) return execBlock(clause.body, c);
    }
  }
  return execBlock(elseBlock, c);
}

Flow ForStmt::exec(Ctx& c) {
  Value start = from->eval(c);
  Value end = to->eval(c);
  Value inc = step ? step->eval(c) : Value::integer(1);
  if (start.isObject()) start = plain(start);
  if (end.isObject()) end = plain(end);
  if (inc.isObject()) inc = plain(inc);
  if (start.isString()) start = Value::real(toDouble(start));
  if (end.isString() || end.isEmpty()) end = Value::real(toDouble(end));
  if (inc.isString()) inc = Value::real(toDouble(inc));
  if (start.isEmpty()) start = Value::integer(0);
  *counter(c) = start;
  // A local counter stays where it is while the loop runs.
  Value* const local = localSlot >= 0 ? &c.vars[localSlot].deref() : nullptr;
  if (end.isWhole() && inc.isWhole()) {
    const std::int64_t last = end.asInt(), st = inc.asInt();
    for (;;) {
      Value* v = local ? local : var->ref(c);
      if (!v->isWhole()) break;
      const std::int64_t cur = v->asInt();
      if (st >= 0 ? cur > last : cur < last) return Flow::Normal;
      const Flow f = execBody(body, c);
      if (f == Flow::ExitFor) return Flow::Normal;
      if (f != Flow::Normal) return f;
      c.rt.checkInterrupt();
      v = local ? local : var->ref(c);
      if (!v->isWhole()) {
        *v = ops::arithmetic(BinOp::Add, *v, inc);
        break;
      }
      // The counter steps as `i = i + step` would.
      *v = wholeResult(v->asInt() + st, wholeRank(std::max(v->type(), inc.type())));
    }
  }
  const double last = toDouble(end), st = toDouble(inc);
  for (;;) {
    Value* v = counter(c);
    const double cur = toDouble(*v);
    if (st >= 0 ? cur > last : cur < last) return Flow::Normal;
    const Flow f = execBody(body, c);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
    c.rt.checkInterrupt();
    v = counter(c);
    *v = ops::arithmetic(BinOp::Add, *v, inc);
  }
}

Flow ForEachStmt::eachElement(Ctx& c, const Value& coll) {
  objectOf(coll);
  const std::shared_ptr<HostObject>& obj = coll.asObject();
  std::unique_ptr<Enumerator> walk;
  try {
    walk = obj->enumerate(obj);
  } catch (const ScriptError&) {
    throw;
  } catch (...) {
    throw translateException(std::current_exception());
  }
  if (!walk) throw ScriptError(ErrorCode::NotCollection);
  for (;;) {
    Value item;
    try {
      if (!walk->next(item)) return Flow::Normal;
    } catch (const ScriptError&) {
      throw;
    } catch (...) {
      throw translateException(std::current_exception());
    }
    *var->ref(c) = std::move(item);
    const Flow f = execBlock(body, c);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
    c.rt.checkInterrupt();
  }
}

Flow ForEachStmt::exec(Ctx& c) {
  Value coll = collection->eval(c);
  if (coll.isObject()) return eachElement(c, coll);
  if (!coll.isArray()) throw ScriptError(ErrorCode::NotCollection);
  const std::shared_ptr<ArrayData> arr = coll.asArray();
  for (const Value& item : arr->items) {
    *var->ref(c) = item;
    const Flow f = execBlock(body, c);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
    c.rt.checkInterrupt();
  }
  return Flow::Normal;
}

// Under On Error Resume Next a failing condition at the top runs the body (the language
// resumes with its first statement) and then ends the loop; one at the bottom ends it at
// once (the next statement is the one after Loop). A condition that fails every time thus
// never keeps a loop running.
Flow DoStmt::exec(Ctx& c) {
  bool failed = false;
  for (;;) {
    if (kind == LoopKind::PreWhile && !loopCondition(*cond, c, true, failed)) return Flow::Normal;
    if (kind == LoopKind::PreUntil && loopCondition(*cond, c, false, failed)) return Flow::Normal;
    const Flow f = execBlock(body, c);
    // Exit Do inside While…Wend belongs to the Do around it.
    if (f == Flow::ExitDo && !isWhile) return Flow::Normal;
    if (f != Flow::Normal || failed) [[unlikely]]
      return f;
    c.rt.checkInterrupt();
    if (kind == LoopKind::PostWhile && !condition(*cond, c, false)) return Flow::Normal;
    if (kind == LoopKind::PostUntil && condition(*cond, c, true)) return Flow::Normal;
  }
}

Flow OnErrorStmt::exec(Ctx& c) {
  c.resumeNext = resumeNext;
  c.rt.clearError();
  return Flow::Normal;
}

Flow DimArray::exec(Ctx& c) {
  // A fixed array refuses a ReDim before its new bounds are looked at.
  if (redim) {
    const Value* current = var->ref(c);
    if (current->isArray() && current->asArray()->fixedSize)
      throw ScriptError(ErrorCode::ArrayFixed);
  }
  std::vector<int> upper;
  std::size_t total = 1;
  for (auto& d : dims) {
    Value v = d->eval(c);
    const std::int32_t u = toLong(plain(v));
    if (u < -1) throw ScriptError(ErrorCode::SubscriptOutOfRange);
    // Every extent is bounded on its own too: an empty dimension (-1) must not let
    // another one reach sizes whose arithmetic overflows.
    if (u >= kMaxArrayElements) throw ScriptError(ErrorCode::OutOfMemory);
    upper.push_back(u);
    total *= static_cast<std::size_t>(u) + 1;
    if (total > static_cast<std::size_t>(kMaxArrayElements))
      throw ScriptError(ErrorCode::OutOfMemory);
  }
  if (dims.empty()) {
    upper.push_back(-1);
    total = 0;
  }
  Value* target = var->ref(c);
  std::shared_ptr<ArrayData> old;
  if (redim && target->isArray()) {
    old = target->asArray();
    if (old->fixedSize) throw ScriptError(ErrorCode::ArrayFixed);
    // Preserve may change only the last dimension, as the language allows.
    if (preserve) {
      if (old->upper.size() != upper.size()) throw ScriptError(ErrorCode::SubscriptOutOfRange);
      for (std::size_t d = 0; d + 1 < upper.size(); ++d)
        if (old->upper[d] != upper[d]) throw ScriptError(ErrorCode::SubscriptOutOfRange);
    }
  }
  if (old && !preserve && old.use_count() == 2) {
    // Nobody else holds the array (no copy, no For Each over it): a ReDim in a loop keeps
    // its storage instead of freeing and allocating it on every pass.
    old->reuse(std::move(upper), total);
    return Flow::Normal;
  }
  auto arr = std::make_shared<ArrayData>();
  arr->countElements(total);
  arr->upper = std::move(upper);
  arr->fixedSize = !redim && !dims.empty();
  if (preserve && old) {
    // With the first index running fastest the kept elements are a prefix.
    const std::size_t n = std::min(old->items.size(), total);
    arr->items.reserve(total);
    if (old.use_count() <= 2) {
      for (std::size_t i = 0; i < n; ++i) arr->items.push_back(std::move(old->items[i]));
    } else {
      arr->items.assign(old->items.begin(), old->items.begin() + static_cast<std::ptrdiff_t>(n));
    }
  }
  arr->items.resize(total);
  old.reset();
  *target = Value(std::move(arr));
  return Flow::Normal;
}

Flow EraseArray::exec(Ctx& c) {
  Value* target = var->ref(c);
  if (!target->isArray()) throw ScriptError(ErrorCode::TypeMismatch);
  const ArrayData& old = *target->asArray();
  auto arr = std::make_shared<ArrayData>();
  arr->fixedSize = old.fixedSize;
  if (old.fixedSize) {
    arr->countElements(old.items.size());
    arr->upper = old.upper;
    arr->items.resize(old.items.size());
  } else {
    arr->upper.push_back(-1);
  }
  *target = Value(std::move(arr));
  return Flow::Normal;
}

Flow WithStmt::exec(Ctx& c) {
  Value v = object->eval(c);
  if (!v.isObject()) throw ScriptError(ErrorCode::ObjectRequired);
  *holder->ref(c) = std::move(v);
  const Flow f = execBlock(body, c);
  *holder->ref(c) = Value();
  return f;
}

}  // namespace balvix::script::nodes

namespace balvix::script {
bool Expr::evalBool(Ctx& c) {
  Value v = eval(c);
  if (v.type() == Value::Type::Boolean) return v.asBool();
  if (v.isNull()) return false;
  if (v.isObject()) v = nodes::plain(v);
  return toBool(v);
}
}  // namespace balvix::script

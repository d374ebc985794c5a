#include "script/class_object.h"

#include "script/coerce.h"
#include "script/nodes.h"
#include "script/regexp_object.h"

namespace balvix::script {

namespace {

// Instances whose last reference went while another instance was being freed: freed by
// the outermost deletion, one after another, so a long chain never recurses.
struct FreeQueue {
  std::vector<ClassObject*> items;
  bool active = false;
};
thread_local FreeQueue t_free;

std::size_t elementIndex(const ArrayData& a, const Args& args) {
  if (args.size() != static_cast<int>(a.upper.size()))
    throw ScriptError(ErrorCode::SubscriptOutOfRange);
  std::size_t flat = 0;
  for (int d = args.size() - 1; d >= 0; --d) {
    const std::int32_t i = toLong(nodes::plain(args[d]));
    if (i < 0 || i > a.upper[static_cast<std::size_t>(d)])
      throw ScriptError(ErrorCode::SubscriptOutOfRange);
    flat = flat * (static_cast<std::size_t>(a.upper[static_cast<std::size_t>(d)]) + 1) +
           static_cast<std::size_t>(i);
  }
  return flat;
}

}  // namespace

ClassObject::ClassObject(std::shared_ptr<const ClassDef> def, ClassSupport* support)
    : m_def(std::move(def)), m_support(support) {
  ++s_live;
  if (m_support) m_support->m_live.insert(this);
}

ClassObject::~ClassObject() {
  --s_live;
  if (m_support) m_support->m_live.erase(this);
}

void ClassObject::Deleter::operator()(ClassObject* p) const {
  ClassSupport* s = p->m_support;
  if (s && !s->m_dying && !p->m_terminated && p->m_def->terminate) {
    s->m_pending.push_back(p);
    s->m_rt.terminatePending = true;
    return;
  }
  t_free.items.push_back(p);
  if (t_free.active) return;
  t_free.active = true;
  while (!t_free.items.empty()) {
    ClassObject* next = t_free.items.back();
    t_free.items.pop_back();
    delete next;
  }
  t_free.active = false;
}

int ClassObject::dispatchId(const QString& name) const {
  const auto it = m_def->memberByName.constFind(foldName(name));
  if (it == m_def->memberByName.constEnd()) return -1;
  // Private members are reached only by their bare names inside the class.
  if (m_def->members[static_cast<std::size_t>(*it)].isPrivate) return -1;
  return *it;
}

Value ClassObject::run(Procedure& proc, Args& args, const Value* assigned) {
  // An instance that outlived its program (held by the host after the module was
  // unloaded) has nothing left to run its code.
  if (!m_support) throw ScriptError(ErrorCode::ObjectNotSet);
  Runtime& rt = m_support->m_rt;
  const int given = args.size() + (assigned ? 1 : 0);
  if (given != static_cast<int>(proc.byVal.size()))
    throw ScriptError(ErrorCode::WrongArgumentCount, proc.spelled);
  checkCallDepth(rt);
  rt.checkInterrupt();
  Runtime::CallFrame callFrame(rt, proc.slotCount, &proc);
  Value* s = callFrame.base();
  // By-reference parameters point at the argument values; the caller writes back those
  // that came from its variables.
  for (int i = 0; i < args.size(); ++i) {
    if (proc.byVal[static_cast<std::size_t>(i)])
      s[i + 1] = args[i];
    else
      s[i + 1] = Value::ref(&args.data()[i]);
  }
  if (assigned) s[given] = *assigned;
  s[proc.meSlot] = Value(std::static_pointer_cast<HostObject>(shared_from_this()));
  Ctx ctx{rt, s};
  execBlock(proc.body, ctx);
  for (int i = 0; i < args.size(); ++i)
    if (!proc.byVal[static_cast<std::size_t>(i)]) args.setByRef(i, Value(args[i]));
  return std::move(s[0]);
}

Value ClassObject::invoke(int dispId, Args& args) {
  if (dispId < 0 || dispId >= static_cast<int>(m_def->members.size()))
    throw ScriptError(ErrorCode::NotSupported);
  const ClassDef::Member& m = m_def->members[static_cast<std::size_t>(dispId)];
  if (m.field >= 0) {
    const Value& f = fields[static_cast<std::size_t>(m.field)];
    if (args.size() == 0) return f;
    return nodes::Index::indexValue(Value(f), args.data(), args.size());
  }
  if (m.method) return run(*m.method, args, nullptr);
  if (m.get) return run(*m.get, args, nullptr);
  throw ScriptError(ErrorCode::NotSupported, m.spelled);
}

void ClassObject::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId < 0 || dispId >= static_cast<int>(m_def->members.size()))
    throw ScriptError(ErrorCode::NotSupported);
  const ClassDef::Member& m = m_def->members[static_cast<std::size_t>(dispId)];
  if (m.field >= 0) {
    Value& f = fields[static_cast<std::size_t>(m.field)];
    if (args.size() == 0) {
      f = value;
      return;
    }
    if (!f.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
    const std::size_t at = elementIndex(*f.asArray(), args);
    std::shared_ptr<ArrayData>& arr = f.asArray();
    if (arr.use_count() > 1) arr = std::make_shared<ArrayData>(*arr);
    arr->items[at] = value;
    return;
  }
  Procedure* proc = isSet ? m.set : m.let;
  if (!proc) throw ScriptError(ErrorCode::NotSupported, m.spelled);
  run(*proc, args, &value);
}

ClassSupport::~ClassSupport() {
  m_dying = true;
  // Hold every instance still alive, then empty their fields: that breaks the cycles,
  // and no instance is freed while another's fields are being emptied.
  std::vector<std::shared_ptr<ClassObject>> alive;
  alive.reserve(m_live.size());
  for (ClassObject* p : m_live)
    if (auto sp = p->weak_from_this().lock()) alive.push_back(std::move(sp));
  for (const auto& sp : alive) {
    std::vector<Value> fields;
    fields.swap(sp->fields);
  }
  std::deque<ClassObject*> pending;
  pending.swap(m_pending);
  for (ClassObject* p : pending) delete p;
  for (ClassObject* p : m_live) p->m_support = nullptr;
  m_live.clear();
  alive.clear();
}

std::shared_ptr<ClassObject> ClassSupport::create(const std::shared_ptr<const ClassDef>& def) {
  std::shared_ptr<ClassObject> obj(new ClassObject(def, this), ClassObject::Deleter{});
  obj->fields.resize(static_cast<std::size_t>(def->fieldCount));
  for (const ClassDef::ArrayField& a : def->arrayFields) {
    std::size_t total = 1;
    for (int u : a.upper) total *= static_cast<std::size_t>(u + 1);
    auto arr = std::make_shared<ArrayData>();
    arr->countElements(total);
    arr->upper = a.upper;
    arr->fixedSize = a.fixed;
    arr->items.resize(total);
    obj->fields[static_cast<std::size_t>(a.field)] = Value(std::move(arr));
  }
  if (def->initialize) {
    try {
      Args none(nullptr, 0);
      obj->run(*def->initialize, none, nullptr);
    } catch (...) {
      // An instance that failed to initialise never becomes the module's: no Terminate.
      obj->m_terminated = true;
      throw;
    }
  }
  return obj;
}

void ClassSupport::runPending() {
  if (m_running) return;  // a Terminate releasing another instance: the loop below takes it
  m_running = true;
  while (!m_pending.empty()) {
    ClassObject* p = m_pending.front();
    m_pending.pop_front();
    p->m_terminated = true;
    std::shared_ptr<ClassObject> me(p, ClassObject::Deleter{});
    try {
      Args none(nullptr, 0);
      me->run(*p->m_def->terminate, none, nullptr);
    } catch (...) {
      // An error inside Class_Terminate has no statement to report it on.
    }
  }
  m_rt.terminatePending = false;
  m_running = false;
}

void Runtime::runTerminates() {
  if (classes)
    classes->runPending();
  else
    terminatePending = false;
}

namespace nodes {

Value NewObject::eval(Ctx& c) {
  const auto it = classes->constFind(name);
  if (it == classes->constEnd()) {
    if (isRegExpClassName(name)) return Value(createRegExp());
    throw ScriptError(ErrorCode::ClassNotDefined, spelled);
  }
  Runtime& rt = c.rt;
  if (!rt.classes) rt.classes = std::make_unique<ClassSupport>(rt);
  return Value(std::static_pointer_cast<HostObject>(rt.classes->create(*it)));
}

}  // namespace nodes

}  // namespace balvix::script

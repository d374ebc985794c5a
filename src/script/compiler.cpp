#include "script/compiler.h"

#include "script/class_object.h"
#include "script/nodes.h"
#include "script/nodes_fast.h"

namespace balvix::script {

using namespace nodes;
using compile_helpers::flattenConcat;
using compile_helpers::make;

void Compiler::fail(int line, const QString& message) const {
  throw ScriptError::syntax(line, message);
}

std::unique_ptr<Program> Compiler::compile(ParsedModule& module) {
  auto program = std::make_unique<Program>();
  m_program = program.get();
  program->optionExplicit = module.optionExplicit;
  Scope top;
  m_scope = &top;
  declareProcedures(module);
  declareClasses(module);
  collectDeclarations(module.statements, true);

  // Each text's Option Explicit holds for its own statements and procedures.
  auto explicitAt = [&module](std::size_t i) {
    bool on = module.optionExplicit;
    for (const auto& [from, flag] : module.explicitFrom)
      if (from <= i) on = flag;
    return on;
  };
  for (std::size_t i = 0; i < module.statements.size(); ++i) {
    const NodePtr& s = module.statements[i];
    if (s->kind == Ast::Procedure || s->kind == Ast::Class) continue;
    program->optionExplicit = explicitAt(i);
    StmtPtr st = compileStatement(*s);
    if (!st) continue;
    if (s->kind == Ast::Const)
      program->constInit.push_back(std::move(st));
    else
      program->topLevel.push_back(specialise(std::move(st)));
  }
  for (std::size_t i = 0; i < module.statements.size(); ++i) {
    if (module.statements[i]->kind != Ast::Procedure) continue;
    program->optionExplicit = explicitAt(i);
    compileProcedure(*module.statements[i]);
  }
  for (NewClass& c : m_newClasses) {
    program->optionExplicit = explicitAt(c.statement);
    for (auto& [proc, node] : c.procedures) compileClassProcedure(*c.def, *proc, *node);
  }
  m_newClasses.clear();
  m_scope = nullptr;
  return program;
}

Block Compiler::extend(Program& program, ParsedModule& module, const LocalNames* local) {
  m_program = &program;
  const bool explicitBefore = program.optionExplicit;
  Scope top = localScope(local);
  m_scope = &top;
  declareProcedures(module);
  declareClasses(module);
  collectDeclarations(module.statements, true);
  Block out;
  program.optionExplicit = explicitBefore || module.optionExplicit;
  for (const NodePtr& s : module.statements) {
    if (s->kind == Ast::Procedure || s->kind == Ast::Class) continue;
    if (StmtPtr st = compileStatement(*s)) out.push_back(std::move(st));
  }
  for (const NodePtr& s : module.statements)
    if (s->kind == Ast::Procedure) compileProcedure(*s);
  for (NewClass& c : m_newClasses)
    for (auto& [proc, node] : c.procedures) compileClassProcedure(*c.def, *proc, *node);
  m_newClasses.clear();
  program.optionExplicit = explicitBefore;
  m_scope = nullptr;
  return out;
}

ExprPtr Compiler::expression(Program& program, const Node& expr, const LocalNames* local) {
  m_program = &program;
  Scope top = localScope(local);
  m_scope = &top;
  ExprPtr e = compileExpr(expr);
  m_scope = nullptr;
  return e;
}

Compiler::Scope Compiler::localScope(const LocalNames* local) const {
  Scope scope;
  if (!local) return scope;
  scope.proc = local->proc;
  scope.locals = local->locals;
  scope.readonly = local->readonly;
  scope.cls = local->cls;
  scope.meSlot = local->meSlot;
  scope.frozen = true;
  return scope;
}

void Compiler::finishScope(Scope& scope) {
  for (const std::shared_ptr<LocalNames>& names : scope.executes) {
    names->proc = scope.proc;
    names->locals = scope.locals;
    names->readonly = scope.readonly;
    names->cls = scope.cls;
    names->meSlot = scope.meSlot;
  }
}

void Compiler::declareProcedures(ParsedModule& module) {
  for (const NodePtr& s : module.statements) {
    if (s->kind != Ast::Procedure) continue;
    // Of two definitions of one name the later one counts, as in the language.
    auto proc = std::make_unique<Procedure>();
    proc->name = s->name;
    proc->spelled = s->spelled;
    proc->line = s->line;
    proc->isFunction = s->flag;
    proc->isPrivate = s->flag2;
    for (const NodePtr& p : s->list) proc->byVal.push_back(p->flag);
    m_program->procedureByName.insert(proc->name, proc.get());
    m_definition[proc.get()] = s.get();
    m_program->procedures.push_back(std::move(proc));
  }
}

// Dim and Const anywhere in a block declare for the whole procedure (or module), also
// when the use comes first in the text.
void Compiler::collectDeclarations(const std::vector<NodePtr>& block, bool topLevel) {
  for (const NodePtr& s : block) {
    switch (s->kind) {
      case Ast::Dim:
      case Ast::Const:
        for (const NodePtr& item : s->list) {
          const bool ro = s->kind == Ast::Const;
          if (topLevel) {
            if (m_program->procedureByName.contains(item->name))
              fail(item->line, QStringLiteral("Имя переопределено: '%1'").arg(item->spelled));
            declareGlobal(item->name, ro);
          } else {
            declareLocal(item->name, ro);
          }
        }
        break;
      case Ast::If:
        for (const NodePtr& c : s->list) collectDeclarations(c->body, topLevel);
        collectDeclarations(s->body2, topLevel);
        break;
      case Ast::Select:
        for (const NodePtr& c : s->list) collectDeclarations(c->body, topLevel);
        collectDeclarations(s->body2, topLevel);
        break;
      case Ast::For:
      case Ast::ForEach:
      case Ast::Do:
      case Ast::With:
        collectDeclarations(s->body, topLevel);
        break;
      default:
        break;
    }
  }
}

int Compiler::declareGlobal(const QString& name, bool readonly) {
  auto it = m_program->globalByName.constFind(name);
  if (it != m_program->globalByName.constEnd()) return *it;
  const int slot = m_program->globalCount++;
  m_program->globalByName.insert(name, slot);
  if (readonly) m_globalReadonly.insert(name, true);
  return slot;
}

int Compiler::declareLocal(const QString& name, bool readonly) {
  auto it = m_scope->locals.constFind(name);
  if (it != m_scope->locals.constEnd()) return *it;
  const int slot = m_scope->proc->slotCount++;
  m_scope->locals.insert(name, slot);
  if (readonly) m_scope->readonly.insert(name, true);
  return slot;
}

int Compiler::newHiddenSlot(bool& global) {
  global = !canDeclareLocal();
  if (global) return m_program->globalCount++;
  return m_scope->proc->slotCount++;
}

Compiler::Resolved Compiler::resolve(const QString& name, const QString& spelled) {
  Resolved r;
  if (m_scope->proc) {
    auto it = m_scope->locals.constFind(name);
    if (it != m_scope->locals.constEnd()) {
      r.kind = Kind::Local;
      r.slot = *it;
      r.readonly = m_scope->readonly.value(name);
      return r;
    }
  }
  if (m_scope->cls) {
    const auto m = m_scope->cls->memberByName.constFind(name);
    if (m != m_scope->cls->memberByName.constEnd()) {
      const ClassDef::Member& member = m_scope->cls->members[static_cast<std::size_t>(*m)];
      r.kind = member.field >= 0 ? Kind::Field : Kind::ClassMember;
      r.slot = member.field >= 0 ? member.field : *m;
      return r;
    }
  }
  auto g = m_program->globalByName.constFind(name);
  // A name the module level only reads is no variable of the procedures: there a first
  // assignment makes it local, as in the language.
  if (g != m_program->globalByName.constEnd() && m_scope->proc && m_readOnlyGlobals.contains(name))
    g = m_program->globalByName.constEnd();
  if (g != m_program->globalByName.constEnd()) {
    r.kind = Kind::Global;
    r.slot = *g;
    r.readonly = m_globalReadonly.value(name);
    return r;
  }
  if (Procedure* p = m_program->procedureByName.value(name)) {
    r.kind = Kind::Proc;
    r.proc = p;
    return r;
  }
  if (name == u"err") {
    r.kind = Kind::Err;
    return r;
  }
  for (const auto& [objName, obj] : m_env.objects) {
    if (objName == name) {
      r.kind = Kind::Object;
      r.object = obj;
      return r;
    }
  }
  if (m_env.globalObject && name != u"iif" && m_env.globalObject->dispatchId(spelled) >= 0) {
    r.kind = Kind::Member;
    return r;
  }
  if (const BuiltinInfo* b =
          m_env.builtins->find(name == u"iif" ? QStringLiteral("iif") : spelled)) {
    r.kind = Kind::Builtin;
    r.builtin = b;
    return r;
  }
  return r;
}

ExprPtr Compiler::varNode(const Resolved& r) {
  if (r.kind == Kind::Local) return std::make_unique<LocalVar>(r.slot);
  if (r.kind == Kind::Field) return std::make_unique<FieldVar>(m_scope->meSlot, r.slot);
  return std::make_unique<GlobalVar>(r.slot);
}

ExprPtr Compiler::lvalue(const Node& n) {
  Resolved r = resolve(n.name, n.spelled);
  if (r.kind == Kind::Local || r.kind == Kind::Global || r.kind == Kind::Field) {
    if (r.readonly) fail(n.line, QStringLiteral("Недопустимое присваивание: '%1'").arg(n.spelled));
    return varNode(r);
  }
  if (r.kind != Kind::Unknown)
    fail(n.line, QStringLiteral("Недопустимое присваивание: '%1'").arg(n.spelled));
  if (m_program->optionExplicit) return std::make_unique<UndefinedVar>(n.spelled);
  if (canDeclareLocal()) return std::make_unique<LocalVar>(declareLocal(n.name, false));
  m_readOnlyGlobals.remove(n.name);
  return std::make_unique<GlobalVar>(declareGlobal(n.name, false));
}

void Compiler::compileProcedure(const Node& n) {
  Procedure* proc = m_program->procedureByName.value(n.name);
  if (m_definition.value(proc) != &n) return;  // an earlier definition, replaced
  Scope scope;
  scope.proc = proc;
  Scope* outer = m_scope;
  m_scope = &scope;
  if (proc->isFunction) scope.locals.insert(proc->name, 0);
  proc->slotCount = 1;
  for (const NodePtr& p : n.list) {
    if (scope.locals.contains(p->name) && p->name != proc->name)
      fail(p->line, QStringLiteral("Имя переопределено: '%1'").arg(p->spelled));
    scope.locals.insert(p->name, proc->slotCount++);
  }
  collectDeclarations(n.body, false);
  proc->body = compileBlock(n.body);
  finishScope(scope);
  m_scope = outer;
}

Block Compiler::compileBlock(const std::vector<NodePtr>& block) {
  Block out;
  for (const NodePtr& s : block)
    if (StmtPtr st = compileStatement(*s)) out.push_back(specialise(std::move(st)));
  return out;
}

StmtPtr Compiler::compileStatement(const Node& n) {
  switch (n.kind) {
    case Ast::Assign:
      return compileAssign(n);
    case Ast::CallStmt:
      return compileCallStatement(n);
    case Ast::Dim:
    case Ast::ReDim:
      return compileDim(n);
    case Ast::Const: {
      if (n.list.size() == 1) {
        const Node& item = *n.list[0];
        auto st = make<AssignVar>(n.line);
        Resolved r = resolve(item.name, item.spelled);
        st->target = varNode(r);
        st->rhs = compileExpr(*item.a);
        return st;
      }
      auto st = make<IfStmt>(n.line);
      for (const NodePtr& item : n.list) {
        auto a = make<AssignVar>(item->line);
        a->target = varNode(resolve(item->name, item->spelled));
        a->rhs = compileExpr(*item->a);
        st->elseBlock.push_back(std::move(a));
      }
      return st;
    }
    case Ast::If: {
      auto st = make<IfStmt>(n.line);
      for (const NodePtr& c : n.list) {
        st->conds.push_back(compileExpr(*c->a));
        st->blocks.push_back(compileBlock(c->body));
      }
      st->elseBlock = compileBlock(n.body2);
      return st;
    }
    case Ast::Select:
      return compileSelect(n);
    case Ast::Erase: {
      Block parts;
      for (const NodePtr& item : n.list) {
        auto st = make<EraseArray>(item->line);
        st->var = lvalue(*item);
        parts.push_back(std::move(st));
      }
      if (parts.size() == 1) return std::move(parts[0]);
      auto group = make<IfStmt>(n.line);
      group->elseBlock = std::move(parts);
      return group;
    }
    case Ast::For: {
      auto st = make<ForStmt>(n.line);
      Node name(Ast::Name, n.line);
      name.name = n.name;
      name.spelled = n.spelled;
      st->var = lvalue(name);
      st->from = compileExpr(*n.b);
      st->to = compileExpr(*n.c);
      if (n.d) st->step = compileExpr(*n.d);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::ForEach: {
      auto st = make<ForEachStmt>(n.line);
      Node name(Ast::Name, n.line);
      name.name = n.name;
      name.spelled = n.spelled;
      st->var = lvalue(name);
      st->collection = compileExpr(*n.b);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::Do: {
      auto st = make<DoStmt>(n.line);
      st->kind = static_cast<LoopKind>(n.op);
      st->isWhile = n.flag;
      if (n.a) st->cond = compileExpr(*n.a);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::Exit: {
      const auto kind = static_cast<ExitKind>(n.op);
      const Flow f = kind == ExitKind::For  ? Flow::ExitFor
                     : kind == ExitKind::Do ? Flow::ExitDo
                                            : Flow::ExitProc;
      auto st = std::make_unique<ExitStmt>(f);
      st->line = n.line;
      return st;
    }
    case Ast::OnError: {
      auto st = make<OnErrorStmt>(n.line);
      st->resumeNext = n.flag;
      return st;
    }
    case Ast::With: {
      auto st = make<WithStmt>(n.line);
      bool global = false;
      const int slot = newHiddenSlot(global);
      auto holder = [&]() -> ExprPtr {
        if (global) return std::make_unique<GlobalVar>(slot);
        return std::make_unique<LocalVar>(slot);
      };
      st->holder = holder();
      st->object = compileExpr(*n.a);
      m_scope->withSlots.push_back({slot, global});
      st->body = compileBlock(n.body);
      m_scope->withSlots.pop_back();
      return st;
    }
    case Ast::Procedure:
      return nullptr;
    default:
      fail(n.line, QStringLiteral("Ожидается инструкция"));
  }
}

StmtPtr Compiler::compileDim(const Node& n) {
  Block parts;
  for (const NodePtr& item : n.list) {
    if (!item->flag2) continue;  // a plain Dim only declares
    auto st = make<DimArray>(item->line);
    Node name(Ast::Name, item->line);
    name.name = item->name;
    name.spelled = item->spelled;
    if (n.kind == Ast::ReDim && !canDeclareLocal())
      declareGlobal(item->name, false);
    else if (n.kind == Ast::ReDim && resolve(item->name, item->spelled).kind == Kind::Unknown)
      declareLocal(item->name, false);
    st->var = lvalue(name);
    for (const NodePtr& d : item->list) st->dims.push_back(compileExpr(*d));
    st->redim = n.kind == Ast::ReDim;
    st->preserve = n.flag;
    parts.push_back(std::move(st));
  }
  if (parts.empty()) return nullptr;
  if (parts.size() == 1) return std::move(parts[0]);
  auto group = make<IfStmt>(n.line);
  group->elseBlock = std::move(parts);
  return group;
}

StmtPtr Compiler::compileSelect(const Node& n) {
  auto st = make<SelectStmt>(n.line);
  st->test = compileExpr(*n.a);
  for (const NodePtr& c : n.list) {
    SelectStmt::Clause clause;
    for (const NodePtr& item : c->list) {
      SelectStmt::Item it;
      it.kind = item->kind;
      it.op = static_cast<BinOp>(item->op);
      it.a = compileExpr(*item->a);
      if (item->b) it.b = compileExpr(*item->b);
      clause.items.push_back(std::move(it));
    }
    clause.body = compileBlock(c->body);
    st->clauses.push_back(std::move(clause));
  }
  st->elseBlock = compileBlock(n.body2);
  return st;
}

bool Compiler::safeAppendPiece(const Node& n, const QString& target) {
  switch (n.kind) {
    case Ast::Literal:
      return true;
    case Ast::Name: {
      if (n.name == target) return false;
      const Kind k = resolve(n.name, n.spelled).kind;
      return k == Kind::Local || k == Kind::Global || k == Kind::Field ||
             (k == Kind::Builtin && resolve(n.name, n.spelled).builtin->isConstant);
    }
    case Ast::Paren:
    case Ast::Unary:
      return safeAppendPiece(*n.a, target);
    case Ast::Binary:
      return safeAppendPiece(*n.a, target) && safeAppendPiece(*n.b, target);
    case Ast::Call: {
      if (n.a->kind != Ast::Name || n.a->name == target) return false;
      const Resolved r = resolve(n.a->name, n.a->spelled);
      if (r.kind != Kind::Builtin && r.kind != Kind::Local && r.kind != Kind::Global) return false;
      for (const NodePtr& arg : n.list)
        if (!safeAppendPiece(*arg, target)) return false;
      return true;
    }
    default:
      return false;
  }
}

StmtPtr Compiler::compileAssign(const Node& n) {
  const Node& t = *n.a;
  const bool isSet = n.flag;
  switch (t.kind) {
    case Ast::Name: {
      const Resolved r = resolve(t.name, t.spelled);
      if (r.kind == Kind::ClassMember) {
        auto st = make<AssignMember>(n.line);
        st->object = std::make_unique<LocalVar>(m_scope->meSlot);
        st->name = t.spelled;
        st->cacheKey = m_scope->cls;
        st->cachedId = r.slot;
        st->rhs = compileExpr(*n.b);
        st->isSet = isSet;
        return st;
      }
      if (r.kind == Kind::Member) {
        auto st = make<AssignMember>(n.line);
        st->name = t.spelled;
        st->rhs = compileExpr(*n.b);
        st->isSet = isSet;
        return st;
      }
      ExprPtr target = lvalue(t);
      if (!isSet && n.b->kind == Ast::Binary && n.b->op == static_cast<int>(BinOp::Concat)) {
        std::vector<const Node*> leaves;
        flattenConcat(*n.b, leaves);
        bool safe = leaves.size() > 1 && leaves[0]->kind == Ast::Name && leaves[0]->name == t.name;
        for (std::size_t i = 1; safe && i < leaves.size(); ++i)
          safe = safeAppendPiece(*leaves[i], t.name);
        if (safe) {
          auto st = make<AppendVar>(n.line);
          st->target = std::move(target);
          for (std::size_t i = 1; i < leaves.size(); ++i) {
            st->pieces.push_back(compileExpr(*leaves[i]));
            auto* lit = dynamic_cast<Literal*>(st->pieces.back().get());
            st->literalText.push_back(lit && lit->value.isString() ? &lit->value.asString()
                                                                   : nullptr);
          }
          return st;
        }
      }
      if (auto* local = dynamic_cast<LocalVar*>(target.get()); local && !isSet) {
        auto st = make<AssignLocal>(n.line);
        st->slot = local->slot;
        st->rhs = compileExpr(*n.b);
        return st;
      }
      auto st = make<AssignVar>(n.line);
      st->target = std::move(target);
      st->rhs = compileExpr(*n.b);
      st->isSet = isSet;
      return st;
    }
    case Ast::Call: {
      const Node& callee = *t.a;
      if (callee.kind == Ast::Name) {
        const Resolved r = resolve(callee.name, callee.spelled);
        if (r.kind == Kind::ClassMember) {
          auto st = make<AssignMember>(n.line);
          st->object = std::make_unique<LocalVar>(m_scope->meSlot);
          st->name = callee.spelled;
          st->cacheKey = m_scope->cls;
          st->cachedId = r.slot;
          st->args = compileArgs(t.list);
          st->rhs = compileExpr(*n.b);
          st->isSet = isSet;
          return st;
        }
        if (r.kind == Kind::Member) {
          auto st = make<AssignMember>(n.line);
          st->name = callee.spelled;
          st->args = compileArgs(t.list);
          st->rhs = compileExpr(*n.b);
          st->isSet = isSet;
          return st;
        }
        if (r.kind == Kind::Object || r.kind == Kind::Err) {
          auto st = make<AssignIndex>(n.line);
          st->base = compileName(callee);
          st->indices = compileArgs(t.list);
          st->rhs = compileExpr(*n.b);
          st->isSet = isSet;
          return st;
        }
        auto st = make<AssignIndex>(n.line);
        st->base = lvalue(callee);
        st->indices = compileArgs(t.list);
        st->rhs = compileExpr(*n.b);
        st->isSet = isSet;
        return st;
      }
      if (callee.kind == Ast::Member || callee.kind == Ast::WithDot) {
        auto st = make<AssignMember>(n.line);
        st->object = callee.kind == Ast::Member ? compileExpr(*callee.a) : withObject(callee);
        st->name = callee.spelled;
        st->args = compileArgs(t.list);
        st->rhs = compileExpr(*n.b);
        st->isSet = isSet;
        return st;
      }
      fail(n.line, QStringLiteral("Недопустимое присваивание"));
    }
    case Ast::Member:
    case Ast::WithDot: {
      auto st = make<AssignMember>(n.line);
      st->object = t.kind == Ast::Member ? compileExpr(*t.a) : withObject(t);
      st->name = t.spelled;
      st->rhs = compileExpr(*n.b);
      st->isSet = isSet;
      return st;
    }
    default:
      fail(n.line, QStringLiteral("Недопустимое присваивание"));
  }
}

namespace {

// A conversion function called as a statement: its result has no variable to go to, and
// the language refuses it (error 458) once the arguments are evaluated.
struct UnsupportedCall : Expr {
  QString name;
  std::vector<ExprPtr> args;
  Value eval(Ctx& c) override {
    for (auto& a : args) a->eval(c);
    throw ScriptError(ErrorCode::UnsupportedType, name);
  }
};

bool isConversion(const QString& folded) {
  static const char16_t* const names[] = {u"cbool", u"cbyte", u"ccur", u"cdate", u"cdbl",
                                          u"cint",  u"clng",  u"csng", u"cstr"};
  for (const char16_t* n : names)
    if (folded == QStringView(n)) return true;
  return false;
}

}  // namespace

StmtPtr Compiler::compileCallStatement(const Node& n) {
  auto st = make<ExprStmt>(n.line);
  const Node& e = *n.a;
  if (e.kind == Ast::Call && e.a->kind == Ast::Name && isConversion(e.a->name) &&
      resolve(e.a->name, e.a->spelled).kind == Kind::Builtin) {
    auto call = make<UnsupportedCall>(n.line);
    call->name = e.a->spelled;
    call->args = compileArgs(e.list);
    st->expr = std::move(call);
    return st;
  }
  if (e.kind == Ast::Name) {
    const Resolved r = resolve(e.name, e.spelled);
    if (r.kind == Kind::Unknown || r.kind == Kind::Local || r.kind == Kind::Global) {
      // A bare name as a statement is a call; an undefined one is reported when reached.
      if (r.kind == Kind::Unknown) {
        st->expr = std::make_unique<UnresolvedCall>(e.spelled);
        st->expr->line = n.line;
        return st;
      }
    }
  }
  st->expr = compileExpr(e);
  return st;
}

}  // namespace balvix::script

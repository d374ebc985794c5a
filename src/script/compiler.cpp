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
    const ast::StmtNode& s = module.statements[i];
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
    compileProcedure(static_cast<const ast::ProcedureDecl&>(*module.statements[i]));
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
  for (const ast::StmtNode& s : module.statements) {
    if (s->kind == Ast::Procedure || s->kind == Ast::Class) continue;
    if (StmtPtr st = compileStatement(*s)) out.push_back(std::move(st));
  }
  for (const ast::StmtNode& s : module.statements)
    if (s->kind == Ast::Procedure) compileProcedure(static_cast<const ast::ProcedureDecl&>(*s));
  for (NewClass& c : m_newClasses)
    for (auto& [proc, node] : c.procedures) compileClassProcedure(*c.def, *proc, *node);
  m_newClasses.clear();
  program.optionExplicit = explicitBefore;
  m_scope = nullptr;
  return out;
}

ExprPtr Compiler::expression(Program& program, const ast::Expression& expr,
                             const LocalNames* local) {
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
  if (scope.proc) scope.proc->localNames = scope.locals;
  for (const std::shared_ptr<LocalNames>& names : scope.executes) {
    names->proc = scope.proc;
    names->locals = scope.locals;
    names->readonly = scope.readonly;
    names->cls = scope.cls;
    names->meSlot = scope.meSlot;
  }
}

std::unique_ptr<Procedure> Compiler::newProcedure(const ast::ProcedureDecl& decl) {
  auto proc = std::make_unique<Procedure>();
  proc->name = decl.name;
  proc->spelled = decl.spelled;
  proc->line = decl.line;
  proc->isFunction = decl.isFunction;
  proc->isPrivate = decl.isPrivate;
  for (const ast::Param& p : decl.params) proc->byVal.push_back(p.byVal);
  return proc;
}

void Compiler::declareProcedures(ParsedModule& module) {
  for (const ast::StmtNode& s : module.statements) {
    if (s->kind != Ast::Procedure) continue;
    const auto& decl = static_cast<const ast::ProcedureDecl&>(*s);
    // Of two definitions of one name the later one counts, as in the language.
    auto proc = newProcedure(decl);
    m_program->procedureByName.insert(proc->name, proc.get());
    m_definition[proc.get()] = &decl;
    m_program->procedures.push_back(std::move(proc));
  }
}

// Dim and Const anywhere in a block declare for the whole procedure (or module), also
// when the use comes first in the text.
void Compiler::collectDeclarations(const ast::StmtList& block, bool topLevel) {
  auto declare = [&](const ast::Identifier& id, bool readonly) {
    if (topLevel) {
      if (m_program->procedureByName.contains(id.name))
        fail(id.line, QStringLiteral("Имя переопределено: '%1'").arg(id.spelled));
      declareGlobal(id.name, readonly);
    } else {
      declareLocal(id.name, readonly);
    }
  };
  for (const ast::StmtNode& s : block) {
    switch (s->kind) {
      case Ast::Dim: {
        const auto& dim = static_cast<const ast::DimStmt&>(*s);
        // ReDim declares where it runs (compileDim), not ahead.
        if (!dim.redim)
          for (const ast::DimItem& item : dim.items) declare(item.id, false);
        break;
      }
      case Ast::Const:
        for (const ast::ConstItem& item : static_cast<const ast::ConstStmt&>(*s).items)
          declare(item.id, true);
        break;
      case Ast::If: {
        const auto& st = static_cast<const ast::IfStmt&>(*s);
        for (const ast::IfClause& c : st.clauses) collectDeclarations(c.body, topLevel);
        collectDeclarations(st.elseBody, topLevel);
        break;
      }
      case Ast::Select: {
        const auto& st = static_cast<const ast::SelectStmt&>(*s);
        for (const ast::CaseClause& c : st.cases) collectDeclarations(c.body, topLevel);
        collectDeclarations(st.elseBody, topLevel);
        break;
      }
      case Ast::For:
        collectDeclarations(static_cast<const ast::ForStmt&>(*s).body, topLevel);
        break;
      case Ast::ForEach:
        collectDeclarations(static_cast<const ast::ForEachStmt&>(*s).body, topLevel);
        break;
      case Ast::Do:
        collectDeclarations(static_cast<const ast::DoStmt&>(*s).body, topLevel);
        break;
      case Ast::With:
        collectDeclarations(static_cast<const ast::WithStmt&>(*s).body, topLevel);
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

ExprPtr Compiler::lvalue(const ast::Identifier& n) {
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

void Compiler::compileProcedure(const ast::ProcedureDecl& n) {
  Procedure* proc = m_program->procedureByName.value(n.name);
  if (m_definition.value(proc) != &n) return;  // an earlier definition, replaced
  Scope scope;
  scope.proc = proc;
  Scope* outer = m_scope;
  m_scope = &scope;
  if (proc->isFunction) scope.locals.insert(proc->name, 0);
  proc->slotCount = 1;
  for (const ast::Param& p : n.params) {
    if (scope.locals.contains(p.id.name) && p.id.name != proc->name)
      fail(p.id.line, QStringLiteral("Имя переопределено: '%1'").arg(p.id.spelled));
    scope.locals.insert(p.id.name, proc->slotCount++);
  }
  collectDeclarations(n.body, false);
  proc->body = compileBlock(n.body);
  finishScope(scope);
  m_scope = outer;
}

Block Compiler::compileBlock(const ast::StmtList& block) {
  Block out;
  for (const ast::StmtNode& s : block)
    if (StmtPtr st = compileStatement(*s)) out.push_back(specialise(std::move(st)));
  return out;
}

StmtPtr Compiler::compileConst(const ast::ConstStmt& n) {
  if (n.items.size() == 1) {
    const ast::ConstItem& item = n.items[0];
    auto st = make<AssignVar>(n.line);
    Resolved r = resolve(item.id.name, item.id.spelled);
    st->target = varNode(r);
    st->rhs = compileExpr(*item.value);
    return st;
  }
  auto st = make<IfStmt>(n.line);
  for (const ast::ConstItem& item : n.items) {
    auto a = make<AssignVar>(item.id.line);
    a->target = varNode(resolve(item.id.name, item.id.spelled));
    a->rhs = compileExpr(*item.value);
    st->elseBlock.push_back(std::move(a));
  }
  return st;
}

StmtPtr Compiler::compileStatement(const ast::Statement& s) {
  switch (s.kind) {
    case Ast::Assign:
      return compileAssign(static_cast<const ast::AssignStmt&>(s));
    case Ast::CallStmt:
      return compileCallStatement(static_cast<const ast::CallStmt&>(s));
    case Ast::Dim:
      return compileDim(static_cast<const ast::DimStmt&>(s));
    case Ast::Const:
      return compileConst(static_cast<const ast::ConstStmt&>(s));
    case Ast::If: {
      const auto& n = static_cast<const ast::IfStmt&>(s);
      auto st = make<IfStmt>(n.line);
      for (const ast::IfClause& c : n.clauses) {
        st->conds.push_back(compileExpr(*c.condition));
        st->blocks.push_back(compileBlock(c.body));
      }
      st->elseBlock = compileBlock(n.elseBody);
      return st;
    }
    case Ast::Select:
      return compileSelect(static_cast<const ast::SelectStmt&>(s));
    case Ast::Erase: {
      const auto& n = static_cast<const ast::EraseStmt&>(s);
      Block parts;
      for (const ast::Identifier& array : n.arrays) {
        auto st = make<EraseArray>(array.line);
        st->var = lvalue(array);
        parts.push_back(std::move(st));
      }
      if (parts.size() == 1) return std::move(parts[0]);
      auto group = make<IfStmt>(n.line);
      group->elseBlock = std::move(parts);
      return group;
    }
    case Ast::For: {
      const auto& n = static_cast<const ast::ForStmt&>(s);
      auto st = make<ForStmt>(n.line);
      st->var = lvalue(n.variable);
      st->from = compileExpr(*n.from);
      st->to = compileExpr(*n.to);
      if (n.step) st->step = compileExpr(*n.step);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::ForEach: {
      const auto& n = static_cast<const ast::ForEachStmt&>(s);
      auto st = make<ForEachStmt>(n.line);
      st->var = lvalue(n.variable);
      st->collection = compileExpr(*n.collection);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::Do: {
      const auto& n = static_cast<const ast::DoStmt&>(s);
      auto st = make<DoStmt>(n.line);
      st->kind = n.loop;
      st->isWhile = n.isWend;
      if (n.condition) st->cond = compileExpr(*n.condition);
      st->body = compileBlock(n.body);
      return st;
    }
    case Ast::Exit: {
      const ExitKind kind = static_cast<const ast::ExitStmt&>(s).what;
      const Flow f = kind == ExitKind::For  ? Flow::ExitFor
                     : kind == ExitKind::Do ? Flow::ExitDo
                                            : Flow::ExitProc;
      auto st = std::make_unique<ExitStmt>(f);
      st->line = s.line;
      return st;
    }
    case Ast::OnError: {
      auto st = make<OnErrorStmt>(s.line);
      st->resumeNext = static_cast<const ast::OnErrorStmt&>(s).resumeNext;
      return st;
    }
    case Ast::With: {
      const auto& n = static_cast<const ast::WithStmt&>(s);
      auto st = make<WithStmt>(n.line);
      bool global = false;
      const int slot = newHiddenSlot(global);
      auto holder = [&]() -> ExprPtr {
        if (global) return std::make_unique<GlobalVar>(slot);
        return std::make_unique<LocalVar>(slot);
      };
      st->holder = holder();
      st->object = compileExpr(*n.object);
      m_scope->withSlots.push_back({slot, global});
      st->body = compileBlock(n.body);
      m_scope->withSlots.pop_back();
      return st;
    }
    case Ast::Procedure:
      return nullptr;
    default:
      fail(s.line, QStringLiteral("Ожидается инструкция"));
  }
}

StmtPtr Compiler::compileDim(const ast::DimStmt& n) {
  Block parts;
  for (const ast::DimItem& item : n.items) {
    if (!item.isArray) continue;  // a plain Dim only declares
    auto st = make<DimArray>(item.id.line);
    if (n.redim && !canDeclareLocal())
      declareGlobal(item.id.name, false);
    else if (n.redim && resolve(item.id.name, item.id.spelled).kind == Kind::Unknown)
      declareLocal(item.id.name, false);
    st->var = lvalue(item.id);
    for (const ast::ExprNode& d : item.dimensions) st->dims.push_back(compileExpr(*d));
    st->redim = n.redim;
    st->preserve = n.preserve;
    parts.push_back(std::move(st));
  }
  if (parts.empty()) return nullptr;
  if (parts.size() == 1) return std::move(parts[0]);
  auto group = make<IfStmt>(n.line);
  group->elseBlock = std::move(parts);
  return group;
}

StmtPtr Compiler::compileSelect(const ast::SelectStmt& n) {
  auto st = make<SelectStmt>(n.line);
  st->test = compileExpr(*n.test);
  for (const ast::CaseClause& c : n.cases) {
    SelectStmt::Clause clause;
    for (const ast::CaseItem& item : c.items) {
      SelectStmt::Item it;
      it.kind = item.kind;
      it.op = item.op;
      it.a = compileExpr(*item.value);
      if (item.to) it.b = compileExpr(*item.to);
      clause.items.push_back(std::move(it));
    }
    clause.body = compileBlock(c.body);
    st->clauses.push_back(std::move(clause));
  }
  st->elseBlock = compileBlock(n.elseBody);
  return st;
}

bool Compiler::safeAppendPiece(const ast::Expression& n, const QString& target) {
  switch (n.kind) {
    case Ast::Literal:
      return true;
    case Ast::Name: {
      const auto& name = static_cast<const ast::NameExpr&>(n);
      if (name.name == target) return false;
      const Resolved r = resolve(name.name, name.spelled);
      return r.kind == Kind::Local || r.kind == Kind::Global || r.kind == Kind::Field ||
             (r.kind == Kind::Builtin && r.builtin->isConstant);
    }
    case Ast::Paren:
      return safeAppendPiece(*static_cast<const ast::ParenExpr&>(n).inner, target);
    case Ast::Unary:
      return safeAppendPiece(*static_cast<const ast::UnaryExpr&>(n).operand, target);
    case Ast::Binary: {
      const auto& b = static_cast<const ast::BinaryExpr&>(n);
      return safeAppendPiece(*b.left, target) && safeAppendPiece(*b.right, target);
    }
    case Ast::Call: {
      const auto& call = static_cast<const ast::CallExpr&>(n);
      if (call.callee->kind != Ast::Name) return false;
      const auto& callee = static_cast<const ast::NameExpr&>(*call.callee);
      if (callee.name == target) return false;
      const Resolved r = resolve(callee.name, callee.spelled);
      if (r.kind != Kind::Builtin && r.kind != Kind::Local && r.kind != Kind::Global) return false;
      for (const ast::ExprNode& arg : call.args)
        if (!safeAppendPiece(*arg, target)) return false;
      return true;
    }
    default:
      return false;
  }
}

// `Name = v` or `Name(args) = v` where Name is a member of the class being compiled (set
// through Me) or of the global object.
StmtPtr Compiler::assignMember(const Resolved& r, const QString& spelled,
                               const std::vector<ast::ExprNode>& args, const ast::AssignStmt& n) {
  auto st = make<AssignMember>(n.line);
  if (r.kind == Kind::ClassMember) {
    st->object = std::make_unique<LocalVar>(m_scope->meSlot);
    st->cacheKey = m_scope->cls;
    st->cachedId = r.slot;
  }
  st->name = spelled;
  st->args = compileArgs(args);
  st->rhs = compileExpr(*n.value);
  st->isSet = n.isSet;
  return st;
}

StmtPtr Compiler::compileAssign(const ast::AssignStmt& n) {
  const ast::Expression& t = *n.target;
  const ast::Expression& value = *n.value;
  const bool isSet = n.isSet;
  switch (t.kind) {
    case Ast::Name: {
      const auto& name = static_cast<const ast::NameExpr&>(t);
      const Resolved r = resolve(name.name, name.spelled);
      if (r.kind == Kind::ClassMember || r.kind == Kind::Member)
        return assignMember(r, name.spelled, {}, n);
      ExprPtr target = lvalue({name.name, name.spelled, name.line});
      if (!isSet && value.kind == Ast::Binary &&
          static_cast<const ast::BinaryExpr&>(value).op == BinOp::Concat) {
        std::vector<const ast::Expression*> leaves;
        flattenConcat(value, leaves);
        bool safe = leaves.size() > 1 && leaves[0]->kind == Ast::Name &&
                    static_cast<const ast::NameExpr*>(leaves[0])->name == name.name;
        for (std::size_t i = 1; safe && i < leaves.size(); ++i)
          safe = safeAppendPiece(*leaves[i], name.name);
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
        st->rhs = compileExpr(value);
        return st;
      }
      auto st = make<AssignVar>(n.line);
      st->target = std::move(target);
      st->rhs = compileExpr(value);
      st->isSet = isSet;
      return st;
    }
    case Ast::Call: {
      const auto& call = static_cast<const ast::CallExpr&>(t);
      const ast::Expression& callee = *call.callee;
      if (callee.kind == Ast::Name) {
        const auto& name = static_cast<const ast::NameExpr&>(callee);
        const Resolved r = resolve(name.name, name.spelled);
        if (r.kind == Kind::ClassMember || r.kind == Kind::Member)
          return assignMember(r, name.spelled, call.args, n);
        auto st = make<AssignIndex>(n.line);
        st->base = r.kind == Kind::Object || r.kind == Kind::Err
                       ? compileName(name)
                       : lvalue({name.name, name.spelled, name.line});
        st->indices = compileArgs(call.args);
        st->rhs = compileExpr(value);
        st->isSet = isSet;
        return st;
      }
      if (callee.kind == Ast::Member || callee.kind == Ast::WithDot) {
        auto st = make<AssignMember>(n.line);
        if (callee.kind == Ast::Member) {
          const auto& member = static_cast<const ast::MemberExpr&>(callee);
          st->object = compileExpr(*member.object);
          st->name = member.spelled;
        } else {
          const auto& dot = static_cast<const ast::WithDotExpr&>(callee);
          st->object = withObject(dot);
          st->name = dot.spelled;
        }
        st->args = compileArgs(call.args);
        st->rhs = compileExpr(value);
        st->isSet = isSet;
        return st;
      }
      fail(n.line, QStringLiteral("Недопустимое присваивание"));
    }
    case Ast::Member: {
      const auto& member = static_cast<const ast::MemberExpr&>(t);
      auto st = make<AssignMember>(n.line);
      st->object = compileExpr(*member.object);
      st->name = member.spelled;
      st->rhs = compileExpr(value);
      st->isSet = isSet;
      return st;
    }
    case Ast::WithDot: {
      const auto& dot = static_cast<const ast::WithDotExpr&>(t);
      auto st = make<AssignMember>(n.line);
      st->object = withObject(dot);
      st->name = dot.spelled;
      st->rhs = compileExpr(value);
      st->isSet = isSet;
      return st;
    }
    default:
      fail(n.line, QStringLiteral("Недопустимое присваивание"));
  }
}

namespace {

// A conversion function called as a statement: its result has no variable to go to, and
// the language refuses it (error 458) once the conversion itself has succeeded; its own
// error (13, 6, ...) comes first.
struct UnsupportedCall : Expr {
  QString name;
  ExprPtr call;
  Value eval(Ctx& c) override {
    call->eval(c);
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

StmtPtr Compiler::compileCallStatement(const ast::CallStmt& n) {
  auto st = make<ExprStmt>(n.line);
  const ast::Expression& e = *n.call;
  if (e.kind == Ast::Call) {
    const auto& call = static_cast<const ast::CallExpr&>(e);
    if (call.callee->kind == Ast::Name) {
      const auto& name = static_cast<const ast::NameExpr&>(*call.callee);
      if (isConversion(name.name) && resolve(name.name, name.spelled).kind == Kind::Builtin) {
        auto unsupported = make<UnsupportedCall>(n.line);
        unsupported->name = name.spelled;
        unsupported->call = compileExpr(e);
        st->expr = std::move(unsupported);
        return st;
      }
    }
  }
  if (e.kind == Ast::Name) {
    // A bare name as a statement is a call; an undefined one is reported when reached.
    const auto& name = static_cast<const ast::NameExpr&>(e);
    if (resolve(name.name, name.spelled).kind == Kind::Unknown) {
      st->expr = std::make_unique<UnresolvedCall>(name.spelled);
      st->expr->line = n.line;
      return st;
    }
  }
  st->expr = compileExpr(e);
  if (auto* builtin = dynamic_cast<CallBuiltin*>(st->expr.get())) builtin->asStatement = true;
  return st;
}

}  // namespace balvix::script

#include "script/class_object.h"
#include "script/compiler.h"
#include "script/nodes.h"

// The classes of a module: their members declared before any code is compiled (a class
// may be used above its definition), their procedures compiled with Me and the fields in
// scope.
namespace balvix::script {

using namespace nodes;
using compile_helpers::make;

bool compile_helpers::isVariable(const Expr* e) {
  return dynamic_cast<const LocalVar*>(e) || dynamic_cast<const GlobalVar*>(e) ||
         dynamic_cast<const FieldVar*>(e);
}

void Compiler::declareClasses(ParsedModule& module) {
  for (std::size_t i = 0; i < module.statements.size(); ++i) {
    const Node& n = *module.statements[i];
    if (n.kind != Ast::Class) continue;
    if (m_program->classByName.contains(n.name) || m_program->procedureByName.contains(n.name))
      fail(n.line, QStringLiteral("Имя переопределено: '%1'").arg(n.spelled));
    auto def = std::make_shared<ClassDef>();
    def->name = n.name;
    def->spelled = n.spelled;
    def->line = n.line;
    NewClass entry{def.get(), &n, {}, i};
    declareClassMembers(*def, n, entry);
    m_program->classByName.insert(n.name, std::move(def));
    m_newClasses.push_back(std::move(entry));
  }
}

namespace {

// The upper bound of a field declared as an array: a whole-number constant.
int fieldBound(const Node& d) {
  const bool number = d.kind == Ast::Literal && d.value.isNumber();
  double v = 0;
  if (number) v = toDouble(d.value);
  if (!number || v != static_cast<double>(static_cast<std::int64_t>(v)) || v < 0 ||
      v >= kMaxArrayElements)
    throw ScriptError::syntax(d.line, QStringLiteral("Ожидается целая константа"));
  return static_cast<int>(v);
}

}  // namespace

void Compiler::declareClassMembers(ClassDef& def, const Node& n, NewClass& out) {
  auto redefined = [this](const Node& at, const QString& spelled) {
    fail(at.line, QStringLiteral("Имя переопределено: '%1'").arg(spelled));
  };
  for (const NodePtr& m : n.list) {
    if (m->kind == Ast::Dim) {
      for (const NodePtr& item : m->list) {
        if (def.memberByName.contains(item->name)) redefined(*item, item->spelled);
        ClassDef::Member member;
        member.spelled = item->spelled;
        member.isPrivate = m->flag2;
        member.field = def.fieldCount++;
        if (item->flag2) {
          std::vector<int> upper;
          for (const NodePtr& d : item->list) upper.push_back(fieldBound(*d));
          std::size_t total = 1;
          for (int u : upper) {
            total *= static_cast<std::size_t>(u) + 1;
            if (total > static_cast<std::size_t>(kMaxArrayElements))
              fail(item->line, ScriptError::standardDescription(ErrorCode::OutOfMemory));
          }
          const bool fixed = !upper.empty();
          if (!fixed) upper.push_back(-1);
          def.arrayFields.push_back({member.field, std::move(upper), fixed});
        }
        def.memberByName.insert(item->name, static_cast<int>(def.members.size()));
        def.members.push_back(std::move(member));
      }
      continue;
    }
    const auto kind = static_cast<ProcKind>(m->op & ~kProcDefault);
    auto proc = std::make_unique<Procedure>();
    proc->name = m->name;
    proc->spelled = m->spelled;
    proc->line = m->line;
    proc->isFunction = m->flag;
    proc->isPrivate = m->flag2;
    for (const NodePtr& p : m->list) proc->byVal.push_back(p->flag);

    int index = def.memberByName.value(m->name, -1);
    if (index < 0) {
      index = static_cast<int>(def.members.size());
      ClassDef::Member member;
      member.spelled = m->spelled;
      member.isPrivate = m->flag2;
      def.memberByName.insert(m->name, index);
      def.members.push_back(std::move(member));
    } else if (kind == ProcKind::Sub || kind == ProcKind::Function) {
      redefined(*m, m->spelled);
    }
    ClassDef::Member& member = def.members[static_cast<std::size_t>(index)];
    // A property is public when any of its accessors is.
    member.isPrivate = member.isPrivate && m->flag2;
    Procedure** slot = nullptr;
    switch (kind) {
      case ProcKind::Sub:
      case ProcKind::Function:
        slot = &member.method;
        break;
      case ProcKind::PropertyGet:
        slot = &member.get;
        break;
      case ProcKind::PropertyLet:
        slot = &member.let;
        break;
      case ProcKind::PropertySet:
        slot = &member.set;
        break;
    }
    if (member.field >= 0 || member.method || *slot) redefined(*m, m->spelled);
    *slot = proc.get();
    if (m->op & kProcDefault) {
      if (def.defaultMember >= 0 && def.defaultMember != index)
        fail(m->line, QStringLiteral("Класс может иметь только один член по умолчанию"));
      def.defaultMember = index;
    }
    const bool event = m->name == u"class_initialize" || m->name == u"class_terminate";
    if (event) {
      if (kind != ProcKind::Sub || !m->list.empty())
        fail(m->line, QStringLiteral("'%1' должна быть процедурой без параметров").arg(m->spelled));
      (m->name == u"class_initialize" ? def.initialize : def.terminate) = proc.get();
    }
    out.procedures.emplace_back(proc.get(), m.get());
    def.procedures.push_back(std::move(proc));
  }
}

void Compiler::compileClassProcedure(ClassDef& def, Procedure& proc, const Node& n) {
  Scope scope;
  scope.proc = &proc;
  scope.cls = &def;
  Scope* outer = m_scope;
  m_scope = &scope;
  if (proc.isFunction) scope.locals.insert(proc.name, 0);
  proc.slotCount = 1;
  for (const NodePtr& p : n.list) {
    if (scope.locals.contains(p->name) && p->name != proc.name)
      fail(p->line, QStringLiteral("Имя переопределено: '%1'").arg(p->spelled));
    scope.locals.insert(p->name, proc.slotCount++);
  }
  proc.meSlot = declareLocal(QStringLiteral("me"), true);
  scope.meSlot = proc.meSlot;
  collectDeclarations(n.body, false);
  proc.body = compileBlock(n.body);
  finishScope(scope);
  m_scope = outer;
}

ExprPtr Compiler::classMemberCall(int member, const QString& spelled,
                                  const std::vector<NodePtr>& args, int line) {
  ExprPtr e = compileMemberCall(std::make_unique<LocalVar>(m_scope->meSlot), spelled, args, line);
  // Me is always of this class: the member is bound now, private ones included.
  auto* call = static_cast<HostCall*>(e.get());
  call->cacheKey = m_scope->cls;
  call->cachedId = member;
  return e;
}

}  // namespace balvix::script

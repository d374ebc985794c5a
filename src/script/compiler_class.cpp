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
    if (module.statements[i]->kind != Ast::Class) continue;
    const auto& n = static_cast<const ast::ClassDecl&>(*module.statements[i]);
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
int fieldBound(const ast::Expression& d) {
  const Value* value =
      d.kind == Ast::Literal ? &static_cast<const ast::LiteralExpr&>(d).value : nullptr;
  const bool number = value && value->isNumber();
  double v = 0;
  if (number) v = toDouble(*value);
  if (!number || v != static_cast<double>(static_cast<std::int64_t>(v)) || v < 0 ||
      v >= kMaxArrayElements)
    throw ScriptError::syntax(d.line, QStringLiteral("Ожидается целая константа"));
  return static_cast<int>(v);
}

}  // namespace

void Compiler::declareClassMembers(ClassDef& def, const ast::ClassDecl& n, NewClass& out) {
  auto redefined = [this](int line, const QString& spelled) {
    fail(line, QStringLiteral("Имя переопределено: '%1'").arg(spelled));
  };
  for (const ast::StmtNode& node : n.members) {
    if (node->kind == Ast::Dim) {
      const auto& fields = static_cast<const ast::DimStmt&>(*node);
      for (const ast::DimItem& item : fields.items) {
        if (def.memberByName.contains(item.id.name)) redefined(item.id.line, item.id.spelled);
        ClassDef::Member member;
        member.spelled = item.id.spelled;
        member.isPrivate = fields.isPrivate;
        member.field = def.fieldCount++;
        if (item.isArray) {
          std::vector<int> upper;
          for (const ast::ExprNode& d : item.dimensions) upper.push_back(fieldBound(*d));
          std::size_t total = 1;
          for (int u : upper) {
            total *= static_cast<std::size_t>(u) + 1;
            if (total > static_cast<std::size_t>(kMaxArrayElements))
              fail(item.id.line, ScriptError::standardDescription(ErrorCode::OutOfMemory));
          }
          const bool fixed = !upper.empty();
          if (!fixed) upper.push_back(-1);
          def.arrayFields.push_back({member.field, std::move(upper), fixed});
        }
        def.memberByName.insert(item.id.name, static_cast<int>(def.members.size()));
        def.members.push_back(std::move(member));
      }
      continue;
    }
    const auto& m = static_cast<const ast::ProcedureDecl&>(*node);
    const ProcKind kind = m.procKind;
    auto proc = newProcedure(m);

    int index = def.memberByName.value(m.name, -1);
    if (index < 0) {
      index = static_cast<int>(def.members.size());
      ClassDef::Member member;
      member.spelled = m.spelled;
      member.isPrivate = m.isPrivate;
      def.memberByName.insert(m.name, index);
      def.members.push_back(std::move(member));
    } else if (kind == ProcKind::Sub || kind == ProcKind::Function) {
      redefined(m.line, m.spelled);
    }
    ClassDef::Member& member = def.members[static_cast<std::size_t>(index)];
    // A property is public when any of its accessors is.
    member.isPrivate = member.isPrivate && m.isPrivate;
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
    if (member.field >= 0 || member.method || *slot) redefined(m.line, m.spelled);
    *slot = proc.get();
    if (m.isDefault) {
      if (def.defaultMember >= 0 && def.defaultMember != index)
        fail(m.line, QStringLiteral("Класс может иметь только один член по умолчанию"));
      def.defaultMember = index;
    }
    const bool event = m.name == u"class_initialize" || m.name == u"class_terminate";
    if (event) {
      if (kind != ProcKind::Sub || !m.params.empty())
        fail(m.line, QStringLiteral("'%1' должна быть процедурой без параметров").arg(m.spelled));
      (m.name == u"class_initialize" ? def.initialize : def.terminate) = proc.get();
    }
    out.procedures.emplace_back(proc.get(), &m);
    def.procedures.push_back(std::move(proc));
  }
}

void Compiler::compileClassProcedure(ClassDef& def, Procedure& proc, const ast::ProcedureDecl& n) {
  Scope scope;
  scope.proc = &proc;
  scope.cls = &def;
  Scope* outer = m_scope;
  m_scope = &scope;
  if (proc.isFunction) scope.locals.insert(proc.name, 0);
  proc.slotCount = 1;
  for (const ast::Param& p : n.params) {
    if (scope.locals.contains(p.id.name) && p.id.name != proc.name)
      fail(p.id.line, QStringLiteral("Имя переопределено: '%1'").arg(p.id.spelled));
    scope.locals.insert(p.id.name, proc.slotCount++);
  }
  proc.meSlot = declareLocal(QStringLiteral("me"), true);
  scope.meSlot = proc.meSlot;
  collectDeclarations(n.body, false);
  proc.body = compileBlock(n.body);
  finishScope(scope);
  m_scope = outer;
}

ExprPtr Compiler::classMemberCall(int member, const QString& spelled,
                                  const std::vector<ast::ExprNode>& args, int line) {
  ExprPtr e = compileMemberCall(std::make_unique<LocalVar>(m_scope->meSlot), spelled, args, line);
  // Me is always of this class: the member is bound now, private ones included.
  auto* call = static_cast<HostCall*>(e.get());
  call->cacheKey = m_scope->cls;
  call->cachedId = member;
  return e;
}

}  // namespace balvix::script

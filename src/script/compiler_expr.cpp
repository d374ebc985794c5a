#include "script/class_object.h"
#include "script/compiler.h"
#include "script/nodes.h"
#include "script/nodes_fast.h"

// The expression half of the compiler: names resolved to variables, procedures,
// built-ins and host members; operators to their executable nodes.
namespace balvix::script {

using namespace nodes;
using compile_helpers::flattenConcat;
using compile_helpers::isVariable;
using compile_helpers::make;

namespace {

struct ErrRef : Expr {
  Value eval(Ctx& c) override { return Value(std::static_pointer_cast<HostObject>(c.rt.err)); }
};

}  // namespace

void compile_helpers::flattenConcat(const ast::Expression& n,
                                    std::vector<const ast::Expression*>& out) {
  const auto* b = n.kind == Ast::Binary ? static_cast<const ast::BinaryExpr*>(&n) : nullptr;
  if (b && b->op == BinOp::Concat) {
    flattenConcat(*b->left, out);
    flattenConcat(*b->right, out);
  } else {
    out.push_back(&n);
  }
}

ExprPtr Compiler::withObject(const ast::WithDotExpr& n) {
  if (m_scope->withSlots.empty())
    fail(n.line, QStringLiteral("Обращение '.%1' вне блока With").arg(n.spelled));
  const auto [slot, global] = m_scope->withSlots.back();
  if (global) return std::make_unique<GlobalVar>(slot);
  return std::make_unique<LocalVar>(slot);
}

std::vector<ExprPtr> Compiler::compileArgs(const std::vector<ast::ExprNode>& args) {
  std::vector<ExprPtr> out;
  out.reserve(args.size());
  for (const ast::ExprNode& a : args) out.push_back(compileExpr(*a));
  return out;
}

ExprPtr Compiler::compileName(const ast::NameExpr& n) {
  const Resolved r = resolve(n.name, n.spelled);
  switch (r.kind) {
    case Kind::Local:
    case Kind::Global:
    case Kind::Field:
      return varNode(r);
    case Kind::ClassMember:
      return classMemberCall(r.slot, n.spelled, {}, n.line);
    case Kind::Proc: {
      auto call = make<CallUser>(n.line);
      call->proc = r.proc;
      call->bind();
      return call;
    }
    case Kind::Err:
      return make<ErrRef>(n.line);
    case Kind::Object:
      return std::make_unique<Literal>(r.object);
    case Kind::Member: {
      auto call = make<HostCall>(n.line);
      call->name = n.spelled;
      return call;
    }
    case Kind::Builtin: {
      if (r.builtin->isConstant) return std::make_unique<Literal>(r.builtin->constant);
      auto call = make<CallBuiltin>(n.line);
      call->info = r.builtin;
      return call;
    }
    case Kind::Unknown:
      break;
  }
  if (m_program->optionExplicit) return std::make_unique<UndefinedVar>(n.spelled);
  if (canDeclareLocal()) return std::make_unique<LocalVar>(declareLocal(n.name, false));
  if (!m_program->globalByName.contains(n.name)) m_readOnlyGlobals.insert(n.name);
  return std::make_unique<GlobalVar>(declareGlobal(n.name, false));
}

ExprPtr Compiler::compileMemberCall(ExprPtr object, const QString& name,
                                    const std::vector<ast::ExprNode>& args, int line) {
  auto call = make<HostCall>(line);
  call->object = std::move(object);
  call->name = name;
  for (const ast::ExprNode& a : args) {
    ExprPtr e = compileExpr(*a);
    call->argIsVar.push_back(a->kind == Ast::Name && isVariable(e.get()));
    call->args.push_back(std::move(e));
  }
  return call;
}

ExprPtr Compiler::compileCall(const ast::Expression& target, const std::vector<ast::ExprNode>& args,
                              int line) {
  if (target.kind == Ast::Member) {
    const auto& member = static_cast<const ast::MemberExpr&>(target);
    return compileMemberCall(compileExpr(*member.object), member.spelled, args, line);
  }
  if (target.kind == Ast::WithDot) {
    const auto& dot = static_cast<const ast::WithDotExpr&>(target);
    return compileMemberCall(withObject(dot), dot.spelled, args, line);
  }
  if (target.kind == Ast::Name) {
    const auto& callee = static_cast<const ast::NameExpr&>(target);
    Resolved r = resolve(callee.name, callee.spelled);
    // Inside a function its name is the result variable, but with arguments a call.
    if (r.kind == Kind::Local && r.slot == 0 && m_scope->proc && m_scope->proc->isFunction &&
        callee.name == m_scope->proc->name) {
      r.kind = Kind::Proc;
      r.proc = m_scope->proc;
      // A member of a class calls itself through Me.
      if (m_scope->cls) {
        r.kind = Kind::ClassMember;
        r.slot = m_scope->cls->memberByName.value(callee.name);
      }
    }
    switch (r.kind) {
      case Kind::ClassMember:
        return classMemberCall(r.slot, callee.spelled, args, line);
      case Kind::Proc: {
        auto call = make<CallUser>(line);
        call->proc = r.proc;
        for (const ast::ExprNode& a : args) {
          ExprPtr e = compileExpr(*a);
          const bool isVar = a->kind == Ast::Name && isVariable(e.get());
          auto* idx = dynamic_cast<Index*>(e.get());
          const bool isElement = a->kind == Ast::Call && idx && isVariable(idx->base.get());
          call->argIsVar.push_back(isVar ? 1 : isElement ? 2 : 0);
          if (isElement) call->hasElementArgs = true;
          call->args.push_back(std::move(e));
        }
        call->bind();
        return call;
      }
      case Kind::Member:
        return compileMemberCall(nullptr, callee.spelled, args, line);
      case Kind::Builtin: {
        if (callee.name == u"iif" && args.size() == 3) {
          auto e = make<IIf>(line);
          e->cond = compileExpr(*args[0]);
          e->a = compileExpr(*args[1]);
          e->b = compileExpr(*args[2]);
          return e;
        }
        if (r.builtin->isConstant) break;
        if (m_scope->proc && args.size() == 1 &&
            (callee.name == u"execute" || callee.name == u"eval")) {
          auto run = make<ExecuteLocal>(line);
          run->isEval = callee.name == u"eval";
          run->text = compileExpr(*args[0]);
          run->names = std::make_shared<LocalNames>();
          if (m_scope->frozen) {
            *run->names = LocalNames{m_scope->proc, m_scope->locals, m_scope->readonly,
                                     m_scope->cls, m_scope->meSlot};
          } else {
            m_scope->executes.push_back(run->names);
          }
          return run;
        }
        auto call = make<CallBuiltin>(line);
        call->info = r.builtin;
        call->args = compileArgs(args);
        return call;
      }
      case Kind::Unknown:
        if (callee.name == u"iif") {
          if (args.size() != 3)
            fail(line, QStringLiteral("Неверное число аргументов: '%1'").arg(callee.spelled));
          auto e = make<IIf>(line);
          e->cond = compileExpr(*args[0]);
          e->a = compileExpr(*args[1]);
          e->b = compileExpr(*args[2]);
          return e;
        }
        {
          auto call = std::make_unique<UnresolvedCall>(callee.spelled);
          call->args = compileArgs(args);
          return call;
        }
      default:
        break;
    }
  }
  auto idx = make<Index>(line);
  idx->base = compileExpr(target);
  idx->args = compileArgs(args);
  return idx;
}

// Comparisons and arithmetic of a local with a whole-number constant get their shortcuts.
ExprPtr Compiler::compileBinary(const ast::BinaryExpr& n) {
  ExprPtr e;
  const BinOp op = n.op;
  switch (op) {
    case BinOp::Concat: {
      std::vector<const ast::Expression*> leaves;
      flattenConcat(n, leaves);
      auto c = make<Concat>(n.line);
      for (const ast::Expression* l : leaves) c->parts.push_back(compileExpr(*l));
      e = std::move(c);
      break;
    }
    case BinOp::Eq:
    case BinOp::Ne:
    case BinOp::Lt:
    case BinOp::Gt:
    case BinOp::Le:
    case BinOp::Ge: {
      auto c = make<Compare>(n.line);
      c->op = op;
      c->a = compileExpr(*n.left);
      c->b = compileExpr(*n.right);
      c->literalMix = c->a->isLiteral() || c->b->isLiteral();
      auto* local = dynamic_cast<LocalVar*>(c->a.get());
      auto* lit = dynamic_cast<Literal*>(c->b.get());
      if (local && lit &&
          (lit->value.type() == Value::Type::Integer || lit->value.type() == Value::Type::Long)) {
        auto f = make<CompareLocalConst>(n.line);
        f->slot = local->slot;
        f->range = WholeRange::of(op, lit->value.asInt());
        f->generic = std::move(c);
        e = std::move(f);
      } else {
        e = std::move(c);
      }
      break;
    }
    case BinOp::And:
    case BinOp::Or:
    case BinOp::Xor:
    case BinOp::Eqv:
    case BinOp::Imp: {
      auto l = make<Logic>(n.line);
      l->op = op;
      l->a = compileExpr(*n.left);
      l->b = compileExpr(*n.right);
      e = std::move(l);
      break;
    }
    case BinOp::Is: {
      auto s = make<IsSame>(n.line);
      s->a = compileExpr(*n.left);
      s->b = compileExpr(*n.right);
      e = std::move(s);
      break;
    }
    default: {
      auto a = make<Arith>(n.line);
      a->op = op;
      a->a = compileExpr(*n.left);
      a->b = compileExpr(*n.right);
      auto* local = dynamic_cast<LocalVar*>(a->a.get());
      auto* lit = dynamic_cast<Literal*>(a->b.get());
      if (local && lit &&
          (op == BinOp::Add || op == BinOp::Sub || op == BinOp::Mul || op == BinOp::Mod) &&
          (lit->value.type() == Value::Type::Integer || lit->value.type() == Value::Type::Long)) {
        auto f = make<ArithLocalConst>(n.line);
        f->op = op;
        f->slot = local->slot;
        f->k = lit->value.asInt();
        f->kType = lit->value.type();
        f->divisor = ConstDivisor::of(f->k);
        f->generic = std::move(a);
        e = std::move(f);
      } else {
        e = std::move(a);
      }
      break;
    }
  }
  return e;
}

ExprPtr Compiler::compileExpr(const ast::Expression& n) {
  ExprPtr e;
  switch (n.kind) {
    case Ast::Literal:
      e = std::make_unique<Literal>(static_cast<const ast::LiteralExpr&>(n).value);
      break;
    case Ast::Paren:
      return compileExpr(*static_cast<const ast::ParenExpr&>(n).inner);
    case Ast::MissingArg:
      e = std::make_unique<Missing>();
      break;
    case Ast::New: {
      const auto& created = static_cast<const ast::NewExpr&>(n);
      auto obj = make<NewObject>(n.line);
      obj->name = created.name;
      obj->spelled = created.spelled;
      obj->classes = &m_program->classByName;
      e = std::move(obj);
      break;
    }
    case Ast::Name:
      e = compileName(static_cast<const ast::NameExpr&>(n));
      break;
    case Ast::Member: {
      const auto& member = static_cast<const ast::MemberExpr&>(n);
      e = compileMemberCall(compileExpr(*member.object), member.spelled, {}, n.line);
      break;
    }
    case Ast::WithDot: {
      const auto& dot = static_cast<const ast::WithDotExpr&>(n);
      e = compileMemberCall(withObject(dot), dot.spelled, {}, n.line);
      break;
    }
    case Ast::Call: {
      const auto& call = static_cast<const ast::CallExpr&>(n);
      e = compileCall(*call.callee, call.args, n.line);
      break;
    }
    case Ast::Unary: {
      const auto& unary = static_cast<const ast::UnaryExpr&>(n);
      auto u = make<Unary>(n.line);
      u->op = unary.op;
      u->a = compileExpr(*unary.operand);
      e = std::move(u);
      break;
    }
    case Ast::Binary:
      e = compileBinary(static_cast<const ast::BinaryExpr&>(n));
      break;
    default:
      fail(n.line, QStringLiteral("Ожидается выражение"));
  }
  e->line = n.line;
  return specialise(std::move(e));
}

}  // namespace balvix::script

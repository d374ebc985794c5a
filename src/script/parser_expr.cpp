#include "script/parser.h"
#include "script/script_error.h"

// The expression half of the parser: operators by priority over unary operands,
// postfix member access and calls, primaries.
namespace balvix::script {

void Parser::parseArgs(std::vector<ast::ExprNode>& args, bool parenthesised) {
  auto isArgEnd = [&] { return parenthesised ? isOp(u")") : atStatementEnd(); };
  if (isArgEnd()) return;
  for (;;) {
    if (isOp(u",")) {
      args.push_back(ast::make<ast::MissingArgExpr>(peek().line));
    } else {
      args.push_back(parseExpression());
    }
    if (!acceptOp(u",")) break;
    if (isArgEnd()) args.push_back(ast::make<ast::MissingArgExpr>(peek().line));
  }
}

namespace {

// Operator priorities, lowest first. Not stands between And and the comparisons; unary
// minus binds tighter than "^" in this language (-2 ^ 2 is 4).
enum Priority {
  kPrioImp = 1,
  kPrioEqv,
  kPrioXor,
  kPrioOr,
  kPrioAnd,
  kPrioNot,
  kPrioCompare,
  kPrioConcat,
  kPrioAdditive,
  kPrioMod,
  kPrioIntDiv,
  kPrioMultiplicative,
  kPrioPower,
};

struct BinaryRule {
  int priority = 0;  // 0: the token is no binary operator
  BinOp op = BinOp::Add;
};

// The binary operator a token stands for.
BinaryRule binaryRule(const Token& t) {
  if (t.type == Tok::Ident) {
    switch (t.kw) {
      case Kw::Imp:
        return {kPrioImp, BinOp::Imp};
      case Kw::Eqv:
        return {kPrioEqv, BinOp::Eqv};
      case Kw::Xor:
        return {kPrioXor, BinOp::Xor};
      case Kw::Or:
        return {kPrioOr, BinOp::Or};
      case Kw::And:
        return {kPrioAnd, BinOp::And};
      case Kw::Is:
        return {kPrioCompare, BinOp::Is};
      case Kw::Mod:
        return {kPrioMod, BinOp::Mod};
      default:
        return {};
    }
  }
  if (t.type != Tok::Op) return {};
  static const std::pair<const char16_t*, BinaryRule> table[] = {
      {u"=", {kPrioCompare, BinOp::Eq}},         {u"<>", {kPrioCompare, BinOp::Ne}},
      {u"<", {kPrioCompare, BinOp::Lt}},         {u">", {kPrioCompare, BinOp::Gt}},
      {u"<=", {kPrioCompare, BinOp::Le}},        {u">=", {kPrioCompare, BinOp::Ge}},
      {u"&", {kPrioConcat, BinOp::Concat}},      {u"+", {kPrioAdditive, BinOp::Add}},
      {u"-", {kPrioAdditive, BinOp::Sub}},       {u"\\", {kPrioIntDiv, BinOp::IntDiv}},
      {u"*", {kPrioMultiplicative, BinOp::Mul}}, {u"/", {kPrioMultiplicative, BinOp::Div}},
      {u"^", {kPrioPower, BinOp::Pow}},
  };
  for (const auto& [text, rule] : table)
    if (t.text == QStringView(text)) return rule;
  return {};
}

}  // namespace

ast::ExprNode Parser::parseExpression() {
  return parseBinary(kPrioImp);
}

// Precedence climbing: operands bind to the operator of the higher priority; operators
// of one priority group to the left (2 ^ 3 ^ 2 is 64).
ast::ExprNode Parser::parseBinary(int minPriority) {
  Nest nest(*this);
  ast::ExprNode left = parseUnary();
  for (;;) {
    const BinaryRule rule = binaryRule(peek());
    if (rule.priority == 0 || rule.priority < minPriority) return left;
    const int line = next().line;
    auto node = ast::make<ast::BinaryExpr>(line);
    node->op = rule.op;
    node->left = std::move(left);
    node->right = parseBinary(rule.priority + 1);
    grown(*node, std::max(node->left->height, node->right->height));
    left = std::move(node);
  }
}

// unary := ("-" | "+") unary | Not comparison | postfix
ast::ExprNode Parser::parseUnary() {
  Nest nest(*this);
  if (isOp(u"-") || isOp(u"+")) {
    const bool neg = isOp(u"-");
    auto node = ast::make<ast::UnaryExpr>(next().line);
    node->op = neg ? UnOp::Neg : UnOp::Plus;
    node->operand = parseUnary();
    grown(*node, node->operand->height);
    return node;
  }
  if (isKw(Kw::Not)) {
    auto node = ast::make<ast::UnaryExpr>(next().line);
    node->op = UnOp::Not;
    node->operand = parseBinary(kPrioCompare);
    grown(*node, node->operand->height);
    return node;
  }
  return parsePostfix(false);
}

namespace {

ast::ExprNode unwrappedCallee(ast::ExprNode node) {
  const ast::Expression* inner = node.get();
  while (inner->kind == Ast::Paren) inner = static_cast<const ast::ParenExpr&>(*inner).inner.get();
  if (inner->kind != Ast::Name && inner->kind != Ast::Member) return node;
  while (node->kind == Ast::Paren) node = std::move(static_cast<ast::ParenExpr&>(*node).inner);
  return node;
}

}  // namespace

// postfix := primary { "." name | "(" args ")" }
ast::ExprNode Parser::parsePostfix(bool statementHead) {
  ast::ExprNode node = parsePrimary();
  bool first = true;
  for (;;) {
    if (isOp(u".") && !peek().spaceBefore) {
      const int line = next().line;
      const Token& t = peek();
      if (t.type != Tok::Ident) fail(QStringLiteral("Ожидается имя свойства или метода"));
      next();
      auto m = ast::make<ast::MemberExpr>(line);
      m->object = std::move(node);
      m->name = t.folded.isEmpty() ? t.text.toCaseFolded() : t.folded;
      m->spelled = t.text;
      grown(*m, m->object->height);
      node = std::move(m);
    } else if (isOp(u"(") && (!statementHead || !first || !peek().spaceBefore)) {
      // "(f)(x)" calls f: parentheses around a bare callee only group it.
      if (first) node = unwrappedCallee(std::move(node));
      const int line = next().line;
      auto call = ast::make<ast::CallExpr>(line);
      call->callee = std::move(node);
      parseArgs(call->args, true);
      expectOp(u")");
      int h = call->callee->height;
      for (const ast::ExprNode& a : call->args) h = std::max(h, a->height);
      grown(*call, h);
      node = std::move(call);
    } else {
      return node;
    }
    first = false;
  }
}

ast::ExprNode Parser::parsePrimary() {
  const Token& t = peek();
  switch (t.type) {
    case Tok::Number:
    case Tok::String:
    case Tok::Date: {
      auto n = ast::make<ast::LiteralExpr>(t.line);
      n->value = t.value;
      next();
      return n;
    }
    case Tok::Op:
      if (t.text == u"(") {
        auto n = ast::make<ast::ParenExpr>(next().line);
        n->inner = parseExpression();
        expectOp(u")");
        grown(*n, n->inner->height);
        return n;
      }
      if (t.text == u".") {
        const int line = next().line;
        const Token& m = peek();
        if (m.type != Tok::Ident) fail(QStringLiteral("Ожидается имя свойства или метода"));
        next();
        auto n = ast::make<ast::WithDotExpr>(line);
        n->name = m.folded;
        n->spelled = m.text;
        return n;
      }
      break;
    case Tok::Ident: {
      auto literal = [&](Value v) -> ast::ExprNode {
        auto n = ast::make<ast::LiteralExpr>(t.line);
        n->value = std::move(v);
        next();
        return n;
      };
      switch (t.kw) {
        case Kw::True:
          return literal(Value::boolean(true));
        case Kw::False:
          return literal(Value::boolean(false));
        case Kw::Empty:
          return literal(Value());
        case Kw::Null:
          return literal(Value::null());
        case Kw::Nothing:
          return literal(Value::nothing());
        case Kw::New: {
          auto n = ast::make<ast::NewExpr>(next().line);
          n->spelled = peek().text;
          n->name = expectName();
          return n;
        }
        default:
          break;
      }
      if (t.reserved) break;
      auto n = ast::make<ast::NameExpr>(t.line);
      n->name = t.folded;
      n->spelled = t.text;
      next();
      return n;
    }
    default:
      break;
  }
  fail(QStringLiteral("Ожидается выражение"));
}

}  // namespace balvix::script

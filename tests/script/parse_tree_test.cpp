#include <gtest/gtest.h>

#include <stdexcept>

#include "script/ast.h"
#include "script/lexer.h"
#include "script/parser.h"
#include "script/script_error.h"

// The shape of the parse tree the parser builds, and that a tree of any depth is freed
// without exhausting the stack.

using namespace balvix::script;

namespace {

ParsedModule parse(const QString& text) {
  return Parser(tokenize(text)).parseModule();
}

ast::ExprNode expression(const QString& text) {
  return Parser(tokenize(text)).parseStandaloneExpression();
}

template <class T>
const T& as(const ast::Node& n, Ast kind) {
  EXPECT_EQ(n.kind, kind);
  if (n.kind != kind) throw std::runtime_error("unexpected node kind");
  return static_cast<const T&>(n);
}

const ast::BinaryExpr& binary(const ast::Node& n, BinOp op) {
  const auto& b = as<ast::BinaryExpr>(n, Ast::Binary);
  EXPECT_EQ(b.op, op);
  return b;
}

}  // namespace

TEST(ParseTree, OperatorsBindByPriorityAndGroupToTheLeft) {
  // 1 + 2 * 3 - 4: Sub(Add(1, Mul(2, 3)), 4)
  ast::ExprNode e = expression(QStringLiteral("1 + 2 * 3 - 4"));
  const auto& sub = binary(*e, BinOp::Sub);
  const auto& add = binary(*sub.left, BinOp::Add);
  binary(*add.right, BinOp::Mul);
  EXPECT_EQ(add.height, 3);
  EXPECT_EQ(sub.height, 4);

  // Unary minus binds tighter than "^"; Not takes a whole comparison.
  ast::ExprNode pow = expression(QStringLiteral("-2 ^ 2"));
  EXPECT_EQ(as<ast::UnaryExpr>(*binary(*pow, BinOp::Pow).left, Ast::Unary).op, UnOp::Neg);
  ast::ExprNode notCmp = expression(QStringLiteral("Not a = b And c"));
  const auto& notNode = as<ast::UnaryExpr>(*binary(*notCmp, BinOp::And).left, Ast::Unary);
  EXPECT_EQ(notNode.op, UnOp::Not);
  binary(*notNode.operand, BinOp::Eq);

  // Member access and calls chain left to right; a left-out argument is its own node.
  ast::ExprNode call = expression(QStringLiteral("a.b(1, , 3).c"));
  const auto& member = as<ast::MemberExpr>(*call, Ast::Member);
  EXPECT_EQ(member.spelled, QStringLiteral("c"));
  const auto& inner = as<ast::CallExpr>(*member.object, Ast::Call);
  ASSERT_EQ(inner.args.size(), 3u);
  EXPECT_EQ(inner.args[1]->kind, Ast::MissingArg);
  EXPECT_EQ(as<ast::MemberExpr>(*inner.callee, Ast::Member).name, QStringLiteral("b"));
}

TEST(ParseTree, StatementsCarryTheirPartsByName) {
  ParsedModule m =
      parse(QStringLiteral("If x Then y = 1 Else Set z = Nothing\n"  // 1
                           "Select Case k\n"                         // 2
                           "Case 1, 2 To 5, Is >= 9\n"               // 3
                           "Case Else\n"                             // 4
                           "End Select\n"                            // 5
                           "For i = 1 To 10 Step 2 : Next\n"         // 6
                           "Do : Loop Until done\n"                  // 7
                           "While w : Wend\n"                        // 8
                           "ReDim Preserve arr(3, 4)\n"              // 9
                           "m(y)\n"));                               // 10
  ASSERT_EQ(m.statements.size(), 7u);

  const auto& ifs = as<ast::IfStmt>(*m.statements[0], Ast::If);
  ASSERT_EQ(ifs.clauses.size(), 1u);
  EXPECT_TRUE(ifs.hasElse);
  EXPECT_FALSE(as<ast::AssignStmt>(*ifs.clauses[0].body[0], Ast::Assign).isSet);
  EXPECT_TRUE(as<ast::AssignStmt>(*ifs.elseBody[0], Ast::Assign).isSet);

  const auto& sel = as<ast::SelectStmt>(*m.statements[1], Ast::Select);
  ASSERT_EQ(sel.cases.size(), 1u);
  const std::vector<ast::CaseItem>& items = sel.cases[0].items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].kind, Ast::CaseValue);
  EXPECT_EQ(items[1].kind, Ast::CaseRange);
  EXPECT_TRUE(items[1].to);
  EXPECT_EQ(items[2].kind, Ast::CaseIs);
  EXPECT_EQ(items[2].op, BinOp::Ge);
  EXPECT_TRUE(sel.hasElse);

  const auto& loop = as<ast::ForStmt>(*m.statements[2], Ast::For);
  EXPECT_EQ(loop.variable.name, QStringLiteral("i"));
  EXPECT_EQ(loop.variable.line, 6);
  EXPECT_TRUE(loop.step);

  const auto& post = as<ast::DoStmt>(*m.statements[3], Ast::Do);
  EXPECT_EQ(post.loop, LoopKind::PostUntil);
  EXPECT_FALSE(post.isWend);
  const auto& wend = as<ast::DoStmt>(*m.statements[4], Ast::Do);
  EXPECT_EQ(wend.loop, LoopKind::PreWhile);
  EXPECT_TRUE(wend.isWend);

  const auto& redim = as<ast::DimStmt>(*m.statements[5], Ast::Dim);
  EXPECT_TRUE(redim.redim);
  EXPECT_TRUE(redim.preserve);
  ASSERT_EQ(redim.items.size(), 1u);
  EXPECT_TRUE(redim.items[0].isArray);
  EXPECT_EQ(redim.items[0].dimensions.size(), 2u);

  // "m(y)" without Call: the argument is in parentheses, so passed by value.
  const auto& call = as<ast::CallStmt>(*m.statements[6], Ast::CallStmt);
  EXPECT_FALSE(call.explicitCall);
  const auto& args = as<ast::CallExpr>(*call.call, Ast::Call).args;
  ASSERT_EQ(args.size(), 1u);
  EXPECT_EQ(args[0]->kind, Ast::Paren);
}

TEST(ParseTree, DeclarationsKeepTheirMembersInTextOrder) {
  ParsedModule m =
      parse(QStringLiteral("Class C\n"
                           "  Private a, b(2)\n"
                           "  Public Default Property Get P(ByVal i)\n"
                           "  End Property\n"
                           "  Public Property Let P(i, v)\n"
                           "  End Property\n"
                           "End Class\n"
                           "Private Function F(x, ByRef y)\n"
                           "End Function\n"));
  ASSERT_EQ(m.statements.size(), 2u);
  const auto& cls = as<ast::ClassDecl>(*m.statements[0], Ast::Class);
  ASSERT_EQ(cls.members.size(), 3u);
  const auto& fields = as<ast::DimStmt>(*cls.members[0], Ast::Dim);
  EXPECT_TRUE(fields.isPrivate);
  ASSERT_EQ(fields.items.size(), 2u);
  EXPECT_FALSE(fields.items[0].isArray);
  EXPECT_TRUE(fields.items[1].isArray);
  const auto& get = as<ast::ProcedureDecl>(*cls.members[1], Ast::Procedure);
  EXPECT_EQ(get.procKind, ProcKind::PropertyGet);
  EXPECT_TRUE(get.isDefault);
  EXPECT_TRUE(get.isFunction);
  ASSERT_EQ(get.params.size(), 1u);
  EXPECT_TRUE(get.params[0].byVal);
  const auto& let = as<ast::ProcedureDecl>(*cls.members[2], Ast::Procedure);
  EXPECT_EQ(let.procKind, ProcKind::PropertyLet);
  EXPECT_FALSE(let.isDefault);
  EXPECT_FALSE(let.isFunction);

  const auto& f = as<ast::ProcedureDecl>(*m.statements[1], Ast::Procedure);
  EXPECT_TRUE(f.isPrivate);
  EXPECT_TRUE(f.isFunction);
  ASSERT_EQ(f.params.size(), 2u);
  EXPECT_FALSE(f.params[1].byVal);
  EXPECT_EQ(f.params[1].id.spelled, QStringLiteral("y"));

  // Default on a Property Let is refused on its line.
  try {
    parse(QStringLiteral("Class D\n\nPublic Default Property Let Q(v)\nEnd Property\nEnd Class\n"));
    FAIL() << "Default Property Let accepted";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.line(), 3);
  }
}

// Built by hand past any limit of the parser: a chain through every kind of link a node
// holds its children by. Freeing it recursively would overflow the stack.
TEST(ParseTree, ADeepTreeIsFreedWithoutRecursion) {
  constexpr int kDepth = 600000;
  ast::ExprNode expr = ast::make<ast::LiteralExpr>(1);
  for (int i = 0; i < kDepth; ++i) {
    switch (i % 5) {
      case 0: {
        auto b = ast::make<ast::BinaryExpr>(1);
        b->left = ast::make<ast::NameExpr>(1);
        b->right = std::move(expr);
        expr = std::move(b);
        break;
      }
      case 1: {
        auto c = ast::make<ast::CallExpr>(1);
        c->callee = ast::make<ast::NameExpr>(1);
        c->args.push_back(std::move(expr));
        expr = std::move(c);
        break;
      }
      case 2: {
        auto u = ast::make<ast::UnaryExpr>(1);
        u->operand = std::move(expr);
        expr = std::move(u);
        break;
      }
      case 3: {
        auto m = ast::make<ast::MemberExpr>(1);
        m->object = std::move(expr);
        expr = std::move(m);
        break;
      }
      default: {
        auto p = ast::make<ast::ParenExpr>(1);
        p->inner = std::move(expr);
        expr = std::move(p);
        break;
      }
    }
  }

  ast::StmtNode stmt;
  for (int i = 0; i < kDepth; ++i) {
    ast::StmtList body;
    if (stmt) body.push_back(std::move(stmt));
    switch (i % 6) {
      case 0: {
        auto s = ast::make<ast::IfStmt>(1);
        s->elseBody = std::move(body);
        stmt = std::move(s);
        break;
      }
      case 1: {
        auto s = ast::make<ast::SelectStmt>(1);
        s->cases.emplace_back();
        s->cases.back().body = std::move(body);
        stmt = std::move(s);
        break;
      }
      case 2: {
        auto s = ast::make<ast::ForStmt>(1);
        s->body = std::move(body);
        stmt = std::move(s);
        break;
      }
      case 3: {
        auto s = ast::make<ast::DoStmt>(1);
        s->body = std::move(body);
        stmt = std::move(s);
        break;
      }
      case 4: {
        auto s = ast::make<ast::WithStmt>(1);
        s->body = std::move(body);
        stmt = std::move(s);
        break;
      }
      default: {
        auto s = ast::make<ast::ProcedureDecl>(1);
        s->body = std::move(body);
        stmt = std::move(s);
        break;
      }
    }
  }
  // The expression chain hangs under the statements: a Dim's bounds.
  auto dim = ast::make<ast::DimStmt>(1);
  dim->items.emplace_back();
  dim->items.back().dimensions.push_back(std::move(expr));
  auto outer = ast::make<ast::ForEachStmt>(1);
  outer->body.push_back(std::move(stmt));
  outer->body.push_back(std::move(dim));
  ASSERT_EQ(outer->body[0]->kind, Ast::Procedure);
  // Freeing must get through without a stack overflow.
  outer.reset();
}

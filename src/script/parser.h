#pragma once

#include <QString>
#include <vector>

#include "script/ast.h"
#include "script/lexer.h"

namespace balvix::script {

// Recursive-descent parser of the module language in both keyword forms. Throws
// ScriptError (syntax) naming the line and what was expected.
class Parser {
 public:
  // How deep constructs may nest (parentheses, calls, unary operators, blocks) and how
  // tall an expression tree may grow (a chain of 50,000 "+"), so that parsing, compiling
  // and running never exhaust the C++ stack.
  static constexpr int kMaxNesting = 200;
  static constexpr int kMaxHeight = 1000;

  explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}
  ParsedModule parseModule();
  // One expression filling the whole text (Eval).
  ast::ExprNode parseStandaloneExpression();

 private:
  using Terminator = bool (Parser::*)() const;

  const Token& peek(int ahead = 0) const;
  const Token& next();
  bool isKw(Kw kw, int ahead = 0) const;
  bool isOp(const char16_t* op, int ahead = 0) const;
  bool acceptKw(Kw kw);
  bool acceptOp(const char16_t* op);
  bool atStatementEnd() const;
  void expectKw(Kw kw, const QString& what);
  void expectOp(const char16_t* op);
  void endStatement();
  [[noreturn]] void fail(const QString& message) const;
  [[noreturn]] void failClose(const QString& closer, const Token& opener) const;
  QString expectName();

  // block := { statement } until the terminator holds
  ast::StmtList parseBlock(bool (Parser::*atEnd)() const, const QString& closer,
                           const Token& opener);
  bool atIfEnd() const;
  bool atEndKw() const;
  bool atNext() const;
  bool atLoop() const;
  bool atWend() const;
  bool atCase() const;

  ast::StmtNode parseStatement(bool topLevel);
  ast::Ptr<ast::ProcedureDecl> parseProcedure(bool isPrivate);
  ast::StmtNode parseClass(bool topLevel);
  ast::Ptr<ast::DimStmt> parseDim(bool redim);
  ast::StmtNode parseConst();
  ast::StmtNode parseErase();
  ast::StmtNode parseIf();
  ast::StmtNode parseSelect();
  ast::StmtNode parseFor();
  ast::StmtNode parseDo();
  ast::StmtNode parseWhile();
  ast::StmtNode parseWith();
  ast::StmtNode parseExit();
  ast::StmtNode parseOnError();
  ast::StmtNode parseAssignOrCall(bool isSet, bool explicitCall);
  ast::StmtNode finishAssign(ast::ExprNode target, bool isSet, int line);
  ast::StmtNode procedureStatement(bool isPrivate);
  ast::Identifier expectIdentifier();

  // expression := binary operators by priority (see binaryRule) over unary operands
  ast::ExprNode parseExpression();
  ast::ExprNode parseBinary(int minPriority);
  ast::ExprNode parseUnary();
  ast::ExprNode parsePostfix(bool statementHead);
  ast::ExprNode parsePrimary();
  void parseArgs(std::vector<ast::ExprNode>& args, bool parenthesised);

  // Counts one level of nesting for the life of a parse function.
  class Nest {
   public:
    explicit Nest(Parser& p) : m_p(p) {
      if (++m_p.m_nesting > kMaxNesting) m_p.fail(QStringLiteral("слишком сложное выражение"));
    }
    ~Nest() { --m_p.m_nesting; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    Parser& m_p;
  };
  // Sets the node's height to one above its tallest child; throws past the limit.
  void grown(ast::Expression& n, int childHeight) const;

  std::vector<Token> m_tokens;
  int m_nesting = 0;
  ast::StmtList m_hoisted;  // procedures defined inside blocks of the module level
  std::size_t m_pos = 0;
  int m_procedureDepth = 0;
  bool m_inClass = false;
  int m_loopFor = 0;
  int m_loopDo = 0;
  bool m_inFunction = false;
  bool m_inProperty = false;
  int m_singleLineIf = 0;
  bool m_explicit = false;
};

}  // namespace balvix::script

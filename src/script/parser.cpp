#include "script/parser.h"

#include "script/script_error.h"

namespace balvix::script {

namespace {

bool isRussian(const QString& s) {
  for (QChar c : s)
    if (c.unicode() > 127) return true;
  return false;
}

// How a closing keyword is written in the form the opening keyword was written in.
QString closerName(const QString& host, const QString& builtin, const Token& opener) {
  return isRussian(opener.text) ? builtin : host;
}

}  // namespace

void ast::NodeDeleter::operator()(Node* n) const {
  // Each node hands its children over before it is deleted, so that freeing never
  // recurses through the members.
  std::vector<Node*> pending{n};
  while (!pending.empty()) {
    Node* p = pending.back();
    pending.pop_back();
    p->releaseChildren(pending);
    delete p;
  }
}

void Parser::grown(ast::Expression& n, int childHeight) const {
  n.height = childHeight + 1;
  if (n.height > kMaxHeight)
    throw ScriptError::syntax(n.line, QStringLiteral("слишком сложное выражение"));
}

const Token& Parser::peek(int ahead) const {
  const std::size_t i = std::min(m_pos + ahead, m_tokens.size() - 1);
  return m_tokens[i];
}

const Token& Parser::next() {
  const Token& t = m_tokens[m_pos];
  if (m_pos + 1 < m_tokens.size()) ++m_pos;
  return t;
}

bool Parser::isKw(Kw kw, int ahead) const {
  const Token& t = peek(ahead);
  return t.type == Tok::Ident && t.kw == kw;
}

bool Parser::isOp(const char16_t* op, int ahead) const {
  const Token& t = peek(ahead);
  return t.type == Tok::Op && t.text == QStringView(op);
}

bool Parser::acceptKw(Kw kw) {
  if (!isKw(kw)) return false;
  next();
  return true;
}

bool Parser::acceptOp(const char16_t* op) {
  if (!isOp(op)) return false;
  next();
  return true;
}

void Parser::fail(const QString& message) const {
  throw ScriptError::syntax(peek().line, message);
}

void Parser::failClose(const QString& closer, const Token& opener) const {
  fail(QStringLiteral("Ожидается '%1' (для '%2' в строке %3)")
           .arg(closer, opener.text, QString::number(opener.line)));
}

void Parser::expectKw(Kw kw, const QString& what) {
  if (!acceptKw(kw)) fail(QStringLiteral("Ожидается '%1'").arg(what));
}

void Parser::expectOp(const char16_t* op) {
  if (!acceptOp(op)) fail(QStringLiteral("Ожидается '%1'").arg(QString::fromUtf16(op)));
}

bool Parser::atStatementEnd() const {
  const Token& t = peek();
  if (t.type == Tok::Newline || t.type == Tok::Colon || t.type == Tok::End) return true;
  if (m_singleLineIf > 0 && t.type == Tok::Ident && (t.kw == Kw::Else || t.kw == Kw::End))
    return true;
  // "x = 1 End Sub": the closer of a procedure may follow a statement on its line.
  if (m_procedureDepth > 0 && t.type == Tok::Ident && t.kw == Kw::End &&
      (isKw(Kw::Sub, 1) || isKw(Kw::Function, 1) || isKw(Kw::Property, 1)))
    return true;
  // "Public x End Class": so may the closer of a class after a member.
  if (m_inClass && m_procedureDepth == 0 && t.type == Tok::Ident && t.kw == Kw::End &&
      isKw(Kw::Class, 1))
    return true;
  return false;
}

void Parser::endStatement() {
  if (!atStatementEnd()) fail(QStringLiteral("Ожидается конец инструкции"));
}

QString Parser::expectName() {
  const Token& t = peek();
  if (t.type != Tok::Ident || t.reserved || t.text == u"?")
    fail(QStringLiteral("Ожидается идентификатор"));
  next();
  return t.folded;
}

ast::Identifier Parser::expectIdentifier() {
  ast::Identifier id;
  id.line = peek().line;
  id.spelled = peek().text;
  id.name = expectName();
  return id;
}

bool Parser::atIfEnd() const {
  return isKw(Kw::ElseIf) || isKw(Kw::Else) || atEndKw();
}
bool Parser::atEndKw() const {
  return isKw(Kw::End);
}
bool Parser::atNext() const {
  return isKw(Kw::Next);
}
bool Parser::atLoop() const {
  return isKw(Kw::Loop);
}
bool Parser::atWend() const {
  return isKw(Kw::Wend);
}
bool Parser::atCase() const {
  return isKw(Kw::Case) || isKw(Kw::End);
}

ParsedModule Parser::parseModule() {
  ParsedModule module;
  for (;;) {
    while (peek().type == Tok::Newline || peek().type == Tok::Colon) next();
    if (peek().type == Tok::End) break;
    ast::StmtNode s = parseStatement(true);
    for (ast::StmtNode& p : m_hoisted) module.statements.push_back(std::move(p));
    m_hoisted.clear();
    if (s) module.statements.push_back(std::move(s));
    endStatement();
  }
  module.optionExplicit = m_explicit;
  return module;
}

ast::ExprNode Parser::parseStandaloneExpression() {
  while (peek().type == Tok::Newline) next();
  ast::ExprNode e = parseExpression();
  while (peek().type == Tok::Newline) next();
  if (peek().type != Tok::End) fail(QStringLiteral("Ожидается конец инструкции"));
  return e;
}

ast::StmtList Parser::parseBlock(bool (Parser::*atEnd)() const, const QString& closer,
                                 const Token& opener) {
  ast::StmtList block;
  for (;;) {
    while (peek().type == Tok::Newline || peek().type == Tok::Colon) next();
    if (peek().type == Tok::End) failClose(closer, opener);
    if ((this->*atEnd)()) return block;
    // A closer of an enclosing construct means this one was never closed.
    const bool procedureHere =
        isKw(Kw::Sub) || isKw(Kw::Function) ||
        ((isKw(Kw::Private) || isKw(Kw::Public)) && (isKw(Kw::Sub, 1) || isKw(Kw::Function, 1)));
    if (isKw(Kw::End) || isKw(Kw::Next) || isKw(Kw::Loop) || isKw(Kw::Wend) || isKw(Kw::ElseIf) ||
        isKw(Kw::Else) || isKw(Kw::Case) || (procedureHere && m_procedureDepth > 0)) {
      fail(QStringLiteral("Ожидается '%1' (для '%2' в строке %3), а не '%4'")
               .arg(closer, opener.text, QString::number(opener.line), peek().text));
    }
    ast::StmtNode s = parseStatement(false);
    if (s) block.push_back(std::move(s));
    endStatement();
  }
}

ast::StmtNode Parser::parseStatement(bool topLevel) {
  Nest nest(*this);
  const Token& t = peek();
  if (t.type != Tok::Ident && !(t.type == Tok::Op && t.text == u"."))
    fail(QStringLiteral("Ожидается инструкция"));
  switch (t.type == Tok::Ident ? t.kw : Kw::None) {
    case Kw::Private:
    case Kw::Public: {
      next();
      if (isKw(Kw::Sub) || isKw(Kw::Function)) return procedureStatement(t.kw == Kw::Private);
      if (isKw(Kw::Const)) return parseConst();
      if (!topLevel) fail(QStringLiteral("Ожидается инструкция"));
      m_pos--;  // "Private x" declares like Dim
      return parseDim(false);
    }
    case Kw::Sub:
    case Kw::Function:
      return procedureStatement(false);
    case Kw::Class:
      return parseClass(topLevel);
    case Kw::Dim:
      return parseDim(false);
    case Kw::ReDim:
      return parseDim(true);
    case Kw::Const:
      return parseConst();
    case Kw::If:
      return parseIf();
    case Kw::Select:
      return parseSelect();
    case Kw::For:
      return parseFor();
    case Kw::Do:
      return parseDo();
    case Kw::While:
      return parseWhile();
    case Kw::With:
      return parseWith();
    case Kw::Exit:
      return parseExit();
    case Kw::On:
      return parseOnError();
    case Kw::Option:
      next();
      expectKw(Kw::Explicit, QStringLiteral("Explicit"));
      m_explicit = true;
      return nullptr;
    case Kw::Set:
      next();
      return parseAssignOrCall(true, false);
    case Kw::Let:
      next();
      return parseAssignOrCall(false, false);
    case Kw::Call:
      next();
      return parseAssignOrCall(false, true);
    case Kw::End:
      fail(QStringLiteral("Лишнее '%1'").arg(t.text));
    default:
      if (t.type == Tok::Ident && t.folded == u"erase" && peek(1).type == Tok::Ident &&
          !peek(1).reserved)
        return parseErase();
      if (t.type == Tok::Ident && t.folded == u"stop" &&
          (peek(1).type == Tok::Newline || peek(1).type == Tok::Colon ||
           peek(1).type == Tok::End)) {
        next();  // Stop: a breakpoint for a debugger; there is none, so it does nothing
        return nullptr;
      }
      if (t.type == Tok::Ident && t.reserved && t.kw != Kw::None)
        fail(QStringLiteral("Ожидается инструкция, а не '%1'").arg(t.text));
      return parseAssignOrCall(false, false);
  }
}

// A procedure defined inside a block of the module level (an If, a loop) is defined all
// the same, as if it stood at the module level.
ast::StmtNode Parser::procedureStatement(bool isPrivate) {
  if (m_procedureDepth > 0)
    fail(QStringLiteral("Определение процедуры допустимо только вне процедур"));
  ast::StmtNode proc = parseProcedure(isPrivate);
  if (m_nesting <= 1) return proc;
  m_hoisted.push_back(std::move(proc));
  return nullptr;
}

// procedure := [Private|Public] (Sub|Function|Property (Get|Let|Set)) name
//              [ "(" [param {"," param}] ")" ] block End (Sub|Function|Property)
ast::Ptr<ast::ProcedureDecl> Parser::parseProcedure(bool isPrivate) {
  const Token opener = next();
  ProcKind kind = opener.kw == Kw::Function ? ProcKind::Function : ProcKind::Sub;
  if (opener.kw == Kw::Property) {
    if (acceptKw(Kw::Let))
      kind = ProcKind::PropertyLet;
    else if (acceptKw(Kw::Set))
      kind = ProcKind::PropertySet;
    else if (peek().type == Tok::Ident && peek().folded == u"get")
      kind = ProcKind::PropertyGet;
    else
      fail(QStringLiteral("Ожидается 'Get', 'Let' или 'Set'"));
    if (kind == ProcKind::PropertyGet) next();
  }
  const bool isProperty = opener.kw == Kw::Property;
  const bool isFunction = kind == ProcKind::Function || kind == ProcKind::PropertyGet;
  auto proc = ast::make<ast::ProcedureDecl>(opener.line);
  proc->isFunction = isFunction;
  proc->isPrivate = isPrivate;
  proc->procKind = kind;
  proc->spelled = peek().text;
  proc->name = expectName();
  if (acceptOp(u"(")) {
    while (!isOp(u")")) {
      ast::Param p;
      const int line = peek().line;
      if (acceptKw(Kw::ByVal))
        p.byVal = true;
      else
        acceptKw(Kw::ByRef);
      p.id = expectIdentifier();
      p.id.line = line;
      if (acceptOp(u"(")) expectOp(u")");
      proc->params.push_back(std::move(p));
      if (!acceptOp(u",")) break;
    }
    expectOp(u")");
  } else {
    endStatement();
  }
  // Property Let and Set receive the assigned value as their last parameter.
  if ((kind == ProcKind::PropertyLet || kind == ProcKind::PropertySet) && proc->params.empty())
    fail(QStringLiteral("Ожидается параметр со значением свойства"));
  // After the parameter list the body may begin on the same line: "Sub s() x = 1 End Sub".
  const QString closer = isProperty   ? QStringLiteral("End Property")
                         : isFunction ? QStringLiteral("End Function")
                                      : closerName(QStringLiteral("End Sub"),
                                                   QStringLiteral("КонецПроцедуры"), opener);
  m_inFunction = isFunction && !isProperty;
  m_inProperty = isProperty;
  ++m_procedureDepth;
  proc->body = parseBlock(&Parser::atEndKw, closer, opener);
  --m_procedureDepth;
  m_inProperty = false;
  next();  // End
  const Kw closing = isProperty ? Kw::Property : isFunction ? Kw::Function : Kw::Sub;
  if (!acceptKw(closing)) failClose(closer, opener);
  return proc;
}

// class := Class name { member } End Class
// member := [Public | Private] (Dim | name) field {"," field}
//         | [Public [Default] | Private] procedure
ast::StmtNode Parser::parseClass(bool topLevel) {
  if (!topLevel || m_procedureDepth > 0)
    fail(QStringLiteral("Определение класса допустимо только на уровне модуля"));
  const Token opener = next();
  const QString closer = QStringLiteral("End Class");
  auto cls = ast::make<ast::ClassDecl>(opener.line);
  cls->spelled = peek().text;
  cls->name = expectName();
  endStatement();
  m_inClass = true;
  struct ClassScope {
    bool& flag;
    ~ClassScope() { flag = false; }
  } scope{m_inClass};
  for (;;) {
    while (peek().type == Tok::Newline || peek().type == Tok::Colon) next();
    if (peek().type == Tok::End) failClose(closer, opener);
    if (isKw(Kw::End)) {
      if (!isKw(Kw::Class, 1)) failClose(closer, opener);
      next();
      next();
      return cls;
    }
    bool isPrivate = false;
    bool isPublic = false;
    bool isDefault = false;
    if (acceptKw(Kw::Private)) {
      isPrivate = true;
    } else if (acceptKw(Kw::Public)) {
      isPublic = true;
      isDefault = acceptKw(Kw::Default);
    }
    if (isKw(Kw::Sub) || isKw(Kw::Function) || isKw(Kw::Property)) {
      ast::Ptr<ast::ProcedureDecl> proc = parseProcedure(isPrivate);
      if (isDefault) {
        if (proc->procKind == ProcKind::PropertyLet || proc->procKind == ProcKind::PropertySet)
          throw ScriptError::syntax(proc->line,
                                    QStringLiteral("Default допустимо только для Property Get, "
                                                   "Function или Sub"));
        proc->isDefault = true;
      }
      cls->members.push_back(std::move(proc));
    } else if (!isDefault && (isPrivate || isPublic || isKw(Kw::Dim))) {
      if (isPrivate || isPublic) m_pos--;  // the word stands where Dim would
      ast::Ptr<ast::DimStmt> fields = parseDim(false);
      fields->isPrivate = isPrivate;
      cls->members.push_back(std::move(fields));
    } else {
      fail(QStringLiteral("Ожидается 'End Class' или определение члена класса"));
    }
    endStatement();
  }
}

// dim := Dim item {"," item} ; item := name [ "(" [expr {"," expr}] ")" ]
ast::Ptr<ast::DimStmt> Parser::parseDim(bool redim) {
  auto dim = ast::make<ast::DimStmt>(next().line);
  dim->redim = redim;
  if (redim && acceptKw(Kw::Preserve)) dim->preserve = true;
  do {
    ast::DimItem item;
    item.id = expectIdentifier();
    if (acceptOp(u"(")) {
      item.isArray = true;
      if (!isOp(u")")) {
        do {
          item.dimensions.push_back(parseExpression());
        } while (acceptOp(u","));
      }
      expectOp(u")");
    }
    if (redim && item.dimensions.empty()) fail(QStringLiteral("Ожидаются размеры массива"));
    dim->items.push_back(std::move(item));
  } while (acceptOp(u","));
  return dim;
}

// erase := Erase name {"," name}
ast::StmtNode Parser::parseErase() {
  auto node = ast::make<ast::EraseStmt>(next().line);
  do {
    node->arrays.push_back(expectIdentifier());
  } while (acceptOp(u","));
  return node;
}

ast::StmtNode Parser::parseConst() {
  auto c = ast::make<ast::ConstStmt>(next().line);
  do {
    ast::ConstItem item;
    item.id = expectIdentifier();
    expectOp(u"=");
    item.value = parseExpression();
    c->items.push_back(std::move(item));
  } while (acceptOp(u","));
  return c;
}

// if := If expr Then (newline block {ElseIf expr Then block} [Else block] End If
//                     | statement {":" statement} [Else statement {":" statement}] [End If])
ast::StmtNode Parser::parseIf() {
  const Token opener = next();
  auto node = ast::make<ast::IfStmt>(opener.line);
  ast::IfClause clause;
  clause.condition = parseExpression();
  const QString thenWord = closerName(QStringLiteral("Then"), QStringLiteral("Тогда"), opener);
  if (!acceptKw(Kw::Then)) fail(QStringLiteral("Ожидается '%1'").arg(thenWord));
  const QString closer = closerName(QStringLiteral("End If"), QStringLiteral("КонецЕсли"), opener);

  if (peek().type != Tok::Newline) {
    // Single-line form; a trailing End If is tolerated, as stored templates have it.
    ++m_singleLineIf;
    auto lineBlock = [this](ast::StmtList& out) {
      while (peek().type == Tok::Colon) next();
      if (atStatementEnd()) return;
      for (;;) {
        ast::StmtNode s = parseStatement(false);
        if (s) out.push_back(std::move(s));
        if (peek().type == Tok::Colon) {
          next();
          if (atStatementEnd()) break;
          continue;
        }
        break;
      }
    };
    lineBlock(clause.body);
    node->clauses.push_back(std::move(clause));
    if (acceptKw(Kw::Else)) {
      node->hasElse = true;
      lineBlock(node->elseBody);
    }
    --m_singleLineIf;
    if (isKw(Kw::End) && isKw(Kw::If, 1)) {
      next();
      next();
    }
    return node;
  }

  clause.body = parseBlock(&Parser::atIfEnd, closer, opener);
  node->clauses.push_back(std::move(clause));
  for (;;) {
    if (isKw(Kw::ElseIf)) {
      next();
      ast::IfClause c;
      c.condition = parseExpression();
      if (!acceptKw(Kw::Then)) fail(QStringLiteral("Ожидается '%1'").arg(thenWord));
      c.body = parseBlock(&Parser::atIfEnd, closer, opener);
      node->clauses.push_back(std::move(c));
      continue;
    }
    if (isKw(Kw::Else)) {
      if (node->hasElse) failClose(closer, opener);
      next();
      node->hasElse = true;
      // "Else If" on one line after a block Else starts a nested If inside the Else part.
      node->elseBody = parseBlock(&Parser::atIfEnd, closer, opener);
      continue;
    }
    break;
  }
  if (!isKw(Kw::End) || !isKw(Kw::If, 1)) failClose(closer, opener);
  next();
  next();
  return node;
}

// select := Select Case expr {Case items block} [Case Else block] End Select
ast::StmtNode Parser::parseSelect() {
  const Token opener = next();
  expectKw(Kw::Case, QStringLiteral("Case"));
  auto node = ast::make<ast::SelectStmt>(opener.line);
  node->test = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("End Select");
  while (peek().type == Tok::Newline || peek().type == Tok::Colon) next();
  while (isKw(Kw::Case)) {
    next();
    if (acceptKw(Kw::Else)) {
      node->hasElse = true;
      node->elseBody = parseBlock(&Parser::atCase, closer, opener);
      if (isKw(Kw::Case)) fail(QStringLiteral("'Case Else' должен быть последним"));
      break;
    }
    ast::CaseClause clause;
    do {
      ast::CaseItem item;
      if (acceptKw(Kw::Is)) {
        item.kind = Ast::CaseIs;
        static const std::pair<const char16_t*, BinOp> ops[] = {
            {u"=", BinOp::Eq},  {u"<>", BinOp::Ne}, {u"<=", BinOp::Le},
            {u">=", BinOp::Ge}, {u"<", BinOp::Lt},  {u">", BinOp::Gt}};
        bool found = false;
        for (auto& [text, op] : ops) {
          if (acceptOp(text)) {
            item.op = op;
            found = true;
            break;
          }
        }
        if (!found) fail(QStringLiteral("Ожидается оператор сравнения"));
        item.value = parseExpression();
        clause.items.push_back(std::move(item));
        continue;
      }
      item.value = parseExpression();
      if (acceptKw(Kw::To)) {
        item.kind = Ast::CaseRange;
        item.to = parseExpression();
      }
      clause.items.push_back(std::move(item));
    } while (acceptOp(u","));
    clause.body = parseBlock(&Parser::atCase, closer, opener);
    node->cases.push_back(std::move(clause));
  }
  if (!isKw(Kw::End) || !isKw(Kw::Select, 1)) failClose(closer, opener);
  next();
  next();
  return node;
}

// for := For name "=" expr To expr [Step expr] block Next [name]
//      | For Each name In expr block Next [name]
ast::StmtNode Parser::parseFor() {
  const Token opener = next();
  const QString closer = closerName(QStringLiteral("Next"), QStringLiteral("Далее"), opener);
  ast::StmtNode node;
  ast::StmtList* body = nullptr;
  QString variable;
  if (acceptKw(Kw::Each)) {
    auto each = ast::make<ast::ForEachStmt>(opener.line);
    each->variable = expectIdentifier();
    each->variable.line = opener.line;
    expectKw(Kw::In, QStringLiteral("In"));
    each->collection = parseExpression();
    variable = each->variable.name;
    body = &each->body;
    node = std::move(each);
  } else {
    auto loop = ast::make<ast::ForStmt>(opener.line);
    loop->variable = expectIdentifier();
    loop->variable.line = opener.line;
    expectOp(u"=");
    loop->from = parseExpression();
    if (!acceptKw(Kw::To))
      fail(QStringLiteral("Ожидается '%1'")
               .arg(closerName(QStringLiteral("To"), QStringLiteral("До"), opener)));
    loop->to = parseExpression();
    if (acceptKw(Kw::Step)) loop->step = parseExpression();
    variable = loop->variable.name;
    body = &loop->body;
    node = std::move(loop);
  }
  endStatement();
  ++m_loopFor;
  *body = parseBlock(&Parser::atNext, closer, opener);
  --m_loopFor;
  next();  // Next
  if (peek().type == Tok::Ident && !peek().reserved) {
    if (peek().folded != variable)
      fail(QStringLiteral("Переменная после '%1' не совпадает с переменной цикла").arg(closer));
    next();
  }
  return node;
}

// do := Do [While|Until expr] block Loop [While|Until expr]
ast::StmtNode Parser::parseDo() {
  const Token opener = next();
  auto node = ast::make<ast::DoStmt>(opener.line);
  node->loop = LoopKind::Forever;
  if (acceptKw(Kw::While)) {
    node->loop = LoopKind::PreWhile;
    node->condition = parseExpression();
  } else if (acceptKw(Kw::Until)) {
    node->loop = LoopKind::PreUntil;
    node->condition = parseExpression();
  }
  endStatement();
  const QString closer = closerName(QStringLiteral("Loop"), QStringLiteral("Цикл"), opener);
  ++m_loopDo;
  node->body = parseBlock(&Parser::atLoop, closer, opener);
  --m_loopDo;
  next();  // Loop
  if (node->loop == LoopKind::Forever) {
    if (acceptKw(Kw::While)) {
      node->loop = LoopKind::PostWhile;
      node->condition = parseExpression();
    } else if (acceptKw(Kw::Until)) {
      node->loop = LoopKind::PostUntil;
      node->condition = parseExpression();
    }
  }
  return node;
}

// while := While expr block Wend
ast::StmtNode Parser::parseWhile() {
  const Token opener = next();
  auto node = ast::make<ast::DoStmt>(opener.line);
  node->loop = LoopKind::PreWhile;
  node->isWend = true;
  node->condition = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("Wend");
  node->body = parseBlock(&Parser::atWend, closer, opener);
  next();
  return node;
}

ast::StmtNode Parser::parseWith() {
  const Token opener = next();
  auto node = ast::make<ast::WithStmt>(opener.line);
  node->object = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("End With");
  node->body = parseBlock(&Parser::atEndKw, closer, opener);
  next();
  if (!acceptKw(Kw::With)) failClose(closer, opener);
  return node;
}

ast::StmtNode Parser::parseExit() {
  const Token t = next();
  auto node = ast::make<ast::ExitStmt>(t.line);
  const Token& what = peek();
  switch (what.kw) {
    case Kw::For:
      if (!m_loopFor) fail(QStringLiteral("'Exit For' вне цикла For"));
      node->what = ExitKind::For;
      break;
    case Kw::Do:
      if (!m_loopDo) fail(QStringLiteral("'Exit Do' вне цикла Do"));
      node->what = ExitKind::Do;
      break;
    case Kw::Sub:
      if (!m_procedureDepth || m_inFunction || m_inProperty)
        fail(QStringLiteral("'Exit Sub' вне процедуры"));
      node->what = ExitKind::Sub;
      break;
    case Kw::Function:
      if (!m_procedureDepth || !m_inFunction) fail(QStringLiteral("'Exit Function' вне функции"));
      node->what = ExitKind::Function;
      break;
    case Kw::Property:
      if (!m_inProperty) fail(QStringLiteral("'Exit Property' вне свойства"));
      node->what = ExitKind::Property;
      break;
    default:
      fail(QStringLiteral("Ожидается 'For', 'Do', 'Sub', 'Function' или 'Property'"));
  }
  next();
  return node;
}

// on_error := On Error (Resume Next | GoTo 0)
ast::StmtNode Parser::parseOnError() {
  auto node = ast::make<ast::OnErrorStmt>(next().line);
  expectKw(Kw::Error, QStringLiteral("Error"));
  if (acceptKw(Kw::Resume)) {
    expectKw(Kw::Next, QStringLiteral("Next"));
    node->resumeNext = true;
  } else if (acceptKw(Kw::GoTo)) {
    if (peek().type != Tok::Number || peek().text != u"0") fail(QStringLiteral("Ожидается '0'"));
    next();
  } else {
    fail(QStringLiteral("Ожидается 'Resume Next' или 'GoTo 0'"));
  }
  return node;
}

// assignment := target "=" expr ; call := target [args]
ast::StmtNode Parser::parseAssignOrCall(bool isSet, bool explicitCall) {
  const int line = peek().line;
  // "a (1) = 5": with a blank before the parenthesis the statement is still an
  // assignment to an element when "=" follows the closing parenthesis.
  if (!explicitCall && peek().type == Tok::Ident && isOp(u"(", 1) && peek(1).spaceBefore) {
    const std::size_t start = m_pos;
    const int nesting = m_nesting;
    try {
      ast::ExprNode target = parsePostfix(false);
      if (isOp(u"=") && target->kind == Ast::Call)
        return finishAssign(std::move(target), isSet, line);
    } catch (const ScriptError&) {
      // Not an element assignment; parsed again below as a call.
    }
    m_pos = start;
    m_nesting = nesting;
  }
  ast::ExprNode target = parsePostfix(!explicitCall);
  if (!explicitCall && isOp(u"=")) return finishAssign(std::move(target), isSet, line);
  if (isSet) fail(QStringLiteral("Ожидается '='"));
  if (target->kind != Ast::Name && target->kind != Ast::Member && target->kind != Ast::Call &&
      target->kind != Ast::WithDot)
    fail(QStringLiteral("Ожидается инструкция"));
  if (!atStatementEnd()) {
    if (target->kind == Ast::Call) fail(QStringLiteral("Ожидается конец инструкции"));
    auto call = ast::make<ast::CallExpr>(line);
    call->callee = std::move(target);
    parseArgs(call->args, false);
    target = std::move(call);
  } else if (!explicitCall && target->kind == Ast::Call) {
    // "m(y)" without Call: the parentheses belong to the argument, which is therefore
    // passed by value.
    std::vector<ast::ExprNode>& args = static_cast<ast::CallExpr&>(*target).args;
    if (args.size() == 1 && args[0]->kind != Ast::MissingArg) {
      auto paren = ast::make<ast::ParenExpr>(args[0]->line);
      paren->inner = std::move(args[0]);
      args[0] = std::move(paren);
    }
  }
  auto node = ast::make<ast::CallStmt>(line);
  node->explicitCall = explicitCall;
  node->call = std::move(target);
  return node;
}

ast::StmtNode Parser::finishAssign(ast::ExprNode target, bool isSet, int line) {
  next();  // =
  if (target->kind != Ast::Name && target->kind != Ast::Member && target->kind != Ast::Call &&
      target->kind != Ast::WithDot)
    fail(QStringLiteral("Недопустимое присваивание"));
  auto node = ast::make<ast::AssignStmt>(line);
  node->isSet = isSet;
  node->target = std::move(target);
  node->value = parseExpression();
  return node;
}

}  // namespace balvix::script

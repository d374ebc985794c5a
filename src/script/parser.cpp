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

void takeChildren(Node& n, std::vector<NodePtr>& out) {
  for (NodePtr* p : {&n.a, &n.b, &n.c, &n.d})
    if (*p) out.push_back(std::move(*p));
  for (std::vector<NodePtr>* v : {&n.list, &n.body, &n.body2}) {
    for (NodePtr& p : *v)
      if (p) out.push_back(std::move(p));
    v->clear();
  }
}

}  // namespace

Node::~Node() {
  std::vector<NodePtr> pending;
  takeChildren(*this, pending);
  while (!pending.empty()) {
    NodePtr n = std::move(pending.back());
    pending.pop_back();
    takeChildren(*n, pending);
  }
}

Node* Parser::grown(Node* n) const {
  int h = 0;
  for (const NodePtr* p : {&n->a, &n->b})
    if (*p) h = std::max(h, (*p)->height);
  for (const NodePtr& p : n->list)
    if (p) h = std::max(h, p->height);
  n->height = h + 1;
  if (n->height > kMaxHeight)
    throw ScriptError::syntax(n->line, QStringLiteral("слишком сложное выражение"));
  return n;
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
      (isKw(Kw::Sub, 1) || isKw(Kw::Function, 1)))
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
    NodePtr s = parseStatement(true);
    for (NodePtr& p : m_hoisted) module.statements.push_back(std::move(p));
    m_hoisted.clear();
    if (s) module.statements.push_back(std::move(s));
    endStatement();
  }
  module.optionExplicit = m_explicit;
  return module;
}

NodePtr Parser::parseStandaloneExpression() {
  while (peek().type == Tok::Newline) next();
  NodePtr e = parseExpression();
  while (peek().type == Tok::Newline) next();
  if (peek().type != Tok::End) fail(QStringLiteral("Ожидается конец инструкции"));
  return e;
}

std::vector<NodePtr> Parser::parseBlock(bool (Parser::*atEnd)() const, const QString& closer,
                                        const Token& opener) {
  std::vector<NodePtr> block;
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
    NodePtr s = parseStatement(false);
    if (s) block.push_back(std::move(s));
    endStatement();
  }
}

NodePtr Parser::parseStatement(bool topLevel) {
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
      return parseDim(Ast::Dim);
    }
    case Kw::Sub:
    case Kw::Function:
      return procedureStatement(false);
    case Kw::Class:
      return parseClass(topLevel);
    case Kw::Dim:
      return parseDim(Ast::Dim);
    case Kw::ReDim:
      return parseDim(Ast::ReDim);
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
NodePtr Parser::procedureStatement(bool isPrivate) {
  if (m_procedureDepth > 0)
    fail(QStringLiteral("Определение процедуры допустимо только вне процедур"));
  NodePtr proc = parseProcedure(isPrivate);
  if (m_nesting <= 1) return proc;
  m_hoisted.push_back(std::move(proc));
  return nullptr;
}

// procedure := [Private|Public] (Sub|Function|Property (Get|Let|Set)) name
//              [ "(" [param {"," param}] ")" ] block End (Sub|Function|Property)
NodePtr Parser::parseProcedure(bool isPrivate) {
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
  auto proc = makeNode(Ast::Procedure, opener.line);
  proc->flag = isFunction;
  proc->flag2 = isPrivate;
  proc->op = static_cast<int>(kind);
  proc->spelled = peek().text;
  proc->name = expectName();
  if (acceptOp(u"(")) {
    while (!isOp(u")")) {
      auto p = makeNode(Ast::Param, peek().line);
      if (acceptKw(Kw::ByVal))
        p->flag = true;
      else
        acceptKw(Kw::ByRef);
      p->spelled = peek().text;
      p->name = expectName();
      if (acceptOp(u"(")) expectOp(u")");
      proc->list.push_back(std::move(p));
      if (!acceptOp(u",")) break;
    }
    expectOp(u")");
  }
  // Property Let and Set receive the assigned value as their last parameter.
  if ((kind == ProcKind::PropertyLet || kind == ProcKind::PropertySet) && proc->list.empty())
    fail(QStringLiteral("Ожидается параметр со значением свойства"));
  endStatement();
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
NodePtr Parser::parseClass(bool topLevel) {
  if (!topLevel || m_procedureDepth > 0)
    fail(QStringLiteral("Определение класса допустимо только на уровне модуля"));
  const Token opener = next();
  const QString closer = QStringLiteral("End Class");
  auto cls = makeNode(Ast::Class, opener.line);
  cls->spelled = peek().text;
  cls->name = expectName();
  endStatement();
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
      NodePtr proc = parseProcedure(isPrivate);
      if (isDefault) {
        const auto kind = static_cast<ProcKind>(proc->op);
        if (kind == ProcKind::PropertyLet || kind == ProcKind::PropertySet)
          throw ScriptError::syntax(proc->line,
                                    QStringLiteral("Default допустимо только для Property Get, "
                                                   "Function или Sub"));
        proc->op |= kProcDefault;
      }
      cls->list.push_back(std::move(proc));
    } else if (!isDefault && (isPrivate || isPublic || isKw(Kw::Dim))) {
      if (isPrivate || isPublic) m_pos--;  // the word stands where Dim would
      NodePtr fields = parseDim(Ast::Dim);
      fields->flag2 = isPrivate;
      cls->list.push_back(std::move(fields));
    } else {
      fail(QStringLiteral("Ожидается 'End Class' или определение члена класса"));
    }
    endStatement();
  }
}

// dim := Dim item {"," item} ; item := name [ "(" [expr {"," expr}] ")" ]
NodePtr Parser::parseDim(Ast kind) {
  auto dim = makeNode(kind, next().line);
  if (kind == Ast::ReDim && acceptKw(Kw::Preserve)) dim->flag = true;
  do {
    auto item = makeNode(Ast::DimItem, peek().line);
    item->spelled = peek().text;
    item->name = expectName();
    if (acceptOp(u"(")) {
      item->flag2 = true;
      if (!isOp(u")")) {
        do {
          item->list.push_back(parseExpression());
        } while (acceptOp(u","));
      }
      expectOp(u")");
    }
    if (kind == Ast::ReDim && item->list.empty()) fail(QStringLiteral("Ожидаются размеры массива"));
    dim->list.push_back(std::move(item));
  } while (acceptOp(u","));
  return dim;
}

// erase := Erase name {"," name}
NodePtr Parser::parseErase() {
  auto node = makeNode(Ast::Erase, next().line);
  do {
    auto item = makeNode(Ast::Name, peek().line);
    item->spelled = peek().text;
    item->name = expectName();
    node->list.push_back(std::move(item));
  } while (acceptOp(u","));
  return node;
}

NodePtr Parser::parseConst() {
  auto c = makeNode(Ast::Const, next().line);
  do {
    auto item = makeNode(Ast::DimItem, peek().line);
    item->spelled = peek().text;
    item->name = expectName();
    expectOp(u"=");
    item->a = parseExpression();
    c->list.push_back(std::move(item));
  } while (acceptOp(u","));
  return c;
}

// if := If expr Then (newline block {ElseIf expr Then block} [Else block] End If
//                     | statement {":" statement} [Else statement {":" statement}] [End If])
NodePtr Parser::parseIf() {
  const Token opener = next();
  auto node = makeNode(Ast::If, opener.line);
  auto clause = makeNode(Ast::Clause, opener.line);
  clause->a = parseExpression();
  const QString thenWord = closerName(QStringLiteral("Then"), QStringLiteral("Тогда"), opener);
  if (!acceptKw(Kw::Then)) fail(QStringLiteral("Ожидается '%1'").arg(thenWord));
  const QString closer = closerName(QStringLiteral("End If"), QStringLiteral("КонецЕсли"), opener);

  if (peek().type != Tok::Newline) {
    // Single-line form; a trailing End If is tolerated, as stored templates have it.
    ++m_singleLineIf;
    auto lineBlock = [this](std::vector<NodePtr>& out) {
      while (peek().type == Tok::Colon) next();
      if (atStatementEnd()) return;
      for (;;) {
        NodePtr s = parseStatement(false);
        if (s) out.push_back(std::move(s));
        if (peek().type == Tok::Colon) {
          next();
          if (atStatementEnd()) break;
          continue;
        }
        break;
      }
    };
    lineBlock(clause->body);
    node->list.push_back(std::move(clause));
    if (acceptKw(Kw::Else)) {
      node->flag = true;
      lineBlock(node->body2);
    }
    --m_singleLineIf;
    if (isKw(Kw::End) && isKw(Kw::If, 1)) {
      next();
      next();
    }
    return node;
  }

  clause->body = parseBlock(&Parser::atIfEnd, closer, opener);
  node->list.push_back(std::move(clause));
  for (;;) {
    if (isKw(Kw::ElseIf)) {
      auto c = makeNode(Ast::Clause, next().line);
      c->a = parseExpression();
      if (!acceptKw(Kw::Then)) fail(QStringLiteral("Ожидается '%1'").arg(thenWord));
      c->body = parseBlock(&Parser::atIfEnd, closer, opener);
      node->list.push_back(std::move(c));
      continue;
    }
    if (isKw(Kw::Else)) {
      if (node->flag) failClose(closer, opener);
      next();
      node->flag = true;
      // "Else If" on one line after a block Else starts a nested If inside the Else part.
      node->body2 = parseBlock(&Parser::atIfEnd, closer, opener);
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
NodePtr Parser::parseSelect() {
  const Token opener = next();
  expectKw(Kw::Case, QStringLiteral("Case"));
  auto node = makeNode(Ast::Select, opener.line);
  node->a = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("End Select");
  while (peek().type == Tok::Newline || peek().type == Tok::Colon) next();
  while (isKw(Kw::Case)) {
    next();
    if (acceptKw(Kw::Else)) {
      node->flag = true;
      node->body2 = parseBlock(&Parser::atCase, closer, opener);
      if (isKw(Kw::Case)) fail(QStringLiteral("'Case Else' должен быть последним"));
      break;
    }
    auto clause = makeNode(Ast::Clause, peek().line);
    do {
      if (acceptKw(Kw::Is)) {
        auto item = makeNode(Ast::CaseIs, peek().line);
        static const std::pair<const char16_t*, BinOp> ops[] = {
            {u"=", BinOp::Eq},  {u"<>", BinOp::Ne}, {u"<=", BinOp::Le},
            {u">=", BinOp::Ge}, {u"<", BinOp::Lt},  {u">", BinOp::Gt}};
        bool found = false;
        for (auto& [text, op] : ops) {
          if (acceptOp(text)) {
            item->op = static_cast<int>(op);
            found = true;
            break;
          }
        }
        if (!found) fail(QStringLiteral("Ожидается оператор сравнения"));
        item->a = parseExpression();
        clause->list.push_back(std::move(item));
        continue;
      }
      NodePtr value = parseExpression();
      if (acceptKw(Kw::To)) {
        auto item = makeNode(Ast::CaseRange, value->line);
        item->a = std::move(value);
        item->b = parseExpression();
        clause->list.push_back(std::move(item));
      } else {
        auto item = makeNode(Ast::CaseValue, value->line);
        item->a = std::move(value);
        clause->list.push_back(std::move(item));
      }
    } while (acceptOp(u","));
    clause->body = parseBlock(&Parser::atCase, closer, opener);
    node->list.push_back(std::move(clause));
  }
  if (!isKw(Kw::End) || !isKw(Kw::Select, 1)) failClose(closer, opener);
  next();
  next();
  return node;
}

// for := For name "=" expr To expr [Step expr] block Next [name]
//      | For Each name In expr block Next [name]
NodePtr Parser::parseFor() {
  const Token opener = next();
  const QString closer = closerName(QStringLiteral("Next"), QStringLiteral("Далее"), opener);
  NodePtr node;
  if (acceptKw(Kw::Each)) {
    node = makeNode(Ast::ForEach, opener.line);
    node->spelled = peek().text;
    node->name = expectName();
    expectKw(Kw::In, QStringLiteral("In"));
    node->b = parseExpression();
  } else {
    node = makeNode(Ast::For, opener.line);
    node->spelled = peek().text;
    node->name = expectName();
    expectOp(u"=");
    node->b = parseExpression();
    if (!acceptKw(Kw::To))
      fail(QStringLiteral("Ожидается '%1'")
               .arg(closerName(QStringLiteral("To"), QStringLiteral("До"), opener)));
    node->c = parseExpression();
    if (acceptKw(Kw::Step)) node->d = parseExpression();
  }
  endStatement();
  ++m_loopFor;
  node->body = parseBlock(&Parser::atNext, closer, opener);
  --m_loopFor;
  next();  // Next
  if (peek().type == Tok::Ident && !peek().reserved) {
    if (peek().folded != node->name)
      fail(QStringLiteral("Переменная после '%1' не совпадает с переменной цикла").arg(closer));
    next();
  }
  return node;
}

// do := Do [While|Until expr] block Loop [While|Until expr]
NodePtr Parser::parseDo() {
  const Token opener = next();
  auto node = makeNode(Ast::Do, opener.line);
  node->op = static_cast<int>(LoopKind::Forever);
  if (acceptKw(Kw::While)) {
    node->op = static_cast<int>(LoopKind::PreWhile);
    node->a = parseExpression();
  } else if (acceptKw(Kw::Until)) {
    node->op = static_cast<int>(LoopKind::PreUntil);
    node->a = parseExpression();
  }
  endStatement();
  const QString closer = closerName(QStringLiteral("Loop"), QStringLiteral("Цикл"), opener);
  ++m_loopDo;
  node->body = parseBlock(&Parser::atLoop, closer, opener);
  --m_loopDo;
  next();  // Loop
  if (node->op == static_cast<int>(LoopKind::Forever)) {
    if (acceptKw(Kw::While)) {
      node->op = static_cast<int>(LoopKind::PostWhile);
      node->a = parseExpression();
    } else if (acceptKw(Kw::Until)) {
      node->op = static_cast<int>(LoopKind::PostUntil);
      node->a = parseExpression();
    }
  }
  return node;
}

// while := While expr block Wend
NodePtr Parser::parseWhile() {
  const Token opener = next();
  auto node = makeNode(Ast::Do, opener.line);
  node->op = static_cast<int>(LoopKind::PreWhile);
  node->flag = true;  // While…Wend: Exit Do inside leaves the enclosing Do, not this loop
  node->a = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("Wend");
  node->body = parseBlock(&Parser::atWend, closer, opener);
  next();
  return node;
}

NodePtr Parser::parseWith() {
  const Token opener = next();
  auto node = makeNode(Ast::With, opener.line);
  node->a = parseExpression();
  endStatement();
  const QString closer = QStringLiteral("End With");
  node->body = parseBlock(&Parser::atEndKw, closer, opener);
  next();
  if (!acceptKw(Kw::With)) failClose(closer, opener);
  return node;
}

NodePtr Parser::parseExit() {
  const Token t = next();
  auto node = makeNode(Ast::Exit, t.line);
  const Token& what = peek();
  switch (what.kw) {
    case Kw::For:
      if (!m_loopFor) fail(QStringLiteral("'Exit For' вне цикла For"));
      node->op = static_cast<int>(ExitKind::For);
      break;
    case Kw::Do:
      if (!m_loopDo) fail(QStringLiteral("'Exit Do' вне цикла Do"));
      node->op = static_cast<int>(ExitKind::Do);
      break;
    case Kw::Sub:
      if (!m_procedureDepth || m_inFunction || m_inProperty)
        fail(QStringLiteral("'Exit Sub' вне процедуры"));
      node->op = static_cast<int>(ExitKind::Sub);
      break;
    case Kw::Function:
      if (!m_procedureDepth || !m_inFunction) fail(QStringLiteral("'Exit Function' вне функции"));
      node->op = static_cast<int>(ExitKind::Function);
      break;
    case Kw::Property:
      if (!m_inProperty) fail(QStringLiteral("'Exit Property' вне свойства"));
      node->op = static_cast<int>(ExitKind::Property);
      break;
    default:
      fail(QStringLiteral("Ожидается 'For', 'Do', 'Sub', 'Function' или 'Property'"));
  }
  next();
  return node;
}

// on_error := On Error (Resume Next | GoTo 0)
NodePtr Parser::parseOnError() {
  auto node = makeNode(Ast::OnError, next().line);
  expectKw(Kw::Error, QStringLiteral("Error"));
  if (acceptKw(Kw::Resume)) {
    expectKw(Kw::Next, QStringLiteral("Next"));
    node->flag = true;
  } else if (acceptKw(Kw::GoTo)) {
    if (peek().type != Tok::Number || peek().text != u"0") fail(QStringLiteral("Ожидается '0'"));
    next();
  } else {
    fail(QStringLiteral("Ожидается 'Resume Next' или 'GoTo 0'"));
  }
  return node;
}

// assignment := target "=" expr ; call := target [args]
NodePtr Parser::parseAssignOrCall(bool isSet, bool explicitCall) {
  const int line = peek().line;
  // "a (1) = 5": with a blank before the parenthesis the statement is still an
  // assignment to an element when "=" follows the closing parenthesis.
  if (!explicitCall && peek().type == Tok::Ident && isOp(u"(", 1) && peek(1).spaceBefore) {
    const std::size_t start = m_pos;
    const int nesting = m_nesting;
    try {
      NodePtr target = parsePostfix(false);
      if (isOp(u"=") && target->kind == Ast::Call)
        return finishAssign(std::move(target), isSet, line);
    } catch (const ScriptError&) {
      // Not an element assignment; parsed again below as a call.
    }
    m_pos = start;
    m_nesting = nesting;
  }
  NodePtr target = parsePostfix(!explicitCall);
  if (!explicitCall && isOp(u"=")) return finishAssign(std::move(target), isSet, line);
  if (isSet) fail(QStringLiteral("Ожидается '='"));
  if (target->kind != Ast::Name && target->kind != Ast::Member && target->kind != Ast::Call &&
      target->kind != Ast::WithDot)
    fail(QStringLiteral("Ожидается инструкция"));
  if (!atStatementEnd()) {
    if (target->kind == Ast::Call) fail(QStringLiteral("Ожидается конец инструкции"));
    auto call = makeNode(Ast::Call, line);
    call->a = std::move(target);
    parseArgs(call->list, false);
    target = std::move(call);
  } else if (!explicitCall && target->kind == Ast::Call && target->list.size() == 1 &&
             target->list[0]->kind != Ast::MissingArg) {
    // "m(y)" without Call: the parentheses belong to the argument, which is therefore
    // passed by value.
    auto paren = makeNode(Ast::Paren, target->list[0]->line);
    paren->a = std::move(target->list[0]);
    target->list[0] = std::move(paren);
  }
  auto node = makeNode(Ast::CallStmt, line);
  node->flag2 = explicitCall;
  node->a = std::move(target);
  return node;
}

NodePtr Parser::finishAssign(NodePtr target, bool isSet, int line) {
  next();  // =
  if (target->kind != Ast::Name && target->kind != Ast::Member && target->kind != Ast::Call &&
      target->kind != Ast::WithDot)
    fail(QStringLiteral("Недопустимое присваивание"));
  auto node = makeNode(Ast::Assign, line);
  node->flag = isSet;
  node->a = std::move(target);
  node->b = parseExpression();
  return node;
}

}  // namespace balvix::script

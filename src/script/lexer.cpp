#include "script/lexer.h"

#include <QHash>

#include "script/coerce.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {

struct KwInfo {
  Kw kw;
  bool reserved;
};

const QHash<QString, KwInfo>& keywordTable() {
  static const QHash<QString, KwInfo> table = [] {
    QHash<QString, KwInfo> t;
    auto r = [&t](const char16_t* name, Kw kw, bool reserved = true) {
      t.insert(QString::fromUtf16(name).toCaseFolded(), {kw, reserved});
    };
    r(u"and", Kw::And);
    r(u"or", Kw::Or);
    r(u"not", Kw::Not);
    r(u"xor", Kw::Xor);
    r(u"eqv", Kw::Eqv);
    r(u"imp", Kw::Imp);
    r(u"mod", Kw::Mod);
    r(u"is", Kw::Is);
    r(u"dim", Kw::Dim);
    r(u"redim", Kw::ReDim);
    r(u"preserve", Kw::Preserve, false);
    r(u"const", Kw::Const);
    r(u"set", Kw::Set);
    r(u"let", Kw::Let);
    r(u"call", Kw::Call);
    r(u"if", Kw::If);
    r(u"then", Kw::Then);
    r(u"else", Kw::Else);
    r(u"elseif", Kw::ElseIf);
    r(u"end", Kw::End);
    r(u"sub", Kw::Sub);
    r(u"function", Kw::Function);
    r(u"exit", Kw::Exit);
    r(u"for", Kw::For);
    r(u"to", Kw::To);
    r(u"step", Kw::Step, false);
    r(u"next", Kw::Next);
    r(u"each", Kw::Each, false);
    r(u"in", Kw::In, false);
    r(u"do", Kw::Do);
    r(u"loop", Kw::Loop);
    r(u"while", Kw::While);
    r(u"until", Kw::Until, false);
    r(u"wend", Kw::Wend);
    r(u"select", Kw::Select);
    r(u"case", Kw::Case);
    r(u"with", Kw::With);
    r(u"on", Kw::On);
    r(u"error", Kw::Error, false);
    r(u"resume", Kw::Resume, false);
    r(u"goto", Kw::GoTo, false);
    r(u"option", Kw::Option);
    r(u"explicit", Kw::Explicit, false);
    r(u"private", Kw::Private);
    r(u"public", Kw::Public);
    r(u"byval", Kw::ByVal, false);
    r(u"byref", Kw::ByRef, false);
    r(u"true", Kw::True);
    r(u"false", Kw::False);
    r(u"empty", Kw::Empty);
    r(u"null", Kw::Null);
    r(u"nothing", Kw::Nothing);
    // The built-in form of the language.
    r(u"Процедура", Kw::Sub);
    r(u"Если", Kw::If);
    r(u"Тогда", Kw::Then);
    r(u"Иначе", Kw::Else);
    r(u"ИначеЕсли", Kw::ElseIf);
    r(u"Для", Kw::For);
    r(u"До", Kw::To);
    r(u"Далее", Kw::Next);
    r(u"Главная", Kw::Private);
    r(u"Объект", Kw::Set);
    r(u"Делать", Kw::Do);
    r(u"Пока", Kw::While);
    r(u"Цикл", Kw::Loop);
    r(u"И", Kw::And);
    r(u"Перем", Kw::Dim);
    r(u"Истина", Kw::True);
    r(u"Ложь", Kw::False);
    return t;
  }();
  return table;
}

bool isIdentStart(QChar c) {
  return c.isLetter() || c == u'_';
}
bool isIdentChar(QChar c) {
  return c.isLetterOrNumber() || c == u'_';
}

}  // namespace

QString foldIdentifier(const QString& name) {
  QString f = name.toCaseFolded();
  if (f == QStringLiteral("приоткрытии")) return QStringLiteral("main");
  return f;
}

std::vector<Token> tokenize(const QString& src) {
  std::vector<Token> out;
  const qsizetype n = src.size();
  qsizetype i = 0;
  int line = 1;
  bool space = false;
  auto push = [&](Tok type, const QString& text) -> Token& {
    Token t;
    t.type = type;
    t.line = line;
    t.text = text;
    t.spaceBefore = space;
    space = false;
    out.push_back(std::move(t));
    return out.back();
  };
  auto newline = [&]() {
    if (!out.empty() && out.back().type != Tok::Newline) push(Tok::Newline, QString());
    ++line;
  };
  auto skipComment = [&]() {
    while (i < n && src[i] != u'\n' && src[i] != u'\r') ++i;
  };
  while (i < n) {
    const QChar c = src[i];
    if (c == u' ' || c == u'\t' || c == QChar(0xA0) || c == QChar(0xFEFF)) {
      space = true;
      ++i;
      continue;
    }
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < n && src[i + 1] == u'\n') ++i;
      ++i;
      newline();
      space = true;
      continue;
    }
    if (c == u'\'') {
      skipComment();
      continue;
    }
    if (c == u'_' && (i + 1 >= n || !isIdentChar(src[i + 1]))) {
      // A line continuation: only blanks may follow until the end of the line.
      qsizetype j = i + 1;
      while (j < n && (src[j] == u' ' || src[j] == u'\t')) ++j;
      if (j >= n || src[j] == u'\r' || src[j] == u'\n') {
        if (j < n && src[j] == u'\r' && j + 1 < n && src[j + 1] == u'\n') ++j;
        i = j + 1;
        ++line;
        space = true;
        continue;
      }
      throw ScriptError::syntax(line, QStringLiteral("Недопустимый знак '_'"));
    }
    if (isIdentStart(c)) {
      qsizetype j = i + 1;
      while (j < n && isIdentChar(src[j])) ++j;
      const QString word = src.mid(i, j - i);
      i = j;
      const QString folded = word.toCaseFolded();
      if (folded == u"rem") {
        skipComment();
        continue;
      }
      // "КонецПроцедуры" and "КонецЕсли" are the two-word closers of the host form.
      if (folded == QStringLiteral("конецпроцедуры") || folded == QStringLiteral("конецесли")) {
        Token& e = push(Tok::Ident, word);
        e.kw = Kw::End;
        e.reserved = true;
        e.folded = QStringLiteral("end");
        Token& s = push(Tok::Ident, word);
        const bool isSub = folded == QStringLiteral("конецпроцедуры");
        s.kw = isSub ? Kw::Sub : Kw::If;
        s.reserved = true;
        s.folded = isSub ? QStringLiteral("sub") : QStringLiteral("if");
        continue;
      }
      Token& t = push(Tok::Ident, word);
      t.folded = folded == QStringLiteral("приоткрытии") ? QStringLiteral("main") : folded;
      auto it = keywordTable().constFind(folded);
      if (it != keywordTable().constEnd()) {
        t.kw = it->kw;
        t.reserved = it->reserved;
      }
      continue;
    }
    if (c.isDigit() || (c == u'.' && i + 1 < n && src[i + 1].isDigit() &&
                        (out.empty() || out.back().type != Tok::Ident || space))) {
      qsizetype j = i;
      while (j < n && src[j].isDigit()) ++j;
      bool real = false;
      if (j < n && src[j] == u'.' && j + 1 < n && src[j + 1].isDigit()) {
        real = true;
        ++j;
        while (j < n && src[j].isDigit()) ++j;
      }
      if (j < n && (src[j] == u'e' || src[j] == u'E')) {
        qsizetype k = j + 1;
        if (k < n && (src[k] == u'+' || src[k] == u'-')) ++k;
        if (k < n && src[k].isDigit()) {
          real = true;
          j = k;
          while (j < n && src[j].isDigit()) ++j;
        }
      }
      const QString text = src.mid(i, j - i);
      i = j;
      double d = 0;
      parseNumber(text, d);
      Token& t = push(Tok::Number, text);
      if (!real && d <= 2147483647.0)
        t.value = Value::number(static_cast<std::int64_t>(d));
      else
        t.value = Value::real(d);
      continue;
    }
    if (c == u'&' && i + 1 < n &&
        (src[i + 1] == u'H' || src[i + 1] == u'h' || src[i + 1] == u'O' || src[i + 1] == u'o')) {
      const bool hex = src[i + 1] == u'H' || src[i + 1] == u'h';
      qsizetype j = i + 2;
      while (j < n && (hex ? isxdigit(src[j].toLatin1()) && src[j].unicode() < 128
                           : (src[j] >= u'0' && src[j] <= u'7')))
        ++j;
      if (j > i + 2) {
        bool ok = false;
        const qlonglong v = src.mid(i + 2, j - i - 2).toLongLong(&ok, hex ? 16 : 8);
        if (j < n && src[j] == u'&') ++j;
        Token& t = push(Tok::Number, src.mid(i, j - i));
        // Hex literals are 16- or 32-bit two's complement, as in the language.
        if (v <= 0xFFFF && j - i <= 6)
          t.value = Value::integer(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
        else
          t.value = Value::longValue(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        i = j;
        continue;
      }
    }
    if (c == u'"') {
      QString s;
      qsizetype j = i + 1;
      for (;;) {
        if (j >= n || src[j] == u'\n' || src[j] == u'\r')
          throw ScriptError::syntax(line, QStringLiteral("Незавершенная строковая константа"));
        if (src[j] == u'"') {
          if (j + 1 < n && src[j + 1] == u'"') {
            s += u'"';
            j += 2;
            continue;
          }
          break;
        }
        s += src[j++];
      }
      Token& t = push(Tok::String, src.mid(i, j + 1 - i));
      t.value = Value(s);
      i = j + 1;
      continue;
    }
    if (c == u'#') {
      qsizetype j = src.indexOf(u'#', i + 1);
      const qsizetype eol = src.indexOf(u'\n', i + 1);
      double d = 0;
      if (j < 0 || (eol >= 0 && eol < j) || !parseDate(QStringView(src).mid(i + 1, j - i - 1), d))
        throw ScriptError::syntax(line, QStringLiteral("Недопустимая константа даты"));
      Token& t = push(Tok::Date, src.mid(i, j + 1 - i));
      t.value = Value::date(d);
      i = j + 1;
      continue;
    }
    if (c == u':') {
      push(Tok::Colon, QStringLiteral(":"));
      ++i;
      continue;
    }
    if (c == u'?') {
      // The built-in form's conditional operator is the function IIf.
      Token& t = push(Tok::Ident, QStringLiteral("?"));
      t.folded = QStringLiteral("iif");
      ++i;
      continue;
    }
    if (c == u'<' && i + 1 < n && (src[i + 1] == u'=' || src[i + 1] == u'>')) {
      push(Tok::Op, src.mid(i, 2));
      i += 2;
      continue;
    }
    if (c == u'>' && i + 1 < n && src[i + 1] == u'=') {
      push(Tok::Op, src.mid(i, 2));
      i += 2;
      continue;
    }
    static const QString ops = QStringLiteral("+-*/\\^&=<>(),.");
    if (ops.contains(c)) {
      push(Tok::Op, QString(c));
      ++i;
      continue;
    }
    throw ScriptError::syntax(line, QStringLiteral("Недопустимый знак '%1'").arg(c));
  }
  if (!out.empty() && out.back().type != Tok::Newline) push(Tok::Newline, QString());
  push(Tok::End, QString());
  return out;
}

}  // namespace balvix::script

#include "script/lexer.h"

#include <QHash>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

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
    r(u"class", Kw::Class);
    r(u"new", Kw::New);
    r(u"property", Kw::Property, false);
    r(u"default", Kw::Default, false);
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
// Only ASCII digits make numbers: other scripts' digits (full-width "１") are not numbers.
bool isAsciiDigit(QChar c) {
  return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A character for an error message: printable ones quoted, others by their code, so a
// control character never goes raw into the message.
QString describeChar(QChar c) {
  if (c.isPrint()) return QStringLiteral("'%1'").arg(c);
  return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

constexpr std::size_t kMaxTokens = 1'000'000;

// The value of a decimal literal (ASCII digits, optional fraction and exponent): any
// number of digits; too large for a Double is Overflow, too small is 0.
double decimalLiteral(const QString& text, int line) {
  const std::string ascii = text.toStdString();
  const char* b = ascii.data();
  const char* e = b + ascii.size();
  if (!ascii.empty() && ascii.back() == '.') --e;  // "10." reads as 10
  double d = 0;
  const auto res = std::from_chars(b, e, d);
  if (res.ec == std::errc()) return d;
  // Out of range: overflow when the first significant digit stands high, 0 when it is
  // far behind the point (1e-400).
  const std::size_t ePos = ascii.find_first_of("eE");
  const std::string mantissa = ascii.substr(0, ePos);
  const long exponent = std::clamp(
      ePos == std::string::npos ? 0L : std::strtol(ascii.c_str() + ePos + 1, nullptr, 10),
      -1000000L, 1000000L);
  const std::size_t point = mantissa.find('.');
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string::npos) return 0;
  const long intDigits = static_cast<long>(point == std::string::npos ? mantissa.size() : point);
  const long position = first < static_cast<std::size_t>(intDigits)
                            ? intDigits - static_cast<long>(first)
                            : -(static_cast<long>(first) - intDigits - 1);
  if (position + exponent > 0) throw ScriptError(ErrorCode::Overflow).withLine(line);
  return 0;
}

}  // namespace

QString foldIdentifier(const QString& name) {
  QString f = name.toCaseFolded();
  if (f == QStringLiteral("приоткрытии")) return QStringLiteral("main");
  return f;
}

std::vector<Token> tokenize(const QString& src, int lineBase) {
  std::vector<Token> out;
  const qsizetype n = src.size();
  qsizetype i = 0;
  int line = lineBase + 1;
  bool space = false;
  auto push = [&](Tok type, const QString& text) -> Token& {
    // Tokens and the tree built from them take some hundred bytes each: a module of
    // millions of tiny statements ends here instead of in swap.
    if (out.size() >= kMaxTokens) throw ScriptError(ErrorCode::OutOfMemory).withLine(line);
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
    if (isAsciiDigit(c) || (c == u'.' && i + 1 < n && isAsciiDigit(src[i + 1]) &&
                            (out.empty() || out.back().type != Tok::Ident || space))) {
      qsizetype j = i;
      while (j < n && isAsciiDigit(src[j])) ++j;
      bool real = false;
      if (j < n && src[j] == u'.') {
        // "10." is a number too; "1.x" is not (the dot is left for the parser to refuse).
        if (j + 1 < n && isAsciiDigit(src[j + 1])) {
          real = true;
          ++j;
          while (j < n && isAsciiDigit(src[j])) ++j;
        } else if (j + 1 >= n || !isIdentStart(src[j + 1])) {
          real = true;
          ++j;
        }
      }
      if (j < n && (src[j] == u'e' || src[j] == u'E')) {
        qsizetype k = j + 1;
        if (k < n && (src[k] == u'+' || src[k] == u'-')) ++k;
        if (k < n && isAsciiDigit(src[k])) {
          real = true;
          j = k;
          while (j < n && isAsciiDigit(src[j])) ++j;
        }
      }
      const QString text = src.mid(i, j - i);
      i = j;
      const double d = decimalLiteral(text, line);
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
      const unsigned base = hex ? 16 : 8;
      qsizetype j = i + 2;
      std::uint64_t v = 0;
      bool overflow = false;
      int significant = 0;
      for (; j < n; ++j) {
        const char16_t ch = src[j].unicode();
        int digit = -1;
        if (ch >= u'0' && ch <= u'7')
          digit = ch - u'0';
        else if (hex && ch >= u'8' && ch <= u'9')
          digit = ch - u'0';
        else if (hex && ch >= u'a' && ch <= u'f')
          digit = ch - u'a' + 10;
        else if (hex && ch >= u'A' && ch <= u'F')
          digit = ch - u'A' + 10;
        if (digit < 0) break;
        v = v * base + static_cast<unsigned>(digit);
        if (v > 0xFFFFFFFFull) overflow = true;
        if (overflow) v = 0x100000000ull;  // stays out of range without wrapping
        if (v) ++significant;
      }
      if (j > i + 2) {
        if (overflow) throw ScriptError(ErrorCode::Overflow).withLine(line);
        const bool forceLong = j < n && src[j] == u'&';
        if (forceLong) ++j;
        Token& t = push(Tok::Number, src.mid(i, j - i));
        // Hex and octal literals are 16- or 32-bit two's complement, as in the language;
        // a trailing "&" reads all 32 bits (&HFFFF& is 65535) and the value then takes
        // the smallest type that holds it, so &H10& is an Integer.
        const auto bits32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        if (forceLong)
          t.value = Value::number(bits32);
        else if (v <= 0xFFFF)
          t.value = Value::integer(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
        else
          t.value = Value::longValue(bits32);
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
      // The literal ends at the next '#' on the same line; scanning stops at a line end so
      // a stray '#' costs one line, not the rest of the text.
      qsizetype j = i + 1;
      while (j < n && src[j] != u'#' && src[j] != u'\n' && src[j] != u'\r') ++j;
      double d = 0;
      if (j >= n || src[j] != u'#' || !parseDate(QStringView(src).mid(i + 1, j - i - 1), d))
        throw ScriptError::syntax(line, QStringLiteral("Недопустимая константа даты"));
      if (!(d >= -657434.0 && d < 2958466.0)) throw ScriptError(ErrorCode::Overflow).withLine(line);
      Token& t = push(Tok::Date, src.mid(i, j + 1 - i));
      t.value = Value::date(d);
      i = j + 1;
      continue;
    }
    if (c == u'[') {
      // [any name]: a name that may hold blanks or be a keyword; never a keyword itself.
      qsizetype j = i + 1;
      while (j < n && src[j] != u']' && src[j] != u'\n' && src[j] != u'\r') ++j;
      if (j >= n || src[j] != u']')
        throw ScriptError::syntax(line, QStringLiteral("Ожидается ']'"));
      const QString word = src.mid(i + 1, j - i - 1);
      Token& t = push(Tok::Ident, word);
      t.folded = foldIdentifier(word);
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
    // The language also reads "=>", "=<" and "><" as ">=", "<=" and "<>".
    if ((c == u'=' || c == u'>') && i + 1 < n && (src[i + 1] == u'>' || src[i + 1] == u'<') &&
        src[i + 1] != c && !(c == u'>' && src[i + 1] == u'>')) {
      const QChar d = src[i + 1];
      push(Tok::Op, c == u'>'   ? QStringLiteral("<>")
                    : d == u'>' ? QStringLiteral(">=")
                                : QStringLiteral("<="));
      i += 2;
      continue;
    }
    static const QString ops = QStringLiteral("+-*/\\^&=<>(),.");
    if (ops.contains(c)) {
      push(Tok::Op, QString(c));
      ++i;
      continue;
    }
    throw ScriptError::syntax(line, QStringLiteral("Недопустимый знак %1").arg(describeChar(c)));
  }
  if (!out.empty() && out.back().type != Tok::Newline) push(Tok::Newline, QString());
  // The end of the text is reported on the last line that has a statement.
  if (!out.empty()) line = out.back().line;
  push(Tok::End, QString());
  return out;
}

}  // namespace balvix::script

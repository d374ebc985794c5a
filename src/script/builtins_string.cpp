#include <algorithm>
#include <array>

#include "script/builtins.h"

// Text functions. A Null argument where the text is expected gives Null, as the
// language does; a negative length or a start before the first character is an invalid
// call (error 5).
namespace balvix::script {

namespace {

using builtin_args::arg;
using builtin_args::invalidCall;

int wholeArg(Args& args, int i) {
  return toLong(arg(args, i));
}

int lengthArg(Args& args, int i) {
  const int n = wholeArg(args, i);
  if (n < 0) invalidCall();
  return n;
}

int startArg(Args& args, int i) {
  const int n = wholeArg(args, i);
  if (n < 1) invalidCall();
  return n;
}

Qt::CaseSensitivity compareArg(Args& args, int i) {
  if (!args.has(i)) return Qt::CaseSensitive;
  const int mode = wholeArg(args, i);
  if (mode < 0 || mode > 2) invalidCall();
  return mode == 0 ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// The Russian Windows code page, upper half from 0x80: Chr and Asc work with it, as
// the language always did on a Russian system.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char16_t fromCodePage(int code) {
  if (code < 0x80) return static_cast<char16_t>(code);
  if (code < 0xC0) return kCp1251High[code - 0x80];
  return static_cast<char16_t>(0x0410 + code - 0xC0);
}

int toCodePage(char16_t c) {
  if (c < 0x80) return c;
  if (c >= 0x0410 && c <= 0x044F) return 0xC0 + (c - 0x0410);
  const auto it = std::find(kCp1251High.begin(), kCp1251High.end(), c);
  if (it != kCp1251High.end()) return 0x80 + static_cast<int>(it - kCp1251High.begin());
  return '?';
}

Value fnLen(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return Value::longValue(static_cast<std::int32_t>(toText(v).size()));
}

Value fnLeft(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  const int n = lengthArg(args, 1);
  if (v.isNull()) return Value::null();
  return toText(v).left(n);
}

Value fnRight(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  const int n = lengthArg(args, 1);
  if (v.isNull()) return Value::null();
  return toText(v).right(n);
}

Value fnMid(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  const int start = startArg(args, 1);
  const int n = args.has(2) ? lengthArg(args, 2) : -1;
  if (v.isNull()) return Value::null();
  const QString s = toText(v);
  if (start > s.size()) return QString();
  return s.mid(start - 1, n);
}

Value fnInStr(CallContext&, Args& args) {
  // InStr(text, part) or InStr(start, text, part[, compare]).
  int start = 1;
  int first = 0;
  if (args.size() >= 3) {
    if (arg(args, 0).isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
    if (args.has(0)) start = startArg(args, 0);
    first = 1;
  }
  const Value& text = arg(args, first);
  const Value& part = arg(args, first + 1);
  const Qt::CaseSensitivity cs = compareArg(args, first + 2);
  if (text.isNull() || part.isNull()) return Value::null();
  const QString s = toText(text);
  const QString p = toText(part);
  // Positions are Long, as the language returns them.
  if (start > s.size()) return Value::longValue(0);
  if (p.isEmpty()) return Value::longValue(start);
  return Value::longValue(static_cast<std::int32_t>(s.indexOf(p, start - 1, cs) + 1));
}

Value fnInStrRev(CallContext&, Args& args) {
  const Value& text = arg(args, 0);
  const Value& part = arg(args, 1);
  int start = -1;
  if (args.has(2)) {
    start = wholeArg(args, 2);
    if (start == 0 || start < -1) invalidCall();
  }
  const Qt::CaseSensitivity cs = compareArg(args, 3);
  if (text.isNull() || part.isNull()) return Value::null();
  const QString s = toText(text);
  const QString p = toText(part);
  if (start == -1) start = static_cast<int>(s.size());
  if (start > s.size()) return Value::longValue(0);
  if (p.isEmpty()) return Value::longValue(start);
  const QString head = s.left(start);
  return Value::longValue(static_cast<std::int32_t>(head.lastIndexOf(p, -1, cs) + 1));
}

Value fnReplace(CallContext&, Args& args) {
  const Value& text = arg(args, 0);
  if (arg(args, 1).isNull() || arg(args, 2).isNull())
    throw ScriptError(ErrorCode::InvalidUseOfNull);
  const QString find = toText(arg(args, 1));
  const QString with = toText(arg(args, 2));
  const int start = args.has(3) ? startArg(args, 3) : 1;
  int count = args.has(4) ? wholeArg(args, 4) : -1;
  if (count < -1) invalidCall();
  const Qt::CaseSensitivity cs = compareArg(args, 5);
  if (text.isNull()) return Value::null();
  // The result begins at `start`: the characters before it are dropped.
  const QString s = toText(text).mid(start - 1);
  if (find.isEmpty() || count == 0) return s;
  QString out;
  qsizetype pos = 0;
  while (count != 0) {
    const qsizetype hit = s.indexOf(find, pos, cs);
    if (hit < 0) break;
    checkTextLength(out.size() + (hit - pos) + with.size());
    out += QStringView(s).mid(pos, hit - pos);
    out += with;
    pos = hit + find.size();
    if (count > 0) --count;
  }
  out += QStringView(s).mid(pos);
  return out;
}

QString trimmed(const QString& s, bool left, bool right) {
  qsizetype b = 0, e = s.size();
  if (left)
    while (b < e && s[b] == u' ') ++b;
  if (right)
    while (e > b && s[e - 1] == u' ') --e;
  return s.mid(b, e - b);
}

Value trimWith(Args& args, bool left, bool right) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return trimmed(toText(v), left, right);
}

Value fnTrim(CallContext&, Args& args) {
  return trimWith(args, true, true);
}
Value fnLTrim(CallContext&, Args& args) {
  return trimWith(args, true, false);
}
Value fnRTrim(CallContext&, Args& args) {
  return trimWith(args, false, true);
}

Value fnUCase(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return toText(v).toUpper();
}

Value fnLCase(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return toText(v).toLower();
}

Value fnSpace(CallContext&, Args& args) {
  const int n = lengthArg(args, 0);
  checkTextLength(n);
  return QString(n, QLatin1Char(' '));
}

Value fnString(CallContext&, Args& args) {
  const int n = lengthArg(args, 0);
  checkTextLength(n);
  const Value& c = arg(args, 1);
  if (c.isNull()) return Value::null();
  QChar ch;
  if (c.isString()) {
    if (c.asString().isEmpty()) invalidCall();
    ch = c.asString().at(0);
  } else {
    ch = QChar(fromCodePage(toLong(c) & 0xFF));
  }
  return QString(n, ch);
}

Value fnStrReverse(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  QString s = toText(v);
  std::reverse(s.begin(), s.end());
  return s;
}

Value fnStrComp(CallContext&, Args& args) {
  const Value& a = arg(args, 0);
  const Value& b = arg(args, 1);
  const Qt::CaseSensitivity cs = compareArg(args, 2);
  if (a.isNull() || b.isNull()) return Value::null();
  const int r = QString::compare(toText(a), toText(b), cs);
  return Value::integer(r < 0 ? -1 : r > 0 ? 1 : 0);
}

Value fnChr(CallContext&, Args& args) {
  const int code = wholeArg(args, 0);
  if (code < 0 || code > 255) invalidCall();
  return QString(QChar(fromCodePage(code)));
}

Value fnChrW(CallContext&, Args& args) {
  int code = wholeArg(args, 0);
  if (code < -32768 || code > 65535) invalidCall();
  if (code < 0) code += 65536;
  return QString(QChar(static_cast<char16_t>(code)));
}

const QString& firstCharText(Args& args, QString& holder) {
  const Value& v = arg(args, 0);
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  holder = toText(v);
  if (holder.isEmpty()) invalidCall();
  return holder;
}

Value fnAsc(CallContext&, Args& args) {
  QString s;
  return Value::number(toCodePage(firstCharText(args, s).at(0).unicode()));
}

Value fnAscW(CallContext&, Args& args) {
  QString s;
  // AscW answers a 16-bit integer: codes above 32767 come out negative, as they always did.
  return Value::integer(static_cast<std::int16_t>(firstCharText(args, s).at(0).unicode()));
}

}  // namespace

void registerStringBuiltins(BuiltinTable& table) {
  table.add(QStringLiteral("Len"), fnLen, 1, 1);
  table.add(QStringLiteral("Left"), fnLeft, 2, 2);
  table.add(QStringLiteral("Right"), fnRight, 2, 2);
  table.add(QStringLiteral("Mid"), fnMid, 2, 3);
  table.add(QStringLiteral("InStr"), fnInStr, 2, 4);
  table.add(QStringLiteral("InStrRev"), fnInStrRev, 2, 4);
  table.add(QStringLiteral("Replace"), fnReplace, 3, 6);
  table.add(QStringLiteral("Trim"), fnTrim, 1, 1);
  table.add(QStringLiteral("LTrim"), fnLTrim, 1, 1);
  table.add(QStringLiteral("RTrim"), fnRTrim, 1, 1);
  table.add(QStringLiteral("UCase"), fnUCase, 1, 1);
  table.add(QStringLiteral("LCase"), fnLCase, 1, 1);
  table.add(QStringLiteral("Space"), fnSpace, 1, 1);
  table.add(QStringLiteral("String"), fnString, 2, 2);
  table.add(QStringLiteral("StrReverse"), fnStrReverse, 1, 1);
  table.add(QStringLiteral("StrComp"), fnStrComp, 2, 3);
  table.add(QStringLiteral("Chr"), fnChr, 1, 1);
  table.add(QStringLiteral("ChrW"), fnChrW, 1, 1);
  table.add(QStringLiteral("Asc"), fnAsc, 1, 1);
  table.add(QStringLiteral("AscW"), fnAscW, 1, 1);

  table.addConstant(QStringLiteral("vbCr"), QStringLiteral("\r"));
  table.addConstant(QStringLiteral("vbLf"), QStringLiteral("\n"));
  table.addConstant(QStringLiteral("vbCrLf"), QStringLiteral("\r\n"));
  table.addConstant(QStringLiteral("vbNewLine"), QStringLiteral("\r\n"));
  table.addConstant(QStringLiteral("vbTab"), QStringLiteral("\t"));
  table.addConstant(QStringLiteral("vbFormFeed"), QStringLiteral("\f"));
  table.addConstant(QStringLiteral("vbVerticalTab"), QStringLiteral("\v"));
  table.addConstant(QStringLiteral("vbDatabaseCompare"), Value::integer(2));
  table.addConstant(QStringLiteral("vbNullString"), QString());
  table.addConstant(QStringLiteral("vbNullChar"), QString(QChar(0)));
  table.addConstant(QStringLiteral("vbBinaryCompare"), Value::integer(0));
  table.addConstant(QStringLiteral("vbTextCompare"), Value::integer(1));
}

}  // namespace balvix::script

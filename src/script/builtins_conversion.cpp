#include <QLocale>
#include <QRegularExpression>
#include <cfloat>
#include <cmath>

#include "script/builtins.h"
#include "script/engine.h"
#include "script/number_text.h"

// Conversion functions, the type tests IsNumeric and IsDate, number formatting and
// MsgBox. Formatting follows the Russian regional style (comma as decimal point,
// no-break space between digit groups, rouble sign), as on the machines the program
// is made for; CStr and `&` keep the "." of the language's own number text.
namespace balvix::script {

namespace {

using builtin_args::arg;
using builtin_args::invalidCall;

const Value& notNull(Args& args, int i) {
  const Value& v = arg(args, i);
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  return v;
}

Value fnCStr(CallContext&, Args& args) {
  return toText(notNull(args, 0));
}
Value fnCInt(CallContext&, Args& args) {
  return Value::integer(toInteger(notNull(args, 0)));
}
Value fnCLng(CallContext&, Args& args) {
  return Value::longValue(toLong(notNull(args, 0)));
}
Value fnCDbl(CallContext&, Args& args) {
  return Value::real(toDouble(notNull(args, 0)));
}
Value fnCBool(CallContext&, Args& args) {
  const Value& v = notNull(args, 0);
  // "#TRUE#" and "#FALSE#" are how the language writes Booleans to files.
  if (v.isString()) {
    const QString t = v.asString().trimmed().toUpper();
    if (t == u"#TRUE#") return Value::boolean(true);
    if (t == u"#FALSE#") return Value::boolean(false);
  }
  return Value::boolean(toBool(v));
}
Value fnCDate(CallContext&, Args& args) {
  return Value::date(toDate(notNull(args, 0)));
}

// Eval and Execute work at the module level of the running program (inside a
// procedure they do not see its local variables).
Value fnEval(CallContext& ctx, Args& args) {
  return ctx.engine.evaluate(toText(notNull(args, 0)));
}
Value fnExecute(CallContext& ctx, Args& args) {
  ctx.engine.executeGlobal(toText(notNull(args, 0)));
  return Value();
}

Value fnCSng(CallContext&, Args& args) {
  return toSingle(notNull(args, 0));
}

Value fnCByte(CallContext&, Args& args) {
  const Value& v = notNull(args, 0);
  if (v.type() == Value::Type::Boolean)
    return Value::byte(v.asBool() ? 255 : 0);  // True is all bits
  const std::int32_t n = toLong(v);
  if (n < 0 || n > 255) throw ScriptError(ErrorCode::Overflow);
  return Value::byte(static_cast<std::uint8_t>(n));
}

// Currency keeps four decimals, exactly.
Value fnCCur(CallContext&, Args& args) {
  return toCurrency(notNull(args, 0));
}

Value fnIsNumeric(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  switch (v.type()) {
    case Value::Type::Empty:
    case Value::Type::Boolean:
      return Value::boolean(true);
    case Value::Type::String: {
      double d = 0;
      try {
        return Value::boolean(parseNumber(v.asString(), d));
      } catch (const ScriptError&) {
        return Value::boolean(true);  // a number too large for a Double is still a number
      }
    }
    default:
      return Value::boolean(v.isNumber());
  }
}

Value fnIsDate(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.type() == Value::Type::Date) return Value::boolean(true);
  if (!v.isString()) return Value::boolean(false);
  double d = 0;
  return Value::boolean(parseDate(v.asString(), d));
}

// A tristate argument: -1 true, 0 false, -2 (or left out) the regional default.
bool tristate(Args& args, int i, bool regionalDefault) {
  if (!args.has(i)) return regionalDefault;
  const int t = toLong(arg(args, i));
  if (t == -2) return regionalDefault;
  if (t != -1 && t != 0) invalidCall();
  return t == -1;
}

struct NumberStyle {
  int digits = 2;
  bool leadingZero = true;
  bool parentheses = false;
  bool grouping = true;
};

NumberStyle styleArgs(Args& args, int first) {
  NumberStyle style;
  if (args.has(first)) {
    style.digits = toLong(arg(args, first));
    if (style.digits == -1) style.digits = 2;
    if (style.digits < 0 || style.digits > 255) invalidCall();
  }
  style.leadingZero = tristate(args, first + 1, true);
  style.parentheses = tristate(args, first + 2, false);
  style.grouping = tristate(args, first + 3, true);
  return style;
}

QString formatRussian(double d, const NumberStyle& style, const QString& suffix) {
  QString text = numberText(std::fabs(d), style.digits, style.grouping);
  if (!style.leadingZero && text.startsWith(QLatin1String("0,"))) text.remove(0, 1);
  text += suffix;
  static const QRegularExpression nonZeroDigit(QStringLiteral("[1-9]"));
  const bool negative = d < 0 && text.contains(nonZeroDigit);
  if (!negative) return text;
  return style.parentheses ? u'(' + text + u')' : u'-' + text;
}

Value formatWith(Args& args, double scale, const QString& suffix) {
  const Value& v = arg(args, 0);
  if (v.isNull()) throw ScriptError(ErrorCode::TypeMismatch);
  return formatRussian(toDouble(v) * scale, styleArgs(args, 1), suffix);
}

Value fnFormatNumber(CallContext&, Args& args) {
  return formatWith(args, 1, QString());
}

Value fnFormatCurrency(CallContext&, Args& args) {
  return formatWith(args, 1, QStringLiteral("\u00A0\u20BD"));
}

Value fnFormatPercent(CallContext&, Args& args) {
  return formatWith(args, 100, QStringLiteral("%"));
}

Value fnMsgBox(CallContext& ctx, Args& args) {
  const QString text = toText(notNull(args, 0));
  const int buttons = args.has(1) ? toLong(arg(args, 1)) : 0;
  const QString title = args.has(2) ? toText(arg(args, 2)) : QString();
  return Value::integer(static_cast<std::int16_t>(ctx.host.showMessage(text, buttons, title)));
}

}  // namespace

void registerConversionBuiltins(BuiltinTable& table) {
  table.add(QStringLiteral("CStr"), fnCStr, 1, 1);
  table.add(QStringLiteral("CInt"), fnCInt, 1, 1);
  table.add(QStringLiteral("CLng"), fnCLng, 1, 1);
  table.add(QStringLiteral("CDbl"), fnCDbl, 1, 1);
  table.add(QStringLiteral("CSng"), fnCSng, 1, 1);
  table.add(QStringLiteral("CBool"), fnCBool, 1, 1);
  table.add(QStringLiteral("CDate"), fnCDate, 1, 1);
  table.add(QStringLiteral("CByte"), fnCByte, 1, 1);
  table.add(QStringLiteral("CCur"), fnCCur, 1, 1);
  table.add(QStringLiteral("IsNumeric"), fnIsNumeric, 1, 1);
  table.add(QStringLiteral("IsDate"), fnIsDate, 1, 1);
  table.add(QStringLiteral("FormatNumber"), fnFormatNumber, 1, 5);
  table.add(QStringLiteral("FormatCurrency"), fnFormatCurrency, 1, 5);
  table.add(QStringLiteral("FormatPercent"), fnFormatPercent, 1, 5);
  table.add(QStringLiteral("MsgBox"), fnMsgBox, 1, 3);
  table.add(QStringLiteral("Eval"), fnEval, 1, 1);
  table.add(QStringLiteral("Execute"), fnExecute, 1, 1);
  table.add(QStringLiteral("ExecuteGlobal"), fnExecute, 1, 1);

  struct Named {
    const char* name;
    int value;
    bool alwaysLong = false;  // the colours are Long whatever their value
  };
  static constexpr Named kConstants[] = {{"vbOKOnly", 0},
                                         {"vbOKCancel", 1},
                                         {"vbAbortRetryIgnore", 2},
                                         {"vbYesNoCancel", 3},
                                         {"vbYesNo", 4},
                                         {"vbRetryCancel", 5},
                                         {"vbCritical", 16},
                                         {"vbQuestion", 32},
                                         {"vbExclamation", 48},
                                         {"vbInformation", 64},
                                         {"vbDefaultButton1", 0},
                                         {"vbDefaultButton2", 256},
                                         {"vbDefaultButton3", 512},
                                         {"vbOK", 1},
                                         {"vbCancel", 2},
                                         {"vbAbort", 3},
                                         {"vbRetry", 4},
                                         {"vbIgnore", 5},
                                         {"vbYes", 6},
                                         {"vbNo", 7},
                                         {"vbUseDefault", -2},
                                         {"vbTrue", -1},
                                         {"vbFalse", 0},
                                         {"vbEmpty", 0},
                                         {"vbNull", 1},
                                         {"vbInteger", 2},
                                         {"vbLong", 3},
                                         {"vbSingle", 4},
                                         {"vbDouble", 5},
                                         {"vbCurrency", 6},
                                         {"vbDate", 7},
                                         {"vbString", 8},
                                         {"vbObject", 9},
                                         {"vbError", 10},
                                         {"vbBoolean", 11},
                                         {"vbVariant", 12},
                                         {"vbByte", 17},
                                         {"vbArray", 8192},
                                         {"vbDataObject", 13},
                                         {"vbDecimal", 14},
                                         {"vbObjectError", -2147221504},
                                         {"vbDefaultButton4", 768},
                                         {"vbApplicationModal", 0},
                                         {"vbSystemModal", 4096},
                                         {"vbMsgBoxHelpButton", 16384},
                                         {"vbMsgBoxSetForeground", 65536},
                                         {"vbMsgBoxRight", 524288},
                                         {"vbMsgBoxRtlReading", 1048576},
                                         {"vbTristateTrue", -1},
                                         {"vbTristateFalse", 0},
                                         {"vbTristateUseDefault", -2},
                                         {"vbFirstFourDays", 2},
                                         {"vbFirstFullWeek", 3},
                                         {"vbBlack", 0x000000, true},
                                         {"vbRed", 0x0000FF, true},
                                         {"vbGreen", 0x00FF00, true},
                                         {"vbYellow", 0x00FFFF, true},
                                         {"vbBlue", 0xFF0000, true},
                                         {"vbMagenta", 0xFF00FF, true},
                                         {"vbCyan", 0xFFFF00, true},
                                         {"vbWhite", 0xFFFFFF, true}};
  for (const Named& c : kConstants)
    table.addConstant(QString::fromLatin1(c.name),
                      c.alwaysLong ? Value::longValue(c.value)
                                   : Value::number(static_cast<std::int64_t>(c.value)));
}

}  // namespace balvix::script

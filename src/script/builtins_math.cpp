#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "script/builtins.h"

// Numeric functions. The result keeps the subtype of the argument where the language
// does (Int and Fix of an Integer are Integer, of a Date a Date).
namespace balvix::script {

namespace {

using builtin_args::arg;
using builtin_args::invalidCall;

// A result of the same kind as the argument: whole numbers stay whole (widened when
// they no longer fit), dates stay dates, everything else becomes Double.
Value sameKind(const Value& like, double d) {
  if (like.isWhole() || like.type() == Value::Type::Boolean)
    return Value::number(static_cast<std::int64_t>(d));
  if (like.type() == Value::Type::Date) return Value::date(d);
  if (like.type() == Value::Type::Currency) return toCurrency(Value::real(d));
  if (like.type() == Value::Type::Single) return Value::single(static_cast<float>(d));
  return Value::real(d);
}

Value fnAbs(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  if (v.isEmpty()) return Value::integer(0);
  return sameKind(v, std::fabs(toDouble(v)));
}

Value fnInt(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  if (v.isEmpty()) return Value::integer(0);
  return sameKind(v, std::floor(toDouble(v)));
}

Value fnFix(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  if (v.isEmpty()) return Value::integer(0);
  return sameKind(v, std::trunc(toDouble(v)));
}

Value fnSgn(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  const double d = toDouble(v);
  return Value::integer(d > 0 ? 1 : d < 0 ? -1 : 0);
}

// RGB(r, g, b): red in the low byte; each part is cut to 0–255.
Value fnRgb(CallContext&, Args& args) {
  std::int32_t parts[3];
  for (int i = 0; i < 3; ++i) {
    const Value& v = arg(args, i);
    if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
    const std::int32_t part = toLong(v);
    if (part < 0) throw ScriptError(ErrorCode::InvalidCall);
    parts[i] = std::min(part, 255);
  }
  return Value::longValue(parts[0] | (parts[1] << 8) | (parts[2] << 16));
}

// Seconds since midnight, with hundredths.
Value fnTimer(CallContext&, Args&) {
  return Value::single(
      static_cast<float>(QTime::currentTime().msecsSinceStartOfDay() / 10 / 100.0));
}

Value fnScriptEngine(CallContext&, Args&) {
  return QStringLiteral("VBScript");
}
Value fnScriptEngineMajor(CallContext&, Args&) {
  return Value::longValue(5);
}
Value fnScriptEngineMinor(CallContext&, Args&) {
  return Value::longValue(8);
}
Value fnScriptEngineBuild(CallContext&, Args&) {
  return Value::longValue(16384);
}

Value fnSqr(CallContext&, Args& args) {
  const double d = toDouble(arg(args, 0));
  if (d < 0) invalidCall();
  return Value::real(std::sqrt(d));
}

Value fnExp(CallContext&, Args& args) {
  const double r = std::exp(toDouble(arg(args, 0)));
  if (std::isinf(r)) throw ScriptError(ErrorCode::Overflow);
  return Value::real(r);
}

Value fnLog(CallContext&, Args& args) {
  const double d = toDouble(arg(args, 0));
  if (d <= 0) invalidCall();
  return Value::real(std::log(d));
}

Value fnSin(CallContext&, Args& args) {
  return Value::real(std::sin(toDouble(arg(args, 0))));
}
Value fnCos(CallContext&, Args& args) {
  return Value::real(std::cos(toDouble(arg(args, 0))));
}
Value fnTan(CallContext&, Args& args) {
  return Value::real(std::tan(toDouble(arg(args, 0))));
}
Value fnAtn(CallContext&, Args& args) {
  return Value::real(std::atan(toDouble(arg(args, 0))));
}

// Round to `digits` decimals, a half going to the even neighbour. The scaled value is
// cut to 15 significant digits first, so that 2.675 * 100 counts as the half it reads as.
Value fnRound(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  const int digits = args.has(1) ? toLong(arg(args, 1)) : 0;
  if (digits < 0) invalidCall();
  if (v.isWhole() || v.type() == Value::Type::Boolean) return v;
  const double d = toDouble(v);
  if (digits == 0) return sameKind(v, std::nearbyint(d));
  if (digits > 15) return sameKind(v, d);
  const double scale = std::pow(10.0, digits);
  char buf[64];
  const auto printed =
      std::to_chars(buf, buf + sizeof buf, d * scale, std::chars_format::general, 15);
  double scaled = d * scale;
  std::from_chars(buf, printed.ptr, scaled);
  return sameKind(v, std::nearbyint(scaled) / scale);
}

QString inBase(const Value& v, int base) {
  // A negative Integer is shown in 16 bits, anything else in 32.
  const bool sixteen = v.type() == Value::Type::Integer || v.type() == Value::Type::Boolean ||
                       v.type() == Value::Type::Byte || v.isEmpty();
  const std::int32_t n = toLong(v);
  const std::uint32_t bits = sixteen && n >= -32768 && n < 0 ? static_cast<std::uint16_t>(n)
                                                             : static_cast<std::uint32_t>(n);
  return QString::number(bits, base).toUpper();
}

Value fnHex(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return inBase(v, 16);
}

Value fnOct(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) return Value::null();
  return inBase(v, 8);
}

// The classic generator: a 24-bit linear congruential sequence, so that Randomize with
// a number and Rnd with a negative number repeat their sequences. One state per program
// run, as in the language.
struct RandomState {
  std::uint32_t seed = 0x50000;
  // Rnd(0) before any other call repeats the seed itself, as the language does.
  double last = 0x50000 / 16777216.0;
};

RandomState& randomState() {
  static RandomState state;
  return state;
}

double nextRandom(RandomState& st) {
  st.seed = (st.seed * 1140671485u + 12820163u) & 0xFFFFFFu;
  st.last = st.seed / 16777216.0;
  return st.last;
}

Value fnRnd(CallContext&, Args& args) {
  RandomState& st = randomState();
  if (!args.has(0)) return Value::single(static_cast<float>(nextRandom(st)));
  const double n = toDouble(arg(args, 0));
  if (n == 0) return Value::single(static_cast<float>(st.last));
  if (n < 0) {
    const float f = static_cast<float>(n);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    st.seed = (bits + (bits >> 24)) & 0xFFFFFFu;
  }
  return Value::single(static_cast<float>(nextRandom(st)));
}

Value fnRandomize(CallContext&, Args& args) {
  RandomState& st = randomState();
  double n = 0;
  if (args.has(0)) {
    n = toDouble(arg(args, 0));
  } else {
    n = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
  }
  std::uint64_t bits = 0;
  std::memcpy(&bits, &n, sizeof bits);
  const std::uint32_t high = static_cast<std::uint32_t>(bits >> 32);
  const std::uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  st.seed = (st.seed & 0xFF00FFu) ^ (mixed & 0xFFFF00u);
  st.seed &= 0xFFFFFFu;
  return Value();
}

}  // namespace

void registerMathBuiltins(BuiltinTable& table) {
  table.add(QStringLiteral("Abs"), fnAbs, 1, 1);
  table.add(QStringLiteral("RGB"), fnRgb, 3, 3);
  table.add(QStringLiteral("Timer"), fnTimer, 0, 0);
  table.add(QStringLiteral("ScriptEngine"), fnScriptEngine, 0, 0);
  table.add(QStringLiteral("ScriptEngineMajorVersion"), fnScriptEngineMajor, 0, 0);
  table.add(QStringLiteral("ScriptEngineMinorVersion"), fnScriptEngineMinor, 0, 0);
  table.add(QStringLiteral("ScriptEngineBuildVersion"), fnScriptEngineBuild, 0, 0);
  table.add(QStringLiteral("Int"), fnInt, 1, 1);
  table.add(QStringLiteral("Fix"), fnFix, 1, 1);
  table.add(QStringLiteral("Sgn"), fnSgn, 1, 1);
  table.add(QStringLiteral("Sqr"), fnSqr, 1, 1);
  table.add(QStringLiteral("Exp"), fnExp, 1, 1);
  table.add(QStringLiteral("Log"), fnLog, 1, 1);
  table.add(QStringLiteral("Sin"), fnSin, 1, 1);
  table.add(QStringLiteral("Cos"), fnCos, 1, 1);
  table.add(QStringLiteral("Tan"), fnTan, 1, 1);
  table.add(QStringLiteral("Atn"), fnAtn, 1, 1);
  table.add(QStringLiteral("Round"), fnRound, 1, 2);
  table.add(QStringLiteral("Hex"), fnHex, 1, 1);
  table.add(QStringLiteral("Oct"), fnOct, 1, 1);
  table.add(QStringLiteral("Rnd"), fnRnd, 0, 1);
  table.add(QStringLiteral("Randomize"), fnRandomize, 0, 1);
}

}  // namespace balvix::script

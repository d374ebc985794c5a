#include "script/ops.h"

#include <cmath>

#include "script/arith_kernel.h"
#include "script/coerce.h"
#include "script/host_object.h"
#include "script/script_error.h"

namespace balvix::script::ops {

namespace {

using T = Value::Type;

using arith::wholeRank;
using arith::wholeResult;

// Operand as a number for arithmetic: Empty → Integer 0, Boolean → Integer -1/0, text →
// Double (or a date when it reads as one).
Value numeric(const Value& v) {
  switch (v.type()) {
    case T::Empty:
      return Value::integer(0);
    case T::Boolean:
      return Value::integer(v.asBool() ? -1 : 0);
    case T::String: {
      double d = 0;
      if (parseNumber(v.asString(), d)) return Value::real(d);
      throw ScriptError(ErrorCode::TypeMismatch);
    }
    case T::Byte:
    case T::Integer:
    case T::Long:
    case T::Double:
    case T::Date:
    case T::Single:
    case T::Currency:
      return v;
    case T::Ref:
      return numeric(v.deref());
    default:
      throw ScriptError(ErrorCode::TypeMismatch);
  }
}

Value checkedDouble(double d) {
  if (!std::isfinite(d)) throw ScriptError(ErrorCode::Overflow);
  return Value::real(d);
}

std::int64_t wholeOperand(const Value& v) {
  if (v.isWhole()) return v.asInt();
  const double d = roundEven(toDouble(v));
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) throw ScriptError(ErrorCode::Overflow);
  return static_cast<std::int64_t>(d);
}

// Currency in ten-thousandths; whole numbers are scaled.
std::int64_t scaled(const Value& v) {
  if (v.type() == T::Currency) return v.asCurrency();
  return static_cast<std::int64_t>(v.asInt()) * 10000;
}

// +, - and * with Currency and whole numbers: exact, Overflow past the range.
Value currencyArithmetic(BinOp op, const Value& x, const Value& y) {
  const std::int64_t p = scaled(x), q = scaled(y);
  std::int64_t r = 0;
  switch (op) {
    case BinOp::Add:
      if (__builtin_add_overflow(p, q, &r)) throw ScriptError(ErrorCode::Overflow);
      return Value::currency(r);
    case BinOp::Sub:
      if (__builtin_sub_overflow(p, q, &r)) throw ScriptError(ErrorCode::Overflow);
      return Value::currency(r);
    default: {
      // The product carries eight decimals; back to four, half to even.
      const __int128 wide = static_cast<__int128>(p) * q;
      __int128 quot = wide / 10000;
      const __int128 rem = wide % 10000;
      const __int128 twice = (rem < 0 ? -rem : rem) * 2;
      if (twice > 10000 || (twice == 10000 && (quot & 1))) quot += wide < 0 ? -1 : 1;
      if (quot > INT64_MAX || quot < INT64_MIN) throw ScriptError(ErrorCode::Overflow);
      return Value::currency(static_cast<std::int64_t>(quot));
    }
  }
}

bool isWholeOrCurrency(const Value& v) {
  return v.isWhole() || v.type() == T::Currency;
}

}  // namespace

Value arithmetic(BinOp op, const Value& a0, const Value& b0) {
  const Value& a = a0.deref();
  const Value& b = b0.deref();
  if (a.isNull() || b.isNull()) return Value::null();
  if (op == BinOp::Add && a.isString() && b.isString()) {
    checkTextLength(a.asString().size() + b.asString().size());
    return Value(a.asString() + b.asString());
  }
  if (op == BinOp::Add && ((a.isString() && b.isEmpty()) || (a.isEmpty() && b.isString())))
    return Value(a.isString() ? a.asString() : b.asString());
  // Empty added to a Byte leaves it as it is; elsewhere Empty counts as the Integer 0.
  if (op == BinOp::Add &&
      ((a.isEmpty() && b.type() == T::Byte) || (b.isEmpty() && a.type() == T::Byte)))
    return a.isEmpty() ? b : a;
  const Value x = numeric(a), y = numeric(b);
  switch (op) {
    case BinOp::Div: {
      const double d = toDouble(y);
      if (d == 0) throw ScriptError(ErrorCode::DivisionByZero);
      return checkedDouble(toDouble(x) / d);
    }
    case BinOp::IntDiv:
    case BinOp::Mod: {
      const std::int64_t p = wholeOperand(x), q = wholeOperand(y);
      if (q == 0) throw ScriptError(ErrorCode::DivisionByZero);
      const int rank =
          std::max(x.isWhole() ? wholeRank(x.type()) : 2, y.isWhole() ? wholeRank(y.type()) : 2);
      return wholeResult(op == BinOp::Mod ? p % q : p / q, rank);
    }
    case BinOp::Pow:
      return checkedDouble(std::pow(toDouble(x), toDouble(y)));
    default:
      break;
  }
  // Currency with whole numbers stays Currency; with Single or Double it is Double.
  if ((x.type() == T::Currency || y.type() == T::Currency) && isWholeOrCurrency(x) &&
      isWholeOrCurrency(y))
    return currencyArithmetic(op, x, y);
  // Single with Byte or Integer stays Single; with Long or Double it is Double.
  if (x.type() == T::Single || y.type() == T::Single) {
    const Value& other = x.type() == T::Single ? y : x;
    if (other.type() == T::Single || other.type() == T::Byte || other.type() == T::Integer) {
      const double p = toDouble(x), q = toDouble(y);
      const double r = op == BinOp::Add ? p + q : op == BinOp::Sub ? p - q : p * q;
      if (!(std::fabs(r) <= 3.4028234663852886e38)) throw ScriptError(ErrorCode::Overflow);
      return Value::single(static_cast<float>(r));
    }
  }
  if (Value r; arith::whole(op, x, y, r)) return r;
  double r = 0;
  if (!arith::realOp(op, toDouble(x), toDouble(y), r)) throw ScriptError(ErrorCode::InvalidCall);
  const bool da = x.type() == T::Date, db = y.type() == T::Date;
  if ((da || db) && !(op == BinOp::Sub && da && db) && op != BinOp::Mul) {
    return dateValue(r);
  }
  return checkedDouble(r);
}

Value concat(const Value& a0, const Value& b0) {
  const Value& a = a0.deref();
  const Value& b = b0.deref();
  if (a.isNull() && b.isNull()) return Value::null();
  QString s = toText(a);
  appendText(s, b);
  return Value(std::move(s));
}

Value logical(BinOp op, const Value& a0, const Value& b0) {
  const Value& a = a0.deref();
  const Value& b = b0.deref();
  if (a.isNull() || b.isNull()) {
    auto bits = [](const Value& v) {
      return v.type() == T::Boolean ? (v.asBool() ? -1 : 0) : wholeOperand(v);
    };
    if (op == BinOp::Imp) {
      // Null Imp True and False Imp Null are True; everything else with Null is Null.
      const bool isBool = (a.isNull() ? b : a).type() == T::Boolean;
      const bool yes = a.isNull() ? (!b.isNull() && bits(b) == -1) : bits(a) == 0;
      if (yes) return isBool ? Value::boolean(true) : Value::integer(-1);
      return Value::null();
    }
    // Three-valued logic: False And Null is False, True Or Null is True.
    const Value& other = a.isNull() ? b : a;
    if (!other.isNull()) {
      const bool isBool = other.type() == T::Boolean;
      const std::int64_t o = isBool ? (other.asBool() ? -1 : 0) : wholeOperand(other);
      if (op == BinOp::And && o == 0) return isBool ? Value::boolean(false) : Value::integer(0);
      if (op == BinOp::Or && o == -1) return isBool ? Value::boolean(true) : Value::integer(-1);
    }
    return Value::null();
  }
  const bool bools = a.type() == T::Boolean && b.type() == T::Boolean;
  const std::int64_t p = a.type() == T::Boolean ? (a.asBool() ? -1 : 0) : wholeOperand(a);
  const std::int64_t q = b.type() == T::Boolean ? (b.asBool() ? -1 : 0) : wholeOperand(b);
  std::int64_t r = 0;
  switch (op) {
    case BinOp::And:
      r = p & q;
      break;
    case BinOp::Or:
      r = p | q;
      break;
    case BinOp::Xor:
      r = p ^ q;
      break;
    case BinOp::Eqv:
      r = ~(p ^ q);
      break;
    case BinOp::Imp:
      r = ~p | q;
      break;
    default:
      throw ScriptError(ErrorCode::InvalidCall);
  }
  if (bools) return Value::boolean(r != 0);
  const bool narrow = (a.type() != T::Long && !(a.isString())) &&
                      (b.type() != T::Long && !(b.isString())) && !(a.type() == T::Double) &&
                      !(b.type() == T::Double);
  if (narrow) return Value::integer(static_cast<std::int16_t>(r));
  return Value::longValue(static_cast<std::int32_t>(r));
}

Value negate(const Value& a0) {
  const Value& a = a0.deref();
  if (a.isNull()) return Value::null();
  const Value x = numeric(a);
  if (x.isWhole())
    return wholeResult(-static_cast<std::int64_t>(x.asInt()), std::max(1, wholeRank(x.type())));
  if (x.type() == T::Date) return dateValue(-x.asDouble());
  if (x.type() == T::Single) return Value::single(-x.asSingle());
  if (x.type() == T::Currency) {
    if (x.asCurrency() == INT64_MIN) throw ScriptError(ErrorCode::Overflow);
    return Value::currency(-x.asCurrency());
  }
  return Value::real(-x.asDouble());
}

Value logicalNot(const Value& a0) {
  const Value& a = a0.deref();
  if (a.isNull()) return Value::null();
  if (a.type() == T::Boolean) return Value::boolean(!a.asBool());
  if (a.isString()) {
    const QString s = a.asString().trimmed().toCaseFolded();
    if (s == u"true" || s == u"false" || s == u"истина" || s == u"ложь")
      return Value::boolean(!toBool(a));
  }
  const std::int64_t v = wholeOperand(a.isEmpty() ? Value::integer(0) : a);
  if (a.type() == T::Long || a.isString() || a.type() == T::Double)
    return Value::longValue(static_cast<std::int32_t>(~v));
  return Value::integer(static_cast<std::int16_t>(~v));
}

int compare(const Value& a0, const Value& b0, bool literalMix) {
  const Value& a = a0.deref();
  const Value& b = b0.deref();
  if (a.isNull() || b.isNull()) return 2;
  if (a.isWhole() && b.isWhole()) return a.asInt() < b.asInt() ? -1 : a.asInt() > b.asInt();
  if (isWholeOrCurrency(a) && isWholeOrCurrency(b)) {
    const std::int64_t p = scaled(a), q = scaled(b);
    return p < q ? -1 : p > q;
  }
  if (a.isObject() || b.isObject() || a.isArray() || b.isArray())
    throw ScriptError(ErrorCode::TypeMismatch);
  const bool sa = a.isString(), sb = b.isString();
  if (sa && sb) {
    const int c = QString::compare(a.asString(), b.asString(), Qt::CaseSensitive);
    return c < 0 ? -1 : c > 0;
  }
  if (sa || sb) {
    const Value& str = sa ? a : b;
    const Value& other = sa ? b : a;
    if (other.isEmpty()) {
      const int c = str.asString().isEmpty() ? 0 : 1;
      return sa ? c : -c;
    }
    double sv = 0;
    bool numericText = false;
    if (other.type() == T::Date)
      numericText = parseDate(str.asString(), sv) || parseNumber(str.asString(), sv);
    else
      numericText = parseNumber(str.asString(), sv);
    if (!numericText || !literalMix) {
      // A number (or Boolean) is less than any text that is not a number: "" = True and
      // Case 1 against "abc" compare, they raise nothing.
      return sa ? 1 : -1;
    }
    const double ov = toDouble(other);
    const double x = sa ? sv : ov, y = sa ? ov : sv;
    return x < y ? -1 : x > y;
  }
  // A Single against a Double is compared in single precision, as the language does:
  // CSng(0.001 * 0.001) = 0.000001 holds.
  if ((a.type() == T::Single && b.type() == T::Double) ||
      (a.type() == T::Double && b.type() == T::Single)) {
    const float x = static_cast<float>(toDouble(a)), y = static_cast<float>(toDouble(b));
    return x < y ? -1 : x > y;
  }
  const double x = toDouble(a), y = toDouble(b);
  return x < y ? -1 : x > y;
}

Value comparison(BinOp op, const Value& a, const Value& b, bool literalMix) {
  const int c = compare(a, b, literalMix);
  if (c == 2) return Value::null();
  switch (op) {
    case BinOp::Eq:
      return Value::boolean(c == 0);
    case BinOp::Ne:
      return Value::boolean(c != 0);
    case BinOp::Lt:
      return Value::boolean(c < 0);
    case BinOp::Gt:
      return Value::boolean(c > 0);
    case BinOp::Le:
      return Value::boolean(c <= 0);
    case BinOp::Ge:
      return Value::boolean(c >= 0);
    default:
      throw ScriptError(ErrorCode::InvalidCall);
  }
}

bool sameObject(const Value& a0, const Value& b0) {
  const Value& a = a0.deref();
  const Value& b = b0.deref();
  if (!a.isObject() || !b.isObject()) throw ScriptError(ErrorCode::ObjectRequired);
  return a.asObject() == b.asObject();
}

}  // namespace balvix::script::ops

#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "script/ast.h"
#include "script/value.h"
#include "script/whole_math.h"

// The result types of arithmetic, shared by the general operators and the interpreter's
// fast nodes so that a shortcut can never answer differently from the operator it stands
// for. Whole numbers keep the wider operand's type (Byte, Integer, Long) and promote to the
// next one on overflow, Long to Double.
namespace balvix::script::arith {

// 0 Byte, 1 Integer, 2 Long; t must be one of them.
inline int wholeRank(Value::Type t) {
  return static_cast<int>(t) - static_cast<int>(Value::Type::Byte);
}
// The rank of a whole-number result of x and y.
inline int wholeRank(const Value& x, const Value& y) {
  return wholeRank(std::max(x.type(), y.type()));
}

inline Value wholeResult(std::int64_t r, int rank) {
  // Integer first: it is what loops and totals almost always hold.
  const bool fitsInteger = r >= -32768 && r <= 32767;
  if (rank == 1) [[likely]] {
    if (fitsInteger) return Value::integer(static_cast<std::int16_t>(r));
  } else if (rank == 0) {
    if (r >= 0 && r <= 255) return Value::byte(static_cast<std::uint8_t>(r));
    if (fitsInteger) return Value::integer(static_cast<std::int16_t>(r));
  }
  if (r >= INT32_MIN && r <= INT32_MAX) return Value::longValue(static_cast<std::int32_t>(r));
  return Value::real(static_cast<double>(r));
}

// p op q for +, -, * and, with q not 0, \ and Mod; false for every other operator.
inline bool wholeOp(BinOp op, std::int32_t p, std::int32_t q, std::int64_t& r) {
  switch (op) {
    case BinOp::Add:
      r = std::int64_t{p} + q;
      return true;
    case BinOp::Sub:
      r = std::int64_t{p} - q;
      return true;
    case BinOp::Mul:
      r = std::int64_t{p} * q;
      return true;
    case BinOp::Mod:
      if (q == 0) return false;
      r = wholeMod(p, q);
      return true;
    case BinOp::IntDiv:
      if (q == 0) return false;
      r = wholeDiv(p, q);
      return true;
    default:
      return false;
  }
}

// x op y stored in out when both are whole numbers and the operator is one wholeOp does;
// false, leaving out alone, otherwise. out may be x or y.
inline bool whole(BinOp op, const Value& x, const Value& y, Value& out) {
  if (!x.isWhole() || !y.isWhole()) return false;
  std::int64_t r;
  if (!wholeOp(op, x.asInt(), y.asInt(), r)) return false;
  out = wholeResult(r, wholeRank(x, y));
  return true;
}

// x + y or x - y when both are Integer, Long or Byte: the running-total case, without the
// operator switch.
inline bool wholeSum(BinOp op, const Value& x, const Value& y, Value& out) {
  if (!x.isWhole() || !y.isWhole()) return false;
  const std::int64_t p = x.asInt(), q = y.asInt();
  out = wholeResult(op == BinOp::Add ? p + q : p - q, wholeRank(x, y));
  return true;
}

// A Double operand as a double, or a whole number converted.
inline double realOf(const Value& v) {
  return v.type() == Value::Type::Double ? v.asDouble() : v.asInt();
}
inline bool isRealOrWhole(const Value& v) {
  return v.type() == Value::Type::Double || v.isWhole();
}

// p + q, p - q or p * q in `r`; false for any other operator.
inline bool realOp(BinOp op, double p, double q, double& r) {
  switch (op) {
    case BinOp::Add:
      r = p + q;
      return true;
    case BinOp::Sub:
      r = p - q;
      return true;
    case BinOp::Mul:
      r = p * q;
      return true;
    default:
      return false;
  }
}

// x + y, x - y or x * y when one is a Double and the other a Double or a whole number and
// the result is finite; false otherwise (the general code raises Overflow).
inline bool real(BinOp op, const Value& x, const Value& y, Value& out) {
  if (x.type() != Value::Type::Double && y.type() != Value::Type::Double) return false;
  if (!isRealOrWhole(x) || !isRealOrWhole(y)) return false;
  double r;
  if (!realOp(op, realOf(x), realOf(y), r) || !std::isfinite(r)) return false;
  out = Value::real(r);
  return true;
}

}  // namespace balvix::script::arith

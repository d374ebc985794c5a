#pragma once

#include "script/ast.h"
#include "script/value.h"

// The operators of the language on values: promotion of whole numbers (Integer → Long →
// Double on overflow), Null propagation, text with `&` and `+`, comparisons.
namespace balvix::script::ops {

Value arithmetic(BinOp op, const Value& a, const Value& b);
Value concat(const Value& a, const Value& b);
Value logical(BinOp op, const Value& a, const Value& b);
Value negate(const Value& a);
Value logicalNot(const Value& a);
// Comparison result: -1, 0, 1, or 2 when either side is Null. `literalMix` makes text
// compare with a number numerically (one side was written as a constant).
int compare(const Value& a, const Value& b, bool literalMix);
Value comparison(BinOp op, const Value& a, const Value& b, bool literalMix);
bool sameObject(const Value& a, const Value& b);  // `Is`

}  // namespace balvix::script::ops

#include "script/builtins.h"
#include "script/host_object.h"

// The built-ins that look at the representation of values: type tests, arrays and the
// conversions between arrays and text.
namespace balvix::script {

namespace {

const ArrayData& arrayArg(const Value& v) {
  if (!v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
  return *v.asArray();
}

int dimensionArg(Args& a, const ArrayData& arr) {
  const int dim = a.has(1) ? toLong(a[1]) : 1;
  if (dim < 1 || dim > static_cast<int>(arr.upper.size()))
    throw ScriptError(ErrorCode::SubscriptOutOfRange);
  return dim;
}

Value fnIsObject(CallContext&, Args& a) {
  return Value::boolean(a[0].isObject());
}
Value fnIsArray(CallContext&, Args& a) {
  return Value::boolean(a[0].isArray());
}
Value fnIsEmpty(CallContext&, Args& a) {
  return Value::boolean(a[0].isEmpty());
}
Value fnIsNull(CallContext&, Args& a) {
  return Value::boolean(a[0].isNull());
}
Value fnIsMissing(CallContext&, Args& a) {
  return Value::boolean(a[0].isMissing());
}
Value fnTypeName(CallContext&, Args& a) {
  return Value(typeName(a[0]));
}
Value fnVarType(CallContext&, Args& a) {
  return Value::integer(static_cast<std::int16_t>(varType(a[0])));
}

Value fnArray(CallContext&, Args& a) {
  std::vector<Value> items;
  items.reserve(static_cast<std::size_t>(a.size()));
  for (int i = 0; i < a.size(); ++i) items.push_back(a[i]);
  return Value(ArrayData::make(std::move(items)));
}

Value fnUBound(CallContext&, Args& a) {
  const ArrayData& arr = arrayArg(a[0]);
  const int dim = dimensionArg(a, arr);
  return Value::longValue(static_cast<std::int32_t>(arr.upper[static_cast<std::size_t>(dim - 1)]));
}

Value fnLBound(CallContext&, Args& a) {
  const ArrayData& arr = arrayArg(a[0]);
  dimensionArg(a, arr);
  return Value::longValue(0);
}

Value fnJoin(CallContext&, Args& a) {
  const ArrayData& arr = arrayArg(a[0]);
  if (arr.upper.size() != 1) throw ScriptError(ErrorCode::InvalidCall);
  const QString sep = a.has(1) ? toText(a[1]) : QStringLiteral(" ");
  QString out;
  for (std::size_t i = 0; i < arr.items.size(); ++i) {
    if (i) out += sep;
    if (arr.items[i].isObject() || arr.items[i].isArray() || arr.items[i].isNull())
      throw ScriptError(ErrorCode::TypeMismatch);
    appendText(out, arr.items[i]);
  }
  return Value(out);
}

Value fnSplit(CallContext&, Args& a) {
  if (a[0].isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  const QString text = toText(a[0]);
  const QString sep = a.has(1) ? toText(a[1]) : QStringLiteral(" ");
  const int limit = a.has(2) ? toLong(a[2]) : -1;
  const bool textCompare = a.has(3) && toLong(a[3]) == 1;
  std::vector<Value> items;
  if (!text.isEmpty()) {
    if (sep.isEmpty()) {
      items.emplace_back(text);
    } else {
      const Qt::CaseSensitivity cs = textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive;
      qsizetype from = 0;
      for (;;) {
        if (limit > 0 && static_cast<int>(items.size()) == limit - 1) {
          items.emplace_back(text.mid(from));
          break;
        }
        const qsizetype at = text.indexOf(sep, from, cs);
        if (at < 0) {
          items.emplace_back(text.mid(from));
          break;
        }
        items.emplace_back(text.mid(from, at - from));
        from = at + sep.size();
      }
    }
  }
  return Value(ArrayData::make(std::move(items)));
}

Value fnFilter(CallContext&, Args& a) {
  const ArrayData& arr = arrayArg(a[0]);
  if (arr.upper.size() != 1) throw ScriptError(ErrorCode::InvalidCall);
  const QString match = toText(a[1]);
  const bool include = a.has(2) ? toBool(a[2]) : true;
  const bool textCompare = a.has(3) && toLong(a[3]) == 1;
  std::vector<Value> items;
  for (const Value& v : arr.items) {
    const QString s = toText(v);
    const bool found = s.contains(match, textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive);
    if (found == include) items.emplace_back(s);
  }
  return Value(ArrayData::make(std::move(items)));
}

}  // namespace

void registerIntrinsicBuiltins(BuiltinTable& t) {
  t.add(QStringLiteral("IsObject"), fnIsObject, 1, 1);
  t.add(QStringLiteral("IsArray"), fnIsArray, 1, 1);
  t.add(QStringLiteral("IsEmpty"), fnIsEmpty, 1, 1);
  t.add(QStringLiteral("IsNull"), fnIsNull, 1, 1);
  t.add(QStringLiteral("IsMissing"), fnIsMissing, 1, 1);
  t.add(QStringLiteral("TypeName"), fnTypeName, 1, 1);
  t.add(QStringLiteral("VarType"), fnVarType, 1, 1);
  t.add(QStringLiteral("Array"), fnArray, 0, -1);
  t.add(QStringLiteral("UBound"), fnUBound, 1, 2);
  t.add(QStringLiteral("LBound"), fnLBound, 1, 2);
  t.add(QStringLiteral("Join"), fnJoin, 1, 2);
  t.add(QStringLiteral("Split"), fnSplit, 1, 4);
  t.add(QStringLiteral("Filter"), fnFilter, 2, 4);
}

}  // namespace balvix::script

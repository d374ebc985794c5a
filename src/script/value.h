#pragma once

#include <QString>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace balvix::script {

class HostObject;
struct ArrayData;

// A value of the module language. Numbers, dates and booleans live inside the value
// (no allocation); text is a QString (implicitly shared, appended in place when it has
// one owner); objects and arrays are shared references. 32 bytes.
class Value {
 public:
  // The order matters: everything before String is a plain bit copy.
  enum class Type : std::uint8_t {
    Empty,
    Null,
    Boolean,
    Byte,
    Integer,  // 16-bit
    Long,     // 32-bit
    Double,
    Date,      // days since 30.12.1899, fraction = time of day
    Single,    // 32-bit floating point
    Currency,  // 64-bit whole number of ten-thousandths: money adds up to the kopeck
    Missing,   // an optional argument that was left out
    Ref,       // interpreter-internal: a by-reference parameter slot
    String,
    Object,  // a null object reference is Nothing
    Array,
  };

  Value() : m_type(Type::Empty), m_raw(0) {}
  Value(const QString& s) : m_type(Type::String) { new (&m_str) QString(s); }
  Value(QString&& s) : m_type(Type::String) { new (&m_str) QString(std::move(s)); }
  Value(const char16_t* s) : Value(QString::fromUtf16(s)) {}
  Value(std::shared_ptr<HostObject> o) : m_type(Type::Object) {
    new (&m_obj) std::shared_ptr<HostObject>(std::move(o));
  }
  Value(std::shared_ptr<ArrayData> a) : m_type(Type::Array) {
    new (&m_arr) std::shared_ptr<ArrayData>(std::move(a));
  }

  static Value null() { return Value(Type::Null); }
  static Value missing() { return Value(Type::Missing); }
  static Value nothing() { return Value(std::shared_ptr<HostObject>()); }
  // The small payloads are written as the whole 8-byte word: a later copy reads that
  // word at once, and a narrower store before it would stall the copy.
  static Value boolean(bool b) { return Value(Type::Boolean, b ? 1u : 0u); }
  static Value byte(std::uint8_t b) { return Value(Type::Byte, b); }
  static Value integer(std::int16_t i) {
    return Value(Type::Integer, static_cast<std::uint32_t>(static_cast<std::int32_t>(i)));
  }
  static Value longValue(std::int32_t i) {
    return Value(Type::Long, static_cast<std::uint32_t>(i));
  }
  static Value real(double d) {
    Value v(Type::Double);
    v.m_double = d;
    return v;
  }
  static Value date(double d) {
    Value v(Type::Date);
    v.m_double = d;
    return v;
  }
  static Value single(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return Value(Type::Single, bits);
  }
  // Currency from its scaled value (units of 1/10000).
  static Value currency(std::int64_t scaled) {
    Value v(Type::Currency);
    v.m_cur = scaled;
    return v;
  }
  // The narrowest of Integer, Long, Double that holds n (the promotion rule of arithmetic).
  static Value number(std::int64_t n) {
    if (n >= -32768 && n <= 32767) return integer(static_cast<std::int16_t>(n));
    if (n >= INT32_MIN && n <= INT32_MAX) return longValue(static_cast<std::int32_t>(n));
    return real(static_cast<double>(n));
  }
  static Value ref(Value* target) {
    Value v(Type::Ref);
    v.m_ref = target;
    return v;
  }

  Value(const Value& o) : m_type(o.m_type) {
    if (o.m_type < Type::String)
      m_raw = o.m_raw;
    else
      copyHeavy(o);
  }
  Value(Value&& o) noexcept : m_type(o.m_type) {
    if (o.m_type < Type::String) {
      m_raw = o.m_raw;
    } else {
      moveHeavy(std::move(o));
    }
  }
  Value& operator=(const Value& o) {
    if (this != &o) {
      if (m_type < Type::String && o.m_type < Type::String) {
        m_type = o.m_type;
        m_raw = o.m_raw;
      } else {
        Value tmp(o);
        destroy();
        new (this) Value(std::move(tmp));
      }
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (m_type < Type::String && o.m_type < Type::String) {
      m_type = o.m_type;
      m_raw = o.m_raw;
      return *this;
    }
    if (this != &o) {
      destroy();
      new (this) Value(std::move(o));
    }
    return *this;
  }
  ~Value() {
    if (m_type >= Type::String) destroyHeavy();
  }

  // Back to Empty.
  void clear() noexcept {
    if (m_type >= Type::String) destroyHeavy();
    m_type = Type::Empty;
  }

  Type type() const { return m_type; }
  bool isEmpty() const { return m_type == Type::Empty; }
  bool isNull() const { return m_type == Type::Null; }
  bool isMissing() const { return m_type == Type::Missing; }
  bool isString() const { return m_type == Type::String; }
  bool isObject() const { return m_type == Type::Object; }
  bool isNothing() const { return m_type == Type::Object && !m_obj; }
  bool isArray() const { return m_type == Type::Array; }
  bool isRef() const { return m_type == Type::Ref; }
  // Byte, Integer or Long.
  bool isWhole() const {
    return m_type == Type::Integer || m_type == Type::Long || m_type == Type::Byte;
  }
  // Any of the numeric subtypes (Boolean and Date excluded).
  bool isNumber() const {
    return isWhole() || m_type == Type::Double || m_type == Type::Single ||
           m_type == Type::Currency;
  }

  // Raw accessors: valid only for the matching type.
  bool asBool() const { return m_bool; }
  std::int32_t asInt() const { return m_int; }  // Byte, Integer, Long
  double asDouble() const { return m_double; }  // Double, Date
  float asSingle() const { return m_single; }
  std::int64_t asCurrency() const { return m_cur; }  // scaled by 10000
  const QString& asString() const { return m_str; }
  QString& asString() { return m_str; }
  const std::shared_ptr<HostObject>& asObject() const { return m_obj; }
  const std::shared_ptr<ArrayData>& asArray() const { return m_arr; }
  std::shared_ptr<ArrayData>& asArray() { return m_arr; }
  Value* asRef() const { return m_ref; }

  // The value itself, or the variable a by-reference slot points to.
  Value& deref() { return m_type == Type::Ref ? *m_ref : *this; }
  const Value& deref() const { return m_type == Type::Ref ? *m_ref : *this; }

 private:
  explicit Value(Type t) : m_type(t), m_raw(0) {}
  Value(Type t, std::uint64_t raw) : m_type(t), m_raw(raw) {}
  void copyHeavy(const Value& o);
  void moveHeavy(Value&& o) noexcept;
  void destroyHeavy() noexcept;
  void destroy() noexcept {
    if (m_type >= Type::String) destroyHeavy();
    m_type = Type::Empty;
  }

  Type m_type;
  union {
    bool m_bool;
    std::int32_t m_int;
    double m_double;
    float m_single;
    std::int64_t m_cur;
    Value* m_ref;
    QString m_str;
    std::shared_ptr<HostObject> m_obj;
    std::shared_ptr<ArrayData> m_arr;
    std::uint64_t m_raw;
  };
};

// Arrays have value semantics in the language (assignment copies); the interpreter
// shares the data and copies on the first write. Lower bounds are always 0.
struct ArrayData {
  std::vector<Value> items;
  std::vector<int> upper;  // upper bound per dimension; items.size() == product(upper+1)
  bool fixedSize = false;  // declared with a size by Dim: ReDim is refused

  ArrayData() = default;
  // A copy (the first write to a shared array) counts against the budget like Dim does.
  ArrayData(const ArrayData& o) : upper(o.upper), fixedSize(o.fixedSize) {
    countElements(o.items.size());
    items = o.items;
  }
  ArrayData& operator=(const ArrayData&) = delete;
  ~ArrayData() { releaseElements(); }

  // Elements of all arrays alive at once are bounded (the memory of many arrays that
  // are each within the size limit); throws ScriptError «Недостаточно памяти».
  void countElements(std::size_t n);
  static std::int64_t liveElements();
  // Makes this an array of the given bounds with every element Empty, in the storage it has.
  void reuse(std::vector<int> newUpper, std::size_t total);

  static std::shared_ptr<ArrayData> make(std::vector<Value> items) {
    auto a = std::make_shared<ArrayData>();
    a->upper.push_back(static_cast<int>(items.size()) - 1);
    a->items = std::move(items);
    return a;
  }

 private:
  void releaseElements() noexcept;
  std::size_t m_counted = 0;
};

// An argument list as a built-in function or a host object receives it. Arguments the
// caller left out (`InStr(, a, b)`) are Missing. A host object whose parameter is
// by-reference stores the new value with setByRef(); the interpreter then writes it back
// into the caller's variable when the argument was a variable.
class Args {
 public:
  Args(Value* values, int count) : m_values(values), m_count(count) {}
  int size() const { return m_count; }
  bool has(int i) const { return i < m_count && !m_values[i].isMissing(); }
  const Value& operator[](int i) const { return m_values[i]; }
  // Argument i or Empty when it was not given.
  const Value& at(int i) const {
    static const Value empty;
    return i < m_count ? m_values[i] : empty;
  }
  void setByRef(int i, Value v) {
    m_values[i] = std::move(v);
    if (i < 32)
      m_written |= (1u << i);
    else
      m_writtenBeyond = true;  // past the mask: every later argument counts as written
  }
  bool written(int i) const { return i < 32 ? (m_written >> i) & 1u : m_writtenBeyond; }
  Value* data() const { return m_values; }

 private:
  Value* m_values;
  int m_count;
  std::uint32_t m_written = 0;
  bool m_writtenBeyond = false;
};

}  // namespace balvix::script

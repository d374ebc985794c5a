#include <gtest/gtest.h>

#include <functional>

#include "message_host.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/ops.h"

using namespace balvix::script;

// Every shape the compiler gives a fast node of its own runs over every kind of value and
// must answer what the general operators answer for the same values: type, value or error.
namespace {

struct Kind {
  const char* name;
  Value value;           // what the operators see (an object's default value)
  bool wrapped = false;  // the script gets an object whose default member gives value
};

std::vector<Kind> kinds() {
  return {{"Empty", Value()},
          {"Null", Value::null()},
          {"True", Value::boolean(true)},
          {"Byte 5", Value::byte(5)},
          {"Byte 250", Value::byte(250)},
          {"Integer -7", Value::integer(-7)},
          {"Integer 32000", Value::integer(32000)},
          {"Long 2147483000", Value::longValue(2147483000)},
          {"Single", Value::single(1.5f)},
          {"Double", Value::real(2.25)},
          {"Currency", Value::currency(35000)},
          {"Date", Value::date(45000.25)},
          {"String 12", Value(u"12")},
          {"String abc", Value(u"abc")},
          {"Object", Value::byte(200), true}};
}

QString describe(const Value& v) {
  return typeName(v) + u' ' + (v.isNull() ? QStringLiteral("Null") : toText(v));
}

QString outcome(const std::function<Value()>& f) {
  try {
    return describe(f());
  } catch (const ScriptError& e) {
    return QStringLiteral("error %1").arg(e.code());
  }
}

const char* kModuleHead = R"(Class Holder
  Public V
  Public Default Function Item()
    Item = V
  End Function
End Class
Dim gx, gy, gi
Function Wrap(v)
  Set Wrap = New Holder
  Wrap.V = v
End Function
Function Id(v)
  If IsObject(v) Then Set Id = v Else Id = v
End Function
Sub Keep(ByRef t, v)
  If IsObject(v) Then Set t = v Else t = v
End Sub
)";

// Shapes of `x op y` (%K: the constant; the shape ignores y then).
const char* kArithShapes = R"(
Function LocalLocal(x, y)
  r = x %OP y
  LocalLocal = r
End Function
Function GlobalGlobal(x, y)
  Keep gx, x
  Keep gy, y
  r = gx %OP gy
  GlobalGlobal = r
End Function
Function LocalCall(x, y)
  r = x %OP Id(y)
  LocalCall = r
End Function
Function InPlace(x, y)
  x = x %OP y
  InPlace = x
End Function
Function ElementInPlace(x, y)
  Dim a(1)
  i = 1
  If IsObject(y) Then Set a(1) = y Else a(1) = y
  x = x %OP a(i)
  ElementInPlace = x
End Function
Function LocalConst(x, y)
  r = x %OP %K
  LocalConst = r
End Function
Function GlobalConst(x, y)
  Keep gx, x
  r = gx %OP %K
  GlobalConst = r
End Function
Function CallConst(x, y)
  r = Id(x) %OP %K
  CallConst = r
End Function
Function InPlaceConst(x, y)
  x = x %OP %K
  InPlaceConst = x
End Function
Function ElementConst(x, y)
  Dim a(1)
  i = 1
  a(i) = x %OP %K
  ElementConst = a(i)
End Function
Function ArgumentConst(x, y)
  ArgumentConst = Id(x %OP %K)
End Function
)";

const char* kCompareShapes = R"(
Function CompareLocals(x, y)
  r = (x %OP y)
  CompareLocals = r
End Function
Function CompareGlobals(x, y)
  Keep gx, x
  Keep gy, y
  r = (gx %OP gy)
  CompareGlobals = r
End Function
Function IfLocals(x, y)
  If x %OP y Then r = True Else r = False
  IfLocals = r
End Function
Function CompareConst(x, y)
  r = (x %OP %K)
  CompareConst = r
End Function
Function IfConst(x, y)
  If x %OP %K Then
    r = True
  Else
    r = False
  End If
  IfConst = r
End Function
Function WhileConst(x, y)
  r = False
  Do While x %OP %K
    r = True
    Exit Do
  Loop
  WhileConst = r
End Function
)";

const char* kOtherShapes = R"(
Function Negated(x, y)
  r = -x
  Negated = r
End Function
Function Counter(x, y)
  For i = x To x Step y
  Next
  Counter = i
End Function
Function GlobalCounter(x, y)
  For gi = x To x Step y
  Next
  GlobalCounter = gi
End Function
)";

struct Shape {
  const char* name;
  bool constant;   // the right operand is K
  bool condition;  // a Null comparison counts as False
};

using Reference = std::function<Value(const Value&, const Value&, bool literal)>;

class Differential : public ::testing::Test {
 protected:
  // Runs every shape of one module over every pair of kinds against the reference.
  void check(const QString& shapes, const QString& op, const QString& k, const Value& kValue,
             const std::vector<Shape>& list, const Reference& reference,
             const std::function<bool(const Kind&, const Kind&)>& applies = {}) {
    QString text = QString::fromUtf8(kModuleHead) + shapes;
    text.replace(QStringLiteral("%OP"), op);
    text.replace(QStringLiteral("%K"), k);
    MessageHost host;
    Engine engine(host);
    engine.load(text);
    for (const Shape& shape : list) {
      for (const Kind& a : kinds()) {
        for (const Kind& b : kinds()) {
          if (applies && !applies(a, b)) continue;
          const Value& right = shape.constant ? kValue : b.value;
          const QString expected = outcome([&] {
            Value r = reference(a.value, right, shape.constant);
            if (shape.condition && r.isNull()) r = Value::boolean(false);
            return r;
          });
          const Value x = a.wrapped ? engine.call(QStringLiteral("Wrap"), {a.value}) : a.value;
          const Value y = b.wrapped ? engine.call(QStringLiteral("Wrap"), {b.value}) : b.value;
          const QString actual = outcome([&] {
            return engine.call(QString::fromUtf8(shape.name), {x, y});
          });
          if (actual != expected && ++m_failures <= 30)
            ADD_FAILURE() << shape.name << ": " << a.name << ' ' << op.toStdString() << ' '
                          << (shape.constant ? k.toStdString() : b.name) << " gives "
                          << actual.toStdString() << ", the operators " << expected.toStdString();
        }
      }
    }
  }
  int m_failures = 0;
};

const std::vector<std::pair<QString, Value>> kConstants = {
    {QStringLiteral("16"), Value::integer(16)},
    {QStringLiteral("&H10000&"), Value::longValue(65536)},
    {QStringLiteral("-3"), Value::integer(-3)},
    {QStringLiteral("200"), Value::integer(200)}};

TEST_F(Differential, ArithmeticShapesAnswerAsTheOperators) {
  const std::vector<std::pair<QString, BinOp>> arith = {
      {QStringLiteral("+"), BinOp::Add},     {QStringLiteral("-"), BinOp::Sub},
      {QStringLiteral("*"), BinOp::Mul},     {QStringLiteral("/"), BinOp::Div},
      {QStringLiteral("\\"), BinOp::IntDiv}, {QStringLiteral("Mod"), BinOp::Mod},
      {QStringLiteral("^"), BinOp::Pow}};
  const std::vector<Shape> general = {{"LocalLocal", false, false},
                                      {"GlobalGlobal", false, false},
                                      {"LocalCall", false, false},
                                      {"InPlace", false, false},
                                      {"ElementInPlace", false, false}};
  const std::vector<Shape> constant = {
      {"LocalConst", true, false},   {"GlobalConst", true, false},  {"CallConst", true, false},
      {"InPlaceConst", true, false}, {"ElementConst", true, false}, {"ArgumentConst", true, false}};
  for (const auto& [symbol, op] : arith) {
    const Reference ref = [op](const Value& a, const Value& b, bool) {
      return ops::arithmetic(op, a, b);
    };
    check(QString::fromUtf8(kArithShapes), symbol, kConstants[0].first, kConstants[0].second,
          general, ref);
    for (const auto& [k, kValue] : kConstants)
      check(QString::fromUtf8(kArithShapes), symbol, k, kValue, constant, ref);
  }
  const Reference concat = [](const Value& a, const Value& b, bool) { return ops::concat(a, b); };
  check(QString::fromUtf8(kArithShapes), QStringLiteral("&"), kConstants[0].first,
        kConstants[0].second, general, concat);
  EXPECT_EQ(m_failures, 0);
}

TEST_F(Differential, ComparisonShapesAnswerAsTheOperators) {
  const std::vector<std::pair<QString, BinOp>> comparisons = {
      {QStringLiteral("="), BinOp::Eq},  {QStringLiteral("<>"), BinOp::Ne},
      {QStringLiteral("<"), BinOp::Lt},  {QStringLiteral(">"), BinOp::Gt},
      {QStringLiteral("<="), BinOp::Le}, {QStringLiteral(">="), BinOp::Ge}};
  const std::vector<Shape> shapes = {
      {"CompareLocals", false, false}, {"CompareGlobals", false, false},
      {"IfLocals", false, true},       {"CompareConst", true, false},
      {"IfConst", true, true},         {"WhileConst", true, true}};
  for (const auto& [symbol, op] : comparisons) {
    const Reference ref = [op](const Value& a, const Value& b, bool literal) {
      return ops::comparison(op, a, b, literal);
    };
    for (const auto& [k, kValue] : kConstants)
      check(QString::fromUtf8(kCompareShapes), symbol, k, kValue, shapes, ref);
  }
  EXPECT_EQ(m_failures, 0);
}

TEST_F(Differential, NegationAndLoopCountersAnswerAsTheOperators) {
  check(QString::fromUtf8(kOtherShapes), QString(), QString(), Value(), {{"Negated", false, false}},
        [](const Value& a, const Value&, bool) { return ops::negate(a); });
  // A loop from x to x runs once and leaves its counter at x + step; a counter and a step
  // are numbers other than 0.
  const auto counts = [](const Kind& a, const Kind& b) {
    const auto number = [](const Kind& k) {
      return k.value.isNumber() || k.value.type() == Value::Type::Boolean ||
             k.value.type() == Value::Type::Date;
    };
    return number(a) && number(b);
  };
  check(
      QString::fromUtf8(kOtherShapes), QString(), QString(), Value(),
      {{"Counter", false, false}, {"GlobalCounter", false, false}},
      [](const Value& a, const Value& b, bool) { return ops::arithmetic(BinOp::Add, a, b); },
      counts);
  EXPECT_EQ(m_failures, 0);
}

}  // namespace

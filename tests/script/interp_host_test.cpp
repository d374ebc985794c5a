#include <gtest/gtest.h>

#include <QStringList>
#include <stdexcept>

#include "message_host.h"
#include "script/engine.h"
#include "script/runtime.h"

using namespace balvix::script;

namespace {

// The global object of the tests: Вывод(x) records a line; Удвоить(x) doubles its
// by-reference argument; Реквизит(name) is a parameterised property; Счетчик counts
// how often a member was looked up by name.
// A failure of a layer below the language, with a number of its own (as the database's).
struct LowerFailure : std::runtime_error {
  LowerFailure() : std::runtime_error("lower layer failed") {}
};

class TestGlobals : public HostObject {
 public:
  enum { kOut, kDouble, kRequisite, kStop, kFail };
  int dispatchId(const QString& name) const override {
    ++lookups;
    const QString f = foldName(name);
    if (f == foldName(QStringLiteral("Вывод"))) return kOut;
    if (f == foldName(QStringLiteral("Удвоить"))) return kDouble;
    if (f == foldName(QStringLiteral("Реквизит"))) return kRequisite;
    if (f == foldName(QStringLiteral("Стоп"))) return kStop;
    if (f == foldName(QStringLiteral("Сбой"))) return kFail;
    return -1;
  }
  Value invoke(int id, Args& args) override {
    switch (id) {
      case kOut:
        out << toText(args[0]);
        return Value();
      case kDouble:
        args.setByRef(0, Value::number(toLong(args[0]) * 2));
        return Value();
      case kRequisite:
        return Value(requisites.value(toText(args[0])));
      case kStop:
        host->requestInterrupt();
        return Value();
      case kFail:
        throw LowerFailure();
    }
    return Value();
  }
  void put(int id, Args& args, const Value& value, bool) override {
    if (id != kRequisite) throw ScriptError(ErrorCode::NotSupported);
    requisites.insert(toText(args[0]), toText(value));
  }

  Host* host = nullptr;
  mutable int lookups = 0;
  QStringList out;
  QHash<QString, QString> requisites;
};

struct Fixture {
  MessageHost host;
  std::shared_ptr<TestGlobals> globals = std::make_shared<TestGlobals>();
  Engine engine{host};
  Fixture() {
    globals->host = &host;
    engine.setGlobalObject(globals);
  }
};

TEST(InterpHost, GlobalMembersByRefArgumentsAndParameterisedProperties) {
  Fixture f;
  f.engine.load(
      QStringLiteral("Dim x\n"
                     "x = 21\n"
                     "УДВОИТЬ x\n"  // by-reference argument written back, any letter case
                     "вывод x\n"
                     "Удвоить (x)\n"  // a parenthesised argument is passed by value
                     "Вывод x\n"
                     "Реквизит(\"Товар\") = \"Стол\"\n"
                     "Вывод Реквизит(\"Товар\") & \"!\"\n"));
  EXPECT_EQ(f.globals->out, QStringList({"42", "42", "Стол!"}));
  EXPECT_EQ(f.globals->requisites.value("Товар"), "Стол");
}

TEST(InterpHost, MemberLookupIsCachedPerCallSite) {
  Fixture once, many;
  once.engine.load(QStringLiteral("For i = 1 To 1\n  Вывод i\nNext\n"));
  many.engine.load(QStringLiteral("For i = 1 To 1000\n  Вывод i\nNext\n"));
  EXPECT_EQ(many.globals->out.size(), 1000);
  EXPECT_EQ(many.globals->lookups, once.globals->lookups);
}

TEST(InterpHost, ObjectsReachedByNameAndMethodsOnThem) {
  Fixture f;
  auto other = std::make_shared<TestGlobals>();
  f.engine.addObject(QStringLiteral("Форма"), other);
  f.engine.load(
      QStringLiteral("Set ф = Форма\n"
                     "ф.Реквизит(\"Цена\") = 10\n"
                     "With Форма\n  .Вывод .Реквизит(\"Цена\") + 5\nEnd With\n"
                     "If ф Is Форма Then Вывод \"same\"\n"
                     "On Error Resume Next\nф.НетТакого 1\nВывод Err.Number\n"));
  EXPECT_EQ(other->out, QStringList({"15"}));
  EXPECT_EQ(f.globals->out, QStringList({"same", "438"}));
}

TEST(InterpHost, MainRunsOnLoadInBothFormsAndRunThisLater) {
  Fixture host1;
  host1.engine.load(
      QStringLiteral("Вывод \"top\"\nprivate sub MAIN\n  Вывод \"main\"\nend sub\n"
                     "sub ПриСохранении\n  Вывод \"save\"\nend sub\n"));
  EXPECT_EQ(host1.globals->out, QStringList({"top", "main"}));
  host1.engine.runThis(QStringLiteral("ПриСохранении"));
  host1.engine.runThis(QStringLiteral("НетТакой"));  // not defined: nothing happens
  EXPECT_EQ(host1.globals->out, QStringList({"top", "main", "save"}));

  // A form module in host form followed by a global module in built-in form, as the
  // document form hands them over (CRLF line ends, as stored).
  Fixture host2;
  host2.engine.load(
      QStringLiteral("sub ПриСохранении()\r\n  Вывод Удв(2)\r\nend sub\r\n"
                     "Главная Процедура ПриОткрытии()\r\n\r\nКонецПроцедуры\r\n"
                     "Function Удв(x)\r\n  Удв = ?(x > 1, x * 2, 0)\r\nEnd Function\r\n"));
  EXPECT_TRUE(host2.globals->out.isEmpty());
  host2.engine.runThis(QStringLiteral("присохранении"));
  EXPECT_EQ(host2.globals->out, QStringList({"4"}));
}

TEST(InterpHost, InterruptStopsLoopsAndCannotBeResumedPast) {
  Fixture f;
  try {
    f.engine.load(
        QStringLiteral("On Error Resume Next\nn = 0\nDo\n  n = n + 1\n  If n = 100 Then "
                       "Стоп\nLoop\nВывод \"after\"\n"));
    FAIL() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.code(), ErrorCode::Interrupted);
    EXPECT_EQ(e.description(), QStringLiteral("Выполнение прервано"));
  }
  EXPECT_TRUE(f.globals->out.isEmpty());
  EXPECT_EQ(f.engine.variable(QStringLiteral("N")).asInt(), 100);
  // The next run starts with the flag cleared.
  f.engine.load(QStringLiteral("Вывод \"again\"\n"));
  EXPECT_EQ(f.globals->out, QStringList({"again"}));
}

// A module that only calls (no loop) notices the interrupt when it next polls the host,
// within a few thousand calls, and stops there too.
TEST(InterpHost, InterruptStopsAModuleThatOnlyRecurses) {
  Fixture f;
  try {
    f.engine.load(
        QStringLiteral("n = 0\nFunction Ф(d)\n  n = n + 1\n  If n = 100 Then Стоп\n"
                       "  If d > 0 Then Ф = Ф(d - 1) + Ф(d - 1)\nEnd Function\n"
                       "Ф 24\nВывод \"after\"\n"));
    FAIL() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.code(), ErrorCode::Interrupted);
  }
  EXPECT_TRUE(f.globals->out.isEmpty());
  const int calls = f.engine.variable(QStringLiteral("N")).asInt();
  EXPECT_GE(calls, 100);
  EXPECT_LE(calls, 100 + Runtime::kPollPasses);
}

TEST(InterpHost, CallPassesArgumentsAndReturnsResult) {
  Fixture f;
  f.engine.load(QStringLiteral("Function Сумма(a, b)\n  Сумма = a + b\nEnd Function\n"));
  EXPECT_EQ(
      f.engine.call(QStringLiteral("сумма"), {Value::integer(2), Value::real(0.5)}).asDouble(),
      2.5);
  try {
    f.engine.call(QStringLiteral("Нет"));
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.code(), ErrorCode::ProcedureNotFound);
  }
}

// Without a translator a foreign failure is an invalid call with its text; the layer that
// installs one keeps its own number and text.
TEST(InterpHost, FailuresOfALowerLayerKeepTheirNumberOnceTranslated) {
  const QString module =
      QStringLiteral("On Error Resume Next\nСбой\nВывод Err.Number & \"|\" & Err.Description\n");
  Fixture plain;
  plain.engine.load(module);
  EXPECT_EQ(plain.globals->out, QStringList{QStringLiteral("5|lower layer failed")});

  setFailureTranslator([](const std::exception& e) -> std::optional<ScriptError> {
    if (!dynamic_cast<const LowerFailure*>(&e)) return std::nullopt;
    return ScriptError::custom(3022, QStringLiteral("Повтор ключа"));
  });
  Fixture translated;
  translated.engine.load(module);
  setFailureTranslator(nullptr);
  EXPECT_EQ(translated.globals->out, QStringList{QStringLiteral("3022|Повтор ключа")});
}

}  // namespace

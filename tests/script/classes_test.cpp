#include <gtest/gtest.h>

#include <QStringList>

#include "message_host.h"
#include "script/class_object.h"
#include "script/engine.h"

using namespace balvix::script;

namespace {

// The global object: Сообщить records its argument.
class Globals : public SimpleHostObject {
 public:
  explicit Globals(MessageHost& r) : m_r(r) { addMember(0, QStringLiteral("Сообщить")); }
  Value invoke(int, Args& args) override {
    m_r.messages << toText(args[0]);
    return Value();
  }

 private:
  MessageHost& m_r;
};

const QString kCycle = QStringLiteral(
    "Class Узел\n"
    "  Public Next_, Items\n"
    "  Private Sub Class_Terminate\n"
    "    Сообщить \"освобожден\"\n"
    "  End Sub\n"
    "End Class\n"
    "Set a = New Узел : Set b = New Узел\n"
    "Set a.Next_ = b : Set b.Next_ = a\n"
    "Set c = New Узел : c.Items = Array(c, a)\n"
    "Set a = Nothing : Set b = Nothing : Set c = Nothing\n"
    "Set kept = New Узел\n");

TEST(ClassInstances, CyclesAreFreedWithTheirEngineWithoutRunningTerminate) {
  const int before = ClassObject::liveCount();
  MessageHost host;
  {
    Engine engine(host);
    engine.setGlobalObject(std::make_shared<Globals>(host));
    engine.load(kCycle);
    EXPECT_EQ(ClassObject::liveCount(), before + 4);
    // Loading another module frees the instances of the first one.
    engine.load(QStringLiteral("x = 1"));
    EXPECT_EQ(ClassObject::liveCount(), before);
    engine.load(kCycle);
  }
  EXPECT_EQ(ClassObject::liveCount(), before);
  EXPECT_TRUE(host.messages.isEmpty()) << host.messages.join(u'|').toStdString();
}

TEST(ClassInstances, UnloadRunsTerminateOfModuleVariablesButNotOfCycles) {
  MessageHost host;
  Engine engine(host);
  engine.setGlobalObject(std::make_shared<Globals>(host));
  engine.load(kCycle);
  engine.unload();
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("освобожден")});
}

TEST(ClassInstances, AnInstanceThatOutlivesItsEngineRaisesInsteadOfRunning) {
  MessageHost host;
  Value kept;
  {
    Engine engine(host);
    engine.setGlobalObject(std::make_shared<Globals>(host));
    engine.load(
        QStringLiteral("Class Т\n Public X\n Function F() : F = 1 : End Function\n"
                       "End Class\nSet o = New Т : o.X = 5"));
    kept = engine.variable(QStringLiteral("o"));
  }
  ASSERT_TRUE(kept.isObject());
  HostObject& obj = *kept.asObject();
  EXPECT_EQ(obj.typeName(), QStringLiteral("Т"));
  Args none(nullptr, 0);
  try {
    obj.invoke(obj.dispatchId(QStringLiteral("F")), none);
    ADD_FAILURE() << "a method of a detached instance ran";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.code(), ErrorCode::ObjectNotSet);
  }
}

TEST(ClassInstances, ALongChainIsFreedWithoutRecursion) {
  MessageHost host;
  Engine engine(host);
  engine.setGlobalObject(std::make_shared<Globals>(host));
  engine.load(
      QStringLiteral("Class Звено\n Public Next_\nEnd Class\n"
                     "Set head = Nothing\n"
                     "For i = 1 To 100000\n"
                     "  Set n = New Звено : Set n.Next_ = head : Set head = n\n"
                     "Next\n"
                     "Set n = Nothing : Set head = Nothing\n"
                     "Сообщить \"готово\"\n"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("готово")});
}

TEST(ClassInstances, TerminateMayCreateAndReleaseInstancesAndItsErrorsAreSwallowed) {
  MessageHost host;
  Engine engine(host);
  engine.setGlobalObject(std::make_shared<Globals>(host));
  engine.load(
      QStringLiteral("Class Т\n Public N\n"
                     " Private Sub Class_Terminate\n"
                     "  Сообщить \"конец \" & N\n"
                     "  If N < 3 Then Set t = New Т : t.N = N + 1\n"
                     "  x = 1 / 0\n"
                     " End Sub\n"
                     "End Class\n"
                     "Set o = New Т : o.N = 1 : Set o = Nothing\n"
                     "Сообщить \"дальше\"\n"));
  EXPECT_EQ(host.messages, (QStringList{QStringLiteral("конец 1"), QStringLiteral("конец 2"),
                                        QStringLiteral("конец 3"), QStringLiteral("дальше")}));
}

}  // namespace

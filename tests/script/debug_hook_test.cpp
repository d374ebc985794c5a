#include <gtest/gtest.h>

#include "message_host.h"
#include "script/engine.h"

using namespace balvix::script;

namespace {

// Stops at one line of one module and records what a debugger would show there.
class StopAt : public DebugHook {
 public:
  StopAt(QString module, int line) : m_module(std::move(module)), m_line(line) { armed = true; }
  void atStatement(Engine& engine, const QString& module, int line, int depth) override {
    visited << QStringLiteral("%1:%2").arg(module).arg(line);
    if (module != m_module || line != m_line) return;
    stack = engine.debugStack();
    locals = engine.debugVariables(0);
    moduleLevel = engine.debugVariables(static_cast<int>(stack.size()) - 1);
    stoppedDepth = depth;
  }
  QStringList visited;
  std::vector<DebugFrameInfo> stack;
  std::vector<DebugVariable> locals, moduleLevel;
  int stoppedDepth = -1;

 private:
  QString m_module;
  int m_line;
};

const DebugVariable* named(const std::vector<DebugVariable>& vars, const QString& name) {
  for (const DebugVariable& v : vars)
    if (v.name == name) return &v;
  return nullptr;
}

TEST(DebugHookTest, AStopSeesTheStackTheLocalsAndTheModuleVariablesInTheirOwnModules) {
  MessageHost host;
  Engine engine(host);
  StopAt hook(QStringLiteral("Глобальный модуль"), 3);
  engine.setDebugHook(&hook);
  engine.load({{QStringLiteral("Документ.Приход"),
                QStringLiteral("Dim итог(1)\nитог(0) = \"а\"\nПосчитать 5\n")},
               {QStringLiteral("Глобальный модуль"),
                QStringLiteral("Sub Посчитать(n)\n  Dim к\n  к = n * 2\nEnd Sub\n")}});

  EXPECT_EQ(
      hook.visited,
      (QStringList{QStringLiteral("Документ.Приход:1"), QStringLiteral("Документ.Приход:2"),
                   QStringLiteral("Документ.Приход:3"), QStringLiteral("Глобальный модуль:3")}));
  ASSERT_EQ(hook.stack.size(), 2u);
  EXPECT_EQ(hook.stack[0].procedure, QStringLiteral("Посчитать"));
  EXPECT_EQ(hook.stack[0].module, QStringLiteral("Глобальный модуль"));
  EXPECT_EQ(hook.stack[1].module, QStringLiteral("Документ.Приход"));
  EXPECT_EQ(hook.stack[1].line, 3);
  EXPECT_EQ(hook.stoppedDepth, 1);
  const DebugVariable* n = named(hook.locals, QStringLiteral("n"));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->value, QStringLiteral("5"));
  ASSERT_TRUE(named(hook.locals, QStringLiteral("к")));
  EXPECT_EQ(named(hook.locals, QStringLiteral("к"))->value, QStringLiteral("Empty"));
  const DebugVariable* total = named(hook.moduleLevel, QStringLiteral("итог"));
  ASSERT_TRUE(total);
  ASSERT_EQ(total->children.size(), 2u);
  EXPECT_EQ(total->children[0].name, QStringLiteral("(0)"));
  EXPECT_EQ(total->children[0].value, QStringLiteral("\"а\""));
  EXPECT_EQ(engine.moduleText(QStringLiteral("Глобальный модуль")).count(u'\n'), 4);
}

// A debugger closed while windows keep their modules loaded: its hook is uninstalled (and
// then deleted), and the engines that loaded under it call the hook installed now instead.
TEST(DebugHookTest, AnUninstalledHookIsNotCalledByEnginesLoadedUnderIt) {
  MessageHost host;
  Engine engine(host);
  StopAt first(QStringLiteral("М"), 1);
  installDebugHook(&first);
  engine.load({{QStringLiteral("М"), QStringLiteral("Sub П\n  y = 2\nEnd Sub\nx = 1\n")}});
  EXPECT_EQ(first.visited, QStringList{QStringLiteral("М:4")});
  StopAt second(QStringLiteral("М"), 2);
  installDebugHook(&second);
  engine.call(QStringLiteral("П"));
  engine.unload();
  installDebugHook(nullptr);
  EXPECT_EQ(first.visited, QStringList{QStringLiteral("М:4")});
  EXPECT_EQ(second.visited, QStringList{QStringLiteral("М:2")});
}

}  // namespace

#include <gtest/gtest.h>

#include "message_host.h"
#include "script/coerce.h"
#include "script/engine.h"

// A form runs its own module and the global module together; errors name the module
// they happened in and the line within it.

using namespace balvix::script;

namespace {

const QString kForm = QStringLiteral("Документ.Приход");
const QString kGlobal = QStringLiteral("Глобальный модуль");

ScriptError errorOf(Engine& engine, const std::vector<ModuleSource>& modules) {
  try {
    engine.load(modules);
  } catch (const ScriptError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return ScriptError(0);
}

TEST(ModuleNames, RunTimeErrorsNameTheModuleAndItsOwnLine) {
  MessageHost host;
  Engine engine(host);
  const QString form = QStringLiteral("x = 1\ny = 2\nz = 3\nw = Делить(1, 0)\n");
  const QString global = QStringLiteral(
      "' общие процедуры\nFunction Делить(a, b)\n"
      "  Делить = a / b\nEnd Function\n");
  ScriptError e = errorOf(engine, {{kForm, form}, {kGlobal, global}});
  EXPECT_EQ(e.code(), ErrorCode::DivisionByZero);
  EXPECT_EQ(e.module(), kGlobal);
  EXPECT_EQ(e.line(), 3);
  EXPECT_EQ(e.message(), QStringLiteral("Глобальный модуль, строка 3: Деление на ноль"));

  // Errors of later calls into the loaded program are located the same way.
  engine.load({{kForm, QStringLiteral("Sub ПриСохранении()\n  Ошибка\nEnd Sub\n")},
               {kGlobal, QStringLiteral("\n\nSub Ошибка()\n  Err.Raise 1000\nEnd Sub\n")}});
  try {
    engine.runThis(QStringLiteral("ПриСохранении"));
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& err) {
    EXPECT_EQ(err.module(), kGlobal);
    EXPECT_EQ(err.line(), 4);
  }
  try {
    engine.call(QStringLiteral("ПриСохранении"));
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& err) {
    EXPECT_EQ(err.line(), 4);
  }
}

TEST(ModuleNames, SyntaxErrorsStayInTheirModule) {
  MessageHost host;
  Engine engine(host);
  // An If left open in the form module is reported there, not in the global module.
  ScriptError e = errorOf(engine, {{kForm, QStringLiteral("x = 1\nIf x Then\n  y = 1\n")},
                                   {kGlobal, QStringLiteral("Sub A()\nEnd Sub\n")}});
  EXPECT_TRUE(e.isSyntax());
  EXPECT_EQ(e.module(), kForm);
  EXPECT_EQ(e.line(), 3);

  e = errorOf(engine,
              {{kForm, QStringLiteral("x = 1\n")}, {kGlobal, QStringLiteral("y = 1\nz = (1\n")}});
  EXPECT_EQ(e.module(), kGlobal);
  EXPECT_EQ(e.line(), 2);
}

TEST(ModuleNames, ModulesShareProceduresAndVariablesButNotOptionExplicit) {
  MessageHost host;
  Engine engine(host);
  engine.load({{kForm, QStringLiteral("Option Explicit\nDim r\nr = Общая(2)\n")},
               {kGlobal, QStringLiteral("Function Общая(a)\n  t = a * 10\n  Общая = t + к\n"
                                        "End Function\nк = 1\n")}});
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("r"))), 20);  // к is set after the call
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("к"))), 1);

  // Of two procedures with one name the later one counts, also across modules.
  engine.load({{kForm, QStringLiteral("Function F()\n  F = 1\nEnd Function\nr = F()\n")},
               {kGlobal, QStringLiteral("Function F()\n  F = 2\nEnd Function\n")}});
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("r"))), 2);
}

TEST(ModuleNames, OneUnnamedTextKeepsItsPlainLines) {
  MessageHost host;
  Engine engine(host);
  try {
    engine.load(QStringLiteral("x = 1\n\ny = 1 / 0\n"));
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_TRUE(e.module().isEmpty());
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.message(), QStringLiteral("строка 3: Деление на ноль"));
  }
}

}  // namespace

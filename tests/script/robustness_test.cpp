#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <functional>

#include "message_host.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/host_object.h"

// Modules built to break the interpreter (found by fuzzing): each must end with a
// clear error or a result, never a crash, a hang or the machine's memory.

using namespace balvix::script;

namespace {

ScriptError errorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const ScriptError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return ScriptError(0);
}

ScriptError loadError(const QString& text) {
  MessageHost host;
  Engine engine(host);
  return errorOf([&] { engine.load(text); });
}

QString repeated(const QString& piece, int n) {
  QString s;
  s.reserve(piece.size() * n);
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

void expectTooComplex(const QString& text, int line) {
  const ScriptError e = loadError(text);
  EXPECT_TRUE(e.isSyntax()) << e.description().toStdString();
  EXPECT_EQ(e.line(), line);
  EXPECT_EQ(e.description(), QStringLiteral("слишком сложное выражение"));
}

TEST(ScriptRobustness, DeepNestingIsASyntaxErrorWithItsLine) {
  expectTooComplex(QStringLiteral("x = 1\ny = ") + repeated(QStringLiteral("("), 4000) +
                       QStringLiteral("1") + repeated(QStringLiteral(")"), 4000),
                   2);
  expectTooComplex(QStringLiteral("Function f(a)\nf = a\nEnd Function\nx = ") +
                       repeated(QStringLiteral("f("), 4000) + QStringLiteral("1") +
                       repeated(QStringLiteral(")"), 4000),
                   4);
  expectTooComplex(repeated(QStringLiteral("If True Then\n"), 10000), 199);
  expectTooComplex(QStringLiteral("x = 1") + repeated(QStringLiteral(" + 1"), 50000), 1);
  expectTooComplex(
      QStringLiteral("x = ") + repeated(QStringLiteral("- "), 50000) + QStringLiteral("1"), 1);
  expectTooComplex(
      QStringLiteral("x = Not ") + repeated(QStringLiteral("Not "), 50000) + QStringLiteral("1"),
      1);
  expectTooComplex(QStringLiteral("x = \"a\"") + repeated(QStringLiteral(" & \"a\""), 150000), 1);
  expectTooComplex(QStringLiteral("x = a") + repeated(QStringLiteral(".b"), 100000), 1);
  // A syntax error at the end of a huge expression: the tree built so far is freed
  // without recursion.
  const ScriptError e = loadError(QStringLiteral("x = 1") + repeated(QStringLiteral(" + 1"), 600) +
                                  QStringLiteral(" +"));
  EXPECT_TRUE(e.isSyntax());
}

TEST(ScriptRobustness, NestingBelowTheLimitsStillRuns) {
  MessageHost host;
  Engine engine(host);
  engine.load(QStringLiteral("r = ") + repeated(QStringLiteral("("), 60) + QStringLiteral("1") +
              repeated(QStringLiteral(")"), 60) + repeated(QStringLiteral(" + 1"), 900) +
              QStringLiteral("\n") + repeated(QStringLiteral("If True Then\n"), 100) +
              QStringLiteral("q = 1\n") + repeated(QStringLiteral("End If\n"), 100));
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("r"))), 901);
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("q"))), 1);
}

TEST(ScriptRobustness, LexingIsLinearAndLiteralsStayOnTheirLine) {
  // Thousands of stray '#' on CR-ended lines: each fails on its own line.
  const ScriptError e = loadError(QStringLiteral("x = 1\ry = #1\r") +
                                  repeated(QStringLiteral("z = 1 ' #\r"), 200000));
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(e.description(), QStringLiteral("Недопустимая константа даты"));
  const ScriptError cr = loadError(QStringLiteral("x = #01.01.2020\r#"));
  EXPECT_EQ(cr.line(), 1);
}

TEST(ScriptRobustness, ModuleSizeIsBounded) {
  const ScriptError e = loadError(repeated(QStringLiteral("x = 1\n"), 800000));
  EXPECT_EQ(e.code(), ErrorCode::OutOfMemory);
}

// A host method that calls back into the module that called it.
class Reentrant : public SimpleHostObject {
 public:
  explicit Reentrant(Engine& engine) : m_engine(engine) {
    addMember(0, QStringLiteral("Again"));
    addMember(1, QStringLiteral("Reload"));
  }
  Value invoke(int id, Args&) override {
    if (id == 0) return m_engine.call(QStringLiteral("P"));
    m_engine.load(QStringLiteral("x = 1"));
    return Value();
  }

 private:
  Engine& m_engine;
};

TEST(ScriptRobustness, HostToModuleRecursionIsCountedByTheCallGuard) {
  MessageHost host;
  Engine engine(host);
  engine.addObject(QStringLiteral("Host"), std::make_shared<Reentrant>(engine));
  const ScriptError e = errorOf([&] {
    engine.load(
        QStringLiteral("Function P()\n  P = Host.Again()\nEnd Function\n"
                       "Function Q()\n  Q = 5\nEnd Function\nP\n"));
  });
  EXPECT_EQ(e.code(), ErrorCode::OutOfStack);
  EXPECT_EQ(e.line(), 2);
  // The engine stays usable after the deep unwinding.
  EXPECT_EQ(toLong(engine.call(QStringLiteral("Q"), {})), 5);
}

TEST(ScriptRobustness, ReloadingFromInsideARunningModuleIsRefused) {
  MessageHost host;
  Engine engine(host);
  engine.addObject(QStringLiteral("Host"), std::make_shared<Reentrant>(engine));
  const ScriptError e = errorOf([&] { engine.load(QStringLiteral("y = 2\nHost.Reload\n")); });
  EXPECT_EQ(e.code(), ErrorCode::InvalidCall);
  EXPECT_EQ(toLong(engine.variable(QStringLiteral("y"))), 2);
}

// The headless runner's command line.
struct RunResult {
  int exitCode;
  QString err;
};

RunResult runBalvix(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(BALVIX_BINARY), args);
  p.waitForFinished(60000);
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

TEST(ScriptRunner, OptionsWithoutValuesAndOddFileNames) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("модуль %1 %2.vbs"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x = 1\ny = 1 / 0\n");
  f.close();
  const RunResult r = runBalvix({QStringLiteral("--run"), file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(file + QStringLiteral(":2: Деление на ноль"))) << r.err.toStdString();

  for (const QString& option : {QStringLiteral("--call"), QStringLiteral("--db")}) {
    const RunResult missing = runBalvix({QStringLiteral("--run"), file, option});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(option)) << missing.err.toStdString();
  }
  const RunResult before = runBalvix({QStringLiteral("--run"), file, QStringLiteral("--call"),
                                      QStringLiteral("--db"), QStringLiteral("x.mdb")});
  EXPECT_EQ(before.exitCode, 1);
  EXPECT_TRUE(before.err.contains(QStringLiteral("--call"))) << before.err.toStdString();
}

TEST(ScriptRunner, DevicesAndHugeFilesAreNotReadForever) {
  const RunResult r = runBalvix({QStringLiteral("--run"), QStringLiteral("/dev/zero")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Недостаточно памяти"))) << r.err.toStdString();
}

}  // namespace

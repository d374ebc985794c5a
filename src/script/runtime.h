#pragma once

#include <QHash>
#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "script/builtins.h"
#include "script/debug_hook.h"
#include "script/host.h"
#include "script/host_object.h"
#include "script/script_error.h"
#include "script/value.h"

namespace balvix::script {

class Engine;
class Runtime;
class ClassSupport;
struct ClassDef;

// Per-call state: the vars of the running procedure and its error mode.
struct Ctx {
  Runtime& rt;
  Value* vars;
  bool resumeNext = false;  // On Error Resume Next
};

enum class Flow { Normal, ExitFor, ExitDo, ExitProc };

struct Expr {
  int line = 0;
  virtual ~Expr() = default;
  virtual Value eval(Ctx& c) = 0;
  // The condition of If and loops; Null counts as False.
  virtual bool evalBool(Ctx& c);
  // The variable itself for variables (by-reference passing, assignment, in-place
  // updates); nullptr for everything else.
  virtual Value* ref(Ctx&) { return nullptr; }
  virtual bool isLiteral() const { return false; }
};
using ExprPtr = std::unique_ptr<Expr>;

struct Stmt {
  int line = 0;
  virtual ~Stmt() = default;
  virtual Flow exec(Ctx& c) = 0;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

Flow execBlock(const Block& block, Ctx& c);
// One statement of a block, as execBlock runs it (error line, On Error Resume Next,
// Class_Terminate waiting at its end). Defined below Runtime.
inline Flow execStatement(Stmt& s, Ctx& c);
// What execBlock does with an error thrown by statement s: under On Error Resume Next it
// is recorded, otherwise it goes on with its line. Called only inside a catch handler.
void statementFailed(const Stmt& s, Ctx& c);

struct Procedure {
  QString name;     // folded
  QString spelled;  // as written
  int line = 0;
  bool isFunction = false;
  bool isPrivate = false;
  std::vector<bool> byVal;  // per parameter
  int slotCount = 1;        // slot 0 is the function result, parameters follow
  int meSlot = -1;          // a member of a class: the slot that holds Me
  Block body;
  QHash<QString, int> localNames;  // folded name → slot, for a debugger
};

// The compiled module.
struct Program {
  std::vector<std::unique_ptr<Procedure>> procedures;
  QHash<QString, Procedure*> procedureByName;
  QHash<QString, int> globalByName;
  int globalCount = 0;
  Block constInit;  // module-level constants, run before anything else
  Block topLevel;
  std::deque<Block> executed;      // code compiled by ExecuteGlobal while running
  std::vector<ExprPtr> evaluated;  // expressions compiled by Eval
  QHash<QString, std::shared_ptr<ClassDef>> classByName;  // Class … End Class, by folded name
  bool optionExplicit = false;
};

class ErrObject;

// What a running program needs: module-level variables, the value stack for
// procedure frames, the Err object and the host.
class Runtime {
 public:
  Runtime(Engine& engine, Host& host, int globalCount);
  ~Runtime();

  Engine& engine;
  Host& host;
  // Module-level variables. Room is reserved so that ExecuteGlobal can add variables
  // without moving the existing ones (by-reference arguments point into them).
  std::vector<Value> globals;
  static constexpr int kSpareGlobals = 4096;
  std::shared_ptr<ErrObject> err;
  std::shared_ptr<HostObject> globalObject;
  const std::atomic<bool>* interrupt;
  int depth = 0;
  const char* stackBase = nullptr;

  // Every loop pass checks the interrupt flag; every kPollPasses loop passes or calls the
  // host may let the windows repaint and notice the interrupt keys. A call checks the flag
  // only then: a module that only recurses still stops within a few thousand calls.
  static constexpr int kPollPasses = 4096;
  int pollCountdown = kPollPasses;
  void checkInterrupt() {
    if (--pollCountdown <= 0) poll();
    if (interrupt->load(std::memory_order_relaxed)) throw ScriptError(ErrorCode::Interrupted);
  }
  void checkInterruptOnCall() {
    if (--pollCountdown <= 0) {
      poll();
      if (interrupt->load(std::memory_order_relaxed)) throw ScriptError(ErrorCode::Interrupted);
    }
  }
  void poll() {
    pollCountdown = kPollPasses;
    host.keepResponsive();
  }
  void setError(const ScriptError& e);
  void clearError();

  // Instances of the module's classes (made on the first New) and whether some wait for
  // their Class_Terminate, which runs between statements, never inside one.
  std::unique_ptr<ClassSupport> classes;
  bool terminatePending = false;
  void runTerminates();

  // The debugger (or trace) of this run, and the calls under way while it is set.
  struct DebugFrame {
    const Procedure* proc;
    Value* vars;
    int line;
  };
  DebugHook* debug = nullptr;
  // The hook is the one installed for every engine (the configurator's debugger), not one
  // of the engine's own: it is read again whenever a run begins, because a debugger that
  // is closed uninstalls itself while engines it saw load live on in their windows.
  bool debugInstalled = false;
  std::vector<DebugFrame> debugFrames;
  int debugTopLine = 0;  // the module-level statement under way
  void debugStatement(int line);
  // Out of line, so that a call's frame stays small enough to be inlined without a debugger.
  [[gnu::noinline]] void pushDebugFrame(const Procedure* proc, Value* vars);
  [[gnu::noinline]] void popDebugFrame();

  // Frames are carved from chunks that never move, so by-reference vars stay valid.
  struct Mark {
    Value* top;
    Value* limit;
  };
  Value* allocFrame(int n, Mark& mark) {
    mark = {m_top, m_limit};
    if (m_limit - m_top >= n) {
      Value* base = m_top;
      m_top += n;
      return base;
    }
    return allocFrameSlow(n);
  }
  void releaseFrame(const Mark& mark, Value* base, int n) {
    for (int i = 0; i < n; ++i) base[i].clear();
    m_top = mark.top;
    m_limit = mark.limit;
  }

  // The frame of one procedure call: allocated on construction, released (and the call
  // depth counted down) when the call ends, however it ends.
  class CallFrame {
   public:
    CallFrame(Runtime& rt, int count, const Procedure* proc) : m_rt(rt), m_slots(count) {
      m_base = rt.allocFrame(count, m_mark);
      ++rt.depth;
      if (rt.debug) [[unlikely]]
        rt.pushDebugFrame(proc, m_base);
    }
    ~CallFrame() {
      if (m_rt.debug) [[unlikely]]
        m_rt.popDebugFrame();
      m_rt.releaseFrame(m_mark, m_base, m_slots);
      --m_rt.depth;
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;
    Value* base() const { return m_base; }

   private:
    Runtime& m_rt;
    Mark m_mark{};
    Value* m_base = nullptr;
    int m_slots;
  };

 private:
  struct Chunk {
    std::unique_ptr<Value[]> data;
    int size;
  };
  Value* allocFrameSlow(int n);
  std::vector<Chunk> m_chunks;
  Value* m_top = nullptr;    // the next free slot; null when no frame is in use
  Value* m_limit = nullptr;  // the end of its chunk
};

// How much of the C++ stack a running module may use below its outermost entry before
// «Недостаточно места в стеке»; the rest is for the host code it calls.
constexpr std::ptrdiff_t kMaxStackBytes = 5 * 1024 * 1024;
// Limit of nested procedure calls (Engine::kMaxCallDepth).
constexpr int kMaxCallDepth = 3000;
// Throws OutOfStack past the call-depth or stack limit.
[[noreturn]] void throwOutOfStack();
inline void checkCallDepth(Runtime& rt) {
  char here;
  if (rt.depth >= kMaxCallDepth || (rt.stackBase && rt.stackBase - &here > kMaxStackBytes))
    throwOutOfStack();
}

inline Flow execStatement(Stmt& s, Ctx& c) {
  try {
    if (c.rt.debug && c.rt.debug->armed) [[unlikely]]
      c.rt.debugStatement(s.line);
    const Flow f = s.exec(c);
    if (c.rt.terminatePending) [[unlikely]]
      c.rt.runTerminates();
    return f;
  } catch (...) {
    statementFailed(s, c);
  }
  return Flow::Normal;
}

// A block as execBlock runs it, without the loop when it is a single statement (a loop
// body, a short procedure).
inline Flow execBody(const Block& block, Ctx& c) {
  if (block.size() == 1) return execStatement(*block.front(), c);
  return execBlock(block, c);
}

// Runs a procedure with the given argument values (by value); returns its result.
Value callProcedure(Runtime& rt, Procedure& proc, std::vector<Value>& args);

// Turns whatever a host object or built-in threw into a run-time error.
ScriptError translateException(std::exception_ptr e);

// The language knows no layer below it, yet a failure there (the database's typed error)
// keeps its own number and text as the module's run-time error: the layer that throws such
// errors installs the translation once, before its objects reach a module. A translator
// answers nullopt for an exception it does not know.
using FailureTranslator = std::optional<ScriptError> (*)(const std::exception& failure);
void setFailureTranslator(FailureTranslator translator);

// The Err object of the language.
class ErrObject : public SimpleHostObject {
 public:
  ErrObject();
  int dispatchId(const QString& name) const override { return SimpleHostObject::dispatchId(name); }
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  int defaultMember() const override { return 0; }
  QString typeName() const override { return QStringLiteral("ErrObject"); }

  int number = 0;
  QString description;
  QString source;
  QString helpFile;
  int helpContext = 0;

 private:
  QString memberName(int dispId) const;
};

}  // namespace balvix::script

#pragma once

#include <QString>
#include <vector>

namespace balvix::script {

class Engine;

// A variable as a debugger shows it; arrays and objects have their parts as children.
struct DebugVariable {
  QString name;
  QString type;   // what TypeName() answers
  QString value;  // the value as text; empty for arrays and objects
  std::vector<DebugVariable> children;
};

// One call on the stack, innermost first; the last entry is the module level.
struct DebugFrameInfo {
  QString procedure;  // as written; empty for the module level
  QString module;  // "Документ.Приход", "Глобальный модуль", a file name
  int line = 0;  // the module's own line of the statement running in this frame
};

// Told of every statement before it runs while `armed` is set (a breakpoint exists, a step
// is under way, a trace is on). It may block: a debugger waits there for the user, and the
// module's own work (a posting's transaction) waits with it.
class DebugHook {
 public:
  virtual ~DebugHook() = default;
  // `module`/`line` name the statement about to run; `depth` is the number of procedure
  // calls under way (0 at the module level).
  virtual void atStatement(Engine& engine, const QString& module, int line, int depth) = 0;
  // The outermost entry into the engine's module has ended (normally or by an error), while
  // armed: a step that was under way has nowhere left to go. Must not throw.
  virtual void runEnded(Engine& engine) { (void)engine; }

  // Read before every statement; set it through setArmed, so that engines reporting to the
  // installed hook see it too.
  bool armed = false;
  void setArmed(bool on);
};

// The hook every engine without one of its own reports to (the program's debugger);
// nullptr for none. An engine reads it again whenever a run begins, and reports to it
// through a gate that outlives every hook: a hook that is removed (a debugger closed) is
// never called again, even by engines that ran under it.
void installDebugHook(DebugHook* hook);
// The gate engines report to while a hook is installed; nullptr when none is.
DebugHook* installedDebugHook();

}  // namespace balvix::script

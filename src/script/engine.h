#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

#include "script/builtins.h"
#include "script/debug_hook.h"
#include "script/host.h"
#include "script/host_object.h"
#include "script/script_error.h"
#include "script/value.h"

namespace balvix::script {

class Program;
class Runtime;
struct LocalNames;

// One module text with the name its errors report: "Глобальный модуль",
// "Документ.Приход", a file name.
struct ModuleSource {
  QString name;
  QString text;
};

// The interpreter of the module language. One engine holds one loaded module (the
// form's module followed by the global module) with its module-level variables.
//
//   Engine engine(host);
//   engine.setGlobalObject(createGlobalFunctions(host, session));
//   engine.load(moduleText);          // top-level statements, then MAIN / ПриОткрытии
//   engine.runThis("ПриСохранении");  // later; nothing happens when not defined
//
// Errors come out of load(), runThis() and call() as ScriptError carrying the module and
// its own line. After a run-time error the engine stays usable. A form hands its module
// and the global module as separate texts, so each error names the right one:
//
//   engine.load({{"Документ.Приход", formCode}, {"Глобальный модуль", globalCode}});
class Engine {
 public:
  explicit Engine(Host& host);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Host& host() { return m_host; }
  // Built-ins are registered by the constructor; more may be added before load().
  BuiltinTable& builtins() { return m_builtins; }

  // The object whose members are callable without a qualifier (Сообщить, Состояние, …).
  // Set it before load(): names are resolved when the module is compiled.
  void setGlobalObject(std::shared_ptr<HostObject> object);
  // A further object reachable by name (`Форма.Поле`), before load().
  void addObject(const QString& name, std::shared_ptr<HostObject> object);

  // Compiles the text and runs it: top-level statements in order, then the opening
  // procedure MAIN (ПриОткрытии) when there is one. A previously loaded module is
  // discarded. Throws ScriptError (syntax errors before anything runs).
  void load(const QString& text);
  // Several module texts run as one program (procedures and module-level variables are
  // shared; of two procedures with one name the later one counts); each is parsed on its
  // own, so a construct left open in one is reported there.
  void load(const std::vector<ModuleSource>& modules);
  // Only compiles (no statement runs); throws ScriptError for a syntax error.
  void compile(const QString& text);
  void compile(const std::vector<ModuleSource>& modules);

  bool hasProcedure(const QString& name) const;
  // Runs a procedure of the loaded module without arguments; a name the module does
  // not define does nothing.
  void runThis(const QString& name);
  // Calls a procedure or function with arguments (by value) and returns its result.
  // Throws ScriptError 35 when there is no such procedure.
  Value call(const QString& name, std::vector<Value> args = {});

  // ExecuteGlobal / Execute of a running module: the text's statements run at the
  // module level, its procedures and variables join the program. Eval: the value of an
  // expression at the module level. Both throw ScriptError.
  void executeGlobal(const QString& text);
  Value evaluate(const QString& expression);
  // The same inside a running procedure: `vars` is its frame, `names` its local names.
  void executeGlobal(const QString& text, const LocalNames* names, Value* vars);
  Value evaluate(const QString& expression, const LocalNames* names, Value* vars);

  // Ends the module's run: its module-level variables are released in order, so the
  // Class_Terminate of the instances they held runs while the program is still there.
  // The engine stays loaded. Does nothing while a procedure of the module runs.
  void unload();

  // A module-level variable by name (Empty when there is none); for hosts and tests.
  Value variable(const QString& name) const;

  // A debugger or trace for the runs of this engine (instead of the installed hook);
  // set it before load().
  void setDebugHook(DebugHook* hook) { m_debug = hook; }
  // What a debugger shows while the module stands at a statement: the calls under way
  // (innermost first, the module level last), the variables of one of them (the module
  // level: the module's variables), and the text of a loaded module by its name.
  std::vector<DebugFrameInfo> debugStack() const;
  std::vector<DebugVariable> debugVariables(int frameIndex) const;
  QString moduleText(const QString& module) const;
  // A line of the compiled program as the module it belongs to and the module's own line.
  std::pair<QString, int> moduleLine(int programLine) const;

  // Limit of nested procedure calls before «Недостаточно места в стеке».
  static constexpr int kMaxCallDepth = 3000;
  // The largest module text accepted (all texts of one load together), in characters;
  // the runner reads at most kMaxModuleBytes of a file.
  static constexpr qsizetype kMaxModuleChars = 5 * 512 * 1024;
  static constexpr qsizetype kMaxModuleBytes = 3 * kMaxModuleChars;

 private:
  // Where each text's lines begin in the line numbering of the compiled program.
  struct ModuleSpan {
    int firstLine;
    QString name;
    QString text;
  };
  // Turns a program line of an error leaving the engine into the module's own line.
  void locate(ScriptError& e) const;
  // Folded name → the name as the modules first write it, for a debugger.
  QHash<QString, QString> spelledNames() const;
  void runExecuted(const QString& text, const LocalNames* names, Value* vars);
  // Runs the Class_Terminate of instances released by the entry that just ended.
  void settle();
  std::vector<ModuleSpan> m_spans;

  Host& m_host;
  BuiltinTable m_builtins;
  std::shared_ptr<HostObject> m_globalObject;
  std::vector<std::pair<QString, std::shared_ptr<HostObject>>> m_objects;
  std::unique_ptr<Program> m_program;
  std::unique_ptr<Runtime> m_runtime;
  DebugHook* m_debug = nullptr;
};

}  // namespace balvix::script

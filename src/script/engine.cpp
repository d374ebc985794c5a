#include "script/engine.h"

#include "script/compiler.h"
#include "script/lexer.h"
#include "script/parser.h"
#include "script/runtime.h"

namespace balvix::script {

static_assert(Engine::kMaxCallDepth == kMaxCallDepth);

namespace {

// Marks the outermost entry into the module: the interrupt flag is reset and the
// C++ stack depth is measured from here.
class EntryGuard {
 public:
  EntryGuard(Runtime& rt, Host& host) : m_rt(rt), m_outer(rt.stackBase == nullptr) {
    if (m_outer) {
      host.clearInterrupt();
      m_rt.stackBase = reinterpret_cast<const char*>(&m_marker);
      if (m_rt.debugInstalled) m_rt.debug = installedDebugHook();
    }
  }
  ~EntryGuard() {
    if (!m_outer) return;
    m_rt.stackBase = nullptr;
    if (m_rt.debug && m_rt.debug->armed) [[unlikely]]
      m_rt.debug->runEnded(m_rt.engine);
  }

 private:
  Runtime& m_rt;
  bool m_outer;
  char m_marker = 0;
};

}  // namespace

Engine::Engine(Host& host) : m_host(host) {
  registerBuiltins(m_builtins);
}

Engine::~Engine() = default;

void Engine::setGlobalObject(std::shared_ptr<HostObject> object) {
  m_globalObject = std::move(object);
}

void Engine::addObject(const QString& name, std::shared_ptr<HostObject> object) {
  m_objects.emplace_back(name, std::move(object));
}

void Engine::compile(const QString& text) {
  compile(std::vector<ModuleSource>{{QString(), text}});
}

void Engine::compile(const std::vector<ModuleSource>& modules) {
  // Replacing the program while one of its procedures runs (a host object reloading
  // the module it was called from) would free the nodes under the running code.
  if (m_runtime && m_runtime->stackBase)
    throw ScriptError(ErrorCode::InvalidCall, QStringLiteral("load"));
  m_runtime.reset();
  m_program.reset();
  m_spans.clear();
  qsizetype total = 0;
  for (const ModuleSource& m : modules) total += m.text.size();
  if (total > kMaxModuleChars) {
    ScriptError e(ErrorCode::OutOfMemory);
    e.setLocation(modules.size() == 1 ? modules.front().name : QString(), 0);
    throw e;
  }
  ParsedModule merged;
  int firstLine = 0;
  try {
    for (const ModuleSource& m : modules) {
      m_spans.push_back({firstLine, m.name, m.text});
      std::vector<Token> tokens = tokenize(m.text, firstLine);
      const int lastLine = tokens.empty() ? firstLine : tokens.back().line;
      Parser parser(std::move(tokens));
      ParsedModule one = parser.parseModule();
      merged.explicitFrom.push_back({merged.statements.size(), one.optionExplicit});
      for (ast::StmtNode& st : one.statements) merged.statements.push_back(std::move(st));
      firstLine = lastLine + 1;
    }
    Compiler::Environment env;
    env.builtins = &m_builtins;
    env.globalObject = m_globalObject.get();
    for (const auto& [name, obj] : m_objects)
      env.objects.emplace_back(foldIdentifier(name), Value(obj));
    m_program = Compiler(std::move(env)).compile(merged);
  } catch (ScriptError& e) {
    locate(e);
    throw;
  }
  m_runtime = std::make_unique<Runtime>(*this, m_host, m_program->globalCount);
  m_runtime->globalObject = m_globalObject;
  m_runtime->debug = m_debug ? m_debug : installedDebugHook();
  m_runtime->debugInstalled = !m_debug;
}

void Engine::locate(ScriptError& e) const {
  if (e.isLocated()) return;
  const auto [module, line] = moduleLine(e.line());
  e.setLocation(module, line);
}

std::pair<QString, int> Engine::moduleLine(int programLine) const {
  const ModuleSpan* span = nullptr;
  for (const ModuleSpan& s : m_spans)
    if (programLine > s.firstLine) span = &s;
  if (!span) return {m_spans.empty() ? QString() : m_spans.front().name, programLine};
  return {span->name, programLine - span->firstLine};
}

void Engine::load(const QString& text) {
  load(std::vector<ModuleSource>{{QString(), text}});
}

void Engine::load(const std::vector<ModuleSource>& modules) {
  compile(modules);
  try {
    EntryGuard guard(*m_runtime, m_host);
    Ctx ctx{*m_runtime, m_runtime->globals.data()};
    execBlock(m_program->constInit, ctx);
    execBlock(m_program->topLevel, ctx);
  } catch (ScriptError& e) {
    locate(e);
    throw;
  }
  settle();
  runThis(QStringLiteral("main"));
}

bool Engine::hasProcedure(const QString& name) const {
  return m_program && m_program->procedureByName.contains(foldIdentifier(name));
}

void Engine::runThis(const QString& name) {
  if (!hasProcedure(name)) return;
  Procedure* proc = m_program->procedureByName.value(foldIdentifier(name));
  if (!proc->byVal.empty()) throw ScriptError(ErrorCode::WrongArgumentCount, proc->spelled);
  std::vector<Value> none;
  try {
    EntryGuard guard(*m_runtime, m_host);
    callProcedure(*m_runtime, *proc, none);
  } catch (ScriptError& e) {
    locate(e);
    settle();
    throw;
  }
  settle();
}

Value Engine::call(const QString& name, std::vector<Value> args) {
  if (!hasProcedure(name)) throw ScriptError(ErrorCode::ProcedureNotFound, name);
  Procedure* proc = m_program->procedureByName.value(foldIdentifier(name));
  Value result;
  try {
    EntryGuard guard(*m_runtime, m_host);
    result = callProcedure(*m_runtime, *proc, args);
  } catch (ScriptError& e) {
    locate(e);
    settle();
    throw;
  }
  settle();
  return result;
}

void Engine::settle() {
  if (!m_runtime || !m_runtime->terminatePending || m_runtime->stackBase) return;
  EntryGuard guard(*m_runtime, m_host);
  m_runtime->runTerminates();
}

namespace {
Compiler::Environment environment(
    const BuiltinTable& builtins, HostObject* globalObject,
    const std::vector<std::pair<QString, std::shared_ptr<HostObject>>>& objects) {
  Compiler::Environment env;
  env.builtins = &builtins;
  env.globalObject = globalObject;
  for (const auto& [name, obj] : objects)
    env.objects.emplace_back(foldIdentifier(name), Value(obj));
  return env;
}
// An error in text given to Execute or Eval is a run-time error of the calling
// statement (catchable, reported on that statement's line).
ScriptError asRuntimeError(const ScriptError& e) {
  ScriptError out = ScriptError::custom(e.code(), e.description(), e.source());
  if (e.isModuleMessage()) out.setRaisedByModule();
  return out;
}

// Execute and Eval nest like calls ("Execute s" where s executes itself): they count
// against the same depth and stack limits.
class NestedRun {
 public:
  explicit NestedRun(Runtime& rt) : m_rt(rt) {
    checkCallDepth(rt);
    ++rt.depth;
  }
  ~NestedRun() { --m_rt.depth; }
  NestedRun(const NestedRun&) = delete;
  NestedRun& operator=(const NestedRun&) = delete;

 private:
  Runtime& m_rt;
};
}  // namespace

void Engine::executeGlobal(const QString& text) {
  executeGlobal(text, nullptr, nullptr);
}

Value Engine::evaluate(const QString& expression) {
  return evaluate(expression, nullptr, nullptr);
}

void Engine::executeGlobal(const QString& text, const LocalNames* names, Value* vars) {
  if (!m_program || !m_runtime) throw ScriptError(ErrorCode::InvalidCall);
  if (text.size() > kMaxModuleChars) throw ScriptError(ErrorCode::OutOfMemory);
  NestedRun nested(*m_runtime);
  try {
    runExecuted(text, names, vars);
  } catch (const ScriptError& e) {
    if (e.isInterrupt()) throw;
    throw asRuntimeError(e);
  }
}

void Engine::runExecuted(const QString& text, const LocalNames* names, Value* vars) {
  ParsedModule module = Parser(tokenize(text)).parseModule();
  Program& program = *m_program;
  Block code = Compiler(environment(m_builtins, m_globalObject.get(), m_objects))
                   .extend(program, module, names);
  if (program.globalCount > static_cast<int>(m_runtime->globals.capacity()))
    throw ScriptError(ErrorCode::OutOfMemory);
  m_runtime->globals.resize(static_cast<std::size_t>(program.globalCount));
  program.executed.push_back(std::move(code));
  const Block& run = program.executed.back();
  Ctx ctx{*m_runtime, names ? vars : m_runtime->globals.data()};
  execBlock(run, ctx);
}

Value Engine::evaluate(const QString& expression, const LocalNames* names, Value* vars) {
  if (!m_program || !m_runtime) throw ScriptError(ErrorCode::InvalidCall);
  if (expression.size() > kMaxModuleChars) throw ScriptError(ErrorCode::OutOfMemory);
  NestedRun nested(*m_runtime);
  // "x = 1" reads as a comparison, as Eval reads it in the language.
  Program& program = *m_program;
  ExprPtr e;
  try {
    Parser parser(tokenize(expression));
    ast::ExprNode tree = parser.parseStandaloneExpression();
    e = Compiler(environment(m_builtins, m_globalObject.get(), m_objects))
            .expression(program, *tree, names);
  } catch (const ScriptError& err) {
    throw asRuntimeError(err);
  }
  if (program.globalCount > static_cast<int>(m_runtime->globals.capacity()))
    throw ScriptError(ErrorCode::OutOfMemory);
  m_runtime->globals.resize(static_cast<std::size_t>(program.globalCount));
  Expr* compiled = e.get();
  program.evaluated.push_back(std::move(e));
  Ctx ctx{*m_runtime, names ? vars : m_runtime->globals.data()};
  try {
    return compiled->eval(ctx);
  } catch (ScriptError& err) {
    err.setLine(0);  // the line of the statement that called Eval
    throw;
  }
}

void Engine::unload() {
  if (!m_runtime || m_runtime->stackBase) return;
  EntryGuard guard(*m_runtime, m_host);
  for (Value& v : m_runtime->globals) {
    Value released = std::move(v);
    v = Value();
    released = Value();
    if (m_runtime->terminatePending) m_runtime->runTerminates();
  }
}

Value Engine::variable(const QString& name) const {
  if (!m_program) return Value();
  auto it = m_program->globalByName.constFind(foldIdentifier(name));
  if (it == m_program->globalByName.constEnd()) return Value();
  return m_runtime->globals[static_cast<std::size_t>(*it)].deref();
}

}  // namespace balvix::script

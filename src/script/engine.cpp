#include "script/engine.h"

#include "script/compiler.h"
#include "script/lexer.h"
#include "script/parser.h"
#include "script/runtime.h"

namespace balvix::script {

namespace {

// Marks the outermost entry into the module: the interrupt flag is reset and the
// C++ stack depth is measured from here.
class EntryGuard {
 public:
  EntryGuard(Runtime& rt, Host& host) : m_rt(rt), m_outer(rt.stackBase == nullptr) {
    if (m_outer) {
      host.clearInterrupt();
      m_rt.stackBase = reinterpret_cast<const char*>(&m_marker);
    }
  }
  ~EntryGuard() {
    if (m_outer) m_rt.stackBase = nullptr;
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
  m_runtime.reset();
  m_program.reset();
  Parser parser(tokenize(text));
  ParsedModule module = parser.parseModule();
  Compiler::Environment env;
  env.builtins = &m_builtins;
  env.globalObject = m_globalObject.get();
  for (const auto& [name, obj] : m_objects)
    env.objects.emplace_back(foldIdentifier(name), Value(obj));
  m_program = Compiler(std::move(env)).compile(module);
  m_runtime = std::make_unique<Runtime>(*this, m_host, m_program->globalCount);
  m_runtime->globalObject = m_globalObject;
}

void Engine::load(const QString& text) {
  compile(text);
  {
    EntryGuard guard(*m_runtime, m_host);
    Frame frame;
    Ctx ctx{*m_runtime, m_runtime->globals.data(), frame};
    execBlock(m_program->constInit, ctx);
    execBlock(m_program->topLevel, ctx);
  }
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
  EntryGuard guard(*m_runtime, m_host);
  callProcedure(*m_runtime, *proc, none);
}

Value Engine::call(const QString& name, std::vector<Value> args) {
  if (!hasProcedure(name)) throw ScriptError(ErrorCode::ProcedureNotFound, name);
  Procedure* proc = m_program->procedureByName.value(foldIdentifier(name));
  EntryGuard guard(*m_runtime, m_host);
  return callProcedure(*m_runtime, *proc, args);
}

Value Engine::variable(const QString& name) const {
  if (!m_program) return Value();
  auto it = m_program->globalByName.constFind(foldIdentifier(name));
  if (it == m_program->globalByName.constEnd()) return Value();
  return m_runtime->globals[static_cast<std::size_t>(*it)].deref();
}

}  // namespace balvix::script

#include "runtime/module_runner.h"

#include <optional>

#include "runtime/form_host.h"
#include "runtime/module_error.h"
#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "script/script_error.h"
#include "shell/message_box.h"

namespace balvix::runtime {

ModuleRunner::ModuleRunner() = default;

ModuleRunner::~ModuleRunner() = default;

script::Host& ModuleRunner::host() {
  if (m_host) return *m_host;
  if (!m_ownHost) m_ownHost = std::make_unique<FormHost>();
  return *m_ownHost;
}

script::Engine& ModuleRunner::start(std::shared_ptr<script::HostObject> globalObject) {
  end();
  m_engine = std::make_unique<script::Engine>(host());
  if (!globalObject) globalObject = script::createGlobalFunctions(host(), nullptr);
  m_engine->setGlobalObject(std::move(globalObject));
  return *m_engine;
}

bool ModuleRunner::run(const std::function<void()>& body,
                       const std::function<void()>& beforeError) {
  // The runner's own host watches the keys that stop a module; the program's host does
  // that itself.
  std::optional<FormHost::RunScope> scope;
  if (auto* own = dynamic_cast<FormHost*>(&host())) scope.emplace(*own);
  try {
    body();
    return true;
  } catch (const script::ScriptError& e) {
    if (beforeError) beforeError();
    showModuleError(m_moduleName, e);
  } catch (const std::exception& e) {
    if (beforeError) beforeError();
    shell::MessageBoxes::show(QString::fromUtf8(e.what()));
  }
  return false;
}

void ModuleRunner::end() {
  if (!m_engine) return;
  try {
    m_engine->unload();
  } catch (...) {
    // The engine already keeps errors of Class_Terminate to itself.
  }
}

void ModuleRunner::reset() {
  m_engine.reset();
}

}  // namespace balvix::runtime

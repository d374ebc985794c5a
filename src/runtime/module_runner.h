#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace balvix::script {
class Engine;
class Host;
class HostObject;
}  // namespace balvix::script

namespace balvix::runtime {

class FormHost;

// The module of a form control or a report grid: its engine, the host it runs with and the
// name its errors carry. The control keeps one and adds its own objects to the engine.
class ModuleRunner {
 public:
  ModuleRunner();
  ~ModuleRunner();
  ModuleRunner(const ModuleRunner&) = delete;
  ModuleRunner& operator=(const ModuleRunner&) = delete;

  // The program's host; without one the runner makes its own. Not owned.
  void setHost(script::Host* host) { m_host = host; }
  script::Host& host();
  void setModuleName(const QString& name) { m_moduleName = name; }
  script::Engine* engine() const { return m_engine.get(); }

  // Ends the run of the module loaded so far and makes a new engine with the global object
  // (the program's global functions when null).
  script::Engine& start(std::shared_ptr<script::HostObject> globalObject);
  // Runs `body` with the keys that stop a module watched; an error is shown, after
  // `beforeError`, and gives false.
  bool run(const std::function<void()>& body, const std::function<void()>& beforeError = {});
  // Ends the module's run: Class_Terminate of what its variables hold runs. Never throws.
  void end();
  // Drops the engine (objects it holds may point back at the control).
  void reset();

 private:
  script::Host* m_host = nullptr;
  std::unique_ptr<FormHost> m_ownHost;
  std::unique_ptr<script::Engine> m_engine;
  QString m_moduleName;
};

}  // namespace balvix::runtime

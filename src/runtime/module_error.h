#pragma once

#include <QString>
#include <memory>

namespace balvix::script {
class Engine;
class ScriptError;
}  // namespace balvix::script

namespace balvix::runtime {

// "Ошибка в модуле «Документ.Приход», строка 3:\nДеление на ноль": where the error is, for
// the developer of the configuration.
QString moduleErrorText(const QString& moduleName, const script::ScriptError& e);

// Shows a module error to the user. A message the module raised itself (Err.Raise with a
// number of its own, a refused posting say) is shown as the module wrote it; its module
// and line go to stderr, the program's log. Every other error shows where it happened.
void showModuleError(const QString& moduleName, const script::ScriptError& e);

// Ends the run of a window's module before the engine is replaced or destroyed, so that the
// Class_Terminate of the instances its variables hold runs. Never throws: it is called from
// destructors.
void releaseModule(const std::unique_ptr<script::Engine>& engine);

}  // namespace balvix::runtime

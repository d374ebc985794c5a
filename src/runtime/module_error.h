#pragma once

#include <QString>

namespace balvix::script {
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

}  // namespace balvix::runtime

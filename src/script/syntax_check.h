#pragma once

#include <QString>
#include <optional>

#include "script/script_error.h"

namespace balvix::script {

// Compiles a module text without running it: the first syntax error (with its line),
// or nothing when the module compiles. Names of the host objects are not known here, so
// only what the language itself forbids is reported.
std::optional<ScriptError> findSyntaxError(const QString& text);

}  // namespace balvix::script
